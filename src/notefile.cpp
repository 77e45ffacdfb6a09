#include "notefile.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QThread>

using namespace Qt::StringLiterals;

NoteFile::NoteFile(const QString &path, Access access)
    : m_path(path)
    , m_access(access)
{
}

NoteFile::~NoteFile()
{
    unlock();
}

QString NoteFile::lockTimeoutString()
{
    return u"inna kopia programu zmienia plik od ponad %1 s"_s.arg(LockWait / 1000);
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
    // Opening a missing file only to read it cannot work, and a second look is slow on Windows.
    if (missing && !mode.testFlag(QIODevice::WriteOnly)) {
        m_hadNoContent = true;
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
