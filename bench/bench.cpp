// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Measures start-up and every user action of the real windows on note files of growing size, and,
// timed in the same run, the bare file work of each action with a parse of the file ("floor") and
// what no action can avoid, with the file read afresh every time ("bare"): opening, reading and
// closing it, and for a change the write, flush and replace. It only measures: it never fails.
// scripts/bench.sh builds and runs it:
//   bench [--sizes 0,365,3650,36500] [--repeat 20] [--json FILE]
//   bench --long-session 1000 [--sizes 3650]   a long session instead: each action repeated that
//                                many times, with what the process holds after the 10th and after
//                                the last repetition
//   bench --screen-reader ...     either, with a screen reader listening
//   bench --write-notes N FILE    writes the note file of N notes that the benchmark uses
#include "daykey.h"
#include "dialog.h"
#include "localization.h"
#include "mainwindow.h"
#include "notesearch.h"
#include "searchdialog.h"
#include "support.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#ifdef Q_OS_WIN
// psapi.h needs windows.h first.
// clang-format off
#include <io.h>
#include <windows.h>
#include <psapi.h>
// clang-format on
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

const QStringList words { u"spotkanie"_s, u"zakupy"_s, u"gęś"_s, u"źdźbło"_s, u"żółw"_s, u"łąka"_s,
    u"ćma"_s, u"pociąg"_s, u"lekarz"_s, u"rodzina"_s, u"\"cytat\""_s, u"środa"_s, u"jutro"_s,
    u"praca"_s, u"Zażółć"_s, u"jaźń"_s, u"o 10:30"_s, u"książka"_s, u"ogród"_s, u"deszcz"_s };

// Notes for consecutive days ending today, each 50 to 2000 characters of Polish words, line
// breaks and a few quotes; the same seed always gives the same notes.
QJsonObject makeNotes(int count)
{
    QRandomGenerator random(20261207u + quint32(count));
    QJsonObject notes;
    const QDate today = QDate::currentDate();
    for (int i = 0; i < count; ++i) {
        // Most notes are short and a few are long: about 600 characters on average.
        const int length = 50 + int(1950 * std::pow(random.generateDouble(), 2.5));
        QString text;
        while (text.size() < length) {
            text += words.at(random.bounded(int(words.size())));
            text += random.bounded(12) == 0 ? u'\n' : u' ';
        }
        text.truncate(length);
        notes.insert(DayKey::fromDate(today.addDays(i - count + 1)), text);
    }
    return notes;
}

bool writeNotes(const QString &path, const QJsonObject &notes)
{
    QFile file(path);
    const QByteArray bytes = QJsonDocument(notes).toJson(QJsonDocument::Compact);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The bare file work of the actions, without windows, logs or checks beyond the necessary.
QByteArray readBytes()
{
    QFile file(TestSupport::noteFilePath());
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QJsonObject readAndParse()
{
    return QJsonDocument::fromJson(readBytes()).object();
}

void replaceAtomically(const QByteArray &bytes, QIODevice::OpenMode mode)
{
    QSaveFile file(TestSupport::noteFilePath());
    file.open(mode);
    file.write(bytes);
    file.flush();
#ifdef Q_OS_WIN
    // Windows has no folder to sync: the rename is on the disk with the file system's journal.
    FlushFileBuffers(HANDLE(_get_osfhandle(file.handle())));
    file.commit();
#else
    ::fdatasync(file.handle());
    file.commit();
    const int folder = ::open(QFile::encodeName(QCoreApplication::applicationDirPath()).constData(),
        O_RDONLY | O_DIRECTORY);
    ::fsync(folder);
    ::close(folder);
#endif
}

struct Figures
{
    double min = 0;
    double median = 0;
    double max = 0;
};

Figures summarise(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    const double median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    return { samples.front(), median, samples.back() };
}

double millisecondsOf(const std::function<void()> &action)
{
    QElapsedTimer clock;
    clock.start();
    action();
    return double(clock.nsecsElapsed()) / 1e6;
}

// Runs the event loop until the widget has painted its first frame.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(QWidget *widget) { widget->installEventFilter(this); }
    void wait()
    {
        if (!m_painted) {
            QTimer::singleShot(5000, &m_loop, &QEventLoop::quit);
            m_loop.exec();
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_painted) {
            m_painted = true;
            watched->removeEventFilter(this);
            QTimer::singleShot(0, &m_loop, &QEventLoop::quit); // once this paint is done
        }
        return false;
    }

private:
    bool m_painted = false;
    QEventLoop m_loop;
};

// The search window of the main window, opened with Ctrl+F as a user does; the pause that it waits
// for after typing is no part of a search's cost, so it is none here.
SearchDialog *openSearch(MainWindow &window)
{
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) {
        std::fprintf(stderr, "the main window never became active\n");
    }
    QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
    auto *search = window.findChild<SearchDialog *>();
    if (!search) {
        std::fprintf(stderr, "Ctrl+F opened no search window\n");
        std::exit(1);
    }
    search->findChild<QTimer *>(u"typingPause"_s)->setInterval(0);
    return search;
}

