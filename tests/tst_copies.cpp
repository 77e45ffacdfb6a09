// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Copies of the program at work on one note file at once: no change lost, the lock, a file held
// open by another process, and one day changed in two windows.
#include "loopnote.h"
#include "mainwindow.h"
#include "support.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using TestSupport::LogCapture;
using TestSupport::noteFileBytes;
using TestSupport::Volume;

namespace {

// A copy of the program in a process of its own, driven by the helper, with what it reported.
struct Copy
{
    QProcess process;
    QList<int> saved;
    QList<int> deleted;
    QStringList said; // what it printed besides, as it ends at a change not done

    // Takes in the lines printed so far; returns how many actions were reported.
    qsizetype reported()
    {
        while (process.canReadLine()) {
            const QString line = QString::fromUtf8(process.readLine()).trimmed();
            const int n = line.section(u'\t', 1).toInt();
            if (line.startsWith(u"saved\t"_s)) {
                saved.append(n);
            } else if (line.startsWith(u"deleted\t"_s)) {
                deleted.append(n);
            } else {
                said.append(line);
            }
        }
        return saved.size() + deleted.size();
    }
    bool isRunning() const { return process.state() != QProcess::NotRunning; }
    void kill()
    {
        process.kill(); // SIGKILL, or TerminateProcess() on Windows: no chance to clean up
        process.waitForFinished();
        reported();
    }
};

QString helperPath()
{
    return QStringLiteral(ZORVENA_NOTES_HELPER);
}

} // namespace

class tst_Copies : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestSupport::removeNoteFile(); }

    void changesAtOnce_data();
    void changesAtOnce();
    void lockHeldByAnotherCopy();
    void fileOpenInAnotherProcess_data();
    void fileOpenInAnotherProcess();
    void sameDayInTwoWindows_data();
    void sameDayInTwoWindows();
};

void tst_Copies::changesAtOnce_data()
{
    QTest::addColumn<QString>("second"); // what the second copy does while the first saves
    QTest::addColumn<bool>("stick"); // as on a USB stick
    QTest::newRow("both save") << u"days"_s << false;
    QTest::newRow("one deletes") << u"deletes"_s << false;
    QTest::newRow("both save, exFAT volume") << u"days"_s << true;
    QTest::newRow("one deletes, exFAT volume") << u"deletes"_s << true;
}

void tst_Copies::changesAtOnce()
{
    QFETCH(QString, second);
    QFETCH(bool, stick);
    const Volume volume = stick ? Volume::Stick : Volume::Ordinary;
    if (TestSupport::folderTemplate(volume).isEmpty()) {
        QSKIP("no exFAT volume is mounted: scripts/stick.sh, which CTest runs first, says why");
    }
    QTemporaryDir folder(TestSupport::folderTemplate(volume));
    const QString helper = folder.filePath(QFileInfo(helperPath()).fileName());
    QVERIFY(QFile::copy(helperPath(), helper));
    const QString notePath = folder.filePath(u"wydarzenia.json"_s);

    // A note from before, and the days the second copy deletes.
    const int firstOfSecond = 50000;
    QJsonObject notes { { u"1999/01/01"_s, u"przedtem"_s } };
    for (int n = firstOfSecond; second == u"deletes"_s && n < firstOfSecond + 1000; ++n) {
        notes.insert(LoopNote::ownKey(n), LoopNote::ownText(n));
    }
    QFile file(notePath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(notes).toJson(QJsonDocument::Compact));
    file.close();
    const QStringList kept { QFileInfo(helper).fileName(), u"wydarzenia.json"_s };

    // Both run until each has reported enough changes to have met the other's many times.
    Copy first;
    Copy other;
    first.process.start(helper, { u"days"_s, u"0"_s });
    other.process.start(helper, { second, QString::number(firstOfSecond) });
    const int enough = 200;
    QTRY_VERIFY_WITH_TIMEOUT((first.reported() >= enough && other.reported() >= enough)
            || !first.isRunning() || !other.isRunning(),
        120000);
    first.kill();
    other.kill();
    QVERIFY2(first.said.isEmpty(), qPrintable(first.said.join(u"; "_s)));
    QVERIFY2(other.said.isEmpty(), qPrintable(other.said.join(u"; "_s)));

    const QJsonObject after = QJsonDocument::fromJson(TestSupport::readFile(notePath)).object();
    int found = 0;
    int gone = 0;
    for (const int n : first.saved + other.saved) {
        found += after.value(LoopNote::ownKey(n)).toString() == LoopNote::ownText(n) ? 1 : 0;
    }
    for (const int n : std::as_const(other.deleted)) {
        gone += after.contains(LoopNote::ownKey(n)) ? 0 : 1;
    }
    // What the two kills left, which the next change would remove.
    TestSupport::Leftovers left;
    left.look(folder.path(), kept, 2, false);
    qInfo("%d saves reported, %d found; %d deletions reported, %d gone; %s",
        int(first.saved.size() + other.saved.size()), found, int(other.deleted.size()), gone,
        qPrintable(left.summary()));
    QCOMPARE(found, first.saved.size() + other.saved.size());
    QCOMPARE(gone, other.deleted.size());
    QCOMPARE(after.value(u"1999/01/01"_s).toString(), u"przedtem"_s);
    QVERIFY2(left.fault(2, volume).isEmpty(), qPrintable(left.fault(2, volume)));
}

