#include "PropertyBag.h"

#include "DurableFile.h"
#include "Picture.h"
#include "VLNError.h"

#include <QBuffer>
#include <QDataStream>
#include <QFont>
#include <QPixmap>

namespace lorvane {

bool PropertyBag::sameValue(const QVariant& a, const QVariant& b) {
    if (a.metaType() != b.metaType())
        return false;
    if (a.metaType() == QMetaType::fromType<Picture>())
        return a.value<Picture>() == b.value<Picture>();
    return a == b;
}

QVariant MemoryPropertyBag::ReadProperty(const QString& key, const QVariant& defaultValue) const {
    for (const auto& [k, v] : entries_)
        if (k == key)
            return v;
    return defaultValue;
}

void MemoryPropertyBag::WriteProperty(const QString& key, const QVariant& value, const QVariant& defaultValue) {
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        if (entries_[i].first == key) {
            if (sameValue(value, defaultValue))
                entries_.removeAt(i);
            else
                entries_[i].second = value;
            return;
        }
    }
    if (!sameValue(value, defaultValue))
        entries_.append({key, value});
}

QStringList MemoryPropertyBag::Keys() const {
    QStringList keys;
    for (const auto& entry : entries_)
        keys << entry.first;
    return keys;
}

namespace {

const QByteArray kMagic = QByteArrayLiteral("LORVANE PROPERTYBAG");
constexpr qint32 kVersion = 1;
// Settings with a few pictures come nowhere near this; a larger file is not a bag.
constexpr qint64 kMaxFileSize = 256 * 1024 * 1024;

enum class Kind : qint8 { String = 1, Bool = 2, Short = 3, Int = 4, LongLong = 5, Double = 6, Picture = 7, Font = 8 };

QByteArray pictureBytes(const Picture& picture) {
    QByteArray png;
    if (picture && !picture->isNull()) {
        const auto sizes = picture->availableSizes();
        const QSize size = sizes.isEmpty() ? QSize(32, 32) : sizes.last();
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture->pixmap(size).save(&buffer, "PNG");
    }
    return png;
}

Picture pictureFromBytes(const QByteArray& png) {
    auto picture = makeEmptyPicture();
    if (!png.isEmpty()) {
        QPixmap pixmap;
        if (pixmap.loadFromData(png, "PNG"))
            *picture = QIcon(pixmap);
    }
    return picture;
}

[[noreturn]] void unreadable(const QString& path, const QString& why) {
    throw VLNError(ErrorNumber::NotUsable, QStringLiteral("Lorvane.PropertyBag"),
                   QStringLiteral("'%1' cannot be read as a property bag: %2.").arg(path, why));
}

}  // namespace

FilePropertyBag::FilePropertyBag(QString path) : path_(std::move(path)) {}

void FilePropertyBag::Save() const {
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMagic << kVersion << qint32(entries_.size());
    for (const auto& [key, value] : entries_) {
        out << key;
        switch (value.typeId()) {
        case QMetaType::QString: out << qint8(Kind::String) << value.toString(); break;
        case QMetaType::Bool: out << qint8(Kind::Bool) << value.toBool(); break;
        case QMetaType::Short: out << qint8(Kind::Short) << value.value<qint16>(); break;
        case QMetaType::Int: out << qint8(Kind::Int) << value.toInt(); break;
        case QMetaType::LongLong: out << qint8(Kind::LongLong) << value.toLongLong(); break;
        case QMetaType::Double: out << qint8(Kind::Double) << value.toDouble(); break;
        case QMetaType::QFont: out << qint8(Kind::Font) << value.value<QFont>().toString(); break;
        default:
            if (value.metaType() == QMetaType::fromType<Picture>()) {
                out << qint8(Kind::Picture) << pictureBytes(value.value<Picture>());
                break;
            }
            out << qint8(Kind::String) << value.toString();
        }
    }
    try {
        DurableFile::replace(path_, data);
    } catch (const VLNError& e) {
        throw VLNError(e.number(), QStringLiteral("Lorvane.PropertyBag"),
                       QStringLiteral("Cannot write '%1': %2").arg(path_, e.description()));
    }
}

void FilePropertyBag::Load() {
    entries_.clear();
    QString why;
    const std::optional<QByteArray> bytes = DurableFile::readRegular(path_, kMaxFileSize, why);
    if (!bytes)
        unreadable(path_, why);
    QDataStream in(*bytes);
    in.setVersion(QDataStream::Qt_6_0);
    QByteArray magic;
    qint32 version = 0, count = 0;
    in >> magic >> version >> count;
    if (in.status() != QDataStream::Ok || magic != kMagic)
        unreadable(path_, QStringLiteral("not a property bag"));
    if (version != kVersion || count < 0)
        unreadable(path_, QStringLiteral("unknown version"));
    QList<QPair<QString, QVariant>> entries;
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        QString key;
        qint8 kind = 0;
        in >> key >> kind;
        QVariant value;
        switch (static_cast<Kind>(kind)) {
        case Kind::String: { QString s; in >> s; value = s; break; }
        case Kind::Bool: { bool b; in >> b; value = b; break; }
        case Kind::Short: { qint16 s; in >> s; value = QVariant::fromValue(s); break; }
        case Kind::Int: { qint32 n; in >> n; value = n; break; }
        case Kind::LongLong: { qint64 n; in >> n; value = QVariant::fromValue(n); break; }
        case Kind::Double: { double d; in >> d; value = d; break; }
        case Kind::Font: { QString s; in >> s; QFont f; f.fromString(s); value = f; break; }
        case Kind::Picture: { QByteArray png; in >> png; value = QVariant::fromValue(pictureFromBytes(png)); break; }
        default: unreadable(path_, QStringLiteral("unknown value kind %1").arg(kind));
        }
        entries.append({key, value});
    }
    if (in.status() != QDataStream::Ok || !in.atEnd())
        unreadable(path_, QStringLiteral("the file is damaged or incomplete"));
    entries_ = std::move(entries);
}

}  // namespace lorvane
