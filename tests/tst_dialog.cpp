// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The saved-days list and the search window, through their widgets, as the user meets them.
#include "dialog.h"
#include "localization.h"
#include "mainwindow.h"
#include "searchdialog.h"
#include "support.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

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

// The search window that Ctrl+F opened in the main window, with its parts.
struct Search
{
    explicit Search(MainWindow &window)
    {
        // The window's keys reach it once it is active.
        window.activateWindow();
        if (QTest::qWaitForWindowActive(&window)) {
            QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier);
        }
        dialog = window.findChild<SearchDialog *>();
        if (dialog) {
            field = dialog->findChild<QLineEdit *>(u"searchField"_s);
            count = dialog->findChild<QLabel *>(u"countLabel"_s);
            list = dialog->findChild<QListWidget *>(u"resultList"_s);
        }
    }
    // Types the query over the last, as a user does, and waits for the results to follow.
    bool find(const QString &query)
    {
        QSignalSpy refreshed(list->model(), &QAbstractItemModel::modelReset);
        field->selectAll();
        field->insert(query);
        return refreshed.wait(10000);
    }
    QStringList rows() const
    {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i) {
            texts.append(list->item(i)->text());
        }
        return texts;
    }

    QPointer<SearchDialog> dialog;
    QLineEdit *field = nullptr;
    QLabel *count = nullptr;
    QListWidget *list = nullptr;
};

const QByteArray searchedNotes = R"({"2024/05/14":"Rano spacer, potem ŻÓŁW i łąka.",)"
                                 R"("2024/06/02":"Łąka pełna maków; zolw w trawie.",)"
                                 R"("2025/03/11":"Dentysta (o 10:30) * potem zakupy.",)"
                                 R"("2025/04/01":7,)"
                                 R"("2026/01/05":"laka\nw parku")"
                                 R"(})";
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
    void searchFinds_data();
    void searchFinds();
    void searchUnreadableFile_data();
    void searchUnreadableFile();
    void searchChoosesDays();
    void searchWindowOneAtATime();
    void searchHeard();
};

