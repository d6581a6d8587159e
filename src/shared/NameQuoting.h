#pragma once

#include "platform/SqlDialect.h"

#include <QString>

namespace lorvane {

struct BuilderSettings;

// Table and field names as the SQL needs them. A name that is not a plain identifier of the
// connected database (a blank, punctuation, a reserved word, on PostgreSQL an upper-case
// letter) is wrapped in the dialect's quotes (the host's VLNLeftFieldorTableSpaceChr and
// VLNRightFieldorTableSpaceChr when it changed them), with the closing quote doubled inside.
// Plain names stay as they are.
class NameQuoting {
public:
    // A name as a host or a saved list gives it: raw, or already quoted (in the dialect's
    // quotes or in "[" "]").
    static QString quote(const QString& name, const BuilderSettings& settings);
    // A table name as a host gives it. An owner-qualified name whose parts are each plain or
    // quoted (sales.Targets, dbo.[Order Details]) keeps its parts, each quoted as needed;
    // any other name is one name.
    static QString quoteTable(const QString& name, const BuilderSettings& settings);
    // A name exactly as the database catalogue spells it.
    static QString quoteRaw(const QString& raw, const BuilderSettings& settings);
    // The raw name, for comparing with the catalogue.
    static QString unquote(const QString& name, const BuilderSettings& settings);

    // "Table.Field" items: split at the first "." that is not inside a quoted name.
    static qsizetype qualifierDot(const QString& item, const BuilderSettings& settings);
    static QString tablePart(const QString& item, const BuilderSettings& settings);  // the whole item without a dot
    static QString fieldPart(const QString& item, const BuilderSettings& settings);  // the whole item without a dot
};

}  // namespace lorvane
