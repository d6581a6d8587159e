#pragma once

#include <QStringList>

class QTextStream;

namespace lorvane::cli {

// Exit codes, one per kind of failure a script may want to tell apart.
enum Exit {
    Ok = 0,
    Usage = 2,            // unknown command or option, missing argument
    BadFile = 3,          // the saved query is missing, unreadable or damaged
    ConnectionFailed = 4, // the stored or given connection could not be opened
    Rejected = 5,         // the statement was refused (read-only check or database)
    OutputFailed = 6,     // what was printed could not be written (a full disk, a closed pipe)
};

// Flushes what run() wrote to standard output and checks that all of it was written;
// returns exit unchanged when it was, OutputFailed (with a message on err) when not.
int finishOutput(int exit, QTextStream& out, QTextStream& err);

// Runs the command line (arguments[0] is the program); writes results to out, errors to err.
int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

}  // namespace lorvane::cli
