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

QJsonObject notesOf(const QString &path, S expected = S::NoError)
{
    NoteFile file(path);
    const S status = file.read();
    return status == expected ? file.notes() : QJsonObject { { u"status"_s, int(status) } };
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
    void leftoversSwept();
    void symbolicLinksFollowed();
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
    QTest::addColumn<bool>("noContent");
    QTest::addColumn<QString>("note"); // of "a"

    const NoteFile::ReadOptions plain, text(Option::TextMode), writable(Option::Writable);
    QTest::newRow("missing") << QByteArray() << plain << S::OpenError << true << QString();
    // and created, empty
    QTest::newRow("missing, writable")
        << QByteArray() << writable << S::ParseError << true << QString();
    QTest::newRow("empty") << QByteArray("") << plain << S::ParseError << true << QString();
    QTest::newRow("whitespace") << QByteArray(" \n") << plain << S::ParseError << false
                                << QString();
    QTest::newRow("CRs") << QByteArray("\r\r") << plain << S::ParseError << false << QString();
    QTest::newRow("CRs, text mode")
        << QByteArray("\r\r") << text << S::ParseError << true << QString();
    QTest::newRow("not parsing") << QByteArray("{\"a\":") << plain << S::ParseError << false
                                 << QString();
    QTest::newRow("array") << QByteArray("[]") << plain << S::NotAnObject << false << QString();
    QTest::newRow("object") << QByteArray("{\"a\":\r\n\"b\"}") << plain << S::NoError << false
                            << u"b"_s;
    QTest::newRow("CR in a note") << QByteArray("{\"a\":\"x\ry\"}") << plain << S::NoError << false
                                  << u"x\ry"_s;
    QTest::newRow("CR in a note, text mode")
        << QByteArray("{\"a\":\"x\ry\"}") << text << S::NoError << false << u"xy"_s;
    QTest::newRow("folder") << QByteArray() << plain << S::OpenError << false << QString();
#ifdef Q_OS_UNIX // Windows has no FIFOs in its folders, and QFile::link() makes a shortcut there
    QTest::newRow("FIFO") << QByteArray() << plain << S::OpenError << false << QString();
    QTest::newRow("dangling symbolic link")
        << QByteArray() << plain << S::OpenError << false << QString();
    QTest::newRow("symbolic link to /dev/zero")
        << QByteArray() << plain << S::OpenError << false << QString();
#endif
}

void tst_NoteFile::readOutcomes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(NoteFile::ReadOptions, options);
    QFETCH(S, status);
    QFETCH(bool, noContent);
    QFETCH(QString, note);
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
    QCOMPARE(file.hadNoContent(), noContent);
    QCOMPARE(file.notes().value(u"a"_s).toString(), note);
    QCOMPARE(file.parseErrorString() == u"no error occurred"_s, status != S::ParseError);
    // A read changes nothing, but that a writable one creates a missing file.
    const bool created = kind == "missing, writable"_L1;
    QCOMPARE(readFile(m_path), created ? QByteArray("") : bytes);
}

void tst_NoteFile::replace_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::addColumn<NoteFile::Layout>("layout");
    QTest::addColumn<QByteArray>("after");

    const QByteArray compact = R"({"a":"b","c":"d"})";
    const QByteArray old = R"({"a":"old"})";
    QTest::newRow("compact") << old << NoteFile::Layout::Compact << compact;
    QTest::newRow("indented") << old << NoteFile::Layout::Indented
                              << TestSupport::textFileBytes(
                                     "{\n    \"a\": \"b\",\n    \"c\": \"d\"\n}\n");
    QTest::newRow("no file before") << QByteArray() << NoteFile::Layout::Compact << compact;
}

