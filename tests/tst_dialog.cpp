#include "dialog.h"
#include "localization.h"
#include "mainwindow.h"
#include "support.h"

#include <QAccessible>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;
using TestSupport::LogCapture;

namespace {
const QByteArray threeNotes =
    R"({"2024/01/02":"drugi","2024/05/14":"trzeci","2023/12/31":"pierwszy"})";

// Presses "Odczytaj" and returns the window it opened.
Dialog *openList(MainWindow &window)
{
    QTest::mouseClick(window.findChild<QPushButton *>(u"pushButton_3"_s), Qt::LeftButton);
    const QList<Dialog *> dialogs = window.findChildren<Dialog *>(Qt::FindDirectChildrenOnly);
    return dialogs.isEmpty() ? nullptr : dialogs.last();
}

QStringList rows(const Dialog *dialog)
{
    const auto *list = dialog->findChild<QListWidget *>(u"listWidget"_s);
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts.append(list->item(i)->text());
    }
    return texts;
}

QString selectedDay(const MainWindow &window)
{
    return window.findChild<QLabel *>(u"label_3"_s)->text();
}

QString editorText(const MainWindow &window)
{
    return window.findChild<QTextEdit *>(u"textEdit"_s)->toPlainText();
}
} // namespace

class tst_Dialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Localization::install(*qApp); } // as the program does
    void init() { TestSupport::removeNoteFile(); }

    void listing_data();
    void listing();
    void selectionFollowsCurrentRow();
    void keysThatAreNotDates();
    void severalDialogsAndParents();
    void closedListsAreDeleted_data();
    void closedListsAreDeleted();
    void closingMainWindowQuitsWithDialogsOpen();
    void darkLook();
};

void tst_Dialog::listing_data()
{
    QTest::addColumn<QByteArray>("bytes"); // null: no file; "FIFO": a FIFO
    QTest::addColumn<QStringList>("warnings");
    QTest::addColumn<QStringList>("rows");

    const QString cannotOpen = u"Nie udało się otworzyć pliku."_s;
    const QString notParsing = u"Błąd parsowania JSON."_s;
    const QString notObject = u"Plik JSON nie zawiera obiektu."_s;
    QTest::newRow("missing") << QByteArray() << QStringList { cannotOpen, notParsing, notObject }
                             << QStringList();
#ifdef Q_OS_UNIX // Windows has no FIFOs in its folders
    QTest::newRow("FIFO") << QByteArray("FIFO") << QStringList { cannotOpen, notParsing, notObject }
                          << QStringList();
#endif
    QTest::newRow("empty") << QByteArray("") << QStringList { notParsing, notObject }
                           << QStringList();
    QTest::newRow("not parsing") << QByteArray("{\"2024/05/14\"")
                                 << QStringList { notParsing, notObject } << QStringList();
    QTest::newRow("array") << QByteArray("[]") << QStringList { notObject } << QStringList();
    QTest::newRow("empty object") << QByteArray("{}") << QStringList() << QStringList();
    QTest::newRow("three days, newest first")
        << threeNotes << QStringList()
        << QStringList { u"14/05/2024"_s, u"02/01/2024"_s, u"31/12/2023"_s };
    QTest::newRow("values that are not notes still list")
        << QByteArray(R"({"2024/05/14":"","2024/05/15":null,"2024/05/16":{}})") << QStringList()
        << QStringList { u"16/05/2024"_s, u"15/05/2024"_s, u"14/05/2024"_s };
}

void tst_Dialog::listing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, warnings);
    QFETCH(QStringList, rows);
#ifdef Q_OS_UNIX
    if (bytes == "FIFO") {
        QCOMPARE(::mkfifo(QFile::encodeName(TestSupport::noteFilePath()).constData(), 0644), 0);
        bytes = QByteArray();
    }
