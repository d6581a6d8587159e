#include "SavedQueryTool.h"

#include "control/ConnectionManager.h"
#include "platform/Connection.h"
#include "platform/RecordSet.h"
#include "platform/VLNError.h"
#include "query/Statement.h"
#include "shared/BuilderSettings.h"
#include "shared/QueryState.h"
#include "shared/clsField.h"
#include "shared/clsTable.h"
#include "storage/SavedQuery.h"

#include <QCommandLineParser>
#include <QDate>
#include <QDateTime>
#include <QFileDevice>
#include <QLocale>
#include <QRegularExpression>
#include <QTextStream>
#include <QTime>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <termios.h>
#include <unistd.h>

namespace lorvane::cli {

namespace {

const char* const kUsage =
    "Usage: lorvane COMMAND [OPTIONS]\n"
    "\n"
    "Saved queries and connections without a window.\n"
    "\n"
    "Commands:\n"
    "  sql FILE                  print the statement the builder shows for a saved query\n"
    "  run FILE                  run a saved query read-only on its stored connection\n"
    "  tables CONNECTION-STRING  list the tables the builder would offer\n"
    "\n"
    "Run 'lorvane COMMAND --help' for the options of a command.\n"
    "Exit codes: 0 done, 2 bad usage, 3 missing or damaged saved query, 4 connection failed,\n"
    "5 statement refused, 6 the output could not be written.\n"
    "\n"
    "A password is taken from LORVANE_PASSWORD, or asked for when a user name is given and\n"
    "standard input is a terminal; --password also works but shows it to other users.\n";

// A password typed at the terminal on standard input, not echoed; the prompt goes to err.
QString askPassword(QTextStream& err) {
    termios saved{};
    const bool terminal = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    err << "Password: " << Qt::flush;
    QByteArray line;
    char c = 0;
    while (::read(STDIN_FILENO, &c, 1) == 1 && c != '\n')
        line += c;
    if (terminal)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromLocal8Bit(line);
}

// The password for a connection: --password when given, else LORVANE_PASSWORD, else asked for
// at the terminal when there is a user to ask it for; fallback otherwise.
QString passwordFor(const QString& given, bool isGiven, bool haveUser, const QString& fallback, QTextStream& err) {
    if (isGiven)
        return given;
    if (qEnvironmentVariableIsSet("LORVANE_PASSWORD"))
        return qEnvironmentVariable("LORVANE_PASSWORD");
    if (haveUser && fallback.isEmpty() && ::isatty(STDIN_FILENO))
        return askPassword(err);
    return fallback;
}

// A parser for one command; false (with the exit code in exit) when the command ends here.
bool parse(QCommandLineParser& parser, const QStringList& arguments, QTextStream& out, QTextStream& err, int& exit) {
    parser.addHelpOption();
    if (!parser.parse(arguments)) {
        err << "lorvane: " << parser.errorText() << "\n";
        exit = Usage;
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        // The parser names the program by its path; the command belongs in the usage line.
        QString help = parser.helpText();
        help.replace(QRegularExpression(QStringLiteral("^Usage: \\S+")), QStringLiteral("Usage: ") + arguments.first());
        out << help;
        exit = Ok;
        return false;
    }
    if (parser.positionalArguments().size() != 1) {
        err << "lorvane: expected exactly one argument; see --help\n";
        exit = Usage;
        return false;
    }
    return true;
}

// Reads the saved query into state, connecting to its database first as the builder does.
// A failed connection is an error only when the caller needs the database.
int load(const QString& path, QueryState& state, bool needDatabase, QTextStream& err) {
    try {
        SavedQuery::Loader loader(path);
        const StoredConnection& c = loader.connection();
        if (!c.connectionString.isEmpty()) {
            // LORVANE_PASSWORD stands in for the stored password (say, one never saved).
            const QString password = passwordFor({}, false, false, c.password, err);
            const QVariantList failure = ConnectionManager().OpenDatabaseConnection(
                c.connectionString, c.connectTimeout, c.commandTimeout, c.userId, password);
            if (!failure.isEmpty()) {
                err << "lorvane: cannot connect to the database of " << path << ": " << failure.value(0).toString()
                    << "\n";
                if (needDatabase)
                    return ConnectionFailed;
            }
        } else if (needDatabase) {
            err << "lorvane: " << path << " stores no connection to run it on\n";
            return ConnectionFailed;
        }
        state.createTables();
        loader.readTables(state);
        SavedQuery::applyLists(state, loader.readLists());
    } catch (const VLNError& e) {
        err << "lorvane: " << e.description() << "\n";
        return BadFile;
    }
    Statement(state, clsField::shared()).RebuildStatement();
    return Ok;
}

QString valueText(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::QDateTime:
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case QMetaType::QDate:
        return v.toDate().toString(Qt::ISODate);
    case QMetaType::QTime:
        return v.toTime().toString(QStringLiteral("HH:mm:ss"));
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QByteArray:
        return QStringLiteral("\\x") + QString::fromLatin1(v.toByteArray().toHex());
    default:
        return v.toString();
    }
}

QString csvField(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString tsvField(QString text) {
    return text.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'\t', QStringLiteral("\\t"))
        .replace(u'\n', QStringLiteral("\\n"))
        .replace(u'\r', QStringLiteral("\\r"));
}

void print(const RecordSet& rows, const QString& format, QTextStream& out) {
    QStringList header;
    for (int f = 0; f < rows.FieldCount(); ++f)
        header << rows.Field(f).name;
    auto cells = [&](qint64 r) {
        QStringList line;
        for (int f = 0; f < rows.FieldCount(); ++f)
            line << valueText(rows.ValueAt(r, f));
        return line;
    };
    if (format == u"csv") {
        // RFC 4180: CRLF after every record, the header first.
        auto record = [&](const QStringList& values) {
            QStringList quoted;
            for (const QString& v : values)
                quoted << csvField(v);
            out << quoted.join(u',') << "\r\n";
        };
        record(header);
        for (qint64 r = 0; r < rows.RecordCount(); ++r)
            record(cells(r));
    } else if (format == u"tsv") {
        auto record = [&](const QStringList& values) {
            QStringList escaped;
            for (const QString& v : values)
                escaped << tsvField(v);
            out << escaped.join(u'\t') << "\n";
        };
        record(header);
        for (qint64 r = 0; r < rows.RecordCount(); ++r)
            record(cells(r));
    } else {
        std::vector<QStringList> lines{header};
        for (qint64 r = 0; r < rows.RecordCount(); ++r)
            lines.push_back(cells(r));
        std::vector<qsizetype> widths(static_cast<std::size_t>(header.size()), 0);
        for (QStringList& line : lines)
            for (qsizetype c = 0; c < line.size(); ++c) {
                line[c] = tsvField(line[c]);  // one line per row, whatever a value holds
                widths[static_cast<std::size_t>(c)] = std::max(widths[static_cast<std::size_t>(c)], line[c].size());
            }
        auto write = [&](const QStringList& line) {
            QStringList padded;
            for (qsizetype c = 0; c < line.size(); ++c)
                padded << line[c].leftJustified(widths[static_cast<std::size_t>(c)]);
            out << padded.join(QStringLiteral(" | ")).trimmed() << "\n";
        };
        write(lines[0]);
        QStringList rule;
        for (const qsizetype w : widths)
            rule << QString(w, u'-');
        out << rule.join(QStringLiteral("-+-")) << "\n";
        for (std::size_t i = 1; i < lines.size(); ++i)
            write(lines[i]);
        out << "(" << rows.RecordCount() << (rows.RecordCount() == 1 ? " row)\n" : " rows)\n");
    }
}

int sqlCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Prints the statement the builder shows for a saved query."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("the saved query (.vln)"));
    int exit = Ok;
    if (!parse(parser, arguments, out, err, exit))
        return exit;
    QueryState state;
    if (const int loaded = load(parser.positionalArguments().first(), state, false, err); loaded != Ok)
        return loaded;
    QString text = state.StatementText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out << text << (text.endsWith(u'\n') ? "" : "\n");
    return Ok;
}

int runCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs a saved query read-only on its stored connection and prints the rows."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("the saved query (.vln)"));
    const QCommandLineOption maxRecords(QStringLiteral("max-records"),
                                        QStringLiteral("stop after N rows (0, the default, reads all)"),
                                        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("csv (the default), tsv or table"),
                                    QStringLiteral("FORMAT"), QStringLiteral("csv"));
    parser.addOptions({maxRecords, format});
    int exit = Ok;
    if (!parse(parser, arguments, out, err, exit))
        return exit;
    bool number = false;
    const int limit = parser.value(maxRecords).toInt(&number);
    if (!number || limit < 0) {
        err << "lorvane: --max-records takes a whole number of 0 or more\n";
        return Usage;
    }
    const QString chosen = parser.value(format);
    if (chosen != u"csv" && chosen != u"tsv" && chosen != u"table") {
        err << "lorvane: --format is csv, tsv or table\n";
        return Usage;
    }
    QueryState state;
    if (const int loaded = load(parser.positionalArguments().first(), state, true, err); loaded != Ok)
        return loaded;
    Statement statement(state, clsField::shared());
    if (const QString problem = statement.Problem(); !problem.isEmpty()) {
        err << "lorvane: " << problem << "\n";
        return Rejected;
    }
    QString sql = state.StatementText;
    sql.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    try {
        const auto rows = BuilderSettings::shared().ActiveConnection->OpenRecordSet(sql, limit, true);
        print(*rows, chosen, out);
    } catch (const VLNError& e) {
        err << "lorvane: the statement was refused: " << e.description() << "\n";
        return Rejected;
    }
    return Ok;
}

int tablesCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Lists the tables the builder would offer for a connection."));
    parser.addPositionalArgument(QStringLiteral("CONNECTION-STRING"),
                                 QStringLiteral("key=value; pairs, e.g. \"Provider=SQLite;Data Source=sales.db\""));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("user name"), QStringLiteral("NAME"));
    const QCommandLineOption password(
        QStringLiteral("password"),
        QStringLiteral("password (visible to other users; prefer LORVANE_PASSWORD or the prompt)"),
        QStringLiteral("PASSWORD"));
    const QCommandLineOption system(QStringLiteral("remove-system-tables"), QStringLiteral("leave out system tables"));
    parser.addOptions({user, password, system});
    int exit = Ok;
    if (!parse(parser, arguments, out, err, exit))
        return exit;
    ConnectionManager::Arguments a;
    a.ConnectionString = parser.positionalArguments().first();
    a.UserName = parser.value(user);
    a.Password = passwordFor(parser.value(password), parser.isSet(password), !a.UserName.isEmpty(), {}, err);
    a.RemoveSystemTables = parser.isSet(system);
    const ConnectionManager::Outcome outcome = ConnectionManager().MakeConnection(a, {});
    if (outcome.number != 0) {
        err << "lorvane: cannot connect: " << outcome.description << "\n";
        return ConnectionFailed;
    }
    for (const QString& table : clsTable::shared().TableNames())
        out << table << "\n";
    return Ok;
}

}  // namespace

int finishOutput(int exit, QTextStream& out, QTextStream& err) {
    out.flush();
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    QString reason = flushed || errno == 0 ? QString() : QString::fromLocal8Bit(std::strerror(errno));
    // The stream's file may have met the failure first, while flushing its own buffer.
    const auto* file = qobject_cast<const QFileDevice*>(out.device());
    if (file && file->error() != QFileDevice::NoError && reason.isEmpty())
        reason = file->errorString();
    if (flushed && !std::ferror(stdout) && out.status() == QTextStream::Ok && reason.isEmpty())
        return exit;
    err << "lorvane: cannot write the output: " << (reason.isEmpty() ? QStringLiteral("write error") : reason)
        << "\n" << Qt::flush;
    return OutputFailed;
}

int run(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    const QString command = arguments.value(1);
    if (command.isEmpty() || command == u"--help" || command == u"-h" || command == u"help") {
        (command.isEmpty() ? err : out) << kUsage;
        return command.isEmpty() ? Usage : Ok;
    }
    // Each command parses the rest as its own command line.
    const QStringList rest = QStringList{QStringLiteral("lorvane ") + command} + arguments.mid(2);
    if (command == u"sql")
        return sqlCommand(rest, out, err);
    if (command == u"run")
        return runCommand(rest, out, err);
    if (command == u"tables")
        return tablesCommand(rest, out, err);
    err << "lorvane: unknown command '" << command << "'\n\n" << kUsage;
    return Usage;
}

}  // namespace lorvane::cli
