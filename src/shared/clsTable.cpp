#include "clsTable.h"

#include "BuilderSettings.h"
#include "NameQuoting.h"
#include "clsField.h"
#include "platform/Connection.h"
#include "platform/VLNError.h"

namespace lorvane {

namespace {
std::unique_ptr<clsTable>& sharedSlot() {
    static auto* slot = new std::unique_ptr<clsTable>;
    return *slot;
}
}  // namespace

clsTable::clsTable(clsField& fields, BuilderSettings* settings)
    : fields_(fields), settings_(settings ? settings : &BuilderSettings::shared()) {}

clsTable& clsTable::shared() {
    auto& slot = sharedSlot();
    if (!slot)
        slot = std::make_unique<clsTable>(clsField::shared());
    return *slot;
}

void clsTable::releaseShared() {
    sharedSlot().reset();
}

void clsTable::refreshBound() {
    bound_ = settings_->ActiveConnection && !settings_->ActiveConnection->ConnectionString().isEmpty();
}

bool clsTable::existsInDatabase(const QString& bareName) {
    if (known_)
        return known_->contains(bareName);
    try {
        auto schema = settings_->ActiveConnection->OpenSchema(Connection::SchemaTables);
        const int name = schema->FieldIndex(QStringLiteral("TABLE_NAME"));
        bool found = false;
        for (qint64 r = 0; r < schema->RecordCount() && !found; ++r)
            found = schema->ValueAt(r, name).toString() == bareName;
        schema->Close();
        return found;
    } catch (const VLNError&) {
        return false;  // a failing catalogue query finds nothing
    }
}

void clsTable::Add(const QString& TableName) {
    refreshBound();
    // A name the catalogue holds as written (a dot or a bracket in it) is one table.
    if (bound_ && existsInDatabase(TableName))
        append(NameQuoting::quoteRaw(TableName, *settings_));
    else
        append(NameQuoting::quoteTable(TableName, *settings_));
}

void clsTable::AddFromCatalogue(const QString& rawName) {
    refreshBound();
    append(NameQuoting::quoteRaw(rawName, *settings_));
}

void clsTable::append(const QString& name) {
    if (present_.contains(name))
        throw VLNError(kAlreadyExists, QStringLiteral("Add Table"),
                       name + QStringLiteral(" already exists in Table collection. Unable to add Table"));
    if (bound_) {
        if (!existsInDatabase(NameQuoting::unquote(name, *settings_)))
            throw VLNError(kNotInDatabase, QStringLiteral("Add Table"),
                           name + QStringLiteral(" is not a valid database Table. Unable to add Table"));
        // The columns first: a table whose columns cannot be read is not added at all.
        fields_.LoadTableColumns(name);
    }
    names_ << name;
    present_.insert(name);
}

void clsTable::Remove(const QString& TableName) {
    QString name = NameQuoting::quoteTable(TableName, *settings_);
    if (!present_.contains(name) && present_.contains(NameQuoting::quoteRaw(TableName, *settings_)))
        name = NameQuoting::quoteRaw(TableName, *settings_);
    const qsizetype removed = names_.removeAll(name);
    if (removed == 0)
        throw VLNError(kNotInCollection, QStringLiteral("Remove Table"),
                       name + QStringLiteral(" does not exist in Table collection. Unable to remove Table"));
    present_.remove(name);
    for (qsizetype i = 0; i < removed; ++i)
        fields_.RemoveTableFields(name);
}

void clsTable::RemoveAll() {
    const QSet<QString> names = present_;
    names_.clear();
    present_.clear();
    fields_.RemoveTableFields(names);
}

QString clsTable::Item(int Index) const {
    if (Index < 1 || Index > Count())
        throw VLNError(kInvalidIndex, QStringLiteral("Table Item"),
                       QString::number(Index) + QStringLiteral(" is an invalid Index. Unable to return Table Item"));
    return names_[Index - 1];
}

}  // namespace lorvane
