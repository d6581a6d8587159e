#include "RecordSet.h"

#include "ColumnStore.h"
#include "VLNError.h"

#include <QHash>
#include <QStringList>
#include <algorithm>

namespace lorvane {

namespace {
const QString kSource = QStringLiteral("Lorvane.RecordSet");

[[noreturn]] void raise(long number, const QString& text) {
    throw VLNError(number, kSource, text);
}

[[noreturn]] void raiseNoCurrentRecord() {
    raise(ErrorNumber::NoCurrentRecord,
          QStringLiteral("There is no current row: the cursor is before the first row, after the last "
                         "row, or on a deleted row."));
}
}  // namespace

struct RecordSet::Data {
    std::vector<FieldInfo> fields;
    QHash<QString, int> fieldIndex;  // case-folded name -> position
    QHash<QString, int> exactIndex;  // name as appended -> position (the usual lookup)
    std::vector<ColumnStore> columns;
    TextPool pool;
    // Live rows in their current order (physical indices); while nothing was sorted or deleted
    // the order is that of adding and is not stored, which a loaded result usually is.
    std::vector<std::uint32_t> order;
    bool natural = true;
    std::uint32_t physicalRows = 0;

    std::size_t rowCount() const { return natural ? physicalRows : order.size(); }
    bool empty() const { return rowCount() == 0; }
    std::uint32_t physical(std::size_t at) const { return natural ? static_cast<std::uint32_t>(at) : order[at]; }
    std::vector<std::uint32_t>& explicitOrder() {
        if (natural) {
            order.resize(physicalRows);
            for (std::uint32_t i = 0; i < physicalRows; ++i)
                order[i] = i;
            natural = false;
        }
        return order;
    }
    void appendLive(std::uint32_t row) {
        if (!natural)
            order.push_back(row);
    }
    QString sortText;
    bool open = false;

