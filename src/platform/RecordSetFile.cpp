// The saved form of a RecordSet: a self-describing container.
//
//   "LORVANE RECORDSET\n"          format name
//   u32 version                    1, or 2 for a set with a save identity
//   bytes identity                 version 2 only: the save identity (u32 count, bytes)
//   u32 field count, then per field: string name, i32 type, i32 defined size, i32 attributes
//   u64 row count, then per row and field: u8 tag, payload (see Tag)
//   32 bytes                       SHA-256 of everything before it
//
// Integers are little-endian; strings are a u32 byte count and UTF-8. The checksum makes a
// truncated or damaged file fail as a whole instead of loading half a query.
#include "RecordSet.h"
#include "DurableFile.h"
#include "VLNError.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QTime>
#include <QtEndian>
#include <vector>

namespace lorvane {

namespace {

const QByteArray kMagic = QByteArrayLiteral("LORVANE RECORDSET\n");
constexpr quint32 kFormatVersion = 1;
constexpr quint32 kIdentifiedVersion = 2;
constexpr qsizetype kMaxIdentity = 4096;
// Reading stops before holding a file larger than this in memory.
constexpr qint64 kMaxFileSize = qint64(2) << 30;
constexpr int kHashSize = 32;

constexpr qint32 kMsPerDay = 86400000;

enum class Tag : quint8 { Null = 0, Int = 1, Real = 2, Bool = 3, DateTime = 4, Date = 5, Time = 6, Text = 7, Bytes = 8 };

class Writer {
public:
    QByteArray out;
    template <typename T> void put(T v) {
        T le = qToLittleEndian(v);
        out.append(reinterpret_cast<const char*>(&le), sizeof le);
    }
    void putBytes(const QByteArray& b) {
        put<quint32>(static_cast<quint32>(b.size()));
        out.append(b);
    }
    void putText(const QString& s) { putBytes(s.toUtf8()); }
};

class Reader {
public:
    explicit Reader(QByteArrayView data) : data_(data) {}
    bool ok = true;
    qsizetype remaining() const { return data_.size() - at_; }
    template <typename T> T get() {
        if (!ok || remaining() < static_cast<qsizetype>(sizeof(T))) {
            ok = false;
            return T{};
        }
        T v;
        memcpy(&v, data_.data() + at_, sizeof v);
        at_ += sizeof v;
        return qFromLittleEndian(v);
    }
    QByteArray getBytes() {
        const quint32 n = get<quint32>();
        if (!ok || remaining() < static_cast<qsizetype>(n)) {
            ok = false;
            return {};
        }
        QByteArray b(data_.data() + at_, n);
        at_ += n;
        return b;
    }
    QString getText() { return QString::fromUtf8(getBytes()); }

private:
    QByteArrayView data_;
    qsizetype at_ = 0;
};

void writeValue(Writer& w, const QVariant& v) {
    if (!v.isValid() || v.isNull()) {
        w.put<quint8>(static_cast<quint8>(Tag::Null));
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Bool:
        w.put<quint8>(static_cast<quint8>(Tag::Bool));
        w.put<quint8>(v.toBool() ? 1 : 0);
        return;
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Long: case QMetaType::ULong:
    case QMetaType::Char: case QMetaType::SChar: case QMetaType::UChar:
        w.put<quint8>(static_cast<quint8>(Tag::Int));
        w.put<qint64>(v.toLongLong());
        return;
    case QMetaType::Double: case QMetaType::Float: {
        w.put<quint8>(static_cast<quint8>(Tag::Real));
        const double d = v.toDouble();
        quint64 bits;
        memcpy(&bits, &d, sizeof bits);
        w.put<quint64>(bits);
        return;
    }
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        w.put<quint8>(static_cast<quint8>(Tag::DateTime));
        w.put<qint64>(dt.date().toJulianDay());
        w.put<qint32>(dt.time().msecsSinceStartOfDay());
        return;
    }
    case QMetaType::QDate:
        w.put<quint8>(static_cast<quint8>(Tag::Date));
        w.put<qint64>(v.toDate().toJulianDay());
        return;
    case QMetaType::QTime:
        w.put<quint8>(static_cast<quint8>(Tag::Time));
        w.put<qint32>(v.toTime().msecsSinceStartOfDay());
        return;
    case QMetaType::QByteArray:
        w.put<quint8>(static_cast<quint8>(Tag::Bytes));
        w.putBytes(v.toByteArray());
        return;
    default:
        w.put<quint8>(static_cast<quint8>(Tag::Text));
        w.putText(v.toString());
        return;
    }
}

QVariant readValue(Reader& r) {
    const auto tag = static_cast<Tag>(r.get<quint8>());
    switch (tag) {
    case Tag::Null: return {};
    case Tag::Int: return QVariant(static_cast<qlonglong>(r.get<qint64>()));
    case Tag::Real: {
        const quint64 bits = r.get<quint64>();
        double d;
        memcpy(&d, &bits, sizeof d);
        return d;
    }
    case Tag::Bool: return r.get<quint8>() != 0;
    case Tag::DateTime: {
        // A day or a time of day that no date or time can have means the file is damaged.
        const QDate date = QDate::fromJulianDay(r.get<qint64>());
        const qint32 ms = r.get<qint32>();
        if (!date.isValid() || ms < 0 || ms >= kMsPerDay)
            break;
        const QDateTime at(date, QTime::fromMSecsSinceStartOfDay(ms));
        if (!at.isValid())
            break;
        return at;
    }
    case Tag::Date: {
        const QDate date = QDate::fromJulianDay(r.get<qint64>());
        if (!date.isValid())
            break;
        return date;
    }
    case Tag::Time: {
        const qint32 ms = r.get<qint32>();
        if (ms < 0 || ms >= kMsPerDay)
            break;
        return QTime::fromMSecsSinceStartOfDay(ms);
    }
    case Tag::Text: return r.getText();
    case Tag::Bytes: return r.getBytes();
    }
    r.ok = false;
    return {};
}

[[noreturn]] void notUsable(const QString& path, const QString& why) {
    throw VLNError(ErrorNumber::NotUsable, QStringLiteral("Lorvane.RecordSet"),
                   QStringLiteral("'%1' cannot be opened as a saved record set: %2.").arg(path, why));
}

}  // namespace