// The new file takes the old one's place whole: a reader that had the old one open reads it to
// its end, and the old file's modes stay.
void tst_NoteFile::replace()
{
    QFETCH(QByteArray, before);
    QFETCH(NoteFile::Layout, layout);
    QFETCH(QByteArray, after);
    QFile old(m_path);
    if (!before.isNull()) {
        put(m_path, before);
        QVERIFY(old.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
#ifdef Q_OS_UNIX // Windows cannot replace a file that is open without delete sharing
        QVERIFY(old.open(QIODevice::ReadOnly));
#endif
    }
    const QFile::Permissions modes = QFile::permissions(m_path);

    NoteFile file(m_path, NoteFile::Access::Update);
    QCOMPARE(file.read(), before.isNull() ? S::OpenError : S::NoError);
    QJsonObject notes = file.takeNotes();
    notes.insert(u"a"_s, u"b"_s);
    notes.insert(u"c"_s, u"d"_s);
    QCOMPARE(file.write(notes, layout), NoteFile::WriteStatus::NoError);
    QCOMPARE(readFile(m_path), after);
    QCOMPARE(files(), QStringList(u"wydarzenia.json"_s));
    if (old.isOpen()) {
        QCOMPARE(old.readAll(), before);
    }
    if (!before.isNull()) {
        QCOMPARE(QFile::permissions(m_path), modes);
    }
}

void tst_NoteFile::failedReplace()
{
    // A folder at the path is refused before anything is written.
    QVERIFY(QDir().mkdir(m_path));
    {
        NoteFile folder(m_path, NoteFile::Access::Update);
        QCOMPARE(folder.read(), S::OpenError);
        QCOMPARE(folder.write({ { u"a"_s, u"b"_s } }, NoteFile::Layout::Compact),
            NoteFile::WriteStatus::OpenError);
        QVERIFY(!folder.errorString().isEmpty());
    }
    QVERIFY(QFileInfo(m_path).isDir());
    QCOMPARE(files(), QStringList());
#ifdef Q_OS_UNIX // Windows has no file-size limit that makes the disk look full to one process
    // The disk full halfway: the old file stays whole, nothing stays beside it, and nothing of
    // what was to be written is taken for the file's notes by the next read.
    QVERIFY(QDir().rmdir(m_path));
    put(m_path, R"({"a":"old"})");
    {
        NoteFile file(m_path, NoteFile::Access::Update);
        QCOMPARE(file.read(), S::NoError);
        // A file-size limit makes the disk look full to this process alone.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit previous {};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &previous), 0);
        rlimit small = previous;
        small.rlim_cur = 4096;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        const NoteFile::WriteStatus status =
            file.write({ { u"a"_s, QString(100000, u'x') } }, NoteFile::Layout::Compact);
        ::setrlimit(RLIMIT_FSIZE, &previous);
        QCOMPARE(status, NoteFile::WriteStatus::WriteError);
        QVERIFY(!file.errorString().isEmpty());
    }
    QCOMPARE(readFile(m_path), QByteArray(R"({"a":"old"})"));
    QCOMPARE(files(), QStringList(u"wydarzenia.json"_s));
    QCOMPARE(notesOf(m_path).value(u"a"_s).toString(), u"old"_s);
#endif
}

// What killed saves left goes with the next change, under the lock; files that only look alike
// stay.
void tst_NoteFile::leftoversSwept()
{
    const QString leftover = u"wydarzenia.json.zorvena-0123456789ab.tmp"_s;
    QVERIFY(NoteFile::isTemporaryName(leftover, u"wydarzenia.json"_s));
    QVERIFY(NoteFile::isTemporaryName(
        QFileInfo(NoteFile::temporaryPath(m_path)).fileName(), u"wydarzenia.json"_s));
    put(m_folder->filePath(leftover), "{}");
    const QStringList lookalikes = TestSupport::writeLookalikes(m_folder->path());
    put(m_path, "{}");

    NoteFile file(m_path, NoteFile::Access::Update);
    QCOMPARE(file.read(), S::NoError);
    QCOMPARE(file.write({}, NoteFile::Layout::Compact), NoteFile::WriteStatus::NoError);
    QVERIFY(!QFile::exists(m_folder->filePath(leftover)));
    QVERIFY(TestSupport::lookalikesKept(m_folder->path()));
    QCOMPARE(files().size(), lookalikes.size() + 1);
}

// A symbolic link, or a chain of them, is written through: the file it leads to is replaced,
// keeping its modes, and the link stays a link.
void tst_NoteFile::symbolicLinksFollowed()
{
#ifdef Q_OS_WIN
    QSKIP("Windows: QFile::link() makes a shortcut, not a link that opening a file follows");
#endif
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath(u"notes.json"_s);
    put(target, R"({"b":"c"})");
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const QFile::Permissions modes = QFile::permissions(target);
    QVERIFY(QFile::link(target, m_path + u".link"_s));
    QVERIFY(QFile::link(m_path + u".link"_s, m_path));

    NoteFile file(m_path, NoteFile::Access::Update);
    QCOMPARE(file.read(), S::NoError);
    QJsonObject notes = file.takeNotes();
    notes.insert(u"a"_s, u"b"_s);
    QCOMPARE(file.write(notes, NoteFile::Layout::Compact), NoteFile::WriteStatus::NoError);
    QVERIFY(QFileInfo(m_path).isSymLink());
    QCOMPARE(readFile(target), QByteArray(R"({"a":"b","b":"c"})"));
    QCOMPARE(QFile::permissions(target), modes);
    QCOMPARE(QDir(elsewhere.path()).entryList(QDir::Files), QStringList(u"notes.json"_s));
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
    QCOMPARE(notesOf(m_path).value(u"a"_s).toString(), u"abc"_s);
    const QDateTime time = QFileInfo(m_path).lastModified();
    put(m_path, R"({"a":"abd"})");
    {
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
    }
    QCOMPARE(notesOf(m_path).value(u"a"_s).toString(), u"abd"_s);

    {
        NoteFile file(m_path, NoteFile::Access::Update);
        QCOMPARE(file.read(), S::NoError);
        QCOMPARE(file.write({ { u"a"_s, u"nowa"_s } }, NoteFile::Layout::Compact),
            NoteFile::WriteStatus::NoError);
    }
    QCOMPARE(notesOf(m_path).value(u"a"_s).toString(), u"nowa"_s);
    put(m_path, R"({"a":"abd"})"); // as before the write, brought back by a sync tool
    NoteFile taken(m_path);
    QCOMPARE(taken.read(), S::NoError);
    QJsonObject notes = taken.takeNotes();
    notes.insert(u"a"_s, u"zmieniona"_s);
    QCOMPARE(notesOf(m_path).value(u"a"_s).toString(), u"abd"_s);

    put(m_path, R"({"a":"abd")");
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(notesOf(m_path, S::ParseError), QJsonObject());
    }
}

QTEST_GUILESS_MAIN(tst_NoteFile)
#include "tst_notefile.moc"
