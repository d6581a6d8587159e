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

// The database names a column of a table the statement no longer has.
bool columnOfMissingTable(const Failure& f) {
    return f.check == u"statement" &&
           matches(f.detail, R"re(no such column: [^\n]*\.|missing FROM-clause entry|column \S+\.\S+ does not exist)re");
}

const QStringList kWordsHoldingOperatorWords{"Unlikely", "Andover", "Notable", "Orlando", "Island",
                                             "Betweenness", "Likewise", "Innsbruck", "Null island"};

}  // namespace

const QList<KnownFault>& knownFaults() {
    static const QList<KnownFault> list{
        {"item 1", "criteria on a removed table stay in the statement",
         [](const Failure& f, const QList<Action>& a) {
             return (columnOfMissingTable(f) || matches(f.detail, "HAVING clause on a non-aggregate query")) &&
                    (any(a, "removeTable") || any(a, "removeAllTables"));
         }},
        {"item 1", "criteria on a removed table stay in the statement (the tool, rebuilding it, drops them)",
         [](const Failure& f, const QList<Action>& a) {
             static const QRegularExpression clause(QStringLiteral("(^|\n)(WHERE|HAVING) "));
             return f.check == u"cli" && (any(a, "removeTable") || any(a, "removeAllTables")) &&
                    clause.match(f.statement).hasMatch() && !clause.match(f.detail).hasMatch();
         }},
        {"item 3", "a reopened query offers fields of tables not in the query",
         [](const Failure& f, const QList<Action>& a) {
             static const QRegularExpression column(
                 QStringLiteral("no such column: |column .* does not exist|missing FROM-clause entry"));
             return f.check == u"statement" && any(a, "saveAndReopen") && column.match(f.detail).hasMatch();
         }},
        {"item 8", "the keypad writes into the wrong line",
         [](const Failure& f, const QList<Action>& a) {
             return f.check == u"statement" && any(a, "keypad") &&
                    matches(f.statement, R"re((WHERE|AND|OR|HAVING) \(\s*(=|<>|<=|>=|<|>|LIKE|BETWEEN))re");
         }},
        {"new O", "a calculated field nesting one total in another is accepted (SUM(SUM(x)))",
         [](const Failure& f, const QList<Action>& a) {
             return f.check == u"statement" && any(a, "calcField") &&
                    matches(f.statement, R"re((SUM|COUNT|AVG|MIN|MAX)\(\s*(DISTINCT\s+)?(SUM|COUNT|AVG|MIN|MAX)\()re");
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
        {"item 14", "a calculated field typed over two lines keeps a bare line feed",
         [](const Failure& f, const QList<Action>& a) {
             // The texts differ in their line breaks only.
             const QString other = f.detail.section(u'\n', 1);
             return (f.check == u"cli" || f.check == u"reopen") && any(a, "calcField", "two lines") &&
                    other.simplified() == f.statement.simplified();
         }},
        {"new A", "a table removed, reopened and added again stands twice in FROM",
         [](const Failure& f, const QList<Action>& a) {
             return f.check == u"statement" && any(a, "saveAndReopen") &&
                    matches(f.detail, "ambiguous column name|specified more than once");
         }},
        {"new B", "a criteria cell (typed or through the keypad) holding a quote is written raw, without its field",
         [](const Failure& f, const QList<Action>& a) {
             for (const Action& x : a) {
                 QString text = x.kind == u"gridCell" ? x.args.value(2) : QString();
                 if (x.kind == u"keypad" && x.args.value(2).startsWith(QStringLiteral("t:")))
                     text = x.args.value(2).mid(2).replace(QChar(0xa0), u' ');
                 if (text.contains(u'\'') && f.statement.contains(u'(' + text + u')'))
                     return true;
             }
             return false;
         }},
        {"new C", "SUM and AVG are offered on text columns (PostgreSQL rejects them)",
         [](const Failure& f, const QList<Action>& a) {
             return f.check == u"statement" && any(a, "grouping") && matches(f.detail, R"re(function (sum|avg)\()re");
         }},
        {"new D", "the LIKE family is written on number and date columns (PostgreSQL rejects it)",
         [](const Failure& f, const QList<Action>&) {
             return f.check == u"statement" && matches(f.detail, R"re(operator does not exist: .* !?~~\*? )re");
         }},
        {"new E", "a typed value that is not of the column's type is written as it is (PostgreSQL rejects it)",
         [](const Failure& f, const QList<Action>&) {
             return f.check == u"statement" &&
                    matches(f.detail, "invalid input syntax for type|date/time field value out of range|invalid input value");
         }},
        {"new F", "a join is offered between columns of different types (PostgreSQL rejects it)",
         [](const Failure& f, const QList<Action>& a) {
             return f.check == u"statement" && any(a, "addJoin", "chosen") &&
                    matches(f.detail, R"re(operator does not exist: [\w ]+ (=|<>|>=|<=|<|>) [\w ]+)re");
         }},
        {"new G", "a calculated field mixing types is accepted (PostgreSQL rejects it)",
         [](const Failure& f, const QList<Action>& a) {
             return f.check == u"statement" && (any(a, "calcField") || any(a, "editRows")) &&
                    matches(f.detail, R"re(operator does not exist: .* [-+*/] |function \w+\(.*\) does not exist)re");
         }},
        {"new H", "DISTINCT with an ordering on a field that is not output (PostgreSQL rejects it)",
         [](const Failure& f, const QList<Action>&) {
             return f.check == u"statement" && matches(f.detail, "for SELECT DISTINCT, ORDER BY expressions must appear");
         }},
        {"new I", "with totals, ORDER BY or HAVING name a field neither grouped nor totalled (PostgreSQL rejects it)",
         [](const Failure& f, const QList<Action>&) {
             return f.check == u"statement" &&
                    matches(f.detail, "must appear in the GROUP BY clause or be used in an aggregate function");
         }},
        {"new L", "saved on the join page right after a join was added, the query keeps the statement from before "
                  "the join; lorvane sql prints the joined FROM",
         [](const Failure& f, const QList<Action>& a) {
             static const QRegularExpression from(QStringLiteral("(^|\n)FROM[^\n]*"));
             return f.check == u"cli" && any(a, "addJoin") &&
                    from.match(f.detail).captured() != from.match(f.statement).captured();
         }},
        {"new M", "a cell typed as an operator and a bare word (=Lyon) is kept raw: the word is read as a column",
         [](const Failure& f, const QList<Action>& a) {
             static const QRegularExpression bare(QStringLiteral("^\\s*(=|<>|<=|>=|<|>)\\s*([A-Za-z]\\w*)\\s*$"));
             for (const Action& x : a) {
                 const auto m = bare.match(x.kind == u"gridCell" ? x.args.value(2) : QString());
                 if (m.hasMatch() && f.detail.contains(m.captured(2), Qt::CaseInsensitive) &&
                     matches(f.detail, "no such column|does not exist"))
                     return true;
             }
             return false;
         }},
        {"new N", "a number typed for a criterion on a MIN or MAX total of a text column is written unquoted "
                  "(PostgreSQL rejects it)",
         [](const Failure& f, const QList<Action>&) {
             return f.check == u"statement" &&
                    matches(f.detail, R"re(operator does not exist: (text|character varying) (=|<>|<|>|<=|>=) (integer|numeric))re") &&
                    matches(f.statement, R"re(HAVING .*(MIN|MAX)\()re");
         }},
        {"new J", "lorvane sql prints the criteria of a line in another order than the window",
         [](const Failure& f, const QList<Action>&) {
             if (f.check != u"cli")
                 return false;
             static const QRegularExpression where(QStringLiteral("\n(WHERE|HAVING) ([^\n]*)"));
             auto terms = [](QString clause) {
                 clause = clause.trimmed();
                 if (clause.startsWith(u'(') && clause.endsWith(u')'))
                     clause = clause.mid(1, clause.size() - 2);
                 QStringList t = clause.split(QRegularExpression(QStringLiteral("\\) (AND|OR) \\(")));
                 t.sort();
                 return t;
             };
             const auto printed = where.match(f.detail), shown = where.match(f.statement);
             return printed.hasMatch() && shown.hasMatch() && printed.captured(2) != shown.captured(2) &&
                    terms(printed.captured(2)) == terms(shown.captured(2));
         }},
        {"new K", "criteria text typed in the grid or keypad compares a text or date column with a number "
                  "(PostgreSQL rejects it)",
         [](const Failure& f, const QList<Action>& a) {
             return f.check == u"statement" && (any(a, "keypad") || any(a, "gridCell")) &&
                    matches(f.detail, R"re(operator does not exist: (character varying|text|date|timestamp[\w ]*) (=|<>|<|>|<=|>=) (integer|numeric))re");
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
