#include "support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace TestSupport {

namespace {
QList<LogLine> capturedLines;

bool isPlatformChatter(const QMessageLogContext &context, const QString &text)
{
    const char *category = context.category;
    if (category && qstrcmp(category, "default") != 0) {
        return true;
    }
    return text.startsWith(u"This plugin does not support"_s) || text.startsWith(u"QStandardPaths:"_s);
}

void record(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (!isPlatformChatter(context, text)) {
        capturedLines.append({ type, text });
    }
}
} // namespace

QString noteFilePath()
{
    return QCoreApplication::applicationDirPath() + u"/wydarzenia.json"_s;
}

void removeNoteFile()
{
    const QString path = noteFilePath();
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink()) {
        QDir(path).removeRecursively();
    } else {
        QFile::remove(path);
    }
    Q_ASSERT(!QFileInfo(path).exists() && !QFileInfo(path).isSymLink());
}

void writeNoteFile(const QByteArray &bytes)
{
    removeNoteFile();
    QFile file(noteFilePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write the test's note file");
    }
}

QByteArray noteFileBytes()
{
    QFile file(noteFilePath());
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray bytes = file.readAll();
    if (bytes.isNull()) {
        bytes = QByteArray(""); // an empty file reads as empty, not as absent
    }
    return bytes;
}

QStringList strayFiles()
{
    const QDir folder(QCoreApplication::applicationDirPath());
    QStringList stray;
    const QStringList names = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (name.startsWith(u"wydarzenia.json."_s)) {
            stray.append(name);
        }
    }
    return stray;
}

LogCapture::LogCapture()
    : m_previous(qInstallMessageHandler(record))
{
    capturedLines.clear();
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
}

QList<LogLine> LogCapture::lines() const
{
    return capturedLines;
}

QStringList LogCapture::texts(QtMsgType type) const
{
    QStringList texts;
    for (const LogLine &line : capturedLines) {
        if (line.type == type) {
            texts.append(line.text);
        }
    }
    return texts;
}

void LogCapture::clear()
{
    capturedLines.clear();
}

} // namespace TestSupport
