#ifndef NOTEFILE_H
#define NOTEFILE_H

#include <QIODevice>
#include <QJsonObject>
#include <QJsonParseError>
#include <QString>

// The only code that touches wydarzenia.json. Each instance serves one operation: read() opens,
// reads and parses the file once; write() replaces it atomically. Nothing is cached between
// operations. It logs nothing: every caller reports the outcome in its own words.
class NoteFile
{
public:
    enum ReadStatus {
        OpenError, // missing, not a regular file, or cannot be opened
        ParseError,
        NotAnObject,
        Read,
    };

    enum WriteStatus {
        Written,
        OpenForWritingError, // the temporary file could not be created
        WriteError, // writing, syncing or the final replace failed; the old file is intact
    };

    enum class Layout {
        Compact, // one line, no line break at the end
        Indented, // one member per line, written in text mode
    };

    explicit NoteFile(const QString &path);

    ReadStatus read(QIODevice::OpenMode mode = QIODevice::ReadOnly);
    // After read(): the parser's error text, the object read (empty unless Read).
    QString parseErrorString() const { return m_parseError.errorString(); }
    QJsonObject notes() const { return m_notes; }
    // After read(): true when there was nothing at the path or the file was empty, so that
    // writing a new file loses nothing.
    bool hadNoContent() const { return m_hadNoContent; }

    WriteStatus write(const QJsonObject &notes, Layout layout);
    // After a failed write(): what went wrong.
    QString errorString() const { return m_errorString; }

private:
    QString m_path;
    QJsonParseError m_parseError {};
    QJsonObject m_notes;
    bool m_hadNoContent = false;
    QString m_errorString;
};

#endif // NOTEFILE_H