    std::uint32_t addPhysicalRow() {
        for (auto& c : columns)
            c.appendNull();
        return physicalRows++;
    }
};

RecordSet::RecordSet() : d_(std::make_shared<Data>()) {}
RecordSet::~RecordSet() = default;

void RecordSet::requireOpen() const {
    if (!d_->open)
        raise(ErrorNumber::ObjectClosed, QStringLiteral("The operation is not allowed while the record set is closed."));
}

void RecordSet::AppendField(const QString& name, int type, int definedSize, int attributes) {
    if (d_->open)
        raise(ErrorNumber::NotAllowedInContext, QStringLiteral("Fields cannot be appended while the record set is open."));
    if (FieldIndex(name) >= 0)
        raise(ErrorNumber::FieldExists, QStringLiteral("A field named '%1' already exists.").arg(name));
    d_->fieldIndex.insert(name.toCaseFolded(), static_cast<int>(d_->fields.size()));
    d_->exactIndex.insert(name, static_cast<int>(d_->fields.size()));
    d_->fields.push_back(FieldInfo{name, type, definedSize, attributes});
}

void RecordSet::SetFieldOrigin(int field, int numericScale, const QString& baseTable, const QString& baseName) {
    FieldInfo& f = d_->fields.at(static_cast<std::size_t>(field));
    f.numericScale = numericScale;
    f.baseTable = baseTable;
    f.baseName = baseName;
}

void RecordSet::Open() {
    if (d_->open)
        raise(ErrorNumber::ObjectOpen, QStringLiteral("The operation is not allowed while the record set is open."));
    d_->columns.clear();
    for (const auto& f : d_->fields)
        d_->columns.emplace_back(f.type);
    d_->open = true;
    resetCursor();
}

void RecordSet::Close() {
    requireOpen();
    // Other cursors (clones) keep the rows; this one keeps only the field definitions.
    auto fresh = std::make_shared<Data>();
    fresh->fields = d_->fields;
    fresh->fieldIndex = d_->fieldIndex;
    fresh->exactIndex = d_->exactIndex;
    d_ = std::move(fresh);
    pos_ = -1;
    currentDeleted_ = false;
}

RecordSet::State RecordSet::state() const {
    return d_->open ? Opened : Closed;
}

int RecordSet::FieldCount() const {
    return static_cast<int>(d_->fields.size());
}

const FieldInfo& RecordSet::Field(int index) const {
    if (index < 0 || index >= FieldCount())
        raise(ErrorNumber::ItemNotFound, QStringLiteral("There is no field at position %1.").arg(index));
    return d_->fields[static_cast<std::size_t>(index)];
}

const FieldInfo& RecordSet::Field(const QString& name) const {
    const int i = FieldIndex(name);
    if (i < 0)
        raise(ErrorNumber::ItemNotFound, QStringLiteral("There is no field named '%1'.").arg(name));
    return d_->fields[static_cast<std::size_t>(i)];
}

int RecordSet::FieldIndex(const QString& name) const {
    const auto exact = d_->exactIndex.constFind(name);
    if (exact != d_->exactIndex.cend())
        return exact.value();
    return d_->fieldIndex.value(name.toCaseFolded(), -1);
}

QString RecordSet::UnusedFieldName(const QString& base) const {
    QString name = base;
    for (int n = 2; FieldIndex(name) >= 0; ++n)
        name = QStringLiteral("%1_%2").arg(base).arg(n);
    return name;
}

void RecordSet::resetCursor() {
    currentDeleted_ = false;
    pos_ = d_->empty() ? -1 : 0;
}

quint32 RecordSet::currentPhysicalRow() const {
    requireOpen();
    if (currentDeleted_ || pos_ < 0 || pos_ >= static_cast<qint64>(d_->rowCount()))
        raiseNoCurrentRecord();
    return d_->physical(static_cast<std::size_t>(pos_));
}

QVariant RecordSet::Value(int field) const {
    const quint32 row = currentPhysicalRow();
    Field(field);
    return d_->columns[static_cast<std::size_t>(field)].get(row, d_->pool);
}

QVariant RecordSet::Value(const QString& name) const {
    const quint32 row = currentPhysicalRow();
    const int i = FieldIndex(name);
    Field(name);
    return d_->columns[static_cast<std::size_t>(i)].get(row, d_->pool);
}

void RecordSet::SetValue(int field, const QVariant& value) {
    const quint32 row = currentPhysicalRow();
    Field(field);
    d_->columns[static_cast<std::size_t>(field)].set(row, value, d_->pool);
}

void RecordSet::SetValue(const QString& name, const QVariant& value) {
    Field(name);
    SetValue(FieldIndex(name), value);
}

void RecordSet::AddNew() {
    requireOpen();
    d_->appendLive(d_->addPhysicalRow());
    pos_ = static_cast<qint64>(d_->rowCount()) - 1;
    currentDeleted_ = false;
}

void RecordSet::Update() {
    // Values are written through at once; Update only confirms there is a row to store.
    currentPhysicalRow();
}

void RecordSet::Delete() {
    currentPhysicalRow();
    auto& order = d_->explicitOrder();
    order.erase(order.begin() + pos_);
    // The deleted row stays "current" until the next move, so that a delete-then-MoveNext loop
    // visits every row.
    currentDeleted_ = true;
}

void RecordSet::MoveFirst() {
    requireOpen();
    if (d_->empty())
        raiseNoCurrentRecord();
    pos_ = 0;
    currentDeleted_ = false;
}

void RecordSet::MoveLast() {
    requireOpen();
    if (d_->empty())
        raiseNoCurrentRecord();
    pos_ = static_cast<qint64>(d_->rowCount()) - 1;
    currentDeleted_ = false;
}

void RecordSet::MoveNext() {
    requireOpen();
    const auto n = static_cast<qint64>(d_->rowCount());
    if (currentDeleted_) {
        currentDeleted_ = false;  // the next row already sits at pos_
        pos_ = std::min(pos_, n);
        return;
    }
    if (pos_ >= n)
        raiseNoCurrentRecord();
    ++pos_;
}

void RecordSet::MovePrevious() {
    requireOpen();
    if (pos_ < 0)
        raiseNoCurrentRecord();
    currentDeleted_ = false;
    --pos_;
    pos_ = std::min(pos_, static_cast<qint64>(d_->rowCount()));
}

void RecordSet::Move(qint64 rows) {
    requireOpen();
    const auto n = static_cast<qint64>(d_->rowCount());
    if ((rows < 0 && pos_ < 0) || (rows > 0 && pos_ >= n && !currentDeleted_))
        raiseNoCurrentRecord();
    if (currentDeleted_ && rows > 0)
        --rows;  // the row after the deleted one is already at pos_
    currentDeleted_ = false;
    pos_ = std::clamp<qint64>(pos_ + rows, -1, n);
}

bool RecordSet::Eof() const {
    requireOpen();
    return d_->empty() || pos_ >= static_cast<qint64>(d_->rowCount());
}

bool RecordSet::Bof() const {
    requireOpen();
    return pos_ < 0 || d_->empty();
}

qint64 RecordSet::RecordCount() const {
    requireOpen();
    return static_cast<qint64>(d_->rowCount());
}

qint64 RecordSet::AbsolutePosition() const {
    requireOpen();
    if (pos_ < 0)
        return -2;
    if (pos_ >= static_cast<qint64>(d_->rowCount()))
        return -3;
    return pos_ + 1;
}

void RecordSet::SetAbsolutePosition(qint64 position) {
    requireOpen();
    if (position < 1 || position > static_cast<qint64>(d_->rowCount()))
        raise(ErrorNumber::NoCurrentRecord, QStringLiteral("There is no row at position %1.").arg(position));
    pos_ = position - 1;
    currentDeleted_ = false;
}

std::shared_ptr<RecordSet> RecordSet::Clone() const {
    requireOpen();
    auto c = std::make_shared<RecordSet>();
    c->d_ = d_;
    c->resetCursor();
    return c;
}

void RecordSet::Sort(const QString& sortText) {
    requireOpen();
    struct Key {
        int field;
        bool descending;
    };
    std::vector<Key> keys;
    for (const QString& part : sortText.split(u',', Qt::SkipEmptyParts)) {
        QString term = part.trimmed();
        bool desc = false;
        if (term.endsWith(QLatin1String(" DESC"), Qt::CaseInsensitive)) {
            desc = true;
            term.chop(5);
        } else if (term.endsWith(QLatin1String(" ASC"), Qt::CaseInsensitive)) {
            term.chop(4);
        }
        term = term.trimmed();
        if (term.size() > 1 && term.startsWith(u'[') && term.endsWith(u']'))
            term = term.mid(1, term.size() - 2);
        const int f = FieldIndex(term);
        if (f < 0)
            raise(ErrorNumber::ItemNotFound, QStringLiteral("Cannot sort by '%1': there is no such field.").arg(term));
        keys.push_back({f, desc});
    }
    const auto& cols = d_->columns;
    const auto& pool = d_->pool;
    auto& order = d_->explicitOrder();
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        for (const Key& k : keys) {
            const int c = cols[static_cast<std::size_t>(k.field)].compare(a, b, pool);
            if (c != 0)
                return k.descending ? c > 0 : c < 0;
        }
        return keys.empty() && a < b;  // no keys: back to the order of adding
    });
    if (keys.empty() && order.size() == d_->physicalRows) {
        d_->order = {};
        d_->natural = true;
    }
    d_->sortText = sortText;
    resetCursor();
}