#endif
    if (!bytes.isNull()) {
        TestSupport::writeNoteFile(bytes);
    }

    MainWindow window;
    LogCapture log;
    Dialog *dialog = openList(window);
    QVERIFY(dialog);
    QCOMPARE(log.texts(QtWarningMsg), warnings);
    QCOMPARE(log.texts(QtDebugMsg), QStringList());
    QCOMPARE(dialog->windowTitle(), u"Zorvena 2.0"_s);
    QCOMPARE(dialog->findChild<QLabel *>(u"label"_s)->text(), u"Dostępne zapisy:"_s);
    // A screen reader names the list by its caption.
    auto *list = dialog->findChild<QListWidget *>(u"listWidget"_s);
    QCOMPARE(QAccessible::queryAccessibleInterface(list)->text(QAccessible::Name),
        u"Dostępne zapisy:"_s);
    QCOMPARE(::rows(dialog), rows);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
}

void tst_Dialog::selectionFollowsCurrentRow()
{
    TestSupport::writeNoteFile(threeNotes);
    MainWindow window;
    window.show();
    Dialog *dialog = openList(window);
    QSignalSpy sent(dialog, &Dialog::sendString);
    auto *list = dialog->findChild<QListWidget *>(u"listWidget"_s);

    // Once the window is active its list has the focus, and the newest day is current.
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QTRY_COMPARE(list->currentRow(), 0);
    QCOMPARE(sent.takeFirst().value(0).toString(), u"2024/05/14"_s);
    QCOMPARE(selectedDay(window), u"14/05/2024"_s);
    QCOMPARE(editorText(window), u"trzeci"_s);

    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(sent.takeFirst().value(0).toString(), u"2024/01/02"_s);
    QCOMPARE(selectedDay(window), u"02/01/2024"_s);
    QCOMPARE(editorText(window), u"drugi"_s);

    const auto clickRow = [list](int row) {
        QTest::mouseClick(
            list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    };
    clickRow(1); // already current
    QCOMPARE(sent.count(), 0);
    clickRow(2);
    QCOMPARE(sent.takeFirst().value(0).toString(), u"2023/12/31"_s);
    QTest::keyClick(list, Qt::Key_Home);
    QCOMPARE(sent.takeFirst().value(0).toString(), u"2024/05/14"_s);
    QTest::keyClick(list, Qt::Key_End);
    QCOMPARE(sent.takeFirst().value(0).toString(), u"2023/12/31"_s);
    QCOMPARE(editorText(window), u"pierwszy"_s);

    // Escape closes the list, and a closed list is gone.
    const QPointer<Dialog> closed(dialog);
    QTest::keyClick(list, Qt::Key_Escape);
    QTRY_VERIFY(closed.isNull());
    QCOMPARE(window.findChildren<Dialog *>().size(), 0);
}

void tst_Dialog::keysThatAreNotDates()
{
    TestSupport::writeNoteFile(
        R"({"2024/5/14":"bez zer","2024/02/30":"nie ma dnia","2024/05/14":"dobry","notatka":"x"})");
    MainWindow window;
    Dialog *dialog = openList(window);
    QCOMPARE(rows(dialog),
        QStringList({ u"notatka"_s, u"2024/5/14"_s, u"14/05/2024"_s, u"2024/02/30"_s }));

    QSignalSpy sent(dialog, &Dialog::sendString);
    auto *list = dialog->findChild<QListWidget *>(u"listWidget"_s);
    list->setCurrentRow(1);
    QCOMPARE(sent.takeFirst().value(0).toString(), u"2024/5/14"_s);
    QCOMPARE(selectedDay(window), u"2024/5/14"_s);
    QCOMPARE(editorText(window), u"bez zer"_s);

    // A save goes back under the same key.
    window.findChild<QTextEdit *>(u"textEdit"_s)->setPlainText(u"poprawione"_s);
    QTest::mouseClick(window.findChild<QPushButton *>(u"pushButton"_s), Qt::LeftButton);
    QCOMPARE(TestSupport::noteFileBytes(),
        QByteArray(
            R"({"2024/02/30":"nie ma dnia","2024/05/14":"dobry","2024/5/14":"poprawione","notatka":"x"})"));
}

void tst_Dialog::severalDialogsAndParents()
{
    TestSupport::writeNoteFile(threeNotes);
    MainWindow window;
    Dialog *first = openList(window);
    Dialog *second = openList(window);
    QVERIFY(first != second);
    QVERIFY(first->isVisible() && second->isVisible());

    first->findChild<QListWidget *>(u"listWidget"_s)->setCurrentRow(2);
    QCOMPARE(selectedDay(window), u"31/12/2023"_s);
    second->findChild<QListWidget *>(u"listWidget"_s)->setCurrentRow(1);
    QCOMPARE(selectedDay(window), u"02/01/2024"_s);

    // Without a main window above it, a list still sends, but nobody listens.
    QWidget notAMainWindow;
    for (QWidget *parent : { static_cast<QWidget *>(nullptr), &notAMainWindow }) {
        auto *orphan = new Dialog(parent);
        QSignalSpy sent(orphan, &Dialog::sendString);
        QCOMPARE(rows(orphan).size(), 3);
        orphan->findChild<QListWidget *>(u"listWidget"_s)->setCurrentRow(0);
        QCOMPARE(sent.count(), 1);
        QCOMPARE(selectedDay(window), u"02/01/2024"_s);
        if (!parent) {
            delete orphan;
        }
    }
}

void tst_Dialog::closedListsAreDeleted_data()
{
    QTest::addColumn<bool>("escape"); // or the window's close button
    QTest::newRow("close button") << false;
    QTest::newRow("Escape") << true;
}

// A window left open for weeks sees many lists opened and closed: none may stay behind.
void tst_Dialog::closedListsAreDeleted()
{
    QFETCH(bool, escape);
    TestSupport::writeNoteFile(threeNotes);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPointer<Dialog> kept = openList(window);
    QVERIFY(QTest::qWaitForWindowActive(kept));

    // Returns whether the list opened, became active and was gone once closed.
    const auto openAndClose = [&window, escape] {
        const QPointer<Dialog> dialog = openList(window);
        if (!dialog || !QTest::qWaitForWindowActive(dialog)) {
            return false;
        }
        if (escape) {
            QTest::keyClick(dialog->findChild<QListWidget *>(u"listWidget"_s), Qt::Key_Escape);
        } else {
            dialog->close(); // what the window manager's close button asks for
        }
        return QTest::qWaitFor([&dialog] { return dialog.isNull(); });
    };
    QVERIFY(openAndClose()); // whatever the first list sets up once
    const qsizetype children = window.findChildren<QObject *>().size();
    for (int i = 0; i < 40; ++i) {
        QVERIFY2(openAndClose(), qPrintable(u"list %1"_s.arg(i)));
    }
    QCOMPARE(window.findChildren<QObject *>().size(), children);
    QCOMPARE(window.findChildren<Dialog *>(), QList<Dialog *>({ kept.data() }));

    // The list left open still sends its days.
    kept->findChild<QListWidget *>(u"listWidget"_s)->setCurrentRow(2);
    QCOMPARE(selectedDay(window), u"31/12/2023"_s);
}

void tst_Dialog::closingMainWindowQuitsWithDialogsOpen()
{
    TestSupport::writeNoteFile(threeNotes);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    openList(window);
    QVERIFY(QTest::qWaitForWindowExposed(openList(window)));
    QTimer::singleShot(0, &window, &QWidget::close);
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
}

void tst_Dialog::darkLook()
{
    TestSupport::writeNoteFile(threeNotes);
    MainWindow window;
    window.show();
    Dialog *dialog = openList(window);
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QCOMPARE(dialog->size(), QSize(462, 352));

    const auto colourAt = [](QWidget *widget, QPoint point) {
        return widget->grab().toImage().pixelColor(point).name();
    };
    auto *list = dialog->findChild<QListWidget *>(u"listWidget"_s);
    auto *caption = dialog->findChild<QLabel *>(u"label"_s);
    QCOMPARE(colourAt(list, QPoint(0, list->height() / 2)), u"#555555"_s);
    QCOMPARE(colourAt(list, QPoint(list->width() / 2, list->height() - 8)), u"#1e1e1e"_s);
    QCOMPARE(colourAt(caption, QPoint(0, caption->height() / 2)), u"#1e1e1e"_s);
    QCOMPARE(caption->palette().color(QPalette::WindowText).name(), u"#e0e0e0"_s);
}

QTEST_MAIN(tst_Dialog)
#include "tst_dialog.moc"
