#include "clsFunctions.h"

#include "platform/VLNError.h"

namespace lorvane {

clsFunctions& clsFunctions::shared() {
    static auto* functions = new clsFunctions;
    return *functions;
}

void clsFunctions::Add(const QString& Item, const QString& Key) {
    if (!Key.isEmpty())
        for (const Entry& e : entries_)
            if (e.key.compare(Key, Qt::CaseInsensitive) == 0)
                throw VLNError(kKeyExists, QStringLiteral("Function - Add"),
                               Key + QStringLiteral(" Item Key already exists in Calc Field Function Collection. "
                                                    "Unable to add Item"));
    entries_.push_back({Item, Key});
}

int clsFunctions::find(const QVariant& index) const {
    if (index.typeId() == QMetaType::QString) {
        const QString key = index.toString();
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (!entries_[i].key.isEmpty() && entries_[i].key.compare(key, Qt::CaseInsensitive) == 0)
                return static_cast<int>(i);
        return -1;
    }
    bool ok = false;
    const qlonglong position = index.toLongLong(&ok);
    if (!ok || position < 1 || position > Count())
        return -1;
    return static_cast<int>(position - 1);
}

void clsFunctions::Remove(const QVariant& Index) {
    const int i = find(Index);
    if (i < 0)
        throw VLNError(kRemoveInvalid, QStringLiteral("Function : Remove"),
                       Index.toString() + QStringLiteral(" is an invalid Index. Unable to Remove function Item"));
    entries_.erase(entries_.begin() + i);
}

QString clsFunctions::Item(const QVariant& Index) const {
    const int i = find(Index);
    if (i < 0)
        throw VLNError(kItemInvalid, QStringLiteral("Function : Item"),
                       Index.toString() + QStringLiteral(" is an invalid Index. Unable to return function Item"));
    return entries_[static_cast<std::size_t>(i)].text;
}

void clsFunctions::RemoveAll() {
    entries_.clear();
}

QStringList clsFunctions::texts() const {
    QStringList out;
    for (const Entry& e : entries_)
        out << e.text;
    return out;
}

}  // namespace lorvane
