#include "RecordSetModel.h"

#include <algorithm>
#include <cmath>

#include "AdoTypes.h"

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QGuiApplication>
#include <QHash>
#include <QPalette>
#include <algorithm>
#include <map>
#include <set>

namespace lorvane {

namespace {

double luminance(const QColor& c) {
    auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Null is greyed, but never so far that it stops reading: the palette's greyed text, moved
// towards the normal text until it stands at 4.5:1 on the grid's background.
QColor nullColour(const QPalette& p) {
    const QColor base = p.color(QPalette::Base), text = p.color(QPalette::Text);
    QColor grey = p.color(QPalette::Disabled, QPalette::Text);
    for (int step = 1; step <= 10 && contrast(grey, base) < 4.6; ++step) {
        const double t = step / 10.0;
        const QColor from = p.color(QPalette::Disabled, QPalette::Text);
        grey = QColor::fromRgbF(float(from.redF() + (text.redF() - from.redF()) * t),
                                float(from.greenF() + (text.greenF() - from.greenF()) * t),
                                float(from.blueF() + (text.blueF() - from.blueF()) * t));
    }
    return grey;
}

bool isDecimalType(int type) {
    return type == AdoType::Decimal || type == AdoType::Numeric || type == AdoType::Currency;
}

bool isNumberValue(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Double: case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// A decimal's text with exactly `scale` digits after the point, rounded half away from zero
// on the text itself, so that money never passes through a double.
QString withScale(const QString& text, int scale) {
    QString digits = text.trimmed();
    QString sign;
    if (digits.startsWith(u'-') || digits.startsWith(u'+')) {
        if (digits.startsWith(u'-'))
            sign = QStringLiteral("-");
        digits.remove(0, 1);
    }
    const qsizetype point = digits.indexOf(u'.');
    QString whole = point < 0 ? digits : digits.left(point);
    QString fraction = point < 0 ? QString() : digits.mid(point + 1);
    const auto allDigits = [](const QString& s) {
        return std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    if (!allDigits(whole) || !allDigits(fraction) || (whole.isEmpty() && fraction.isEmpty())) {
        // Exponent form (a double's text): the number with that many places.
        bool ok = false;
        const double value = text.toDouble(&ok);
        return ok ? QString::number(value, 'f', scale) : text;
    }
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    if (fraction.size() > scale) {
        const bool up = fraction[scale] >= u'5';
        fraction.truncate(scale);
        if (up) {
            QString all = whole + fraction;
            qsizetype i = all.size() - 1;
            for (; i >= 0 && all[i] == u'9'; --i)
                all[i] = u'0';
            if (i < 0)
                all.prepend(u'1');
            else
                all[i] = QChar(all[i].unicode() + 1);
            whole = all.left(all.size() - scale);
            fraction = all.right(scale);
        }
    }
    fraction = fraction.leftJustified(scale, u'0');
    const bool zero = std::all_of(whole.begin(), whole.end(), [](QChar c) { return c == u'0'; }) &&
                      std::all_of(fraction.begin(), fraction.end(), [](QChar c) { return c == u'0'; });
    return (zero ? QString() : sign) + whole + (scale > 0 ? u'.' + fraction : QString());
}

// The shortest text that reads back as the same number at the type's precision (15
// significant digits for a double, 7 for a single), so sums of money show as 3.61 rather
// than with the noise of binary fractions.
QString numberText(const QVariant& v, int type) {
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
        const double x = v.toDouble();
        return QString::number(x, 'g', v.typeId() == QMetaType::Float || type == AdoType::Single ? 7 : 15);
    }
    return v.toString();
}

QString timeText(const QTime& t) {
    return t.toString(t.msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
}

}  // namespace

void RecordSetModel::setRecordSet(std::shared_ptr<RecordSet> rs) {
    beginResetModel();
    rs_ = std::move(rs);
    rows_ = recordSetRows();
    sortedColumn_ = -1;
    updateHeadings();
    endResetModel();
}

void RecordSetModel::updateHeadings() {
    headings_.clear();
    if (!rs_)
        return;
    const int n = rs_->FieldCount();
    QHash<QString, int> uses;
    auto own = [this](int c) {
        const FieldInfo& f = rs_->Field(c);
        return f.baseName.isEmpty() ? f.name : f.baseName;
    };
    for (int c = 0; c < n; ++c)
        ++uses[own(c).toCaseFolded()];
    for (int c = 0; c < n; ++c) {
        const FieldInfo& f = rs_->Field(c);
        headings_ << (uses.value(own(c).toCaseFolded()) > 1 && !f.baseTable.isEmpty() ? f.baseTable + u'.' + own(c)
                                                                                        : f.name);
    }
}

void RecordSetModel::sort(const QString& sortText) {
    if (!usable())
        return;
    beginResetModel();
    rs_->Sort(sortText);
    rows_ = recordSetRows();
    endResetModel();
}

void RecordSetModel::markSortColumn(int column) {
    marked_ = column;
    sortedColumn_ = -1;
    if (columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void RecordSetModel::markSorted(int column, Qt::SortOrder order) {
    marked_ = column;
    sortedColumn_ = column;
    sortedOrder_ = order;
    if (columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void RecordSetModel::refresh() {
    beginResetModel();
    rows_ = recordSetRows();
    endResetModel();
}

void RecordSetModel::rowsAppended() {
    const int now = recordSetRows();
    if (now <= rows_)
        return;
    beginInsertRows(QModelIndex(), rows_, now - 1);
    rows_ = now;
    endInsertRows();
}

int RecordSetModel::recordSetRows() const {
    if (!usable())
        return 0;
    return static_cast<int>(std::min<qint64>(rs_->RecordCount(), std::numeric_limits<int>::max()));
}

int RecordSetModel::rowCount(const QModelIndex& parent) const {
    // Live, so that a record set changed by its owner never leaves the views asking for rows
    // it no longer has; rowsAppended() tells them of rows a run adds.
    if (parent.isValid())
        return 0;
    return recordSetRows();
}

int RecordSetModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid() || !rs_)
        return 0;
    return rs_->FieldCount();
}

QString RecordSetModel::displayText(int row, int column) const {
    if (!usable() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return {};
    const QVariant v = rs_->ValueAt(row, column);
    if (!v.isValid())
        return QStringLiteral("Null");
    const FieldInfo& f = rs_->Field(column);
    switch (v.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime t = v.toDateTime();
        return t.date().toString(Qt::ISODate) + u' ' + timeText(t.time());
    }
    case QMetaType::QDate: return v.toDate().toString(Qt::ISODate);
    case QMetaType::QTime: return timeText(v.toTime());
    case QMetaType::Double:
    case QMetaType::Float:
        if (isDecimalType(f.type) && f.numericScale >= 0)
            return QString::number(v.toDouble(), 'f', f.numericScale);
        return numberText(v, f.type);
    case QMetaType::QString:
        if (isDecimalType(f.type) && f.numericScale >= 0)
            return withScale(v.toString(), f.numericScale);
        return v.toString();
    default:
        return isNumberValue(v) ? numberText(v, f.type) : v.toString();
    }
}

QVariant RecordSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !usable())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return displayText(index.row(), index.column());
    case Qt::EditRole:
        return rs_->ValueAt(index.row(), index.column());
    case Qt::TextAlignmentRole: {
        const QVariant v = rs_->ValueAt(index.row(), index.column());
        const int type = rs_->Field(index.column()).type;
        const bool number = v.isValid() ? isNumberValue(v) || (v.typeId() == QMetaType::QString && isDecimalType(type))
                                        : isNumericAdoType(type) && type != AdoType::Boolean;
        return QVariant::fromValue(Qt::Alignment((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    }
    case Qt::ForegroundRole:
        // Null reads as a word of its own, never as a value: greyed and in italics.
        if (rs_->IsNullAt(index.row(), index.column()))
            return nullColour(QGuiApplication::palette());
        return {};
    case Qt::FontRole:
        if (rs_->IsNullAt(index.row(), index.column())) {
            QFont italic = QGuiApplication::font();
            italic.setItalic(true);
            return italic;
        }
        return {};
    default:
        return {};
    }
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (!rs_ || section < 0 || section >= rs_->FieldCount())
        return {};
    const FieldInfo& f = rs_->Field(section);
    switch (role) {
    case Qt::DisplayRole: {
        const QString text = heading(section);
        if (section != sortedColumn_)
            return text;
        return text + (sortedOrder_ == Qt::AscendingOrder ? QStringLiteral(" \u25B2") : QStringLiteral(" \u25BC"));
    }
    case Qt::ToolTipRole: {
        const QString field = f.baseName.isEmpty() ? f.name : f.baseName;
        QString tip = f.baseTable.isEmpty()
                          ? QStringLiteral("Field %1, calculated (it belongs to no table)").arg(field)
                          : QStringLiteral("Table %1, field %2").arg(f.baseTable, field);
        if (section == sortedColumn_)
            tip += sortedOrder_ == Qt::AscendingOrder ? QStringLiteral("; sorted ascending")
                                                       : QStringLiteral("; sorted descending");
        else if (section == marked_)
            tip += QStringLiteral("; Asc and Desc sort by this column");
        return tip;
    }
    case Qt::FontRole:
        if (section == marked_) {
            QFont bold = QGuiApplication::font();
            bold.setBold(true);
            return bold;
        }
        return {};
    default:
        return {};
    }
}

QString RecordSetModel::heading(int column) const {
    return column >= 0 && column < headings_.size() ? headings_[column] : QString();
}

QString RecordSetModel::copyText(const QModelIndexList& cells) const {
    std::set<int> rows, columns;
    std::set<std::pair<int, int>> chosen;
    for (const QModelIndex& i : cells) {
        if (!i.isValid() || i.model() != this)
            continue;
        rows.insert(i.row());
        columns.insert(i.column());
        chosen.insert({i.row(), i.column()});
    }
    if (chosen.empty())
        return {};
    // Tabs and line breaks inside a value would split it into other cells.
    auto clean = [](QString s) {
        s.replace(u'\t', u' ');
        s.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        s.replace(u'\n', u' ');
        s.replace(u'\r', u' ');
        return s;
    };
    QStringList lines;
    QStringList head;
    for (int c : columns)
        head << clean(heading(c));
    lines << head.join(u'\t');
    for (int r : rows) {
        QStringList line;
        for (int c : columns)
            line << (chosen.count({r, c}) && !rs_->IsNullAt(r, c) ? clean(displayText(r, c)) : QString());
        lines << line.join(u'\t');
    }
    return lines.join(u'\n') + u'\n';
}

bool RecordSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!editable_ || !index.isValid() || !usable() || role != Qt::EditRole)
        return false;
    rs_->SetAbsolutePosition(index.row() + 1);
    rs_->SetValue(index.column(), value);
    rs_->Update();
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

Qt::ItemFlags RecordSetModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (editable_ && index.isValid())
        f |= Qt::ItemIsEditable;
    return f;
}

}  // namespace lorvane
