// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The note file's lock and atomic replace on Linux and other POSIX systems: flock() on the folder,
// and a new file made with O_TMPFILE and named with linkat() before it is renamed over the old one.
#include "notefile_p.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Pushes the file's data to the disk before it replaces the old file.
bool syncToDisk(int fd)
{
#ifdef Q_OS_LINUX
    return ::fdatasync(fd) == 0;
#else
    return ::fsync(fd) == 0;
#endif
}

// Makes the rename that replaced the file survive a power cut.
void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A file opened with O_TMPFILE: it has no name in the folder, and vanishes with the process unless
// linkat() gives it one, which takes /proc/self/fd. Volumes without such files (FAT, exFAT, most
// FUSE ones) refuse it.
int openUnnamed(const QByteArray &folder, mode_t mode)
{
#ifdef O_TMPFILE
    static const bool haveProc = ::access("/proc/self/fd", X_OK) == 0;
    if (haveProc) {
        return ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    }
#endif
    Q_UNUSED(folder);
    Q_UNUSED(mode);
    errno = EOPNOTSUPP;
    return -1;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            if (written == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        done += written;
    }
    return true;
}

// Calls make(name) with new temporary names beside target until it does not fail for the name
// being taken; returns the name it worked with, or an empty one (errno says why).
template <typename Make> QByteArray withFreeName(const QString &target, Make make)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = QFile::encodeName(NoteFile::temporaryPath(target));
        if (make(name)) {
            return name;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return {};
}

} // namespace

// The lock is flock() on the folder itself, the one where the replace happens: it leaves no file
// behind, and the kernel drops it when the process ends, however it ends. It belongs to the open
// folder, so two instances of one process take turns as two copies do. Another copy holds it for a
// few milliseconds per change; one that holds it for long is hung, and the change gives up rather
// than freeze the window.
std::unique_ptr<NoteFile::Lock> NoteFile::Lock::take(const QString &target, QString &error)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = qt_error_string(errno);
        return nullptr;
    }
    const QDeadlineTimer deadline(LockWait);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            error = qt_error_string(errno);
            ::close(fd);
            return nullptr;
        }
        if (deadline.hasExpired()) {
            error = lockTimeoutString();
            ::close(fd);
            return nullptr;
        }
        QThread::msleep(5);
    }
    return std::unique_ptr<Lock>(new Lock(fd));
}

NoteFile::Lock::~Lock()
{
    ::close(m_folder); // drops the flock()
}

// A symbolic link is written through to the file it leads to, as far as a chain of them leads.
QString NoteFile::replacedPath() const
{
    QFileInfo file(m_path);
    for (int depth = 0; depth < 128 && file.isSymLink(); ++depth) {
        file.setFile(file.symLinkTarget());
    }
    return file.isSymLink() ? m_path : file.filePath();
}

// The new content goes to an O_TMPFILE file, without a name, in the old one's folder; once the
// whole of it is on the disk, linkat() gives it a temporary name and it is renamed over the old
// file. Where the volume has no O_TMPFILE, the new file has its temporary name from the start.
// (QSaveFile does the same, but names its temporary files as a person may name a copy,
// "wydarzenia.json.kopia1", so they could not be removed after a crash.)
NoteFile::WriteStatus NoteFile::replace(
    const QString &target, const QByteArray &bytes, bool &replaceRefused)
{
    m_errorString.clear();
    replaceRefused = false;
    const QByteArray path = QFile::encodeName(target);
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    struct stat existing
    {
    };
    const bool exists = ::stat(path.constData(), &existing) == 0;
    if (exists && (S_ISDIR(existing.st_mode) || ::access(path.constData(), W_OK) != 0)) {
        m_errorString = qt_error_string(S_ISDIR(existing.st_mode) ? EISDIR : EACCES);
        return WriteStatus::OpenError;
    }

    // Until it has the old file's modes, the new one is for this user alone.
    const mode_t mode = exists ? 0600 : 0666;
    QByteArray temporary; // the new file's name, once it has one
    int fd = openUnnamed(folder, mode);
    if (fd < 0) {
        temporary = withFreeName(target, [&fd, mode](const QByteArray &name) {
            fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            return fd >= 0;
        });
    }
    if (fd < 0) {
        m_errorString = qt_error_string(errno);
        return WriteStatus::OpenError;
    }
    const auto fail = [&](bool onlyTheReplace) {
        m_errorString = qt_error_string(errno);
        replaceRefused = onlyTheReplace;
        if (fd >= 0) {
            ::close(fd);
        }
        if (!temporary.isEmpty()) {
            ::unlink(temporary.constData());
        }
        return WriteStatus::WriteError;
    };
    // A volume without file modes refuses them; its files are all alike, the old one included.
    if (exists) {
        ::fchmod(fd, existing.st_mode & 0777);
    }
    if (!writeAll(fd, bytes) || !syncToDisk(fd)) {
        return fail(false);
    }
    if (temporary.isEmpty()) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        temporary = withFreeName(target, [&self](const QByteArray &name) {
            return ::linkat(
                       AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW)
                == 0;
        });
        if (temporary.isEmpty()) {
            return fail(false);
        }
    }
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0 || ::rename(temporary.constData(), path.constData()) != 0) {
        // The data was written whole; only putting it in the old file's place failed.
        return fail(true);
    }
    syncFolder(folder);
    return WriteStatus::NoError;
}
