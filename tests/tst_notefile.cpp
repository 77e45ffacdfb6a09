// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// NoteFile alone, in a folder of its own: what each kind of file reads as, the atomic replace and
// what a failed one leaves, leftovers swept, symbolic links followed, the lock, the kept parse.
#include "notefile.h"
#include "support.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <memory>
#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;
using TestSupport::readFile;
using S = NoteFile::ReadStatus;
using Option = NoteFile::ReadOption;

namespace {
void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The note "a" as a read finds it, or the read's status where it finds no notes.
QString noteOf(const QString &path)
{
    NoteFile file(path);
    const S status = file.read();
    return status == S::NoError ? file.notes().value(u"a"_s).toString()
                                : u"status %1"_s.arg(int(status));
}

// A change as the window makes one: the notes read under the lock, "a" set, the notes written.
NoteFile::WriteStatus change(const QString &path, const QString &note,
    NoteFile::Layout layout = NoteFile::Layout::Compact, QString *error = nullptr)
{
    NoteFile file(path, NoteFile::Access::Update);
    file.read();
    QJsonObject notes = file.takeNotes();
    notes.insert(u"a"_s, note);
    const NoteFile::WriteStatus status = file.write(notes, layout);
    if (error) {
        *error = file.errorString();
    }
    return status;
}

// A read in another thread, as of another copy of the program: a thread that owns a Windows mutex
// takes it again.
S readElsewhere(const QString &path, QString *error = nullptr)
{
    S status {};
    std::unique_ptr<QThread> thread(QThread::create([&] {
        NoteFile file(path, NoteFile::Access::Update);
        status = file.read();
        if (error) {
            *error = file.errorString();
        }
    }));
    thread->start();
    thread->wait();
    return status;
}
} // namespace

class tst_NoteFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void readOutcomes_data();
    void readOutcomes();
    void replace_data();
    void replace();
    void failedReplace();
    void leftoversSwept_data();
    void leftoversSwept();
    void lockBetweenInstances();
    void keptParse();

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_path; // wydarzenia.json in it
    QStringList files() const
    {
        return QDir(m_folder->path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
};

void tst_NoteFile::init()
{
    m_folder = std::make_unique<QTemporaryDir>(TestSupport::folderTemplate());
    QVERIFY(m_folder->isValid());
    m_path = m_folder->filePath(u"wydarzenia.json"_s);
}

void tst_NoteFile::readOutcomes_data()
{
    QTest::addColumn<QByteArray>("bytes"); // null: none, or what the row's name says is there
    QTest::addColumn<NoteFile::ReadOptions>("options");
    QTest::addColumn<S>("status");
    QTest::addColumn<QString>("found"); // the note of "a", or "-" where the file had no content

    const NoteFile::ReadOptions plain, text(Option::TextMode), writable(Option::Writable);
    const QString none = u"-"_s;
    QTest::newRow("missing") << QByteArray() << plain << S::OpenError << none;
    QTest::newRow("missing, writable") << QByteArray() << writable << S::ParseError << none;
    QTest::newRow("empty") << QByteArray("") << plain << S::ParseError << none;
    QTest::newRow("CRs") << QByteArray("\r\r") << plain << S::ParseError << QString();
    QTest::newRow("CRs, text mode") << QByteArray("\r\r") << text << S::ParseError << none;
    QTest::newRow("not parsing") << QByteArray("{\"a\":") << plain << S::ParseError << QString();
    QTest::newRow("array") << QByteArray("[]") << plain << S::NotAnObject << QString();
    QTest::newRow("object") << QByteArray("{\"a\":\r\n\"b\"}") << plain << S::NoError << u"b"_s;
    const QByteArray carriageReturn = "{\"a\":\"x\ry\"}";
    QTest::newRow("CR in a note") << carriageReturn << plain << S::NoError << u"x\ry"_s;
    QTest::newRow("CR in a note, text mode") << carriageReturn << text << S::NoError << u"xy"_s;
    QTest::newRow("folder") << QByteArray() << plain << S::OpenError << QString();
#ifdef Q_OS_UNIX // Windows has no FIFOs in its folders, and QFile::link() makes a shortcut there
    QTest::newRow("FIFO") << QByteArray() << plain << S::OpenError << QString();
    QTest::newRow("dangling symbolic link") << QByteArray() << plain << S::OpenError << QString();
    QTest::newRow("symbolic link to /dev/zero")
        << QByteArray() << plain << S::OpenError << QString();
#endif
}

void tst_NoteFile::readOutcomes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(NoteFile::ReadOptions, options);
    QFETCH(S, status);
    QFETCH(QString, found);
    const QLatin1StringView kind(QTest::currentDataTag());
    if (!bytes.isNull()) {
        put(m_path, bytes);
    } else if (kind == "folder"_L1) {
        QVERIFY(QDir().mkdir(m_path));
#ifdef Q_OS_UNIX
    } else if (kind == "FIFO"_L1) {
        QCOMPARE(::mkfifo(QFile::encodeName(m_path).constData(), 0644), 0);
    } else if (kind == "dangling symbolic link"_L1) {
        QVERIFY(QFile::link(m_path + u".nowhere"_s, m_path));
    } else if (kind == "symbolic link to /dev/zero"_L1) {
        QVERIFY(QFile::link(u"/dev/zero"_s, m_path));
#endif
    }

    NoteFile file(m_path);
    QCOMPARE(file.read(options), status);
    QCOMPARE(file.hadNoContent() ? u"-"_s : file.notes().value(u"a"_s).toString(), found);
    QCOMPARE(file.parseErrorString() == QJsonParseError().errorString(), status != S::ParseError);
    // A read changes nothing, but that a writable one creates a missing file.
    const bool created = kind == "missing, writable"_L1;
    QCOMPARE(readFile(m_path), created ? QByteArray("") : bytes);
}

