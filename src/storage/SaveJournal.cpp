#include "SaveJournal.h"

#include "platform/AdoTypes.h"
#include "platform/DurableFile.h"
#include "platform/RecordSet.h"
#include "platform/VLNError.h"

#include <QFile>
#include <QFileInfo>

namespace lorvane {

namespace {

// The journal never holds more than the file names of one query.
constexpr qint64 kMaxJournalSize = 1024 * 1024;

QString nameOf(const QString& path) {
    return QFileInfo(path).fileName();
}

}  // namespace

SaveJournal::SaveJournal(QString indexPath, QStringList targets)
    : indexPath_(std::move(indexPath)), folder_(QFileInfo(indexPath_).absolutePath()), targets_(std::move(targets)) {}

bool SaveJournal::readJournal(std::vector<Entry>& entries) const {
    QString why;
    const std::optional<QByteArray> bytes = DurableFile::readRegular(journalPath(), kMaxJournalSize, why);
    if (!bytes)
        return false;
    RecordSet rs;
    try {
        rs.OpenBytes(*bytes, journalPath());
    } catch (const VLNError&) {
        return false;
    }
    const int target = rs.FieldIndex(QStringLiteral("Target"));
    const int hadOld = rs.FieldIndex(QStringLiteral("HadOld"));
    const int hasNew = rs.FieldIndex(QStringLiteral("HasNew"));
    if (target < 0 || hadOld < 0 || hasNew < 0)
        return false;
    for (qint64 r = 0; r < rs.RecordCount(); ++r) {
        // Only the query's own files: a journal cannot send a rename anywhere else.
        const QString name = rs.ValueAt(r, target).toString();
        for (const QString& t : targets_)
            if (nameOf(t) == name)
                entries.push_back({t, rs.ValueAt(r, hadOld).toBool(), rs.ValueAt(r, hasNew).toBool()});
    }
    return true;
}

void SaveJournal::recover() {
    const bool journal = DurableFile::kindOf(journalPath()) != DurableFile::Kind::Missing;
    if (journal) {
        std::vector<Entry> entries;
        if (!readJournal(entries)) {
            // Damaged beyond reading: bring back every old file moved aside. A new file without
            // an old one may stay; its save identity keeps it from passing for part of the
            // old query.
            for (const QString& t : targets_)
                entries.push_back({t, true, true});
        }
        undo(entries);
        return;
    }
    bool left = DurableFile::kindOf(journalPath() + QStringLiteral(".saving")) != DurableFile::Kind::Missing;
    for (const QString& t : targets_)
        left = left || DurableFile::kindOf(staged(t)) != DurableFile::Kind::Missing ||
               DurableFile::kindOf(replaced(t)) != DurableFile::Kind::Missing;
    if (!left)
        return;
    // No journal: the last save either took effect (its old files are left) or never began to
    // replace anything (its new files are left).
    DurableFile::remove(journalPath() + QStringLiteral(".saving"));
    for (const QString& t : targets_) {
        DurableFile::remove(staged(t));
        DurableFile::remove(replaced(t));
    }
    DurableFile::syncFolder(folder_);
}

void SaveJournal::undo(const std::vector<Entry>& entries) {
    for (const Entry& e : entries) {
        if (DurableFile::kindOf(replaced(e.target)) == DurableFile::Kind::Regular)
            DurableFile::rename(replaced(e.target), e.target);
        else if (e.hasNew && !e.hadOld)
            DurableFile::remove(e.target);
        DurableFile::remove(staged(e.target));
    }
    DurableFile::remove(journalPath() + QStringLiteral(".saving"));
    DurableFile::syncFolder(folder_);
    DurableFile::remove(journalPath());
    DurableFile::syncFolder(folder_);
}

void SaveJournal::begin(std::vector<Entry> entries, const QByteArray& saveId) {
    entries_ = std::move(entries);
    RecordSet rs;
    rs.AppendField(QStringLiteral("Target"), AdoType::VarChar, 2000);
    rs.AppendField(QStringLiteral("HadOld"), AdoType::Boolean);
    rs.AppendField(QStringLiteral("HasNew"), AdoType::Boolean);
    rs.Open();
    for (const Entry& e : entries_) {
        const QVariant row[] = {nameOf(e.target), e.hadOld, e.hasNew};
        rs.AppendRow(row);
    }
    rs.SetSaveIdentity(saveId + "/journal");
    const QString temporary = journalPath() + QStringLiteral(".saving");
    DurableFile::write(temporary, rs.SaveToBytes());
    try {
        DurableFile::rename(temporary, journalPath());
        DurableFile::syncFolder(folder_);
    } catch (const VLNError&) {
        // Nothing has been replaced yet: without the journal the save simply never began.
        QFile::remove(temporary);
        QFile::remove(journalPath());
        throw;
    }
}

void SaveJournal::apply() {
    for (const Entry& e : entries_) {
        if (e.hadOld)
            DurableFile::rename(e.target, replaced(e.target));
        if (e.hasNew)
            DurableFile::rename(staged(e.target), e.target);
    }
    DurableFile::syncFolder(folder_);
    // The save takes effect here. Were the folder sync after it to fail, undoing the save now
    // would leave nothing to undo it by once the process ends; the new files are complete
    // and synced, so the save stands.
    DurableFile::remove(journalPath());
    try {
        DurableFile::syncFolder(folder_);
    } catch (const VLNError&) {
    }
}

void SaveJournal::rollBack() {
    undo(entries_);
}

void SaveJournal::removeReplaced() noexcept {
    try {
        for (const Entry& e : entries_)
            if (e.hadOld)
                DurableFile::remove(replaced(e.target));
        DurableFile::syncFolder(folder_);
    } catch (const VLNError&) {
    }
}

}  // namespace lorvane
