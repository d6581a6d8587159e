#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace lorvane {

// Makes the save of a file set all or nothing, across kills and failures.
//
// A save first writes every new file beside its target as "<target>.saving" (synced). Then it
// writes the journal "<index>.journal", naming each target and whether it had an old file and
// gets a new one. Only then are the old files moved aside to "<target>.replaced" and the new
// ones renamed into place. Removing the journal is the moment the save takes effect; the
// replaced files are removed after it.
//
// Whatever interrupts a save, the next open or save of the query (recover()) puts it back as
// it was while a journal remains, and otherwise only removes what a finished or abandoned save
// left behind. Only the file names of the given targets are ever touched, all in the index's
// folder; a journal naming anything else is not followed.
class SaveJournal {
public:
    struct Entry {
        QString target;     // full path
        bool hadOld = false;
        bool hasNew = false;
    };

    // indexPath: the query's index file; targets: every file of the query, the index included.
    SaveJournal(QString indexPath, QStringList targets);

    static QString staged(const QString& target) { return target + QStringLiteral(".saving"); }
    static QString replaced(const QString& target) { return target + QStringLiteral(".replaced"); }
    QString journalPath() const { return indexPath_ + QStringLiteral(".journal"); }

    // Undoes an interrupted save (a journal is present) or removes leftovers. Does nothing,
    // not even a folder sync, when nothing was left. Throws VLNError when the folder cannot
    // be put right.
    void recover();

    // Writes the journal for these entries durably; from here on recover() undoes the save.
    void begin(std::vector<Entry> entries, const QByteArray& saveId);
    // Moves the old files aside and the new ones into place, then removes the journal: the
    // save has taken effect when this returns. When it throws the journal is still there and
    // the caller calls rollBack().
    void apply();
    // Puts the old files back and removes the new ones and the journal.
    void rollBack();
    // Removes the moved-aside old files; failures are left for the next recover().
    void removeReplaced() noexcept;

private:
    QString indexPath_;
    QString folder_;
    QStringList targets_;
    std::vector<Entry> entries_;

    void undo(const std::vector<Entry>& entries);
    bool readJournal(std::vector<Entry>& entries) const;
};

}  // namespace lorvane
