#include "support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCalendarWidget>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QMessageBox>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>

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
    // The offscreen plugin on Windows looks for fonts of its own, which nobody deploys there.
    return text.startsWith(u"This plugin does not support"_s)
        || text.startsWith(u"QStandardPaths:"_s) || text.startsWith(u"QFontDatabase:"_s);
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

QString folderTemplate()
{
    return QDir::tempPath() + u"/Mój dziennik Zażółć-XXXXXX"_s;
}

QByteArray textFileBytes(QByteArray text)
{
#ifdef Q_OS_WIN
    text.replace("\n", "\r\n");
#endif
    return text;
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

QByteArray readFile(const QString &path)
{
    QFile file(path);
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

void Leftovers::collect(const QString &folder, const QStringList &kept)
{
    const QDir dir(folder);
    const QStringList names =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        if (kept.contains(name)) {
            continue;
        }
        const QString path = dir.filePath(name);
        const QByteArray bytes = readFile(path);
        if (bytes.isEmpty() && !bytes.isNull()) {
            ++m_empty;
        } else if (QJsonDocument::fromJson(bytes).isObject()) {
            ++m_whole;
        } else {
            m_others.append(name);
        }
        QFile::remove(path);
    }
}

QString Leftovers::fault(int kills) const
{
#ifdef Q_OS_WIN
    const int emptyAllowed = 1;
#else
    const int emptyAllowed = 0; // a new file is unnamed until it is whole
#endif
    const int wholeAllowed = std::max(1, kills / 40);
    if (m_others.isEmpty() && m_whole <= wholeAllowed && m_empty <= emptyAllowed) {
        return {};
    }
    return u"left behind: "_s + summary() + u"; "_s + m_others.join(u", "_s);
}

QString Leftovers::summary() const
{
    return u"%1 whole new note files, %2 empty files, %3 others"_s.arg(m_whole).arg(m_empty).arg(
        m_others.size());
}

bool showsTodaySince(const QString &displayDate, const QDate &since)
{
    const QDate shown = QDate::fromString(displayDate, u"dd/MM/yyyy"_s);
    return shown.isValid() && shown >= since && shown <= QDate::currentDate();
}

void clickCalendarDay(QWidget *window, const QDate &day)
{
    auto *calendar = window->findChild<QCalendarWidget *>(u"calendarWidget"_s);
    auto *grid = calendar->findChild<QTableView *>(u"qt_calendar_calendarview"_s);
    calendar->setSelectedDate(day);
    const QRect cell = grid->visualRect(grid->currentIndex());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

namespace {
void answerQuestion(const QString &button, int attemptsLeft)
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box) {
        if (attemptsLeft > 0) { // not shown yet
            QTimer::singleShot(10, qApp, [=] { answerQuestion(button, attemptsLeft - 1); });
        }
        return;
    }
    if (button.isEmpty()) {
        QTest::keyClick(box, Qt::Key_Escape);
        return;
    }
    const QList<QAbstractButton *> buttons = box->buttons();
    for (QAbstractButton *candidate : buttons) {
        if (candidate->text() == button) {
            QTest::mouseClick(candidate, Qt::LeftButton);
            return;
        }
    }
}
} // namespace

void answerNextQuestion(const QString &button)
{
    QTimer::singleShot(0, qApp, [button] { answerQuestion(button, 500); });
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