// Types the query into the search window and waits for its results.
void typeQuery(SearchDialog *search, const QString &query)
{
    auto *list = search->findChild<QListWidget *>(u"resultList"_s);
    QSignalSpy refreshed(list->model(), &QAbstractItemModel::modelReset);
    search->findChild<QLineEdit *>(u"searchField"_s)->setText(query);
    refreshed.wait(60000);
}

// Two queries in turns, so that each is typed anew: words of the notes, one typed without Polish
// letters.
QString queryOf(int i)
{
    return i % 2 ? u"zolw laka"_s : u"lekarz deszcz"_s;
}

void pressSave(MainWindow &window, const QString &text)
{
    window.findChild<QTextEdit *>(u"textEdit"_s)->setPlainText(text);
    QTest::mouseClick(window.findChild<QPushButton *>(u"pushButton"_s), Qt::LeftButton);
}

double peakResidentMegabytes()
{
#ifdef Q_OS_WIN
    PROCESS_MEMORY_COUNTERS counters {};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return double(counters.PeakWorkingSetSize) / (1024 * 1024);
#else
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024;
#endif
}

// Writes the note file of count notes (none at all for 0); returns a changed text of one of them,
// for the saves to write.
QString prepareNotes(int count)
{
    QFile::remove(TestSupport::noteFilePath());
    const QJsonObject notes = makeNotes(count);
    if (count > 0) {
        writeNotes(TestSupport::noteFilePath(), notes);
    }
    return notes.value(notes.keys().value(0)).toString() + u" (zmieniona)"_s;
}

void showWindow(MainWindow &window)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the main window was never shown\n");
    }
}

// What the process holds now: resident memory, open files (handles on Windows, with its GDI and
// USER objects, as far as the system reports them).
struct Holdings
{
    double residentMb = 0;
    int files = 0;
    int gdi = 0;
    int user = 0;
    qsizetype children = 0; // the main window's child objects
};