void tst_Copies::lockHeldByAnotherCopy()
{
    const QByteArray notes = R"({"2024/05/14":"a"})";
    TestSupport::writeNoteFile(notes);
    Copy holder;
    holder.process.start(helperPath(), { u"hold"_s, TestSupport::noteFilePath() });
    QVERIFY(holder.process.waitForReadyRead(60000));
    QCOMPARE(holder.process.readLine(), QByteArray("locked\n"));
    QCOMPARE(TestSupport::strayFiles(), QStringList()); // the lock is no file

    MainWindow window;
    auto *editor = window.findChild<QTextEdit *>(u"textEdit"_s);
    auto *save = window.findChild<QPushButton *>(u"pushButton"_s);
    const auto status = [&window] { return window.statusBar()->currentMessage(); };
    TestSupport::clickCalendarDay(&window, QDate(2024, 5, 15));
    const QString cause = u"Nie udało się zablokować pliku wydarzenia.json: "
                          "\"inna kopia programu zmienia plik od ponad 2 s\""_s;

    // A copy that holds the lock past the wait: the change gives up and the file stays as it was.
    LogCapture log;
    editor->setPlainText(u"b"_s);
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(status(), u"Nie udało się zapisać"_s);
    QCOMPARE(log.texts(QtWarningMsg), QStringList(cause));
    QCOMPARE(noteFileBytes(), notes);
    QCOMPARE(editor->toPlainText(), u"b"_s);

    TestSupport::answerNextQuestion(u"Nie zapisuj"_s);
    TestSupport::clickCalendarDay(&window, QDate(2024, 5, 14));
    log.clear();
    editor->clear();
    TestSupport::answerNextQuestion(u"Tak"_s);
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(status(), u"Nie udało się usunąć zapisu"_s);
    QCOMPARE(log.texts(QtWarningMsg), QStringList(cause));
    QCOMPARE(noteFileBytes(), notes);
    QCOMPARE(window.findChild<QLabel *>(u"label_3"_s)->text(), u"14/05/2024"_s);

    // Killed while it holds the lock, it leaves nothing that stops the next change.
    holder.kill();
    editor->setPlainText(u"c"_s);
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(status(), u"Pomyślnie zapisano"_s);
    QCOMPARE(noteFileBytes(), QByteArray(R"({"2024/05/14":"c"})"));
    QCOMPARE(TestSupport::strayFiles(), QStringList());
}

void tst_Copies::fileOpenInAnotherProcess_data()
{
    QTest::addColumn<int>("openFor"); // milliseconds
    QTest::addColumn<bool>("saved");
    // Instead of the note file, a temporary file of a save by another writer that does not see
    // the lock (on another computer), still at work.
    QTest::addColumn<bool>("ofAnotherWriter");
#ifdef Q_OS_WIN // POSIX replaces a file that is open, as a reader of the old one keeps it
    QTest::newRow("closed within a second") << 300 << true << false;
    // Windows does not replace a file that another process holds open: after a second of trying
    // again the save gives up, and the file stays as it was.
    QTest::newRow("open longer") << 60000 << false << false;
#endif
    QTest::newRow("another writer's temporary file") << 60000 << true << true;
}

