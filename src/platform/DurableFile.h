#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <string_view>

namespace lorvane {

// Writes that keep their promise and reads that cannot hang.
//
// Every write is checked, flushed to the disk (fsync) and closed with its result checked
// before anything is renamed over an existing file, and the folder is synced after a rename,
// so a full disk or an I/O error is reported with the system's reason instead of leaving a
// short or empty file in place. Failures raise VLNError (ProviderFailure) whose description
// names the operation, the path and the system's reason.
class DurableFile {
public:
    enum class Kind { Missing, Regular, Other };

    // Writes bytes to path (created or truncated, never through a symbolic link) and syncs it.
    // A failed write removes what it created.
    static void write(const QString& path, QByteArrayView bytes, int mode = 0600);
    // Replaces path as a whole: a temporary beside it, written and synced, renamed over it,
    // the folder synced. An existing file keeps its permissions; a new one gets 0666 less the
    // umask. When it throws, the file at path is as it was and no temporary is left.
    static void replace(const QString& path, QByteArrayView bytes);
    static void rename(const QString& from, const QString& to);
    // Removes path; a missing file is not an error.
    static void remove(const QString& path);
    // Makes renames and removals in the folder durable.
    static void syncFolder(const QString& folder);
    // What stands at path, without following a final symbolic link (a link counts as Regular:
    // replacing it replaces the link, not what it points to).
    static Kind kindOf(const QString& path);

    // Reads a regular file of at most maxSize bytes. A FIFO, device, socket or folder is
    // refused at once without waiting for a writer. On failure returns nothing and sets why.
    static std::optional<QByteArray> readRegular(const QString& path, qint64 maxSize, QString& why);

    // For tests: called before every file operation (open, write, fsync, close, rename,
    // unlink, folder sync) with its name and path; a non-zero errno makes the operation fail
    // with it. Pass an empty function to remove it.
    using FaultInjector = std::function<int(std::string_view operation, const QString& path)>;
    static void setFaultInjector(FaultInjector injector);
};

}  // namespace lorvane
