// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The note file's read, parse kept between reads, atomic write and sweep of leftovers: what is the
// same on every platform.
#include "notefile.h"

#include "notefile_p.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QThread>
#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// A temporary file's name is the note file's, then this mark, twelve random lowercase letters and
// digits (FAT and exFAT ignore case) and the ending.
constexpr auto temporaryMark = u".zorvena-";
constexpr qsizetype temporaryLetters = 12;
constexpr auto temporaryEnding = u".tmp";
constexpr char16_t letters[] = u"abcdefghijklmnopqrstuvwxyz0123456789";

bool isLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
}

// The note file's bytes as last read or written in this process, and what they parse to, kept for
// the next read: the file is read every time, but bytes that are the same as before, byte for byte,
// need not be parsed again. Nothing stands in for the bytes (not their size, time or a hash): a
// file rewritten elsewhere with other bytes of the same size, within a FAT volume's 2 s of time,
// is always parsed anew. A read in text mode drops every CR, as QIODevice::Text does, so the bytes
// may have a second parse; each is made when first asked for, and they are one where the bytes
// hold no CR.
struct Parse
{
    QJsonParseError error {};
    bool isObject = false;
    QJsonObject notes;
};

struct Kept
{
    QByteArray bytes;
    std::optional<bool> hasCarriageReturns; // looked for at the first read in text mode
    std::optional<Parse> plain;
    std::optional<Parse> text;
};

Kept kept;

// Whether the bytes are the kept ones. A change elsewhere is most often to the newest notes, at the
// file's end, which is so compared first.
bool areKept(const QByteArray &bytes)
{
    constexpr qsizetype tail = 64 * 1024;
    if (kept.bytes.isNull() || kept.bytes.size() != bytes.size()) {
        return false;
    }
    const qsizetype from = std::max<qsizetype>(0, bytes.size() - tail);
    return QByteArrayView(kept.bytes).sliced(from) == QByteArrayView(bytes).sliced(from)
        && QByteArrayView(kept.bytes).first(from) == QByteArrayView(bytes).first(from);
}

Parse parseOf(const QByteArray &bytes)
{
    Parse parse;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parse.error);
    parse.isObject = document.isObject();
    parse.notes = document.object();
    return parse;
}

QByteArray withoutCarriageReturns(QByteArray bytes)
{
    bytes.removeIf([](char c) { return c == '\r'; });
    return bytes;
}

} // namespace

NoteFile::NoteFile(const QString &path, Access access)
    : m_path(path)
    , m_access(access)
{
}

NoteFile::~NoteFile() = default; // the lock goes with it

bool NoteFile::lock()
{
    if (!m_lock) {
        m_lock = Lock::take(target(), m_errorString);
    }
    return isLocked();
}

QString NoteFile::lockTimeoutString()
{
    return u"inna kopia programu zmienia plik od ponad %1 s"_s.arg(LockWait / 1000);
}

NoteFile::ReadStatus NoteFile::read(ReadOptions options)
{
    m_notes = {};
    m_parseError = {};
    m_hadNoContent = false;
    m_errorString.clear();
    if (m_access == Access::Update && !lock()) {
        return ReadStatus::LockError;
    }
#ifdef Q_OS_WIN
    // Windows refuses to replace a file that someone holds open, so a reader waits until no other
    // copy is changing the file, and holds the lock while it reads. One that cannot have it reads
    // all the same: the replace is atomic.
    if (m_access == Access::Read && !lock()) {
        m_errorString.clear();
    }
#endif

    QByteArray bytes;
    ReadStatus status = readBytes(options, bytes);
#ifndef Q_OS_WIN
    // Where a rename removes the old file before the new one takes its name (exFAT through FUSE,
    // as on a USB stick), a reader may find no file for an instant while another copy replaces
    // it. There is none while the lock is held, so a reader that finds none looks again under it.
    // (Windows readers hold it already.)
    if (status == ReadStatus::OpenError && !isLocked()) {
        if (lock()) {
            status = readBytes(options, bytes);
        }
        m_errorString.clear();
    }
#endif
    if (status != ReadStatus::NoError) {
        return status;
    }

    if (!areKept(bytes)) {
        kept = { bytes, {}, {}, {} };
    }
    const bool textMode = options.testFlag(ReadOption::TextMode);
    if (textMode && !kept.hasCarriageReturns) {
        kept.hasCarriageReturns = bytes.contains('\r');
    }
    const bool dropsCarriageReturns = textMode && *kept.hasCarriageReturns;
    // What text mode reads of CRs alone is nothing.
    m_hadNoContent = bytes.isEmpty()
        || (dropsCarriageReturns
            && std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return c == '\r'; }));
    std::optional<Parse> &parse = dropsCarriageReturns ? kept.text : kept.plain;
    if (!parse) {
        parse = parseOf(dropsCarriageReturns ? withoutCarriageReturns(bytes) : bytes);
    }
    m_parseError = parse->error;
    if (m_parseError.error != QJsonParseError::NoError) {
        return ReadStatus::ParseError;
    }
    if (!parse->isObject) {
        return ReadStatus::NotAnObject;
    }
    m_notes = parse->notes;
    return ReadStatus::NoError;
}