void tst_Copies::fileOpenInAnotherProcess()
{
    QFETCH(int, openFor);
    QFETCH(bool, saved);
    QFETCH(bool, ofAnotherWriter);
    const QByteArray notes = R"({"2024/05/14":"a"})";
    TestSupport::writeNoteFile(notes);
    QString openFile = TestSupport::noteFilePath();
    QStringList strayWhileOpen;
    if (ofAnotherWriter) {
        strayWhileOpen = QStringList(u"wydarzenia.json.zorvena-0123456789ab.tmp"_s);
        openFile += u".zorvena-0123456789ab.tmp"_s;
        QFile file(openFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(notes);
    }
    MainWindow window;
    auto *editor = window.findChild<QTextEdit *>(u"textEdit"_s);
    auto *save = window.findChild<QPushButton *>(u"pushButton"_s);
    TestSupport::clickCalendarDay(&window, QDate(2024, 5, 15));

    // A reader such as a virus scanner, or another copy loading a note.
    Copy reader;
    reader.process.start(helperPath(), { u"open"_s, openFile, QString::number(openFor) });
    QVERIFY(reader.process.waitForReadyRead(60000));
    QCOMPARE(reader.process.readLine(), QByteArray("opened\n"));
    LogCapture log;
    editor->setPlainText(u"b"_s);
    QTest::mouseClick(save, Qt::LeftButton);
    if (saved) {
        QCOMPARE(window.statusBar()->currentMessage(), u"Pomyślnie zapisano"_s);
        QCOMPARE(noteFileBytes(), QByteArray(R"({"2024/05/14":"a","2024/05/15":"b"})"));
    } else {
        QCOMPARE(window.statusBar()->currentMessage(), u"Nie udało się zapisać"_s);
        QCOMPARE(log.texts(QtWarningMsg).size(), 1);
        QVERIFY(log.texts(QtWarningMsg).at(0).startsWith(u"Nie udało się zapisać pliku: "_s));
        QCOMPARE(noteFileBytes(), notes);
        QCOMPARE(editor->toPlainText(), u"b"_s);
    }
#ifndef Q_OS_WIN
    // POSIX removes a file that is open: the other writer's rename then fails and says so.
    strayWhileOpen.clear();
#endif
    QCOMPARE(TestSupport::strayFiles(), strayWhileOpen);

    // Once the reader is gone, saving works again.
    reader.kill();
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(window.statusBar()->currentMessage(), u"Pomyślnie zapisano"_s);
    QCOMPARE(noteFileBytes(), QByteArray(R"({"2024/05/14":"a","2024/05/15":"b"})"));
    QCOMPARE(TestSupport::strayFiles(), QStringList());
}

// Two windows of the program on one note file, both on one day, as two computers sharing a diary
// through a sync tool are: the morning's note is loaded in both; the evening's lines are saved in
// the second; then the first adds its own.
void tst_Copies::sameDayInTwoWindows_data()
{
    QTest::addColumn<QStringList>("answers"); // to each "Notatka zmieniona" in turn
    QTest::addColumn<bool>("savedAgain"); // the second saves once more while the first asks
    QTest::addColumn<QString>("kept"); // the day's note in the end
    const QString morning = u"rano"_s;
    const QString evening = u"rano\nwieczorem"_s;
    const QString night = u"rano\nwieczorem\nnoc"_s;
    const QString mine = u"rano i kawa"_s;
    QTest::newRow("Zachowaj obie")
        << QStringList { u"Zachowaj obie"_s } << false << evening + u"\n\n"_s + mine;
    QTest::newRow("Zastąp") << QStringList { u"Zastąp"_s } << false << mine;
    QTest::newRow("Anuluj") << QStringList { u"Anuluj"_s } << false << evening;
    QTest::newRow("saved again while asked, Zachowaj obie") << QStringList { u"Zachowaj obie"_s,
        u"Zachowaj obie"_s } << true << night + u"\n\n"_s + mine;
    QTest::newRow("saved again while asked, Zastąp")
        << QStringList { u"Zastąp"_s, u"Zastąp"_s } << true << mine;
    QTest::newRow("saved again while asked, then Anuluj")
        << QStringList { u"Zachowaj obie"_s, u"Anuluj"_s } << true << night;
}

void tst_Copies::sameDayInTwoWindows()
{
    QFETCH(QStringList, answers);
    QFETCH(bool, savedAgain);
    QFETCH(QString, kept);
    TestSupport::writeNoteFile(R"({"2024/05/14":"rano"})");
    struct Window
    {
        MainWindow window;
        QTextEdit *editor = window.findChild<QTextEdit *>(u"textEdit"_s);
        QPushButton *save = window.findChild<QPushButton *>(u"pushButton"_s);
        QString status() const { return window.statusBar()->currentMessage(); }
    };
    Window first;
    Window second;
    for (Window *w : { &first, &second }) {
        w->window.show();
        TestSupport::clickCalendarDay(&w->window, QDate(2024, 5, 14));
        QCOMPARE(w->editor->toPlainText(), u"rano"_s);
    }
    second.editor->moveCursor(QTextCursor::End);
    QTest::keyClick(second.editor, Qt::Key_Return);
    QTest::keyClicks(second.editor, u"wieczorem"_s);
    QTest::mouseClick(second.save, Qt::LeftButton);
    QCOMPARE(second.status(), u"Pomyślnie zapisano"_s);

    first.editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(first.editor, u" i kawa"_s);
    int asked = 0;
    std::function<void()> whileAsked = [&] {
        ++asked;
        if (asked == 1 && savedAgain) {
            // No lock is held while the question waits: the second window's save goes through.
            second.editor->moveCursor(QTextCursor::End);
            QTest::keyClick(second.editor, Qt::Key_Return);
            QTest::keyClicks(second.editor, u"noc"_s);
            second.save->click();
        }
        if (asked < answers.size()) {
            TestSupport::answerNextQuestion(answers.value(asked), whileAsked);
        }
    };
    TestSupport::answerNextQuestion(answers.value(0), whileAsked);
    QTest::mouseClick(first.save, Qt::LeftButton);
    QCOMPARE(second.status(), u"Pomyślnie zapisano"_s);
    QCOMPARE(asked, int(answers.size()));
    const QJsonObject notes = QJsonDocument::fromJson(noteFileBytes()).object();
    QCOMPARE(notes.value(u"2024/05/14"_s).toString(), kept);
    const bool cancelled = answers.constLast() == u"Anuluj"_s;
    QCOMPARE(first.status(), cancelled ? u"Nie zapisano"_s : u"Pomyślnie zapisano"_s);
    QCOMPARE(first.editor->toPlainText(), cancelled ? u"rano i kawa"_s : kept);
}

QTEST_MAIN(tst_Copies)
#include "tst_copies.moc"
