// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The note file, wydarzenia.json: read whole and parsed, replaced atomically, and locked against
// other copies of the program while a change is made.
#ifndef NOTEFILE_H
#define NOTEFILE_H

#include <QFlags>
#include <QJsonObject>
#include <QJsonParseError>
#include <QString>
#include <memory>

// The only code that touches wydarzenia.json. Each instance serves one operation: read() opens,
// reads and closes the file once; write() replaces it atomically. The file is read afresh every
// time, so a change made elsewhere shows at once; only the parse of bytes identical to those last
// read or written in this process is taken from then instead of done again. It logs nothing:
// every caller reports the outcome in its own words.
// The lock and the atomic replace meet the platform: notefile_unix.cpp and notefile_win.cpp, with
// the lock's own form in notefile_p.h.
// The new content is written to a temporary file beside the old one, whose name no person gives
// a file ("wydarzenia.json.zorvena-<12 letters and digits>.tmp"): what a killed save left can so
// be told apart from the user's own copies, and the next change removes it.
class NoteFile
{
public:
    enum class Access {
        // The file is only read; the atomic replace always shows a whole file. On Windows the read
        // takes the lock too, when it can: a file open for reading cannot be replaced there.
        Read,
        // The file is read and then written: from read() until the instance is gone it holds a
        // lock that every copy of the program working in the same folder respects, so that no
        // other change lands between the read and the write and is lost.
        Update,
    };

    // How read() opens the file; by default only to read it, as the bytes are on the disk.
    enum class ReadOption {
        // Every CR is dropped before the parse, as QIODevice::Text reads a file.
        TextMode = 0x1,
        // Opened for writing too, as a change that rewrites it: a file that cannot be written
        // cannot be opened, and a missing one is created, empty (and so is a ParseError).
        Writable = 0x2,
    };
    Q_DECLARE_FLAGS(ReadOptions, ReadOption)

    enum class ReadStatus {
        NoError, // the file holds an object: notes()
        OpenError, // missing, not a regular file, or cannot be opened
        ParseError,
        NotAnObject,
        LockError, // Update only: the lock could not be had; see errorString()
    };

    enum class WriteStatus {
        NoError,
        OpenError, // the temporary file could not be created
        WriteError, // writing, syncing or the final replace failed; the old file is intact
    };

    enum class Layout {
        Compact, // one line, no line break at the end
        Indented, // one member per line, written in text mode
    };

    explicit NoteFile(const QString &path, Access access = Access::Read);
    ~NoteFile();
    NoteFile(const NoteFile &) = delete;
    NoteFile &operator=(const NoteFile &) = delete;

    ReadStatus read(ReadOptions options = {});
    // After read(): the parser's error text, the object read (empty unless NoError).
    QString parseErrorString() const { return m_parseError.errorString(); }
    QJsonObject notes() const { return m_notes; }
    // After read(): the object read, to change and write(); this instance and the parse kept for
    // the next read let go of it, so that changing it copies nothing.
    QJsonObject takeNotes();
    // After read(): true when there was nothing at the path or the file was empty, so that
    // writing a new file loses nothing.
    bool hadNoContent() const { return m_hadNoContent; }

    WriteStatus write(const QJsonObject &notes, Layout layout);
    // After a failed write(), or a read() that could not lock: what went wrong.
    QString errorString() const { return m_errorString; }

    // A new temporary file's path beside target, and whether a file name is one of those.
    static QString temporaryPath(const QString &target);
    static bool isTemporaryName(const QString &fileName, const QString &targetName);

private:
    // How long a change waits for another copy of the program to finish its own, in milliseconds.
    static constexpr int LockWait = 2000;
    static QString lockTimeoutString();

    // The lock of a folder, as each platform makes it (notefile_p.h).
    class Lock;

    // Takes the lock that every copy working on the replaced file's folder respects, waiting up to
    // LockWait; holds it until the instance goes. Sets errorString() when it cannot. The folder is
    // that of the file a symbolic link leads to, not the link's: copies that reach one file through
    // symbolic links, or one through a link and one directly, take turns too.
    bool lock();
    bool isLocked() const { return m_lock != nullptr; }
    // Opens the note file as the options say and reads all of it; NoError or OpenError.
    ReadStatus readBytes(ReadOptions options, QByteArray &bytes);
    // The file that write() replaces: the note file, or the file that a symbolic link at its path
    // leads to.
    QString replacedPath() const;
    // The same, found once per instance: the folder that lock() locks is the one write() writes.
    QString target();
    // One attempt at write() to target, of exactly these bytes; replaceRefused tells whether only
    // the final replace failed.
    WriteStatus replace(const QString &target, const QByteArray &bytes, bool &replaceRefused);

    // Removes what saves that were killed left beside target. Only under the lock: no other copy
    // is writing then.
    static void removeLeftovers(const QString &target);

    QString m_path;
    Access m_access;
    QString m_target; // target(), once it was asked for
    std::unique_ptr<Lock> m_lock; // while it is held
    QJsonParseError m_parseError {};
    QJsonObject m_notes;
    bool m_hadNoContent = false;
    QString m_errorString;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(NoteFile::ReadOptions)

#endif // NOTEFILE_H
