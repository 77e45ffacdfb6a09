#include "notefile.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLockFile>
#include <QSaveFile>
#include <QThread>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// How long a change waits for another copy of the program to finish its own, in milliseconds.
constexpr int lockWait = 2000;

QString lockTimeoutString()
{
    return u"inna kopia programu zmienia plik od ponad %1 s"_s.arg(lockWait / 1000);
}

// Pushes the file's data to the disk before it replaces the old file.
bool syncToDisk(QSaveFile &file)
{
#if defined(Q_OS_LINUX)
    return ::fdatasync(file.handle()) == 0;
#elif defined(Q_OS_UNIX)
    return ::fsync(file.handle()) == 0;
#else
    Q_UNUSED(file);
    return true;
#endif
}

// Makes the rename that replaced the file survive a power cut.
void syncFolder(const QString &filePath)
{
#ifdef Q_OS_UNIX
    const QByteArray folder = QFile::encodeName(QFileInfo(filePath).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(filePath);
#endif
}

} // namespace

NoteFile::NoteFile(const QString &path, Access access)
    : m_path(path)
    , m_access(access)
{
}

NoteFile::~NoteFile()
{
#ifdef Q_OS_UNIX
    if (m_lock >= 0) {
        ::close(m_lock); // drops the lock
    }
#endif
}

// The lock is flock() on the folder itself: it leaves no file behind, and the kernel drops it when
// the process ends, however it ends. Another copy holds it for a few milliseconds per change; one
// that holds it for long is hung, and the change gives up rather than freeze the window.
bool NoteFile::lock()
{
#ifdef Q_OS_UNIX
    if (m_lock >= 0) {
        return true;
    }
    const QByteArray folder = QFile::encodeName(QFileInfo(m_path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        m_errorString = qt_error_string(errno);
        return false;
    }
    const QDeadlineTimer deadline(lockWait);
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
#else
    // Without flock(), a lock file; QLockFile takes over one left by a process that has died.
    if (m_lockFile) {
        return true;
    }
    auto lockFile = std::make_unique<QLockFile>(m_path + u".lock"_s);
    // QLockFile::tryLock() waits longer and longer between its attempts, and loses the race to a
    // copy that changes the file again and again; a short, even step gives every copy its turn.
    const QDeadlineTimer deadline(lockWait);
    for (;;) {
        // Two locks left by a copy that was killed look alive to QLockFile until they are 30 s
        // old: one that names no holder (killed while writing it), and one that names this very
        // process (Windows soon gives the ID of an ended process to a new one). Removing either is
        // safe: a live holder keeps its lock file open without delete sharing.
        qint64 holder = 0;
        if (!lockFile->getLockInfo(&holder, nullptr, nullptr)
            || holder == QCoreApplication::applicationPid()) {
            lockFile->removeStaleLockFile();
        }
        if (lockFile->tryLock(0)) {
            break;
        }
        if (lockFile->error() != QLockFile::LockFailedError) {
            m_errorString = u"nie można utworzyć pliku blokady"_s;
            return false;
        }
        if (deadline.hasExpired()) {
            m_errorString = lockTimeoutString();
            return false;
        }
        QThread::msleep(5);
    }
    m_lockFile = std::move(lockFile);
    return true;
#endif
}

NoteFile::ReadStatus NoteFile::read(QIODevice::OpenMode mode)
{
    m_notes = {};
    m_parseError = {};
    m_hadNoContent = false;
    m_errorString.clear();
    if (m_access == Access::Update && !lock()) {
        return LockError;
    }
#ifdef Q_OS_WIN
    // Windows refuses to replace a file that someone holds open, so a reader waits until no other
    // copy is changing the file, and holds the lock while it reads. One that cannot have it reads
    // all the same: the replace is atomic.
    if (m_access == Access::Read && !lock()) {
        m_errorString.clear();
    }
#endif

    // Only a regular file (or a link to one) is read: a FIFO would block forever and a device
    // such as /dev/zero would never end. A missing file may still be created by a read-write open.
    const QFileInfo info(m_path);
    const bool missing = !info.exists() && !info.isSymLink();
    if (!missing && !info.isFile()) {
        return OpenError;
    }
    QFile file(m_path);
    if (!file.open(mode)) {
        m_hadNoContent = missing;
        return OpenError;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return OpenError;
    }
    file.close();
    m_hadNoContent = bytes.isEmpty();

    const QJsonDocument document = QJsonDocument::fromJson(bytes, &m_parseError);
    if (m_parseError.error != QJsonParseError::NoError) {
        return ParseError;
    }
    if (!document.isObject()) {
        return NotAnObject;
    }
    m_notes = document.object();
    return Read;
}

NoteFile::WriteStatus NoteFile::write(const QJsonObject &notes, Layout layout)
{
    const bool indented = layout == Layout::Indented;
    const QByteArray bytes =
        QJsonDocument(notes).toJson(indented ? QJsonDocument::Indented : QJsonDocument::Compact);
    const QIODevice::OpenMode mode = indented
        ? QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text
        : QIODevice::WriteOnly;

    bool replaceRefused = false;
    WriteStatus status = replace(bytes, mode, replaceRefused);
#ifdef Q_OS_WIN
    // Windows refuses to replace a file while another process has it open without delete sharing,
    // as virus scanners, the search indexer, backup and sync tools and another copy of this program
    // reading a note do for a moment. The whole write is tried again, waiting a little longer each
    // time, for about a second in all; then the failure stands. POSIX replaces an open file.
    for (const int delay : { 25, 50, 100, 150, 200, 250, 300 }) {
        if (!replaceRefused) {
            break;
        }
        QThread::msleep(delay);
        status = replace(bytes, mode, replaceRefused);
    }
#endif
    return status;
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
