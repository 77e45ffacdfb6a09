// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Drives one real main window from the command line, for the tests that need a process of their
// own: one run by another user, or one killed in the middle of a save.
//   notes_helper save KEY TEXT   select KEY, type TEXT, press "Zapisz"
//   notes_helper delete KEY      select KEY, empty the editor, press "Zapisz", answer "Tak"
//   notes_helper loop FIRST      save numbered notes from FIRST on, until killed
//   notes_helper days FIRST      save note N under a day of its own, from FIRST on, until killed
//   notes_helper deletes FIRST   delete the notes of those days from FIRST on, until one is missing
//   notes_helper hold PATH       take the lock a change of the note file PATH takes, until killed
//   notes_helper open PATH MS    hold the file PATH open for reading, as a load does, for MS ms
// It prints the log lines as "debug<TAB>text" or "warning<TAB>text", then "status<TAB>message";
// the loops print "saved<TAB>N" once note N is saved and "deleted<TAB>N" once it is deleted;
// hold prints "locked" once it holds the lock, open prints "opened" once the file is open.
#include "localization.h"
#include "loopnote.h"
#include "mainwindow.h"
#include "notefile.h"
#include "support.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <cstdio>
#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif
#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

using namespace Qt::StringLiterals;

namespace {

void print(const QString &kind, const QString &text)
{
    std::printf("%s\t%s\n", qPrintable(kind), text.toUtf8().constData());
    std::fflush(stdout);
}

void say(const char *word)
{
    std::printf("%s\n", word);
    std::fflush(stdout);
}

void press(MainWindow &window, const QString &key, const QString &text)
{
    window.receiveString(key);
    window.findChild<QTextEdit *>(u"textEdit"_s)->setPlainText(text);
    QTest::mouseClick(window.findChild<QPushButton *>(u"pushButton"_s), Qt::LeftButton);
}

// Prints the log lines and the status bar's message.
void report(const TestSupport::LogCapture &log, const MainWindow &window)
{
    for (const TestSupport::LogLine &line : log.lines()) {
        print(line.type == QtWarningMsg ? u"warning"_s : u"debug"_s, line.text);
    }
    print(u"status"_s, window.statusBar()->currentMessage());
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef Q_OS_WIN
    _setmode(_fileno(stdout), _O_BINARY); // lines end in \n, as on POSIX
#endif
#ifdef Q_OS_LINUX
    // A test that dies, as a sanitizer makes it, takes its helpers with it: one left holding the
    // lock would fail the next run in the same folder.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    QApplication app(argc, argv);
    Localization::install(app); // as the program does
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        return 2;
    }
    if (args.at(0) == u"hold"_s) {
        NoteFile file(args.at(1), NoteFile::Access::Update);
        if (file.read() == NoteFile::ReadStatus::LockError) {
            return 1;
        }
        say("locked");
        return app.exec();
    }
    if (args.at(0) == u"open"_s && args.size() == 3) {
        QFile file(args.at(1));
        if (!file.open(QIODevice::ReadOnly)) {
            return 1;
        }
        say("opened");
        QTimer::singleShot(args.at(2).toInt(), &app, &QCoreApplication::quit);
        return app.exec();
    }
    TestSupport::LogCapture log;
    MainWindow window;
    const QString &action = args.at(0);
    // The loops press "Zapisz" for note after note until killed; they end at the first press that
    // does not report the change done.
    const bool deleting = action == u"deletes"_s;
    if (deleting || action == u"loop"_s || action == u"days"_s) {
        const auto key = action == u"loop"_s ? LoopNote::key : LoopNote::ownKey;
        const auto text = action == u"loop"_s ? LoopNote::text : LoopNote::ownText;
        for (int n = args.at(1).toInt();; ++n) {
            log.clear();
            if (deleting) {
                TestSupport::answerNextQuestion(u"Tak"_s);
            }
            press(window, key(n), deleting ? QString() : text(n));
            const QString done = deleting ? u"Usunięto zapis"_s : u"Pomyślnie zapisano"_s;
            if (window.statusBar()->currentMessage() != done) {
                report(log, window);
                return 1;
            }
            print(deleting ? u"deleted"_s : u"saved"_s, QString::number(n));
        }
    }
    log.clear();
    if (action == u"save"_s && args.size() == 3) {
        press(window, args.at(1), args.at(2));
    } else if (action == u"delete"_s) {
        TestSupport::answerNextQuestion(u"Tak"_s);
        press(window, args.at(1), QString());
    } else {
        return 2;
    }
    report(log, window);
    return 0;
}
