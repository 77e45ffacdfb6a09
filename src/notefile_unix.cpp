// The note file's lock and atomic replace on Linux and other POSIX systems.
#include "notefile.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Pushes the file's data to the disk before it replaces the old file.
bool syncToDisk(QSaveFile &file)
{
#ifdef Q_OS_LINUX
    return ::fdatasync(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

// Makes the rename that replaced the file survive a power cut.
void syncFolder(const QString &filePath)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(filePath).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

// The lock is flock() on the folder itself: it leaves no file behind, and the kernel drops it when
// the process ends, however it ends. Another copy holds it for a few milliseconds per change; one
// that holds it for long is hung, and the change gives up rather than freeze the window.
bool NoteFile::lock()
{
    if (m_lock >= 0) {
        return true;
    }
    const QByteArray folder = QFile::encodeName(QFileInfo(m_path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        m_errorString = qt_error_string(errno);
        return false;
    }
    const QDeadlineTimer deadline(LockWait);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            m_errorString = qt_error_string(errno);
            ::close(fd);
            return false;
        }
        if (deadline.hasExpired()) {
            m_errorString = lockTimeoutString();
            ::close(fd);
            return false;
        }
        QThread::msleep(5);
    }
    m_lock = fd;
    return true;
}

void NoteFile::unlock()
{
    if (m_lock >= 0) {
        ::close(m_lock); // drops the lock
        m_lock = -1;
    }
}

NoteFile::WriteStatus NoteFile::replace(
    const QByteArray &bytes, QIODevice::OpenMode mode, bool &replaceRefused)
{
    m_errorString.clear();
    replaceRefused = false;
    // The new content goes to a temporary file beside the old one, which is replaced only once
    // the whole of it is on the disk. A link is written through to its target.
    QSaveFile file(m_path);
    if (!file.open(mode)) {
        m_errorString = file.errorString();
        return OpenForWritingError;
    }
    // QSaveFile::commit() does not notice every short write on a full disk, so check each step
    // and drop the temporary file at the first failure.
    bool complete = file.write(bytes) == bytes.size() && file.flush();
    if (!complete) {
        m_errorString = file.errorString();
    } else if (!syncToDisk(file)) {
        m_errorString = qt_error_string(errno);
        complete = false;
    }
    if (!complete) {
        file.cancelWriting();
        file.commit();
        return WriteError;
    }
    if (!file.commit()) {
        // The data was written whole; only putting it in the old file's place failed.
        m_errorString = file.errorString();
        replaceRefused = true;
        return WriteError;
    }
    syncFolder(QFileInfo(m_path).canonicalFilePath());
    return Written;
}
