#include "QueryState.h"

#include "BuilderSettings.h"
#include "platform/AdoTypes.h"

namespace lorvane {

namespace {

using Make = void (*)(RecordSet&);

void openWith(RecordSet& rs, std::initializer_list<std::tuple<const char*, int, int, int>> fields) {
    for (const auto& [name, type, size, attributes] : fields)
        rs.AppendField(QString::fromLatin1(name), type, size, attributes);
    rs.Open();
}

constexpr int kText = AdoType::VarChar;
constexpr int kBool = AdoType::Boolean;
constexpr int kAny = AdoFieldAttribute::Unspecified;
constexpr int kNullable = AdoFieldAttribute::IsNullable;

void makeGroupBy(RecordSet& rs) {
    openWith(rs, {{"FieldName", kText, 8000, kAny}, {"GroupBy", kText, 8000, kAny},
                  {"FieldAlias", kText, 8000, kAny}, {"OutputYes/No", kText, 3, kAny}});
}
void makeOrderBy(RecordSet& rs) {
    openWith(rs, {{"FieldName", kText, 8000, kAny}, {"OrderBy", kText, 8000, kAny}, {"Field", kText, 8000, kAny}});
}
void makeCalcFields(RecordSet& rs) {
    openWith(rs, {{"CalcField", kText, 8000, kAny}, {"Alias", kText, 8000, kAny}, {"OutputYes/No", kText, 3, kAny}});
}
void makeAlias(RecordSet& rs) {
    openWith(rs, {{"FieldName", kText, 8000, kAny}, {"Alias", kText, 8000, kAny}, {"RecordsetType", kText, 8000, kAny}});
}
void makeJoins(RecordSet& rs) {
    openWith(rs, {{"TableFrom", kText, 8000, kNullable}, {"Join", kText, 8000, kNullable},
                  {"TableTo", kText, 8000, kNullable}, {"FieldFrom", kText, 8000, kNullable},
                  {"Compare", kText, 2, kNullable}, {"FieldTo", kText, 8000, kNullable}});
}
void makeJoinTable(RecordSet& rs) {
    openWith(rs, {{"TableName", kText, 8000, kAny}, {"Visable", kBool, 0, kAny}});
}
void makeJoinFields(RecordSet& rs) {
    openWith(rs, {{"TableName", kText, 8000, kAny}, {"FieldName", kText, 8000, kAny}, {"Visable", kBool, 0, kAny}});
}
void makeEmpty(RecordSet& rs) {
    rs.Open();
}

RecordSet& ensure(std::shared_ptr<RecordSet>& rs, Make make) {
    if (!rs || !rs->IsOpen()) {
        rs = std::make_shared<RecordSet>();
        make(*rs);
    }
    return *rs;
}

}  // namespace

QString textAt(const RecordSet& rs, qint64 row, int field) {
    return rs.ValueAt(row, field).toString();
}

QueryState::QueryState(BuilderSettings* settings) : settings_(settings ? settings : &BuilderSettings::shared()) {}

RecordSet& QueryState::rsGroupBy() { return ensure(rsGroupBy_, makeGroupBy); }
RecordSet& QueryState::rsOrderBy() { return ensure(rsOrderBy_, makeOrderBy); }
RecordSet& QueryState::rsCalcFields() { return ensure(rsCalcFields_, makeCalcFields); }
RecordSet& QueryState::rsAlias() { return ensure(rsAlias_, makeAlias); }
RecordSet& QueryState::rsJoins() { return ensure(rsJoins_, makeJoins); }
RecordSet& QueryState::rsJoinTable() { return ensure(rsJoinTable_, makeJoinTable); }
RecordSet& QueryState::rsJoinTablesUsed() { return ensure(rsJoinTablesUsed_, makeJoinTable); }
RecordSet& QueryState::rsJoinFields() { return ensure(rsJoinFields_, makeJoinFields); }
RecordSet& QueryState::rsWhere() { return ensure(rsWhere_, makeEmpty); }
RecordSet& QueryState::rsHaving() { return ensure(rsHaving_, makeEmpty); }
RecordSet& QueryState::rsCriteriaClone() { return ensure(rsCriteriaClone_, makeEmpty); }

std::shared_ptr<RecordSet>* QueryState::handleNamed(QStringView name) {
    const std::pair<const char*, std::shared_ptr<RecordSet>*> tables[] = {
        {"rsWhere", &rsWhere_},     {"rsGroupBy", &rsGroupBy_},     {"rsOrderBy", &rsOrderBy_},
        {"rsCalcFields", &rsCalcFields_}, {"rsAlias", &rsAlias_},   {"rsJoins", &rsJoins_},
        {"rsJoinTable", &rsJoinTable_},   {"rsJoinTablesUsed", &rsJoinTablesUsed_}, {"rsHaving", &rsHaving_}};
    for (const auto& [n, handle] : tables)
        if (name == QLatin1String(n))
            return handle;
    return nullptr;
}

void QueryState::createTables() {
    releaseTables();
    rsGroupBy();
    rsOrderBy();
    rsCalcFields();
    rsAlias();
    rsJoins();
    rsJoinTable();
    rsJoinTablesUsed();
    rsJoinFields();
    rsWhere();
    rsHaving();
    rsCriteriaClone();
}

void QueryState::releaseTables() {
    for (auto* rs : {&rsGroupBy_, &rsOrderBy_, &rsCalcFields_, &rsAlias_, &rsJoins_, &rsJoinTable_, &rsJoinTablesUsed_,
                     &rsJoinFields_, &rsWhere_, &rsHaving_, &rsCriteriaClone_})
        rs->reset();
}

QStringList& QueryState::TableList() {
    if (!settings_->TableList)
        settings_->TableList = std::make_shared<QStringList>();
    return *settings_->TableList;
}

QStringList& QueryState::FieldList() {
    if (!settings_->FieldList)
        settings_->FieldList = std::make_shared<QStringList>();
    return *settings_->FieldList;
}

}  // namespace lorvane
