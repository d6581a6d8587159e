#pragma once

#include <benchmark/benchmark.h>
#include <QSqlDatabase>
#include <QString>
#include <map>
#include <string>

namespace lorvane::bench {

// Runs the registered benchmarks and returns, per benchmark name, the fastest repetition's
// real time in seconds. Figures are compared within one run, never against fixed times.
std::map<std::string, double> runAndCollect(int argc, char** argv);

// True when every named benchmark ran.
bool hasAll(const std::map<std::string, double>& times, std::initializer_list<const char*> names);

// A SQLite database made once in dir by running sql, and reused.
QString sqliteDatabase(const QString& dir, const QString& fileName, const char* sql);

// A SQLite database with the table Items of a million rows x 6 columns (ID, Name, Price,
// Quantity, Created, Active), made once in dir and reused.
QString millionRowDatabase(const QString& dir);
constexpr long long kMillion = 1000000;

// A million rows x 6 columns of the kinds results hold: Rows (ID integer, Amount real, Name
// text, Created date-time, Note Null in nine rows of ten, Remarks long text).
QString sixColumnDatabase(const QString& dir);
extern const char* const kSixColumnSelect;
// The same rows made on PostgreSQL (for a psql -c).
extern const char* const kSixColumnPostgres;

// The baseline of the fetch benchmarks: runs sql on an open database with a plain forward-only
// QSqlQuery and reads every value of every row into a QVariant; returns the row count.
long long plainQueryLoop(QSqlDatabase& db, const QString& sql);

// Reads the rows of sql (a million of them) read-only through a Connection on
// connectionString, once per iteration.
void recordSetFetch(benchmark::State& state, const QString& connectionString, const QString& sql);

// Asks to stop half a second into statement, a query that would run for minutes, on a new
// connection; the milliseconds from the request to the run having ended, the fastest of three;
// -1 when a run did not stop.
double stopLatencyMs(const QString& connectionString, const QString& statement);

// Heap bytes in use (glibc's allocator statistics).
long long heapInUse();
// The process's resident memory now and at its peak (VmRSS, VmHWM), in bytes.
long long residentBytes();
long long peakResidentBytes();

// "BENCH <name> <figure> (goal <op> <value>)"
void printSummary(const std::string& name, const std::string& figure, const std::string& goal);

}  // namespace lorvane::bench