void tst_Dialog::listing_data()
{
    QTest::addColumn<QByteArray>("bytes"); // null: no file
    QTest::addColumn<QStringList>("warnings");
    QTest::addColumn<QStringList>("rows");

    const QString cannotOpen = u"Nie udało się otworzyć pliku."_s;
    const QString notParsing = u"Błąd parsowania JSON."_s;
    const QString notObject = u"Plik JSON nie zawiera obiektu."_s;
    QTest::newRow("missing") << QByteArray() << QStringList { cannotOpen, notParsing, notObject }
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
    // Gone with the test: fired later, it would end whatever event loop a later test waits in.
    QTimer giveUp;
    giveUp.setSingleShot(true);
    connect(&giveUp, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
    giveUp.start(5000);
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

void tst_Dialog::searchFinds_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("days"); // newest first
    const auto row = [](const char *name, const char *query, QStringList days) {
        QTest::newRow(name) << QString::fromUtf8(query) << days;
    };
    const QString may = u"14/05/2024"_s;
    const QString june = u"02/06/2024"_s;
    const QString march = u"11/03/2025"_s;
    const QString january = u"05/01/2026"_s;
    row("plain letters find Polish ones", "zolw", { june, may });
    row("capitals", "ŻÓŁW", { june, may });
    row("Polish letters find plain ones", "łąka", { january, june, may });
    row("mixed case and letters", "ŁaKa", { january, june, may });
    row("every word, in any order", "potem rano", { may });
    row("a word no note holds", "łąka kot", {});
    row("brackets and stars are plain", "(o 10:30) *", { march });
    row("a dot is a dot", ".", { march, june, may });
    row("across a line break", "laka w parku", { january });
    row("blank", "   ", {});
}

void tst_Dialog::searchFinds()
{
    QFETCH(QString, query);
    QFETCH(QStringList, days);
    TestSupport::writeNoteFile(searchedNotes);
    MainWindow window;
    window.show();
    Search search(window);
    QVERIFY(search.dialog);
    QCOMPARE(search.dialog->windowTitle(), u"Szukaj"_s);
    QCOMPARE(search.dialog->parent(), &window);
    QVERIFY(search.find(query));
    QStringList shown;
    for (const QString &row : search.rows()) {
        shown.append(row.left(10));
    }
    QCOMPARE(shown, days);
    QCOMPARE(search.count->text(),
        query.trimmed().isEmpty() ? QString()
            : days.isEmpty()      ? u"Nic nie znaleziono"_s
            : days.size() == 1    ? u"Znaleziono: 1 dzień"_s
                                  : u"Znaleziono: %1 dni"_s.arg(days.size()));
    // Typing changes nothing in the main window, and nothing is written.
    QVERIFY(TestSupport::showsTodaySince(selectedDay(window), QDate::currentDate().addDays(-1)));
    QCOMPARE(TestSupport::noteFileBytes(), searchedNotes);
    if (query == u"laka w parku"_s) {
        QCOMPARE(search.rows(), QStringList(u"05/01/2026  laka w parku"_s));
    }
}

// A result's line shows the note around its first match, on one line, cut with "…".
void tst_Dialog::searchUnreadableFile_data()
{
    QTest::addColumn<QByteArray>("bytes"); // null: no file
    QTest::addColumn<QString>("count");
    QTest::newRow("no file") << QByteArray() << u"Nic nie znaleziono"_s;
    QTest::newRow("not parsing") << QByteArray(R"({"2024/05/14":"laka)")
                                 << u"Nie można odczytać pliku wydarzenia.json"_s;
}

void tst_Dialog::searchUnreadableFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, count);
    if (!bytes.isNull()) {
        TestSupport::writeNoteFile(bytes);
    }
    MainWindow window;
    window.show();
    Search search(window);
    LogCapture log;
    QVERIFY(search.find(u"laka"_s));
    QCOMPARE(search.count->text(), count);
    QCOMPARE(search.list->count(), 0);
    QCOMPARE(TestSupport::noteFileBytes(), bytes);
    QCOMPARE(log.texts(QtWarningMsg).size(), count.startsWith(u"Nic"_s) ? 0 : 1);

    // A long note: the line around its first match.
    TestSupport::writeNoteFile(R"({"2024/05/14":")" + QByteArray(60, 'x') + R"( żółw\nna łące )"
        + QByteArray(100, 'y') + R"("})");
    QVERIFY(search.find(u"zolw"_s));
    QCOMPARE(search.rows(),
        QStringList(u"14/05/2024  …"_s + QString(24, u'x') + u" żółw na łące "_s + QString(42, u'y')
            + u'…'));
}

void tst_Dialog::searchChoosesDays()
{
    TestSupport::writeNoteFile(searchedNotes);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    Search search(window);
    QSignalSpy sent(search.dialog.data(), &SearchDialog::sendString);
    QVERIFY(QTest::qWaitForWindowActive(search.dialog));
    QTRY_VERIFY(search.field->hasFocus());
    QTest::keyClicks(search.field, u"laka"_s);
    QTRY_COMPARE(search.list->count(), 3);
    QCOMPARE(sent.count(), 0);

    // Down goes into the results: each current row is that day in the main window.
    QTest::keyClick(search.field, Qt::Key_Down);
    QVERIFY(search.list->hasFocus());
    QCOMPARE(sent.takeFirst().value(0).toString(), u"2026/01/05"_s);
    QCOMPARE(selectedDay(window), u"05/01/2026"_s);
    QCOMPARE(editorText(window), u"laka\nw parku"_s);
    QTest::keyClick(search.list, Qt::Key_Down);
    QCOMPARE(selectedDay(window), u"02/06/2024"_s);
    QTest::mouseClick(search.list->viewport(), Qt::LeftButton, {},
        search.list->visualItemRect(search.list->item(2)).center());
    QCOMPARE(selectedDay(window), u"14/05/2024"_s);

    // A day left with typed text asks first, as the saved-days list does.
    window.findChild<QTextEdit *>(u"textEdit"_s)->setPlainText(u"nowy"_s);
    TestSupport::answerNextQuestion(u"Anuluj"_s);
    QTest::keyClick(search.list, Qt::Key_Up);
    QCOMPARE(selectedDay(window), u"14/05/2024"_s);
    QCOMPARE(editorText(window), u"nowy"_s);
    TestSupport::answerNextQuestion(u"Nie zapisuj"_s);
    QTest::keyClick(search.list, Qt::Key_Up);
    QCOMPARE(selectedDay(window), u"05/01/2026"_s);

    // Return takes the day into the main window, brought forward with the focus in the editor.
    QTest::keyClick(search.list, Qt::Key_Down);
    QTest::keyClick(search.list, Qt::Key_Return);
    QCOMPARE(selectedDay(window), u"02/06/2024"_s);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTRY_VERIFY(window.findChild<QTextEdit *>(u"textEdit"_s)->hasFocus());
    QCOMPARE(TestSupport::noteFileBytes(), searchedNotes);
}

