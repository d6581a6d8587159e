#pragma once

#include "platform/LorvaneExport.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace lorvane {

// Where a host keeps a component's design-time settings. A write whose value equals the
// default (same type and same value) stores nothing, so a bag holds only what differs; a read
// of a missing key returns the default.
class LORVANE_EXPORT PropertyBag {
public:
    virtual ~PropertyBag() = default;
    virtual QVariant ReadProperty(const QString& key, const QVariant& defaultValue) const = 0;
    virtual void WriteProperty(const QString& key, const QVariant& value, const QVariant& defaultValue) = 0;
    // Keys held, in the order they were first written.
    virtual QStringList Keys() const = 0;
    bool Contains(const QString& key) const { return Keys().contains(key); }

    // Equal only with the same type: a boolean never equals the integer default 1.
    static bool sameValue(const QVariant& a, const QVariant& b);
};

class LORVANE_EXPORT MemoryPropertyBag : public PropertyBag {
public:
    QVariant ReadProperty(const QString& key, const QVariant& defaultValue) const override;
    void WriteProperty(const QString& key, const QVariant& value, const QVariant& defaultValue) override;
    QStringList Keys() const override;
    void Clear() { entries_.clear(); }

protected:
    QList<QPair<QString, QVariant>> entries_;
};

// A bag kept in a file. Values may be strings, integers of any width, booleans, doubles, a
// Picture or a QFont; each keeps its type through the file. Load() of a damaged or foreign file
// raises VLNError 3709 and leaves the bag empty.
class LORVANE_EXPORT FilePropertyBag : public MemoryPropertyBag {
public:
    explicit FilePropertyBag(QString path);
    const QString& path() const { return path_; }
    void Load();
    void Save() const;

private:
    QString path_;
};

}  // namespace lorvane
