#pragma once

#include <QString>
#include <QVariantList>

namespace lorvane {

class Connection;

// The distinct values a field holds in the database, for the criteria page's value boxes. The
// statement is SELECT DISTINCT field FROM table ORDER BY field ASC, run read-only on the
// active connection; the host's MaxRecords does not apply. Reading stops after kMaxValues
// values, so a column with millions of distinct values cannot freeze the window.
class clsFieldValues {
public:
    static constexpr int kMaxValues = 10000;

    explicit clsFieldValues(Connection& connection) : connection_(connection) {}

    // TableName and FieldName as the statement writes them (quoted where they need it);
    // FieldName is the table-qualified field. Values come in the type the database returns,
    // Null as an invalid QVariant, at most kMaxValues of them. Database failures raise
    // VLNError with the driver's text.
    QVariantList colFieldValues(const QString& TableName, const QString& FieldName);
    // Whether the last lookup stopped at kMaxValues with more values left.
    bool truncated() const { return truncated_; }

    // The parts of the last statement.
    QString SelectPart, FromPart, OrderByPart;

private:
    Connection& connection_;
    bool truncated_ = false;
};

}  // namespace lorvane