QString RecordSet::SortText() const {
    return d_->sortText;
}

QVariant RecordSet::ValueAt(qint64 row, int field) const {
    requireOpen();
    if (row < 0 || row >= static_cast<qint64>(d_->rowCount()))
        raiseNoCurrentRecord();
    Field(field);
    return d_->columns[static_cast<std::size_t>(field)].get(d_->physical(static_cast<std::size_t>(row)), d_->pool);
}

bool RecordSet::IsNullAt(qint64 row, int field) const {
    requireOpen();
    if (row < 0 || row >= static_cast<qint64>(d_->rowCount()))
        raiseNoCurrentRecord();
    Field(field);
    return d_->columns[static_cast<std::size_t>(field)].isNull(d_->physical(static_cast<std::size_t>(row)));
}

void RecordSet::AppendRow(std::span<const QVariant> values) {
    requireOpen();
    if (values.size() != d_->columns.size())
        raise(ErrorNumber::NotAllowedInContext,
              QStringLiteral("A row of %1 values does not fit %2 fields.").arg(values.size()).arg(d_->columns.size()));
    for (std::size_t i = 0; i < values.size(); ++i)
        d_->columns[i].append(values[i], d_->pool);
    d_->appendLive(d_->physicalRows++);
    if (pos_ < 0)
        pos_ = 0;
}

void RecordSet::AppendRow(std::span<const CellValue> cells) {
    requireOpen();
    if (cells.size() != d_->columns.size())
        raise(ErrorNumber::NotAllowedInContext,
              QStringLiteral("A row of %1 values does not fit %2 fields.").arg(cells.size()).arg(d_->columns.size()));
    for (std::size_t i = 0; i < cells.size(); ++i)
        d_->columns[i].append(cells[i], d_->pool);
    d_->appendLive(d_->physicalRows++);
    if (pos_ < 0)
        pos_ = 0;
}

void RecordSet::DiscardRows() {
    requireOpen();
    // Clones keep the rows they share; this cursor starts a fresh store.
    auto fresh = std::make_shared<Data>();
    fresh->fields = d_->fields;
    fresh->fieldIndex = d_->fieldIndex;
    fresh->exactIndex = d_->exactIndex;
    for (const auto& f : fresh->fields)
        fresh->columns.emplace_back(f.type);
    fresh->open = true;
    d_ = std::move(fresh);
    resetCursor();
}

void RecordSet::ReserveRows(qint64 rows) {
    requireOpen();
    const auto n = static_cast<std::size_t>(std::max<qint64>(0, rows));
    for (auto& c : d_->columns)
        c.reserve(n);
    if (!d_->natural)
        d_->order.reserve(n);
}

void RecordSet::Squeeze() {
    requireOpen();
    for (auto& c : d_->columns)
        c.squeeze();
    d_->order.shrink_to_fit();
    d_->pool.squeeze();
}

}  // namespace lorvane