NoteFile::ReadStatus NoteFile::readBytes(ReadOptions options, QByteArray &bytes)
{
    // Only a regular file (or a symbolic link to one) is read: a FIFO would block forever and a
    // device such as /dev/zero would never end. A missing file may still be created by a writable
    // open.
    m_hadNoContent = false;
    const QFileInfo info(m_path);
    const bool missing = !info.exists() && !info.isSymLink();
    if (!missing && !info.isFile()) {
        return ReadStatus::OpenError;
    }
    // Opening a missing file only to read it cannot work, and a second look is slow on Windows.
    const bool writable = options.testFlag(ReadOption::Writable);
    if (missing && !writable) {
        m_hadNoContent = true;
        return ReadStatus::OpenError;
    }
    // Read as the bytes are on the disk; read() drops the CRs for text mode itself.
    QFile file(m_path);
    if (!file.open(writable ? QIODevice::ReadWrite : QIODevice::ReadOnly)) {
        m_hadNoContent = missing;
        return ReadStatus::OpenError;
    }
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return ReadStatus::OpenError;
    }
    return ReadStatus::NoError;
}

QJsonObject NoteFile::takeNotes()
{
    kept.plain.reset();
    kept.text.reset();
    return std::exchange(m_notes, {});
}

QString NoteFile::target()
{
    if (m_target.isEmpty()) {
        m_target = replacedPath();
    }
    return m_target;
}

QString NoteFile::temporaryPath(const QString &target)
{
    QString random(temporaryLetters, Qt::Uninitialized);
    for (QChar &letter : random) {
        letter = letters[QRandomGenerator::global()->bounded(int(std::size(letters)) - 1)];
    }
    return target + temporaryMark + random + temporaryEnding;
}

bool NoteFile::isTemporaryName(const QString &fileName, const QString &targetName)
{
    const QString prefix = targetName + temporaryMark;
    const QStringView ending(temporaryEnding);
    if (fileName.size() != prefix.size() + temporaryLetters + ending.size()
        || !fileName.startsWith(prefix) || !fileName.endsWith(ending)) {
        return false;
    }
    const QStringView random = QStringView(fileName).mid(prefix.size(), temporaryLetters);
    return std::all_of(random.begin(), random.end(), isLetter);
}

// A save that was killed (a crash, a power cut, "kill") leaves its temporary file on a volume
// without unnamed files, such as a USB stick's FAT or exFAT, and for an instant on any volume. Each
// change removes such files, so that at most the last killed save's file is ever there. A file
// that a writer on another computer, which does not see the lock, still has open is not removed
// on Windows; on POSIX its writer's replace fails and says so.
void NoteFile::removeLeftovers(const QString &target)
{
    const QFileInfo info(target);
    const QString targetName = info.fileName();
    QDirIterator files(
        info.absolutePath(), QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    while (files.hasNext()) {
        files.next();
        if (isTemporaryName(files.fileName(), targetName)) {
            QFile::remove(files.filePath()); // what cannot go now goes with a later change
        }
    }
}

NoteFile::WriteStatus NoteFile::write(const QJsonObject &notes, Layout layout)
{
    const bool indented = layout == Layout::Indented;
    const QByteArray json =
        QJsonDocument(notes).toJson(indented ? QJsonDocument::Indented : QJsonDocument::Compact);
#ifdef Q_OS_WIN
    // The indented layout is written in text mode, whose line breaks are CR LF on Windows, as
    // QFile writes them; on POSIX text mode changes nothing.
    const QByteArray bytes = indented ? QByteArray(json).replace('\n', "\r\n") : json;
#else
    const QByteArray &bytes = json;
#endif

    const QString target = this->target();
    if (isLocked()) {
        removeLeftovers(target);
    }
    bool replaceRefused = false;
    WriteStatus status = replace(target, bytes, replaceRefused);
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
        status = replace(target, bytes, replaceRefused);
    }
#endif
    // The next read finds these bytes, read as they are or in text mode, which drops the CRs. A
    // write that failed keeps nothing at all.
    if (status != WriteStatus::NoError) {
        kept = {};
        return status;
    }
    const Parse written { {}, true, notes };
    kept = { bytes, {}, written, written };
    return status;
}
