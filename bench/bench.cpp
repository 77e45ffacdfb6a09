// Measures start-up and every user action of the real windows on note files of growing size, and
// the bare file work ("floor") each action cannot avoid, timed in the same run. It only measures:
// it never fails.
// scripts/bench.sh builds and runs it:
//   bench [--sizes 0,365,3650,36500] [--repeat 20] [--json FILE]
//   bench --write-notes N FILE    writes the note file of N notes that the benchmark uses
#include "daykey.h"
#include "dialog.h"
#include "localization.h"
#include "mainwindow.h"
#include "support.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#include <psapi.h>
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
QJsonObject readAndParse()
{
    QFile file(TestSupport::noteFilePath());
    file.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(file.readAll()).object();
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

struct Row
{
    QString action;
    Figures measured;
    Figures floor;
};

QList<Row> measure(int count, int repeat)
{
    QFile::remove(TestSupport::noteFilePath());
    const QJsonObject notes = makeNotes(count);
    if (count > 0) {
        writeNotes(TestSupport::noteFilePath(), notes);
    }
    const QString note = notes.value(notes.keys().value(0)).toString() + u" (zmieniona)"_s;
    std::map<QString, std::vector<double>> times;
    std::map<QString, std::vector<double>> floors;

    for (int i = 0; i < repeat; ++i) {
        MainWindow *window = nullptr;
        times[u"start"_s].push_back(millisecondsOf([&] {
            window = new MainWindow;
            FirstPaint first(window);
            window->show();
            first.wait();
        }));
        floors[u"start"_s].push_back(millisecondsOf([] { readAndParse(); }));
        delete window;
    }

    MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the main window was never shown\n");
    }
    const QDate today = QDate::currentDate();
    auto *editor = window.findChild<QTextEdit *>(u"textEdit"_s);
    auto *save = window.findChild<QPushButton *>(u"pushButton"_s);
    for (int i = 0; i < repeat; ++i) {
        const QDate day = today.addDays(-(i % 28));
        times[u"click"_s].push_back(
            millisecondsOf([&] { TestSupport::clickCalendarDay(&window, day); }));
        floors[u"click"_s].push_back(millisecondsOf([] { readAndParse(); }));

        editor->setPlainText(note);
        times[u"save"_s].push_back(
            millisecondsOf([&] { QTest::mouseClick(save, Qt::LeftButton); }));
        floors[u"save"_s].push_back(millisecondsOf([&] {
            QJsonObject object = readAndParse();
            object.insert(DayKey::fromDate(day), note);
            replaceAtomically(
                QJsonDocument(object).toJson(QJsonDocument::Compact), QIODevice::WriteOnly);
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

        auto *open = window.findChild<QPushButton *>(u"pushButton_3"_s);
        times[u"list"_s].push_back(millisecondsOf([&] {
            QTest::mouseClick(open, Qt::LeftButton);
            auto *dialog = window.findChildren<Dialog *>().constLast();
            FirstPaint first(dialog);
            first.wait();
        }));
        floors[u"list"_s].push_back(millisecondsOf([] { readAndParse(); }));
        qDeleteAll(window.findChildren<Dialog *>());
    }

    QList<Row> rows;
    for (const QString &action : { u"start"_s, u"click"_s, u"save"_s, u"delete"_s, u"list"_s }) {
        rows.append({ action, summarise(times[action]), summarise(floors[action]) });
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
    parser.addOption({ u"write-notes"_s, u"Only write a note file of N notes."_s, u"n"_s });
    parser.addPositionalArgument(u"file"_s, u"With --write-notes: the note file."_s);
    parser.process(app);
    Localization::install(app); // as the program does

    if (parser.isSet(u"write-notes"_s)) {
        const QString file = parser.positionalArguments().value(0);
        return writeNotes(file, makeNotes(parser.value(u"write-notes"_s).toInt())) ? 0 : 1;
    }

    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QJsonArray results;
    std::printf("%7s  %-7s %9s %9s %9s %9s %7s\n", "notes", "action", "min ms", "median", "max",
        "floor", "ratio");
    const QStringList sizes = parser.value(u"sizes"_s).split(u',');
    for (const QString &size : sizes) {
        const int count = size.toInt();
        const int repeat = count >= 36500 ? std::min(5, parser.value(u"repeat"_s).toInt())
                                          : parser.value(u"repeat"_s).toInt();
        QJsonObject actions;
        for (const Row &row : measure(count, repeat)) {
            const double ratio = row.measured.median / row.floor.median;
            std::printf("%7d  %-7s %9.2f %9.2f %9.2f %9.2f %7.2f\n", count, qPrintable(row.action),
                row.measured.min, row.measured.median, row.measured.max, row.floor.median, ratio);
            actions.insert(row.action,
                QJsonObject { { u"min"_s, row.measured.min }, { u"median"_s, row.measured.median },
                    { u"max"_s, row.measured.max }, { u"floor_median"_s, row.floor.median },
                    { u"ratio"_s, ratio } });
        }
        std::printf("%7d  peak resident memory so far: %.1f MB\n", count, peakResidentMegabytes());
        std::fflush(stdout);
        results.append(QJsonObject { { u"notes"_s, count }, { u"repeat"_s, repeat },
            { u"actions"_s, actions }, { u"peak_resident_mb"_s, peakResidentMegabytes() } });
    }
    QFile::remove(TestSupport::noteFilePath());

    const QString jsonPath = parser.isSet(u"json"_s)
        ? parser.value(u"json"_s)
        : QCoreApplication::applicationDirPath() + u"/bench.json"_s;
    QFile json(jsonPath);
    const QByteArray bytes = QJsonDocument(QJsonObject { { u"results"_s, results } }).toJson();
    if (json.open(QIODevice::WriteOnly) && json.write(bytes) == bytes.size()) {
        std::printf("figures written to %s\n", qPrintable(QDir::toNativeSeparators(jsonPath)));
    } else {
        std::printf("could not write %s\n", qPrintable(QDir::toNativeSeparators(jsonPath)));
    }
    return 0;
}
