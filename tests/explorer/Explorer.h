#pragma once
// One database the explorer works on, and the sequences it plays there: each on a fresh
// builder window, every action checked as it is done.
#include "explorer/Actions.h"

#include <QString>
#include <memory>
#include <optional>

namespace lorvane::explorer {

struct Database {
    QString name;              // sqlite-sample, sqlite-names, postgres, mariadb
    QString connectionString;  // as the host passes it to the component
    QString sqlitePath;        // SQLite only
};

struct Failure {
    QString check;      // statement, model, reopen, cli, window
    QString detail;     // the database's, tester's or comparison's words
    QString statement;  // the statement shown when it failed
    int action = -1;    // the index of the action after which it failed
    QString known;      // the listed fault it matches ("item 5", "new B"), empty for a new one
    QString signature() const;  // what a shrunk list must still show
};

struct Outcome {
    QList<Action> actions;  // as performed (up to and with the failing one)
    std::optional<Failure> failure;
};

class Checks;

class Explorer {
public:
    Explorer(Database db, QString cliPath);
    ~Explorer();

    // A sequence of up to count generated actions from the seed.
    Outcome explore(quint64 seed, int count);
    // A recorded list, replayed on a fresh window.
    Outcome replay(const QList<Action>& actions);
    // The shortest list found that still fails as failure did.
    QList<Action> shrink(const QList<Action>& actions, const Failure& failure, int* replays = nullptr);

    const Database& database() const { return db_; }

    // A deliberate fault in the checks, to show that the explorer finds and shrinks one: a
    // statement containing this text counts as rejected.
    void plantFault(const QString& text) { planted_ = text; }

private:
    Database db_;
    QString cliPath_;
    QString planted_;
    std::unique_ptr<Checks> checks_;  // the checking connection, opened once

    Outcome play(const QList<Action>* recorded, quint64 seed, int count);
};

// The text of a failure report: seed, check, words, statement and the action list.
QString describe(const Database& db, quint64 seed, const Failure& f, const QList<Action>& actions);

}  // namespace lorvane::explorer
