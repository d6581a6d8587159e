#include "explorer/KnownFaults.h"

#include <QRegularExpression>

namespace lorvane::explorer {

namespace {

bool any(const QList<Action>& actions, const QString& kind, const QString& arg = {}) {
    for (const Action& a : actions)
        if (a.kind == kind && (arg.isEmpty() || a.args.contains(arg)))
            return true;
    return false;
}

bool matches(const QString& text, const char* pattern) {
    return QRegularExpression(QString::fromLatin1(pattern), QRegularExpression::CaseInsensitiveOption)
        .match(text)
        .hasMatch();
}

const QStringList kWordsHoldingOperatorWords{"Unlikely", "Andover", "Notable", "Orlando", "Island",
                                             "Betweenness", "Likewise", "Innsbruck", "Null island"};

}  // namespace

const QList<KnownFault>& knownFaults() {
    static const QList<KnownFault> list{
        {"new P", "a table removed from the middle of a join chain leaves a join whose condition names a table "
                  "the chain no longer reaches",
         [](const Failure& f, const QList<Action>& a) {
             return f.check == u"statement" && any(a, "removeTable") && any(a, "addJoin") &&
                    matches(f.detail, R"re(no such column: \S+\.|missing FROM-clause entry)re") &&
                    matches(f.statement, R"re(JOIN [^\n]* ON )re");
         }},
        {"item 3", "a reopened query offers fields of tables not in the query",
         [](const Failure& f, const QList<Action>& a) {
             // A column named through a table the statement's FROM does not hold (a bare word
             // the database reads as a column is another fault).
             static const QRegularExpression column(QStringLiteral(
                 R"re(no such column: (\S+)\.\S+|column (\S+)\.\S+ does not exist|missing FROM-clause entry for table "([^"]+)")re"));
             const auto m = column.match(f.detail);
             if (f.check != u"statement" || !any(a, "saveAndReopen") || !m.hasMatch())
                 return false;
             QString table = m.captured(1) + m.captured(2) + m.captured(3);
             table.remove(u'"');
             const QString from = f.statement.section(u'\n', 1, 1);
             return !QString(from).remove(u'"').contains(table, Qt::CaseInsensitive);
         }},
        {"item 8", "the keypad writes into the wrong line",
         [](const Failure& f, const QList<Action>& a) {
             return f.check == u"statement" && any(a, "keypad") &&
                    matches(f.statement, R"re((WHERE|AND|OR|HAVING) \(\s*(=|<>|<=|>=|<|>|LIKE|BETWEEN))re");
         }},
        {"item 10", "an aggregate in a calculated field goes to WHERE, or names a total's alias",
         [](const Failure& f, const QList<Action>& a) {
             return f.check == u"statement" && any(a, "calcField") &&
                    matches(f.detail, R"re(misuse of aggregate|aggregate functions are not allowed in WHERE)re");
         }},
        {"item 12", "an operator word inside a typed word is rewritten",
         [](const Failure& f, const QList<Action>& a) {
             if (f.check != u"statement")
                 return false;
             static const QRegularExpression op(QStringLiteral("like|between|and|or|not|in|is|null"),
                                                QRegularExpression::CaseInsensitiveOption);
             for (const QString& word : kWordsHoldingOperatorWords) {
                 if (!any(a, "gridCell", word) && !any(a, "criterion", word))
                     continue;
                 // The word outside a literal, or split where its operator word starts.
                 if (matches(f.statement, ("[^'%]\\b" + word + "\\b").toLatin1().constData()))
                     return true;
                 const auto m = op.match(word, 1);
                 if (m.hasMatch() &&
                     matches(f.statement, ("\\b" + word.left(m.capturedStart()) + "\\S*\\s+" + word.mid(m.capturedStart()))
                                              .toLatin1()
                                              .constData()))
                     return true;
             }
             return false;
         }},
        {"new Q", "criteria lines joined by OR before any total, then a grouping chosen: HAVING ORs a field "
                  "neither grouped nor totalled (PostgreSQL and MariaDB reject it)",
         [](const Failure& f, const QList<Action>& a) {
             return f.check == u"statement" && any(a, "grouping") &&
                    matches(f.detail, "must appear in the GROUP BY clause or be used in an aggregate function|"
                                      "Unknown column '[^']*' in 'HAVING'") &&
                    matches(f.statement, R"re(HAVING [^\n]*\) OR \()re");
         }},
        {"new R", "a criterion on a calculated field is written without its result type (LIKE on a number, "
                  "a text compared with a number; PostgreSQL rejects it)",
         [](const Failure& f, const QList<Action>& a) {
             return f.check == u"statement" && any(a, "calcField") &&
                    matches(f.detail, R"re(operator does not exist|invalid input syntax for type)re");
         }},
        {"item 14", "a calculated field typed over two lines keeps a bare line feed",
         [](const Failure& f, const QList<Action>& a) {
             // The texts differ in their line breaks only.
             const QString other = f.detail.section(u'\n', 1);
             return (f.check == u"cli" || f.check == u"reopen") && any(a, "calcField", "two lines") &&
                    other.simplified() == f.statement.simplified();
         }},
    };
    return list;
}

QString knownFault(const Failure& failure, const QList<Action>& actions) {
    for (const KnownFault& k : knownFaults())
        if (k.matches(failure, actions))
            return QString::fromLatin1(k.id);
    return {};
}

}  // namespace lorvane::explorer