QByteArray RecordSet::SaveToBytes() const {
    requireOpen();
    Writer w;
    w.out.append(kMagic);
    // A set without an identity keeps the first version, which every reader knows.
    w.put<quint32>(saveIdentity_.isEmpty() ? kFormatVersion : kIdentifiedVersion);
    if (!saveIdentity_.isEmpty())
        w.putBytes(saveIdentity_);
    w.put<quint32>(static_cast<quint32>(FieldCount()));
    for (int f = 0; f < FieldCount(); ++f) {
        const FieldInfo& info = Field(f);
        w.putText(info.name);
        w.put<qint32>(info.type);
        w.put<qint32>(info.definedSize);
        w.put<qint32>(info.attributes);
    }
    const qint64 rows = RecordCount();
    w.put<quint64>(static_cast<quint64>(rows));
    for (qint64 r = 0; r < rows; ++r)
        for (int f = 0; f < FieldCount(); ++f)
            writeValue(w, ValueAt(r, f));
    w.out.append(QCryptographicHash::hash(w.out, QCryptographicHash::Sha256));
    return w.out;
}

void RecordSet::Save(const QString& path) const {
    const QByteArray bytes = SaveToBytes();
    try {
        DurableFile::replace(path, bytes);
    } catch (const VLNError& e) {
        throw VLNError(e.number(), QStringLiteral("Lorvane.RecordSet"),
                       QStringLiteral("Cannot write '%1': %2").arg(path, e.description()));
    }
}

void RecordSet::OpenFile(const QString& path) {
    if (IsOpen())
        throw VLNError(ErrorNumber::ObjectOpen, QStringLiteral("Lorvane.RecordSet"),
                       QStringLiteral("The operation is not allowed while the record set is open."));
    QString why;
    const std::optional<QByteArray> bytes = DurableFile::readRegular(path, kMaxFileSize, why);
    if (!bytes)
        notUsable(path, why);
    OpenBytes(*bytes, path);
}

void RecordSet::OpenBytes(QByteArrayView all, const QString& path) {
    if (IsOpen())
        throw VLNError(ErrorNumber::ObjectOpen, QStringLiteral("Lorvane.RecordSet"),
                       QStringLiteral("The operation is not allowed while the record set is open."));
    if (all.size() < kMagic.size() + kHashSize || !all.startsWith(kMagic))
        notUsable(path, QStringLiteral("not a saved record set"));
    const QByteArrayView body(all.constData(), all.size() - kHashSize);
    if (QCryptographicHash::hash(body, QCryptographicHash::Sha256) != all.last(kHashSize))
        notUsable(path, QStringLiteral("the file is damaged or incomplete"));

    Reader r(body.sliced(kMagic.size()));
    const quint32 version = r.get<quint32>();
    if (version != kFormatVersion && version != kIdentifiedVersion)
        notUsable(path, QStringLiteral("unknown format version %1").arg(version));
    QByteArray identity;
    if (version == kIdentifiedVersion) {
        identity = r.getBytes();
        if (!r.ok || identity.isEmpty() || identity.size() > kMaxIdentity)
            notUsable(path, QStringLiteral("bad save identity"));
    }
    const quint32 fieldCount = r.get<quint32>();
    if (!r.ok || fieldCount > static_cast<quint64>(r.remaining()))
        notUsable(path, QStringLiteral("bad field count"));

    RecordSet loaded;
    for (quint32 f = 0; f < fieldCount && r.ok; ++f) {
        const QString name = r.getText();
        const qint32 type = r.get<qint32>();
        const qint32 size = r.get<qint32>();
        const qint32 attributes = r.get<qint32>();
        if (!r.ok)
            break;
        if (loaded.FieldIndex(name) >= 0)
            notUsable(path, QStringLiteral("the field '%1' appears twice").arg(name));
        loaded.AppendField(name, type, size, attributes);
    }
    const quint64 rows = r.get<quint64>();
    // Every cell takes at least one byte, which bounds the row count by the file size.
    if (!r.ok || (fieldCount > 0 && rows > static_cast<quint64>(r.remaining()) / fieldCount) ||
        (fieldCount == 0 && rows > 0))
        notUsable(path, QStringLiteral("bad row count"));
    loaded.Open();
    std::vector<QVariant> values(fieldCount);
    for (quint64 row = 0; row < rows && r.ok; ++row) {
        for (auto& v : values)
            v = readValue(r);
        if (r.ok)
            loaded.AppendRow(values);
    }
    if (!r.ok || r.remaining() != 0)
        notUsable(path, QStringLiteral("the rows are malformed"));

    d_ = loaded.d_;
    saveIdentity_ = identity;
    resetCursor();
}

}  // namespace lorvane
