#include "DurableFile.h"

#include "VLNError.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lorvane {

namespace {

DurableFile::FaultInjector& injector() {
    static DurableFile::FaultInjector f;
    return f;
}

// True when the operation may go ahead; otherwise errno holds the injected failure.
bool allowed(std::string_view operation, const QString& path) {
    if (!injector())
        return true;
    const int failure = injector()(operation, path);
    if (failure == 0)
        return true;
    errno = failure;
    return false;
}

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

[[noreturn]] void fail(const char* what, const QString& path, int error) {
    throw VLNError(ErrorNumber::ProviderFailure, QStringLiteral("Lorvane.File"),
                   QStringLiteral("cannot %1 '%2': %3").arg(QLatin1String(what), path, reason(error)));
}

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

// write(2) until done; a short write that makes no progress is an error (a full disk).
bool writeAll(int fd, QByteArrayView bytes, const QString& path) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        if (!allowed("write", path))
            return false;
        const ssize_t n = ::write(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

// Writes, syncs and closes an open descriptor; on failure closes it and throws.
void finish(int fd, QByteArrayView bytes, const QString& path, const std::function<void()>& undo) {
    auto failed = [&](const char* what) {
        const int error = errno;
        ::close(fd);
        undo();
        fail(what, path, error);
    };
    if (!writeAll(fd, bytes, path))
        failed("write");
    if (!allowed("fsync", path) || ::fsync(fd) != 0)
        failed("flush to disk");
    const bool closed = allowed("close", path) && ::close(fd) == 0;
    if (!closed) {
        const int error = errno;
        undo();
        fail("close", path, error);
    }
}

}  // namespace

void DurableFile::write(const QString& path, QByteArrayView bytes, int mode) {
    if (!allowed("open", path))
        fail("create", path, errno);
    // Non-blocking: a FIFO put at path fails at once (ENXIO) instead of waiting for a reader.
    const int fd =
        ::open(native(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, mode);
    if (fd < 0)
        fail("create", path, errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        fail("create", path, EINVAL);
    }
    // The mode of open() applies only to a new file.
    ::fchmod(fd, static_cast<mode_t>(mode));
    finish(fd, bytes, path, [&] { ::unlink(native(path).constData()); });
}

void DurableFile::replace(const QString& path, QByteArrayView bytes) {
    struct stat old {};
    const bool existed = ::stat(native(path).constData(), &old) == 0 && S_ISREG(old.st_mode);
    QString temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = path + QStringLiteral(".%1.tmp").arg(QRandomGenerator::system()->generate(), 8, 16, QChar(u'0'));
        if (!allowed("open", temporary))
            fail("create", temporary, errno);
        fd = ::open(native(temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST)
            fail("create", temporary, errno);
    }
    if (fd < 0)
        fail("create", temporary, EEXIST);
    if (existed)
        ::fchmod(fd, old.st_mode & 07777);
    auto undo = [&] { ::unlink(native(temporary).constData()); };
    finish(fd, bytes, temporary, undo);
    try {
        rename(temporary, path);
    } catch (const VLNError&) {
        undo();
        throw;
    }
    // The file is replaced, complete and synced: a failing folder sync cannot undo that, and
    // reporting the write as failed would be untrue.
    try {
        syncFolder(QFileInfo(path).absolutePath());
    } catch (const VLNError&) {
    }
}

void DurableFile::rename(const QString& from, const QString& to) {
    if (!allowed("rename", to) || ::rename(native(from).constData(), native(to).constData()) != 0)
        fail("replace", to, errno);
}

void DurableFile::remove(const QString& path) {
    if (!allowed("unlink", path))
        fail("remove", path, errno);
    if (::unlink(native(path).constData()) != 0 && errno != ENOENT)
        fail("remove", path, errno);
}

void DurableFile::syncFolder(const QString& folder) {
    if (!allowed("syncFolder", folder))
        fail("sync the folder", folder, errno);
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        fail("sync the folder", folder, errno);
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot sync a folder
    const int error = errno;
    ::close(fd);
    if (!synced)
        fail("sync the folder", folder, error);
}

DurableFile::Kind DurableFile::kindOf(const QString& path) {
    struct stat st {};
    if (::lstat(native(path).constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Kind::Missing : Kind::Other;
    return S_ISREG(st.st_mode) || S_ISLNK(st.st_mode) ? Kind::Regular : Kind::Other;
}

std::optional<QByteArray> DurableFile::readRegular(const QString& path, qint64 maxSize, QString& why) {
    const QByteArray name = native(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        why = reason(errno);
        return std::nullopt;
    }
    auto notRegular = [&] {
        why = S_ISDIR(st.st_mode) ? QStringLiteral("it is a folder") : QStringLiteral("it is not a regular file");
        return std::nullopt;
    };
    if (!S_ISREG(st.st_mode))
        return notRegular();
    // Non-blocking, so that a FIFO put in its place since the check cannot make the open wait.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        why = reason(errno);
        return std::nullopt;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (::fstat(fd, &st) != 0) {
        why = reason(errno);
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode))
        return notRegular();
    if (st.st_size > maxSize) {
        why = QStringLiteral("the file is larger than %1 bytes").arg(maxSize);
        return std::nullopt;
    }
    QByteArray out;
    out.reserve(static_cast<qsizetype>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            why = reason(errno);
            return std::nullopt;
        }
        if (n == 0)
            break;
        out.append(buffer, n);
        if (out.size() > maxSize) {  // grew since fstat
            why = QStringLiteral("the file is larger than %1 bytes").arg(maxSize);
            return std::nullopt;
        }
    }
    return out;
}

void DurableFile::setFaultInjector(FaultInjector f) {
    injector() = std::move(f);
}

}  // namespace lorvane