void tst_Dialog::searchWindowOneAtATime()
{
    TestSupport::writeNoteFile(searchedNotes);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    // From the editor too.
    auto *editor = window.findChild<QTextEdit *>(u"textEdit"_s);
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_F, Qt::ControlModifier);
    const QPointer<SearchDialog> first = window.findChild<SearchDialog *>();
    QVERIFY(first);
    QVERIFY(QTest::qWaitForWindowActive(first));
    auto *field = first->findChild<QLineEdit *>(u"searchField"_s);
    QTest::keyClicks(field, u"zolw"_s);
    QCOMPARE(editor->toPlainText(), QString());

    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(editor, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(window.findChildren<SearchDialog *>().size(), 1);
    QVERIFY(QTest::qWaitForWindowActive(first));
    QCOMPARE(field->selectedText(), u"zolw"_s);

    // The main window's dark sheet reaches its field and list; it has none of its own.
    QVERIFY(first->styleSheet().isEmpty());
    QCOMPARE(field->palette().color(QPalette::Base).name(), u"#2a2a2a"_s);
    QCOMPARE(first->palette().color(QPalette::Window).name(), u"#1e1e1e"_s);

    QTest::keyClick(field, Qt::Key_Escape);
    QTRY_VERIFY(first.isNull());
    Search again(window);
    QVERIFY(again.dialog);
    QCOMPARE(again.field->text(), QString());
}

void tst_Dialog::searchHeard()
{
    TestSupport::writeNoteFile(searchedNotes);
    TestSupport::ScreenReader reader;
    MainWindow window;
    window.show();
    QCOMPARE(QAccessible::queryAccessibleInterface(&window)->text(QAccessible::Description),
        u"Ctrl+F szuka w notatkach"_s);
    Search search(window);
    QCOMPARE(QAccessible::queryAccessibleInterface(search.field)->text(QAccessible::Name),
        u"Szukaj w notatkach"_s);
    TestSupport::ScreenReader::heard.clear();
    QVERIFY(search.dialog);
    QVERIFY(search.find(u"zolw"_s));
    // The count, as it changes.
    QVERIFY2(TestSupport::ScreenReader::heard.contains(u"Znaleziono: 2 dni"_s),
        qPrintable(TestSupport::ScreenReader::heard.join(u" | "_s)));
    QAccessibleInterface *rows = QAccessible::queryAccessibleInterface(search.list);
    QCOMPARE(rows->child(1)->text(QAccessible::Name),
        u"wtorek, 14 maja 2024: Rano spacer, potem ŻÓŁW i łąka."_s);
    QVERIFY(search.find(u"kot"_s));
    QVERIFY(TestSupport::ScreenReader::heard.contains(u"Nic nie znaleziono"_s));
}

QTEST_MAIN(tst_Dialog)
#include "tst_dialog.moc"
