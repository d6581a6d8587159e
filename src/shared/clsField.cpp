#include "clsField.h"

#include "BuilderSettings.h"
#include "NameQuoting.h"
#include "platform/Connection.h"
#include "platform/VLNError.h"

namespace lorvane {

namespace {
std::unique_ptr<clsField>& sharedSlot() {
    static auto* slot = new std::unique_ptr<clsField>;
    return *slot;
}

std::vector<std::pair<QString, int>> catalogueColumns(Connection& connection, const QString& table) {
    std::vector<std::pair<QString, int>> columns;
    auto rs = connection.OpenSchema(Connection::SchemaColumns, {QVariant(), QVariant(), table});
    const int name = rs->FieldIndex(QStringLiteral("COLUMN_NAME"));
    const int type = rs->FieldIndex(QStringLiteral("DATA_TYPE"));
    for (qint64 r = 0; r < rs->RecordCount(); ++r)
        columns.emplace_back(rs->ValueAt(r, name).toString(), rs->ValueAt(r, type).toInt());
    rs->Close();
    return columns;
}
}  // namespace

clsField::clsField(BuilderSettings* settings) : settings_(settings ? settings : &BuilderSettings::shared()) {}

clsField& clsField::shared() {
    auto& slot = sharedSlot();
    if (!slot)
        slot = std::make_unique<clsField>();
    return *slot;
}

void clsField::releaseShared() {
    sharedSlot().reset();
}

void clsField::refreshBound() {
    bound_ = settings_->ActiveConnection && !settings_->ActiveConnection->ConnectionString().isEmpty();
}

void clsField::append(Entry entry) {
    const auto at = static_cast<qsizetype>(entries_.size());
    if (qsizetype& first = firstOfKey_[entry.key]; first == 0)
        first = at + 1;
    if (!lastPositions_ || entry.tableName != lastTable_) {
        // The pointer stays valid until the next table is inserted, when it is fetched anew.
        lastPositions_ = &byTable_[entry.tableName];
        lastTable_ = entry.tableName;
    }
    lastPositions_->push_back(at);
    entries_.push_back(std::move(entry));
}

void clsField::reindex() {
    firstOfKey_.clear();
    byTable_.clear();
    lastPositions_ = nullptr;
    std::vector<Entry> entries;
    entries.swap(entries_);
    entries_.reserve(entries.size());
    for (Entry& e : entries)
        append(std::move(e));
}

void clsField::Add(const QString& FieldName, const QString& TableName, int FieldType) {
    refreshBound();
    const QString field = NameQuoting::quote(FieldName, *settings_);
    QString table = NameQuoting::quoteTable(TableName, *settings_);
    std::vector<std::pair<QString, int>> columns;
    if (bound_) {
        // A table the catalogue holds as written (a dot or a bracket in its name) is one name.
        auto read = [this](const QString& bare) {
            try {
                return catalogueColumns(*settings_->ActiveConnection, bare);
            } catch (const VLNError&) {
                return std::vector<std::pair<QString, int>>();  // a failing catalogue query finds nothing
            }
        };
        columns = read(TableName);
        if (!columns.empty())
            table = NameQuoting::quoteRaw(TableName, *settings_);
        else
            columns = read(NameQuoting::unquote(table, *settings_));
    }
    const QString key = table + u'.' + field;
    if (firstOfKey_.contains(key))
        throw VLNError(kAlreadyExists, QStringLiteral("Add Field"),
                       key + QStringLiteral(" already exists in field collection. Unable to add field"));
    if (!bound_) {
        append({field, FieldType, table, key});
        return;
    }
    const QString bareField = NameQuoting::unquote(field, *settings_);
    for (const auto& [name, type] : columns) {
        if (name == bareField) {
            append({field, type, table, key});
            return;
        }
    }
    throw VLNError(kNotInDatabase, QStringLiteral("Add Field"),
                   key + QStringLiteral(" is not a valid database field. Unable to add field"));
}

void clsField::Remove(const QString& FieldName, const QString& TableName) {
    const QString field = NameQuoting::quote(FieldName, *settings_);
    const QString table = NameQuoting::quoteTable(TableName, *settings_);
    const QString rawTable = NameQuoting::quoteRaw(TableName, *settings_);
    const auto before = entries_.size();
    std::erase_if(entries_, [&](const Entry& e) {
        return e.fieldName == field && (e.tableName == table || e.tableName == rawTable);
    });
    if (entries_.size() == before)
        throw VLNError(kNotInCollection, QStringLiteral("Remove Field"),
                       table + u'.' + field + QStringLiteral(" does not exist in field collection. Unable to remove field"));
    reindex();
}

void clsField::RemoveAll() {
    entries_.clear();
    firstOfKey_.clear();
    byTable_.clear();
    lastPositions_ = nullptr;
}

QString clsField::Item(int Index) const {
    if (Index < 1 || Index > Count())
        throw VLNError(kInvalidIndex, QStringLiteral("Field Item"),
                       QString::number(Index) + QStringLiteral(" is an invalid Index. Unable to return Field Item"));
    return entries_[static_cast<std::size_t>(Index - 1)].key;
}

QStringList clsField::FieldNamesFor(const QStringList& tableList) const {
    QStringList keys;
    for (const QString& table : tableList)
        if (const auto it = byTable_.constFind(table); it != byTable_.cend())
            for (const qsizetype at : *it)
                keys << entries_[static_cast<std::size_t>(at)].key;
    return keys;
}

int clsField::FieldTypeOf(const QString& key) const {
    const auto it = firstOfKey_.constFind(key);
    return it == firstOfKey_.cend() ? 0 : static_cast<int>(entries_[static_cast<std::size_t>(*it - 1)].fieldType);
}

int clsField::ResultTypeOf(const QString& statement) const {
    if (!resultTyper_)
        return 0;
    const auto it = resultTypes_.constFind(statement);
    if (it != resultTypes_.cend())
        return *it;
    const int type = resultTyper_(statement);
    resultTypes_.insert(statement, type);
    return type;
}

void clsField::setResultTyper(std::function<int(const QString&)> typer) {
    resultTyper_ = std::move(typer);
    resultTypes_.clear();
}

QString clsField::StatementProblem(const QString& statement) const {
    if (!statementChecker_)
        return {};
    const auto it = statementProblems_.constFind(statement);
    if (it != statementProblems_.cend())
        return *it;
    const QString problem = statementChecker_(statement);
    statementProblems_.insert(statement, problem);
    return problem;
}

void clsField::setStatementChecker(std::function<QString(const QString&)> checker) {
    statementChecker_ = std::move(checker);
    statementProblems_.clear();
}

void clsField::setColumnCache(std::shared_ptr<const ColumnCache> cache) {
    cache_ = std::move(cache);
    if (!cache_)
        return;
    std::size_t columns = entries_.size();
    for (const auto& table : *cache_)
        columns += table.size();
    entries_.reserve(columns);
    firstOfKey_.reserve(static_cast<qsizetype>(columns));
}

void clsField::LoadTableColumns(const QString& tableName) {
    // A saved query being opened brings its own fields: none are read for it.
    if (settings_->OpenQuery && !settings_->LoadViewColumns)
        return;
    const QString bare = NameQuoting::unquote(tableName, *settings_);
    std::vector<std::pair<QString, int>> read;
    const std::vector<std::pair<QString, int>>* columns = &read;
    const auto cached = cache_ ? cache_->constFind(bare) : ColumnCache::const_iterator();
    if (cache_ && cached != cache_->cend())
        columns = &cached.value();
    else if (settings_->ActiveConnection)
        read = catalogueColumns(*settings_->ActiveConnection, bare);
    settings_->LoadViewColumns = false;

    // An owner-qualified table (owner.table): its fields are named through the owner part.
    const SqlDialect dialect = settings_->dialect();
    const qsizetype dot = dialect.qualifierDot(tableName);
    const QString table = dot < 0 ? tableName : tableName.left(dot);
    for (const auto& [name, type] : *columns) {
        const QString field = dialect.quoteName(name);
        append({field, type, table, table + u'.' + field});
    }
}

void clsField::RemoveTableFields(const QString& tableName) {
    const auto before = entries_.size();
    std::erase_if(entries_, [&](const Entry& e) { return e.tableName == tableName; });
    if (entries_.size() != before)
        reindex();
}

void clsField::RemoveTableFields(const QSet<QString>& tableNames) {
    const auto before = entries_.size();
    std::erase_if(entries_, [&](const Entry& e) { return tableNames.contains(e.tableName); });
    if (entries_.size() != before)
        reindex();
}

void clsField::AddUnchecked(const QString& fieldName, const QString& tableName, qint64 fieldType) {
    append({fieldName, fieldType, tableName, tableName + u'.' + fieldName});
}

}  // namespace lorvane