void tst_NoteFile::replace_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::addColumn<NoteFile::Layout>("layout");
    QTest::addColumn<QByteArray>("after");
    // The note file is a chain of two symbolic links to a file in another folder.
    QTest::addColumn<bool>("linked");

    const QByteArray old = R"({"a":"old","c":"d"})";
    const QByteArray compact = R"({"a":"b","c":"d"})";
    QTest::newRow("compact") << old << NoteFile::Layout::Compact << compact << false;
    QTest::newRow("indented") << old << NoteFile::Layout::Indented
                              << TestSupport::textFileBytes(
                                     "{\n    \"a\": \"b\",\n    \"c\": \"d\"\n}\n")
                              << false;
    QTest::newRow("no file before")
        << QByteArray() << NoteFile::Layout::Compact << QByteArray(R"({"a":"b"})") << false;
#ifdef Q_OS_UNIX // QFile::link() makes a shortcut on Windows, which opening a file does not follow
    QTest::newRow("through symbolic links") << old << NoteFile::Layout::Compact << compact << true;
#endif
}

// The new file takes the old one's place whole: a reader that had the old one open reads it to
// its end, and the old file's modes stay. Symbolic links are written through and stay links.
void tst_NoteFile::replace()
{
    QFETCH(QByteArray, before);
    QFETCH(NoteFile::Layout, layout);
    QFETCH(QByteArray, after);
    QFETCH(bool, linked);
    QTemporaryDir elsewhere;
    const QString target = linked ? elsewhere.filePath(u"notes.json"_s) : m_path;
    if (linked) {
        QVERIFY(QFile::link(target, m_path + u".link"_s));
        QVERIFY(QFile::link(m_path + u".link"_s, m_path));
    }
    QFile old(target);
    if (!before.isNull()) {
        put(target, before);
        QVERIFY(old.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
#ifdef Q_OS_UNIX // Windows cannot replace a file that is open without delete sharing
        QVERIFY(old.open(QIODevice::ReadOnly));
#endif
    }
    const QFile::Permissions modes = QFile::permissions(target);

    QCOMPARE(change(m_path, u"b"_s, layout), NoteFile::WriteStatus::NoError);
    QCOMPARE(readFile(target), after);
    if (old.isOpen()) {
        QCOMPARE(old.readAll(), before);
    }
    if (!before.isNull()) {
        QCOMPARE(QFile::permissions(target), modes);
    }
    const QStringList here { u"wydarzenia.json"_s, u"wydarzenia.json.link"_s };
    QCOMPARE(files(), linked ? here : here.mid(0, 1));
    QVERIFY(QFileInfo(m_path).isSymLink() == linked);
    QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden),
        linked ? QStringList(u"notes.json"_s) : QStringList());
}

void tst_NoteFile::failedReplace()
{
    // A folder at the path is refused before anything is written.
    QVERIFY(QDir().mkdir(m_path));
    QString error;
    QCOMPARE(change(m_path, u"b"_s, NoteFile::Layout::Compact, &error),
        NoteFile::WriteStatus::OpenError);
    QVERIFY(!error.isEmpty());
    QVERIFY(QFileInfo(m_path).isDir());
    QCOMPARE(files(), QStringList());
#ifdef Q_OS_UNIX // Windows has no file-size limit that makes the disk look full to one process
    // The disk full halfway, as a file-size limit makes it for this process alone: the old file
    // stays whole, nothing stays beside it, and nothing of what was to be written is taken for the
    // file's notes by the next read.
    QVERIFY(QDir().rmdir(m_path));
    put(m_path, R"({"a":"old"})");
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 4096;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const NoteFile::WriteStatus status =
        change(m_path, QString(100000, u'x'), NoteFile::Layout::Compact, &error);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    QCOMPARE(status, NoteFile::WriteStatus::WriteError);
    QVERIFY(!error.isEmpty());
    QCOMPARE(readFile(m_path), QByteArray(R"({"a":"old"})"));
    QCOMPARE(files(), QStringList(u"wydarzenia.json"_s));
    QCOMPARE(noteOf(m_path), u"old"_s);
#endif
}

