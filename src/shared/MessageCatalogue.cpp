#include "MessageCatalogue.h"

#include "platform/VLNError.h"

#include <QHash>
#include <limits>

namespace lorvane {

namespace {

// The English block. The other language blocks repeat it at +200, +400 and +600.
struct Entry {
    int id;
    QString text;
};

const Entry kEnglish[] = {
    {101, QStringLiteral("Select the Tables you wish to include in your Query")},
    {102, QStringLiteral("Available Tables")},
    {103, QStringLiteral("Selected Tables")},
    {104, QStringLiteral("Create a Join from left Table && Field")},
    {105, QStringLiteral("And Join to right Table && Field")},
    {106, QStringLiteral("Table && Field to Join From")},
    {107, QStringLiteral("Field && Table to Join To")},
    {108, QStringLiteral("Created Joins")},
    {109, QStringLiteral("Select the Fields you wish to include in your output")},
    {110, QStringLiteral("Available Fields")},
    {111, QStringLiteral("Output Fields")},
    {112, QStringLiteral("Options")},
    {113, QStringLiteral("Criteria")},
    {114, QStringLiteral("&Where")},
    {115, QStringLiteral("&Group")},
    {116, QStringLiteral("&Order")},
    {117, QStringLiteral("Query")},
    {118, QStringLiteral("Execute")},
    {119, QStringLiteral("Query Fields")},
    {120, QStringLiteral("Operators")},
    {121, QStringLiteral("Value")},
    {122, QStringLiteral("SQL Window")},
    {123, QStringLiteral("Having")},
    {124, QStringLiteral("+ Split")},
    {125, QStringLiteral("- Split")},
    {126, QStringLiteral("Query Results")},
    {127, QStringLiteral("Sort / Split Results")},
    {129, QStringLiteral("Select Tables")},
    {130, QStringLiteral("Build Joins")},
    {131, QStringLiteral("Select Fields")},
    {132, QStringLiteral("Build Query")},
    {133, QStringLiteral("Query Results")},
    {134, QStringLiteral("'Double-Click' list item to select it")},
    {135, QStringLiteral("Function Types")},
    {136, QStringLiteral("Fields")},
    {137, QStringLiteral("Operators")},
    {138, QStringLiteral("Text")},
    {139, QStringLiteral("Date")},
    {140, QStringLiteral("Math")},
    {141, QStringLiteral("Logical")},
    {142, QStringLiteral("Criteria")},
    {143, QStringLiteral("Clear")},
    {144, QStringLiteral("Show Calculated Field in Query Results")},
    {145, QStringLiteral("Calculated Field Alias:")},
    {146, QStringLiteral("Calculated Fields")},
    {147, QStringLiteral("Build Field Value Criteria")},
    {148, QStringLiteral("Fields")},
    {149, QStringLiteral("Order")},
    {150, QStringLiteral("Output")},
    {151, QStringLiteral("Alias :")},
    {152, QStringLiteral("1: All records from right and left Tables that match.")},
    {153, QStringLiteral("2: All records from left table and only those records from the right Table that match")},
    {154, QStringLiteral("3: All records from right table and only those records from the left Table that match.")},
    {155, QStringLiteral("Join Properties")},
    {156, QStringLiteral("Edit Field Values")},
    {157, QStringLiteral("&Where Field Values")},
    {158, QStringLiteral("&Having Field Values")},
    {159, QStringLiteral("Do you want to include")},
    {160, QStringLiteral(" as an Output Field ?")},
    {161, QStringLiteral("Please confirm that you wish to delete Query:")},
    {162, QStringLiteral("Delete Query")},
    {163, QStringLiteral("Value Search not possible.")},
    {164, QStringLiteral("Selected Field is a Calculated or Group Field.")},
    {165, QStringLiteral("Value Search")},
    {166, QStringLiteral("Table : '")},
    {167, QStringLiteral("' unknown to database")},
    {168, QStringLiteral("No database connection has been established.")},
    {169, QStringLiteral("You must make a connection before you can alter the Table Collection.")},
    {170, QStringLiteral("Changes to Table Collection were unsuccessful.")},
    {171, QStringLiteral("' already exists in Collection.")},
    {172, QStringLiteral("Unable to add Table.")},
    {173, QStringLiteral("' does not exist in Collection.")},
    {174, QStringLiteral("Unable to remove Table.")},
    {175, QStringLiteral("Alias already exists.")},
    {176, QStringLiteral("All Alias must be unique.")},
    {177, QStringLiteral("Are you sure you want to Delete selected Field ?")},
    {178, QStringLiteral("Delete Field")},
    {179, QStringLiteral("Connection method has failed.")},
    {180, QStringLiteral("1 of 4 errors has been made.")},
    {181, QStringLiteral("1. Invalid Connection.")},
    {182, QStringLiteral("2. Connection has not been set.")},
    {183, QStringLiteral("3. Selected Tables are invalid.")},
    {184, QStringLiteral("4. No Tables have been selected.")},
    {185, QStringLiteral("Any Errors must be resolved before proceeding.")},
    {186, QStringLiteral("Export error: This function requires Excel 2000 or above,")},
    {187, QStringLiteral("Unable to complete this operation.")},
    {188, QStringLiteral("If you are running Excel 97 a solution exists by calling method 'VLNExcel97ConnectionDetails'.")},
    {189, QStringLiteral("Please contact the person responsible for this application and quote this error.")},
    {190, QStringLiteral("Export Error:")},
    {191, QStringLiteral("Unable to complete Excel export.")},
    {192, QStringLiteral("Excel Export Error")},
    {193, QStringLiteral("Only 1 Table can be selected at a time.")},
    {194, QStringLiteral("Please de-select selected Table first.")},
    {195, QStringLiteral("Warning")},
    {196, QStringLiteral("Value search not possible.")},
    {197, QStringLiteral("Selected Field is a Calculated or Grouped Field")},
    {198, QStringLiteral("Find Field value")},
    {199, QStringLiteral("Query ")},
    {200, QStringLiteral("can not be found at the specified location.")},
    {201, QStringLiteral("The file may be missing or corrupt.")},
    {202, QStringLiteral("Error Opening Query :")},
    {203, QStringLiteral("Are you sure you want to reset the Query ? Resetting the Query will remove everything other than selected fields and created joins")},
    {204, QStringLiteral("Reset SQL")},
    {205, QStringLiteral("No SELECT fields specified.")},
    {206, QStringLiteral("Unable to execute the SQL.")},
    {207, QStringLiteral("SQL SELECT Error")},
    {208, QStringLiteral("Unable to make a connection to the database.")},
    {209, QStringLiteral("Connection string:")},
    {210, QStringLiteral("Connection Error")},
    {211, QStringLiteral("You have chosen to close")},
    {212, QStringLiteral("Do you want to Save the Query before closing ?")},
    {213, QStringLiteral("Closing")},
    {214, QStringLiteral("Multi-field joins are not supported.")},
    {215, QStringLiteral("This operation is not allowed.")},
    {216, QStringLiteral("Table Joins")},
    {217, QStringLiteral("Neither table refers to an existing join.")},
    {218, QStringLiteral("This operation is not allowed.")},
    {219, QStringLiteral("You can not join a table to itself.")},
    {220, QStringLiteral("You must declare both tables and fields before a join can be created.")},
    {221, QStringLiteral("Table join Error")},
    {222, QStringLiteral("Are you sure that you want to delete this join ?")},
    {223, QStringLiteral("Table does not exist in the database.")},
    {224, QStringLiteral("Table Selection Error")},
    {230, QStringLiteral("&Cancel")},
    {231, QStringLiteral("&OK")},
    {232, QStringLiteral("&Save ")},
    {233, QStringLiteral("&Delete")},
    {234, QStringLiteral("&Reset")},
    {235, QStringLiteral("Delete Join")},
    {236, QStringLiteral("Join Type")},
    {237, QStringLiteral("Add Join")},
    {238, QStringLiteral("Edit Where / Having values")},
    {239, QStringLiteral("Edit Group Fields")},
    {240, QStringLiteral("Edit Order Fields")},
    {241, QStringLiteral("Edit Calculated Fields")},
    {242, QStringLiteral("Search for Field Values")},
    {243, QStringLiteral("Add Criteria")},
    {244, QStringLiteral("Delete Field")},
    {245, QStringLiteral("Create a Calculated Field")},
    {246, QStringLiteral("Where")},
};

const char* const kLanguageMarkers[] = {"(****French****)", "(****German****)", "(****Spanish****)"};

QHash<int, QString> buildCatalogue() {
    QHash<int, QString> table;
    for (const Entry& e : kEnglish)
        table.insert(e.id, e.text);
    // The three further blocks: the English texts, the first entry marked with its language,
    // and "&Save" without the English block's trailing blank.
    for (int block = 1; block <= 3; ++block) {
        const int offset = block * MessageCatalogue::kBlockSize;
        for (const Entry& e : kEnglish) {
            QString text = e.text;
            if (e.id == MessageCatalogue::kFirstId)
                text = QString::fromLatin1(kLanguageMarkers[block - 1]) + text;
            else if (e.id == 232)
                text = text.trimmed();
            table.insert(e.id + offset, text);
        }
    }
    return table;
}

const QHash<int, QString>& catalogue() {
    static const QHash<int, QString> table = buildCatalogue();
    return table;
}

}  // namespace

QString MessageCatalogue::text(int baseId, qint16 blockOffset) {
    const int id = baseId + blockOffset;
    if (id > std::numeric_limits<qint16>::max() || id < std::numeric_limits<qint16>::min())
        throw VLNError(6, QStringLiteral("Lorvane.MessageCatalogue"), QStringLiteral("Overflow"));
    return catalogue().value(id);
}

bool MessageCatalogue::contains(int id) {
    return catalogue().contains(id);
}

}  // namespace lorvane
