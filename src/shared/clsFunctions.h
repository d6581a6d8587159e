#pragma once

#include "platform/LorvaneExport.h"

#include <QObject>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace lorvane {

// The database functions the host offers for calculated fields: texts in the order added,
// each with an optional key; keys are unique without regard to case. One per process.
// Failures raise VLNError 0x800403F1 (Add), 0x800403EF (Remove), 0x800403F0 (Item).
class LORVANE_EXPORT clsFunctions : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Count READ Count)
public:
    static constexpr long kKeyExists = -2147220495;     // 0x800403F1
    static constexpr long kRemoveInvalid = -2147220497;  // 0x800403EF
    static constexpr long kItemInvalid = -2147220496;    // 0x800403F0

    static clsFunctions& shared();

    Q_INVOKABLE void Add(const QString& Item, const QString& Key = QString());
    // Index: a 1-based position (a number) or a key (a string).
    Q_INVOKABLE void Remove(const QVariant& Index);
    Q_INVOKABLE QString Item(const QVariant& Index) const;
    int Count() const { return static_cast<int>(entries_.size()); }
    Q_INVOKABLE void RemoveAll();

    QStringList texts() const;

private:
    struct Entry {
        QString text;
        QString key;
    };
    std::vector<Entry> entries_;

    // Position of the entry an index names, or -1.
    int find(const QVariant& index) const;
};

// What the host reaches through VLNCalcFieldFunctions: a new one on every read, each giving
// the same shared list.
class LORVANE_EXPORT clsCalcFieldFunctions : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject* Functions READ functionsObject)
public:
    explicit clsCalcFieldFunctions(QObject* parent = nullptr) : QObject(parent) {}
    clsFunctions& Functions() const { return clsFunctions::shared(); }
    QObject* functionsObject() const { return &clsFunctions::shared(); }
};

}  // namespace lorvane