Holdings holdings(const QWidget &window)
{
    Holdings now;
    now.children = window.findChildren<QObject *>().size();
#ifdef Q_OS_WIN
    PROCESS_MEMORY_COUNTERS counters {};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    now.residentMb = double(counters.WorkingSetSize) / (1024 * 1024);
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    now.files = int(handles);
    now.gdi = int(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    now.user = int(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
#else
    QFile statm(u"/proc/self/statm"_s);
    if (statm.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> pages = statm.readAll().split(' ');
        now.residentMb =
            pages.value(1).toDouble() * double(::sysconf(_SC_PAGESIZE)) / (1024 * 1024);
    }
    now.files = int(QDir(u"/proc/self/fd"_s)
                        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
                        .size());
#endif
    return now;
}

QJsonObject toJson(const Holdings &held)
{
    return { { u"resident_mb"_s, held.residentMb }, { u"files_or_handles"_s, held.files },
        { u"gdi"_s, held.gdi }, { u"user"_s, held.user }, { u"children"_s, int(held.children) } };
}

// A window left open for weeks: each action repeated many times on one window, with what the
// process holds after the 10th repetition and after the last. What an action holds for good
// shows as the difference.
QJsonArray session(int count, int repeat)
{
    const QString note = prepareNotes(count);
    MainWindow window;
    showWindow(window);
    const QDate today = QDate::currentDate();
    auto *editor = window.findChild<QTextEdit *>(u"textEdit"_s);
    auto *save = window.findChild<QPushButton *>(u"pushButton"_s);
    auto *open = window.findChild<QPushButton *>(u"pushButton_3"_s);
    auto *calendar = window.findChild<QCalendarWidget *>(u"calendarWidget"_s);
    auto *grid = calendar->findChild<QTableView *>(u"qt_calendar_calendarview"_s);
    auto *timer = window.findChild<QTimer *>(QString(), Qt::FindDirectChildrenOnly);
    const auto dayOf = [today](int i) { return today.addDays(-(i % 28)); };
    SearchDialog *search = nullptr; // opened by the first search, with this session's window
    // Types into the editor of another day than today's, and asks for today: the question comes.
    const auto leaveTyped = [&](int i, const QString &answer) {
        TestSupport::clickCalendarDay(&window, today.addDays(-1));
        editor->setPlainText(note + QString::number(i)); // never what the last save left
        TestSupport::answerNextQuestion(answer);
        TestSupport::clickCalendarDay(&window, today);
    };

    const std::vector<std::pair<QString, std::function<void(int)>>> actions {
        { u"click"_s, [&](int i) { TestSupport::clickCalendarDay(&window, dayOf(i)); } },
        { u"return"_s,
            [&](int i) {
                calendar->setSelectedDate(dayOf(i));
                QTest::keyClick(grid, Qt::Key_Return);
            } },
        { u"save"_s,
            [&](int) {
                editor->setPlainText(note);
                QTest::mouseClick(save, Qt::LeftButton);
            } },
        { u"delete Tak"_s,
            [&](int) {
                editor->clear();
                TestSupport::answerNextQuestion(u"Tak"_s);
                QTest::mouseClick(save, Qt::LeftButton);
                pressSave(window, note); // today's note comes back
            } },
        { u"delete Nie"_s,
            [&](int) {
                editor->clear();
                TestSupport::answerNextQuestion(u"Nie"_s);
                QTest::mouseClick(save, Qt::LeftButton);
            } },
        { u"unsaved Zapisz"_s, [&](int i) { leaveTyped(i, u"Zapisz"_s); } },
        { u"unsaved Nie zapisuj"_s, [&](int i) { leaveTyped(i, u"Nie zapisuj"_s); } },
        { u"unsaved Anuluj"_s,
            [&](int i) {
                leaveTyped(i, {}); // Escape: the editor keeps the text, and the day
                editor->clear();
            } },
        { u"list"_s,
            [&](int) {
                QTest::mouseClick(open, Qt::LeftButton);
                Dialog *dialog = window.findChildren<Dialog *>().constLast();
                FirstPaint first(dialog);
                first.wait();
                dialog->close();
                // What the event loop does next: a list deleted on close goes now.
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            } },
        { u"search"_s,
            [&](int i) {
                if (!search) {
                    search = openSearch(window);
                }
                typeQuery(search, queryOf(i));
            } },
        { u"tick"_s,
            [&](int) {
                QSignalSpy ticked(timer, &QTimer::timeout);
                ticked.wait(1000);
            } },
    };

    QJsonArray rows;
    for (const auto &[name, action] : actions) {
        if (name == u"tick"_s) {
            timer->setInterval(1); // the clock's work, without waiting a second for each
        }
        Holdings atTen;
        for (int i = 0; i < repeat; ++i) {
            action(i);
            TestSupport::ScreenReader::heard.clear(); // what a screen reader said is gone
            if (i + 1 == std::min(10, repeat)) {
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                atTen = holdings(window);
            }
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const Holdings atEnd = holdings(window);
        timer->setInterval(1000);
        std::printf("%7d  %-20s %9.1f %9.1f %+7.1f %6d %6d %6d %6d %6d %6d %6lld %6lld\n", count,
            qPrintable(name), atTen.residentMb, atEnd.residentMb,
            atEnd.residentMb - atTen.residentMb, atTen.files, atEnd.files, atTen.gdi, atEnd.gdi,
            atTen.user, atEnd.user, qlonglong(atTen.children), qlonglong(atEnd.children));
        std::fflush(stdout);
        rows.append(
            QJsonObject { { u"notes"_s, count }, { u"action"_s, name }, { u"repeat"_s, repeat },
                { u"after_10"_s, toJson(atTen) }, { u"after_all"_s, toJson(atEnd) } });
    }
    return rows;
}

bool writeJson(const QString &path, const QJsonObject &figures)
{
    QFile json(path);
    const QByteArray bytes = QJsonDocument(figures).toJson();
    if (json.open(QIODevice::WriteOnly) && json.write(bytes) == bytes.size()) {
        std::printf("figures written to %s\n", qPrintable(QDir::toNativeSeparators(path)));
        return true;
    }
    std::printf("could not write %s\n", qPrintable(QDir::toNativeSeparators(path)));
    return false;
}

struct Row
{
    QString action;
    Figures measured;
    Figures floor;
    Figures bare;
};

QList<Row> measure(int count, int repeat)
{
    const QString note = prepareNotes(count);
    std::map<QString, std::vector<double>> times;
    std::map<QString, std::vector<double>> floors;
    std::map<QString, std::vector<double>> bares;

    for (int i = 0; i < repeat; ++i) {
        MainWindow *window = nullptr;
        times[u"start"_s].push_back(millisecondsOf([&] {
            window = new MainWindow;
            FirstPaint first(window);
            window->show();
            first.wait();
        }));
        floors[u"start"_s].push_back(millisecondsOf([] { readAndParse(); }));
        bares[u"start"_s].push_back(millisecondsOf([] { readBytes(); }));
        delete window;
    }

    MainWindow window;
    showWindow(window);
    const QDate today = QDate::currentDate();
    auto *editor = window.findChild<QTextEdit *>(u"textEdit"_s);
    auto *save = window.findChild<QPushButton *>(u"pushButton"_s);
    for (int i = 0; i < repeat; ++i) {
        const QDate day = today.addDays(-(i % 28));
        times[u"click"_s].push_back(
            millisecondsOf([&] { TestSupport::clickCalendarDay(&window, day); }));
        floors[u"click"_s].push_back(millisecondsOf([] { readAndParse(); }));
        bares[u"click"_s].push_back(millisecondsOf([] { readBytes(); }));

        // The same after the file changed elsewhere: one note's last letter, as another copy may
        // change it, and back, so that the file keeps its size.
        const QJsonObject before = readAndParse();
        const QString changedKey = DayKey::fromDate(today.addDays(-(i % 28) - 1));
        if (before.contains(changedKey)) {
            QJsonObject changed = before;
            QString text = changed.value(changedKey).toString();
            text.back() = text.back() == u'x' ? u'y' : u'x';
            changed.insert(changedKey, text);
            writeNotes(TestSupport::noteFilePath(), changed);
        }
        times[u"changed"_s].push_back(
            millisecondsOf([&] { TestSupport::clickCalendarDay(&window, day.addDays(-1)); }));
        floors[u"changed"_s].push_back(millisecondsOf([] { readAndParse(); }));
        bares[u"changed"_s].push_back(millisecondsOf([] { readBytes(); }));
        TestSupport::clickCalendarDay(&window, day);

        editor->setPlainText(note);
        times[u"save"_s].push_back(
            millisecondsOf([&] { QTest::mouseClick(save, Qt::LeftButton); }));
        floors[u"save"_s].push_back(millisecondsOf([&] {
            QJsonObject object = readAndParse();
            object.insert(DayKey::fromDate(day), note);
            replaceAtomically(
                QJsonDocument(object).toJson(QJsonDocument::Compact), QIODevice::WriteOnly);
        }));
        QJsonObject parsed = readAndParse();
        bares[u"save"_s].push_back(millisecondsOf([&] {
            readBytes();
            parsed.insert(DayKey::fromDate(day), note);
            replaceAtomically(
                QJsonDocument(parsed).toJson(QJsonDocument::Compact), QIODevice::WriteOnly);
        }));

        editor->clear();
        TestSupport::answerNextQuestion(u"Tak"_s);
        times[u"delete"_s].push_back(
            millisecondsOf([&] { QTest::mouseClick(save, Qt::LeftButton); }));
        TestSupport::clickCalendarDay(&window, day);
        pressSave(window, note); // the deleted note comes back
        floors[u"delete"_s].push_back(millisecondsOf([&] {
            readAndParse(); // key test
            QJsonObject object = readAndParse();
            object.remove(DayKey::fromDate(day));
            replaceAtomically(QJsonDocument(object).toJson(QJsonDocument::Indented),
                QIODevice::WriteOnly | QIODevice::Text);
            readAndParse(); // today's note, reloaded
        }));
        pressSave(window, note); // and the file is as before
        parsed = readAndParse();
        bares[u"delete"_s].push_back(millisecondsOf([&] {
            readBytes();
            readBytes();
            parsed.remove(DayKey::fromDate(day));
            replaceAtomically(QJsonDocument(parsed).toJson(QJsonDocument::Indented),
                QIODevice::WriteOnly | QIODevice::Text);
            readBytes();
        }));
        pressSave(window, note);

        // The key test alone: "Zapisz" on an empty editor, on a day without a note.
        TestSupport::clickCalendarDay(&window, today.addDays(1));
        times[u"key test"_s].push_back(
            millisecondsOf([&] { QTest::mouseClick(save, Qt::LeftButton); }));
        floors[u"key test"_s].push_back(millisecondsOf([] { readAndParse(); }));
        bares[u"key test"_s].push_back(millisecondsOf([] { readBytes(); }));

        auto *open = window.findChild<QPushButton *>(u"pushButton_3"_s);
        times[u"list"_s].push_back(millisecondsOf([&] {
            QTest::mouseClick(open, Qt::LeftButton);
            auto *dialog = window.findChildren<Dialog *>().constLast();
            FirstPaint first(dialog);
            first.wait();
        }));
        floors[u"list"_s].push_back(millisecondsOf([] {
            readAndParse(); // the list
            readAndParse(); // its first row's day, loaded
        }));
        bares[u"list"_s].push_back(millisecondsOf([] {
            readBytes();
            readBytes();
        }));
        qDeleteAll(window.findChildren<Dialog *>());

        SearchDialog *search = openSearch(window);
        times[u"search"_s].push_back(millisecondsOf([&] { typeQuery(search, queryOf(i)); }));
        floors[u"search"_s].push_back(
            millisecondsOf([&] { NoteSearch::find(readAndParse(), queryOf(i)); }));
        bares[u"search"_s].push_back(millisecondsOf([] { readBytes(); }));
        delete search;
    }

    QList<Row> rows;
    for (const QString &action : { u"start"_s, u"click"_s, u"changed"_s, u"key test"_s, u"save"_s,
             u"delete"_s, u"list"_s, u"search"_s }) {
        rows.append({ action, summarise(times[action]), summarise(floors[action]),
            summarise(bares[action]) });
    }
    return rows;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption(
        { u"sizes"_s, u"Note counts to measure."_s, u"list"_s, u"0,365,3650,36500"_s });
    parser.addOption({ u"repeat"_s, u"Repetitions per action (at least 5 at 36 500 notes)."_s,
        u"n"_s, u"20"_s });
    parser.addOption({ u"json"_s,
        u"Where to write the figures (default: bench.json beside the benchmark)."_s, u"file"_s });
    parser.addOption({ u"long-session"_s,
        u"A long session instead: every action repeated N times on one window (at 3 650 notes "
        "unless --sizes says)."_s,
        u"n"_s });
    parser.addOption({ u"screen-reader"_s, u"With a screen reader listening."_s });
    parser.addOption({ u"write-notes"_s, u"Only write a note file of N notes."_s, u"n"_s });
    parser.addPositionalArgument(u"file"_s, u"With --write-notes: the note file."_s);
    parser.process(app);
    Localization::install(app); // as the program does

    if (parser.isSet(u"write-notes"_s)) {
        const QString file = parser.positionalArguments().value(0);
        return writeNotes(file, makeNotes(parser.value(u"write-notes"_s).toInt())) ? 0 : 1;
    }

    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const QString jsonPath = parser.isSet(u"json"_s)
        ? parser.value(u"json"_s)
        : QCoreApplication::applicationDirPath() + u"/bench.json"_s;
    std::optional<TestSupport::ScreenReader> reader;
    if (parser.isSet(u"screen-reader"_s)) {
        reader.emplace();
        std::printf("With a screen reader listening\n");
    }
    QJsonArray results;
    if (parser.isSet(u"long-session"_s)) {
        const int repeat = parser.value(u"long-session"_s).toInt();
        const QString sizes = parser.isSet(u"sizes"_s) ? parser.value(u"sizes"_s) : u"3650"_s;
        std::printf("Each action %d times; after the 10th and after the last: resident MB, then "
                    "open files (handles on Windows), GDI and USER objects, the main window's "
                    "child objects\n",
            repeat);
        std::printf("%7s  %-20s %9s %9s %7s %6s %6s %6s %6s %6s %6s %6s %6s\n", "notes", "action",
            "MB 10", "MB all", "grown", "files", "(all)", "GDI", "(all)", "USER", "(all)", "kids",
            "(all)");
        for (const QString &size : sizes.split(u',')) {
            for (const QJsonValue row : session(size.toInt(), repeat)) {
                results.append(row);
            }
        }
        QFile::remove(TestSupport::noteFilePath());
        return writeJson(jsonPath,
                   QJsonObject {
                       { u"session"_s, results }, { u"screen_reader"_s, reader.has_value() } })
            ? 0
            : 1;
    }
    // "changed": a day clicked right after another copy changed the file.
    std::printf("%7s  %-8s %9s %9s %9s %9s %7s %9s %7s\n", "notes", "action", "min ms", "median",
        "max", "floor", "ratio", "bare", "x bare");
    const QStringList sizes = parser.value(u"sizes"_s).split(u',');
    for (const QString &size : sizes) {
        const int count = size.toInt();
        const int repeat = count >= 36500 ? std::min(5, parser.value(u"repeat"_s).toInt())
                                          : parser.value(u"repeat"_s).toInt();
        QJsonObject actions;
        for (const Row &row : measure(count, repeat)) {
            const double ratio = row.measured.median / row.floor.median;
            const double bareRatio = row.measured.median / row.bare.median;
            std::printf("%7d  %-8s %9.2f %9.2f %9.2f %9.2f %7.2f %9.2f %7.2f\n", count,
                qPrintable(row.action), row.measured.min, row.measured.median, row.measured.max,
                row.floor.median, ratio, row.bare.median, bareRatio);
            actions.insert(row.action,
                QJsonObject { { u"min"_s, row.measured.min }, { u"median"_s, row.measured.median },
                    { u"max"_s, row.measured.max }, { u"floor_median"_s, row.floor.median },
                    { u"ratio"_s, ratio }, { u"bare_median"_s, row.bare.median },
                    { u"bare_ratio"_s, bareRatio } });
        }
        std::printf("%7d  peak resident memory so far: %.1f MB\n", count, peakResidentMegabytes());
        std::fflush(stdout);
        results.append(QJsonObject { { u"notes"_s, count }, { u"repeat"_s, repeat },
            { u"actions"_s, actions }, { u"peak_resident_mb"_s, peakResidentMegabytes() } });
    }
    QFile::remove(TestSupport::noteFilePath());
    writeJson(jsonPath,
        QJsonObject { { u"results"_s, results }, { u"screen_reader"_s, reader.has_value() } });
    return 0;
}