void tst_NoteFile::leftoversSwept_data()
{
    QTest::addColumn<QString>("name"); // of a file beside the note file
    QTest::addColumn<bool>("swept");
    QTest::newRow("a killed save's") << u"wydarzenia.json.zorvena-0123456789ab.tmp"_s << true;
    QTest::newRow("a new one's") << NoteFile::temporaryPath(u"wydarzenia.json"_s) << true;
    // A person's own copies, named much as the temporary files are.
    for (const char *name : { "wydarzenia.json.kopia1", "wydarzenia.json.Xq3fZ9",
             "wydarzenia.json.zorvena-kopia.tmp", "wydarzenia.json.zorvena-0123456789AB.tmp",
             "wydarzenia.json.zorvena-0123456789ab.tmp.bak",
             "notes.json.zorvena-0123456789ab.tmp" }) {
        QTest::newRow(name) << QString::fromLatin1(name) << false;
    }
}

// What killed saves left goes with the next change, under the lock; files that only look alike
// stay.
void tst_NoteFile::leftoversSwept()
{
    QFETCH(QString, name);
    QFETCH(bool, swept);
    QCOMPARE(NoteFile::isTemporaryName(name, u"wydarzenia.json"_s), swept);
    put(m_folder->filePath(name), R"({"2024/01/01":"kopia"})");
    put(m_path, "{}");
    QCOMPARE(change(m_path, u"b"_s), NoteFile::WriteStatus::NoError);
    QCOMPARE(QFile::exists(m_folder->filePath(name)), !swept);
}

// A change holds the lock from its read until it goes; another waits two seconds, then gives up.
// Reaching the file through a symbolic link, it waits all the same.
void tst_NoteFile::lockBetweenInstances()
{
    put(m_path, "{}");
    {
        NoteFile first(m_path, NoteFile::Access::Update);
        QCOMPARE(first.read(), S::NoError);
        QString error;
        QCOMPARE(readElsewhere(m_path, &error), S::LockError);
        QCOMPARE(error, u"inna kopia programu zmienia plik od ponad 2 s"_s);
#ifdef Q_OS_UNIX
        QTemporaryDir elsewhere;
        QVERIFY(QFile::link(m_path, elsewhere.filePath(u"wydarzenia.json"_s)));
        QCOMPARE(readElsewhere(elsewhere.filePath(u"wydarzenia.json"_s)), S::LockError);
#endif
        NoteFile reader(m_path); // a read alone waits for nothing but on Windows, and reads
        QCOMPARE(reader.read(), S::NoError);
    }
    QCOMPARE(readElsewhere(m_path), S::NoError);
}

// Every read reads the file: a change of a byte that keeps its size and time shows, bytes seen
// before give their notes again, notes taken to be changed are not those of the next read, and a
// broken file reads as broken each time.
void tst_NoteFile::keptParse()
{
    put(m_path, R"({"a":"abc"})");
    QCOMPARE(noteOf(m_path), u"abc"_s);
    const QDateTime time = QFileInfo(m_path).lastModified();
    put(m_path, R"({"a":"abd"})");
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
    }
    QCOMPARE(noteOf(m_path), u"abd"_s);

    QCOMPARE(change(m_path, u"nowa"_s), NoteFile::WriteStatus::NoError);
    QCOMPARE(noteOf(m_path), u"nowa"_s);
    put(m_path, R"({"a":"abd"})"); // as before the write, brought back by a sync tool
    NoteFile taken(m_path);
    QCOMPARE(taken.read(), S::NoError);
    QJsonObject notes = taken.takeNotes();
    notes.insert(u"a"_s, u"zmieniona"_s);
    QCOMPARE(noteOf(m_path), u"abd"_s);

    put(m_path, R"({"a":"abd")");
    QCOMPARE(noteOf(m_path), u"status %1"_s.arg(int(S::ParseError)));
    QCOMPARE(noteOf(m_path), u"status %1"_s.arg(int(S::ParseError)));
}

QTEST_GUILESS_MAIN(tst_NoteFile)
#include "tst_notefile.moc"
