#include "ViewCommand.h"

#include "BusyCursor.h"
#include "TablePage.h"
#include "frmQDM.h"
#include "platform/Connection.h"
#include "platform/VLNError.h"
#include "shared/BuilderSettings.h"
#include "shared/NameQuoting.h"
#include "shared/clsBridge.h"
#include "shared/clsTable.h"
#include "storage/DatabaseView.h"

namespace lorvane {

namespace {

const QString kTitle = QStringLiteral("Create View");
const QString kErrorTitle = QStringLiteral("Create View Error");

QString problemText() {
    return QStringLiteral("Problem creating view. First check your SQL syntax.") + u'\n' +
           QStringLiteral("Other posible causes include :- View creation may not be suported by this Database") +
           QStringLiteral(" or Provider") + QStringLiteral(", or you may not have view creation rights.");
}

}  // namespace

void ViewCommand::run() {
    Prompts& prompts = w_.prompts();
    const std::optional<QString> typed =
        prompts.input(QStringLiteral("Please give your View a name"), kTitle, QString());
    // Blanks alone name nothing.
    if (!typed || typed->trimmed().isEmpty())
        return;
    const QString name = *typed;
    BuilderSettings& s = BuilderSettings::shared();
    // Quoted as an identifier whatever it holds, embedded quote characters doubled: a name
    // can never add SQL to the statement.
    const QString quotedName = NameQuoting::quoteRaw(name, s);
    Connection& connection = s.activeConnection();
    const QString statement = w_.state().StatementText;

    DatabaseView::Outcome outcome;
    {
        BusyCursor busy;
        outcome = DatabaseView::create(connection, quotedName, statement);
    }
    using Kind = DatabaseView::Outcome::Kind;
    switch (outcome.kind) {
    case Kind::Done:
        prompts.message({QStringLiteral("View '") + name + QStringLiteral("' successfully created"), kTitle,
                         Prompts::Icon::Information});
        clsBridge::SharedBridge().PassViewName(name, QStringLiteral("NewViewCreated"));
        offer(name, quotedName);
        return;
    case Kind::Refused:
        prompts.message({QStringLiteral("The view cannot be created from this statement: ") + outcome.error, kErrorTitle,
                         Prompts::Icon::Critical});
        return;
    case Kind::DoesNotRun:
        // The usual advice, then what was found: the reason, in the database's words.
        prompts.message({problemText() + u'\n' + u'\n' +
                             QStringLiteral("No view was created: the statement does not run on this database.") +
                             u'\n' + QStringLiteral("The database says: ") + outcome.error,
                         kErrorTitle, Prompts::Icon::Critical});
        return;
    case Kind::Failed:
        prompts.message({problemText(), kErrorTitle, Prompts::Icon::Critical});
        return;
    case Kind::AlreadyExists:
        break;
    }
    const Prompts::Answer answer = prompts.message(
        {QStringLiteral("View '") + name + QStringLiteral("' already exists.") + u'\n' +
             QStringLiteral("Do you wish to Alter the View ?") + u'\n' +
             QStringLiteral("WARNING : Altering a View could cause other ") +
             QStringLiteral("Views that rely on it to stop functioning correctly.") +
             QStringLiteral(" Only Alter the View if you are fully aware of all implications that altering the View "
                            "may cause."),
         kTitle, Prompts::Icon::Critical, Prompts::Buttons::YesNo, 1});
    if (answer != Prompts::Answer::Yes)
        return;
    bool unchanged = true;
    {
        BusyCursor busy;
        outcome = DatabaseView::alter(connection, quotedName, statement, &unchanged);
    }
    if (outcome.kind != Kind::Done) {
        prompts.message({outcome.error + (unchanged ? QStringLiteral("\n\nThe view '") + name +
                                                          QStringLiteral("' was left as it was.")
                                                    : QString()),
                         kErrorTitle, Prompts::Icon::Critical});
        return;
    }
    prompts.message({QStringLiteral("View '") + name + QStringLiteral("' Successfully Altered"), kTitle,
                     Prompts::Icon::Information});
    clsBridge::SharedBridge().PassViewName(name, QStringLiteral("AlterView"));
    offer(name, quotedName);
}

void ViewCommand::offer(const QString& name, const QString& quotedName) {
    BuilderSettings& s = BuilderSettings::shared();
    clsTable& tables = clsTable::shared();
    // The catalogue read at connect time does not know the view: ask the database.
    tables.setKnownTables(nullptr);
    const bool known = w_.tablePage()->availableTables().contains(quotedName) || w_.createdViews.contains(quotedName);
    try {
        if (known)
            tables.Remove(name);
    } catch (const VLNError&) {
    }
    if (!known) {
        w_.tablePage()->offerTable(quotedName);
        w_.createdViews << quotedName;
    }
    s.LoadViewColumns = true;
    try {
        // Its columns are read anew, for a replaced view too.
        tables.AddFromCatalogue(name);
    } catch (const VLNError&) {
    }
}

}  // namespace lorvane
