// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as it shows, ticks and lays out, and as the keyboard and a screen reader use it.
#include "localization.h"
#include "mainwindow.h"
#include "support.h"

#include <QAccessible>
#include <QApplication>
#include <QCalendarWidget>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

using namespace Qt::StringLiterals;
using TestSupport::LogCapture;

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    // As the program does before its window is made; the machine has Qt's Polish catalogue.
    void initTestCase() { QVERIFY(Localization::install(*qApp)); }
    void init() { TestSupport::removeNoteFile(); }

    void startsWithTodayAndPlaceholders();
    void clockTicksEverySecond();
    void formTree_data();
    void formTree();
    void darkLook();
    void dayGestures_data();
    void dayGestures();
    void tabTypesShiftTabLeaves();
    void accessibleNames();
    void calendarHeardAsDates_data();
    void calendarHeardAsDates();
    void calendarHeaders();
    void heardOnArrivalAndReturn();
    void datesHeardInWords();
    void qtTextsInPolish();
    void closingEndsEventLoop();

private:
    template <typename T> static T *child(const QWidget &window, const QString &name)
    {
        T *found = window.findChild<T *>(name);
        if (!found) {
            qFatal("no child named %s", qPrintable(name));
        }
        return found;
    }
};

void tst_MainWindow::startsWithTodayAndPlaceholders()
{
    LogCapture log;
    const QDate started = QDate::currentDate();
    MainWindow window;

    QCOMPARE(window.windowTitle(), u"Zorvena 2.0"_s);
    const QString selected = child<QLabel>(window, u"label_3"_s)->text();
    QVERIFY2(TestSupport::showsTodaySince(selected, started), qPrintable(selected));
    QCOMPARE(child<QLabel>(window, u"data"_s)->text(), u"xx.xx.xxxx"_s);
    QCOMPARE(child<QLabel>(window, u"data_2"_s)->text(), u"xx:xx"_s);
    QVERIFY(child<QTextEdit>(window, u"textEdit"_s)->toPlainText().isEmpty());
    QVERIFY(window.menuBar()->actions().isEmpty());
    QVERIFY(window.statusBar()->currentMessage().isEmpty());

    // The application folder, as the debug stream quotes a string.
    const QString folder = u"\""_s + QCoreApplication::applicationDirPath() + u"\""_s;
    QCOMPARE(log.texts(QtDebugMsg), QStringList(folder));
    QCOMPARE(log.lines().size(), 1);
}

void tst_MainWindow::clockTicksEverySecond()
{
    const QDate started = QDate::currentDate();
    MainWindow window;
    auto *date = child<QLabel>(window, u"data"_s);
    auto *time = child<QLabel>(window, u"data_2"_s);
    auto *timer = window.findChild<QTimer *>();
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 1000);
    QVERIFY(timer->isActive());
    QVERIFY(!timer->isSingleShot());

    // A busy machine may deliver the ticks late; only their content is checked to the letter.
    QTRY_VERIFY_WITH_TIMEOUT(date->text() != u"xx.xx.xxxx"_s, 30000);
    QVERIFY2(TestSupport::showsTodaySince(date->text(), started), qPrintable(date->text()));
    static const QRegularExpression clock(u"^([01]\\d|2[0-3]):[0-5]\\d:[0-5]\\d$"_s);
    QVERIFY2(clock.match(time->text()).hasMatch(), qPrintable(time->text()));

    const QString first = time->text();
    QTRY_VERIFY_WITH_TIMEOUT(time->text() != first, 30000);
}

void tst_MainWindow::formTree_data()
{
    // Where each widget and layout sits: box layouts give an index, grids a row and a column.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("container");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");

    const auto row = [](const char *name, const char *className, const char *container, int r,
                         int c = -1) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(className)
                            << QString::fromLatin1(container) << r << c;
    };
    row("verticalLayout", "QVBoxLayout", "horizontalLayout_3", 0);
    row("groupBox", "QGroupBox", "verticalLayout", 0);
    row("calendarWidget", "QCalendarWidget", "gridLayout", 0, 0);
    row("groupBox_2", "QGroupBox", "verticalLayout", 2);
    row("horizontalLayout", "QHBoxLayout", "gridLayout_2", 1, 0);
    row("label", "QLabel", "horizontalLayout", 0);
    row("data", "QLabel", "horizontalLayout", 1);
    row("horizontalLayout_2", "QHBoxLayout", "gridLayout_2", 3, 0);
    row("label_2", "QLabel", "horizontalLayout_2", 0);
    row("data_2", "QLabel", "horizontalLayout_2", 1);
    row("groupBox_3", "QGroupBox", "horizontalLayout_3", 1);
    row("pushButton_3", "QPushButton", "verticalLayout_2", 0);
    row("label_3", "QLabel", "verticalLayout_2", 1);
    row("textEdit", "QTextEdit", "verticalLayout_2", 2);
    row("pushButton", "QPushButton", "verticalLayout_2", 3);
}

void tst_MainWindow::formTree()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, container);
    QFETCH(int, row);
    QFETCH(int, column);

    MainWindow window;
    QObject *object = window.findChild<QObject *>(name);
    QVERIFY(object);
    QCOMPARE(QString::fromLatin1(object->metaObject()->className()), className);
    auto *layout = window.findChild<QLayout *>(container);
    QVERIFY(layout);

    int index = -1;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (item->widget() == object || item->layout() == object) {
            index = i;
        }
    }
    QVERIFY2(index >= 0, "not in its layout");
    if (auto *grid = qobject_cast<QGridLayout *>(layout)) {
        int r, c, rowSpan, columnSpan;
        grid->getItemPosition(index, &r, &c, &rowSpan, &columnSpan);
        QCOMPARE(QList<int>({ r, c, rowSpan, columnSpan }), QList<int>({ row, column, 1, 1 }));
    } else {
        QCOMPARE(index, row);
    }
}

void tst_MainWindow::darkLook()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const auto colourAt = [](QWidget *widget, QPoint point) {
        return widget->grab().toImage().pixelColor(point).name();
    };
    auto *save = child<QPushButton>(window, u"pushButton"_s);
    auto *editor = child<QTextEdit>(window, u"textEdit"_s);
    auto *notepad = child<QGroupBox>(window, u"groupBox_3"_s);
    QCOMPARE(colourAt(save, QPoint(4, save->height() / 2)), u"#3a3a3a"_s);
    QCOMPARE(colourAt(save, QPoint(0, save->height() / 2)), u"#555555"_s);
    QCOMPARE(colourAt(editor, QPoint(editor->width() / 2, editor->height() / 2)), u"#2a2a2a"_s);
    QCOMPARE(colourAt(editor, QPoint(0, editor->height() / 2)), u"#555555"_s);
    QCOMPARE(colourAt(&window, QPoint(window.width() / 2, window.height() - 3)), u"#1e1e1e"_s);
    QCOMPARE(colourAt(notepad, QPoint(notepad->width() - 3, notepad->height() / 2)), u"#1e1e1e"_s);

    const QPalette labelPalette = child<QLabel>(window, u"label_3"_s)->palette();
    QCOMPARE(labelPalette.color(QPalette::WindowText).name(), u"#e0e0e0"_s);

    for (const QString &name : { u"qt_calendar_prevmonth"_s, u"qt_calendar_nextmonth"_s }) {
        QVERIFY2(child<QToolButton>(window, name)->icon().isNull(), qPrintable(name));
    }
}

namespace {
QString accessibleName(QWidget *widget)
{
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

} // namespace

void tst_MainWindow::dayGestures_data()
{
    // Each gesture starts with the calendar's highlight on the day before 14/05/2024.
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<bool>("selects"); // 14/05/2024, the day highlighted after the gesture
    QTest::newRow("click") << u"click"_s << true;
    QTest::newRow("double click") << u"double click"_s << true;
    QTest::newRow("click, where one click activates") << u"single-click style"_s << true;
    QTest::newRow("Right, Return") << u"Return"_s << true;
    QTest::newRow("Right, Enter") << u"Enter"_s << true;
    QTest::newRow("Right alone") << u"Right"_s << false;
    QTest::newRow("Page Down, Page Up") << u"pages"_s << false;
}

void tst_MainWindow::dayGestures()
{
    QFETCH(QString, gesture);
    QFETCH(bool, selects);
    const QDate day(2024, 5, 14);
    TestSupport::writeNoteFile(R"({"2024/05/14":"wtorek"})");
    const QDate started = QDate::currentDate();
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *calendar = child<QCalendarWidget>(window, u"calendarWidget"_s);
    auto *grid = calendar->findChild<QTableView *>(u"qt_calendar_calendarview"_s);
    auto *editor = child<QTextEdit>(window, u"textEdit"_s);
    calendar->setSelectedDate(day.addDays(-1));
    TestSupport::SingleClickStyle style;
    if (gesture == u"single-click style"_s) {
        grid->setStyle(&style);
    }

    LogCapture log;
    if (gesture.contains(u"click"_s)) {
        TestSupport::clickCalendarDay(&window, day,
            gesture == u"double click"_s ? TestSupport::Click::Double : TestSupport::Click::Single);
    } else if (gesture == u"pages"_s) {
        QTest::keyClick(grid, Qt::Key_PageDown);
        QTest::keyClick(grid, Qt::Key_PageUp);
        QTest::keyClick(grid, Qt::Key_Right);
    } else {
        QTest::keyClick(grid, Qt::Key_Right);
        if (gesture == u"Return"_s) {
            QTest::keyClick(grid, Qt::Key_Return);
        } else if (gesture == u"Enter"_s) {
            QTest::keyClick(grid, Qt::Key_Enter, Qt::KeypadModifier);
        }
    }
    QCOMPARE(calendar->selectedDate(), day);

    // A day taken is loaded once, however many signals the gesture gave.
    const QString label = child<QLabel>(window, u"label_3"_s)->text();
    if (selects) {
        QCOMPARE(label, u"14/05/2024"_s);
        QCOMPARE(editor->toPlainText(), u"wtorek"_s);
        QCOMPARE(log.texts(QtDebugMsg), QStringList(u"No Error"_s));
    } else {
        QVERIFY2(TestSupport::showsTodaySince(label, started), qPrintable(label));
        QCOMPARE(editor->toPlainText(), QString());
        QCOMPARE(log.lines().size(), 0);
    }
    grid->setStyle(nullptr);
}

void tst_MainWindow::tabTypesShiftTabLeaves()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *editor = child<QTextEdit>(window, u"textEdit"_s);
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_Tab);
    QCOMPARE(editor->toPlainText(), u"\t"_s);
    QCOMPARE(QApplication::focusWidget(), editor);

    // As Windows delivers it: with a tab character.
    QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_Backtab, u"\t"_s, Qt::ShiftModifier);
    QCOMPARE(editor->toPlainText(), u"\t"_s);
    QCOMPARE(QApplication::focusWidget(), child<QWidget>(window, u"pushButton_3"_s));
}

void tst_MainWindow::accessibleNames()
{
    TestSupport::writeNoteFile(R"({"2024/05/14":"wtorek"})");
    MainWindow window;
    window.show();
    auto *editor = child<QTextEdit>(window, u"textEdit"_s);
    QVERIFY(accessibleName(editor).startsWith(u"Notatka z "_s));
    TestSupport::clickCalendarDay(&window, QDate(2024, 5, 14));
    QCOMPARE(accessibleName(editor), u"Notatka z 14 maja 2024"_s);

    const QList<std::pair<QString, QString>> names {
        { u"qt_calendar_prevmonth"_s, u"Poprzedni miesiąc"_s },
        { u"qt_calendar_nextmonth"_s, u"Następny miesiąc"_s },
        { u"qt_calendar_yearedit"_s, u"Rok"_s },
        { u"qt_calendar_calendarview"_s, u"Dni miesiąca"_s },
    };
    for (const auto &[objectName, name] : names) {
        QCOMPARE(accessibleName(child<QWidget>(window, objectName)), name);
    }

    // An outcome reaches a screen reader as the status bar's name.
    editor->setPlainText(u"grudzień"_s);
    QTest::mouseClick(child<QPushButton>(window, u"pushButton"_s), Qt::LeftButton);
    QCOMPARE(accessibleName(window.statusBar()), u"Pomyślnie zapisano"_s);
}

void tst_MainWindow::calendarHeardAsDates_data()
{
    QTest::addColumn<QDate>("highlighted");
    QTest::addColumn<int>("key"); // none: the calendar's next month button
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("heard");
    const QDate wednesday(2026, 12, 9);
    const auto row = [](const char *name, QDate from, int key, const char *heard,
                         int modifiers = Qt::NoModifier) {
        QTest::newRow(name) << from << key << modifiers << QString::fromUtf8(heard);
    };
    row("Left", wednesday, Qt::Key_Left, "wtorek, 8 grudnia 2026");
    row("Right", wednesday, Qt::Key_Right, "czwartek, 10 grudnia 2026");
    row("Down", wednesday, Qt::Key_Down, "środa, 16 grudnia 2026");
    row("Page Down across the year's end", QDate(2026, 12, 8), Qt::Key_PageDown,
        "piątek, 8 stycznia 2027");
    row("Page Up across the year's end", QDate(2027, 1, 8), Qt::Key_PageUp,
        "wtorek, 8 grudnia 2026");
    row("Home", wednesday, Qt::Key_Home, "wtorek, 1 grudnia 2026");
    row("Ctrl+End", wednesday, Qt::Key_End, "czwartek, 31 grudnia 2026", Qt::ControlModifier);
    // The page changes, the selected day stays: the highlight is on the same day of January.
    row("next month's button", wednesday, 0, "sobota, 9 stycznia 2027");
}

void tst_MainWindow::calendarHeardAsDates()
{
    QFETCH(QDate, highlighted);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, heard);
    TestSupport::ScreenReader reader; // before the window, as when it runs while the program starts
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *calendar = child<QCalendarWidget>(window, u"calendarWidget"_s);
    auto *grid = child<QTableView>(window, u"qt_calendar_calendarview"_s);
    grid->setFocus();
    calendar->setSelectedDate(highlighted);
    TestSupport::ScreenReader::heard.clear();

    if (key) {
        QTest::keyClick(grid, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    } else {
        QTest::mouseClick(child<QToolButton>(window, u"qt_calendar_nextmonth"_s), Qt::LeftButton);
    }
    QVERIFY(!TestSupport::ScreenReader::heard.isEmpty());
    QCOMPARE(TestSupport::ScreenReader::heard.last(), heard);
    const QAccessibleInterface *focused = QAccessible::queryAccessibleInterface(grid)->focusChild();
    QCOMPARE(focused->text(QAccessible::Name), heard);
    QCOMPARE(focused->role(), QAccessible::Cell);
    // Shown as ever: the day's number.
    QCOMPARE(grid->currentIndex().data().toString(), heard.section(u' ', 1, 1));
}

void tst_MainWindow::calendarHeaders()
{
    MainWindow window;
    auto *calendar = child<QCalendarWidget>(window, u"calendarWidget"_s);
    calendar->setCurrentPage(2026, 12);
    QAccessibleInterface *grid = QAccessible::queryAccessibleInterface(
        child<QTableView>(window, u"qt_calendar_calendarview"_s));

    // Its children as the view numbers them: a hidden header row and column, then the model's
    // cells, the weekdays' names and the week numbers among them, as headers. Week 50 of 2026,
    // from Monday 7 December, is the second week the grid shows.
    const auto modelCell = [grid](int row, int column) {
        return grid->child((row + 1) * 9 + column + 1);
    };
    QCOMPARE(grid->childCount(), 8 * 9);
    QCOMPARE(modelCell(0, 2)->text(QAccessible::Name), u"wtorek"_s);
    QCOMPARE(modelCell(0, 2)->role(), QAccessible::ColumnHeader);
    QCOMPARE(modelCell(2, 0)->text(QAccessible::Name), u"tydzień 50"_s);
    QCOMPARE(modelCell(2, 0)->role(), QAccessible::RowHeader);
    QAccessibleInterface *tuesday = modelCell(2, 2);
    QCOMPARE(tuesday->text(QAccessible::Name), u"wtorek, 8 grudnia 2026"_s);
    QCOMPARE(tuesday->role(), QAccessible::Cell);
    // No day names a header: a screen reader would say its weekday again, and its week.
    QCOMPARE(tuesday->tableCellInterface()->columnHeaderCells().size(), 0);
    QCOMPARE(tuesday->tableCellInterface()->rowHeaderCells().size(), 0);
    QCOMPARE(tuesday->tableCellInterface()->rowIndex(), 1);
    QCOMPARE(tuesday->tableCellInterface()->columnIndex(), 1);

    QAccessibleTableInterface *table = grid->tableInterface();
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // Orca reads a table's whole row whenever the highlight enters another one.
    QVERIFY(!table);
#else
    // A table of six weeks of seven days, as Windows' screen readers count it.
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 6);
    QCOMPARE(table->columnCount(), 7);
    QCOMPARE(table->cellAt(1, 1), tuesday);
    QCOMPARE(table->columnDescription(0), u"poniedziałek"_s);
    QCOMPARE(table->columnDescription(6), u"niedziela"_s);
    QCOMPARE(table->rowDescription(1), u"tydzień 50"_s);
#endif

    // Nothing in the grid is heard as a bare number.
    static const QRegularExpression number(u"^\\d+$"_s);
    for (int i = 0; i < grid->childCount(); ++i) {
        const QString name = grid->child(i)->text(QAccessible::Name);
        QVERIFY2(!number.match(name).hasMatch(), qPrintable(u"child %1: %2"_s.arg(i).arg(name)));
        QCOMPARE(grid->indexOfChild(grid->child(i)), i);
    }
}

// The day highlighted is heard as the grid takes the focus, however it comes, and Return that takes
// it is confirmed; Return that the unsaved note's question stops is not.
void tst_MainWindow::heardOnArrivalAndReturn()
{
    TestSupport::ScreenReader reader;
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *calendar = child<QCalendarWidget>(window, u"calendarWidget"_s);
    auto *grid = child<QTableView>(window, u"qt_calendar_calendarview"_s);
    auto *editor = child<QTextEdit>(window, u"textEdit"_s);
    calendar->setSelectedDate(QDate(2026, 12, 9));
    const QString wednesday = u"środa, 9 grudnia 2026"_s;

    editor->setFocus();
    TestSupport::ScreenReader::heard.clear();
    grid->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(
        TestSupport::ScreenReader::heard.value(TestSupport::ScreenReader::heard.size() - 1),
        wednesday);

    auto *list = child<QPushButton>(window, u"pushButton_3"_s);
    list->setFocus();
    TestSupport::ScreenReader::heard.clear();
    QTest::keyClick(list, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), grid);
    QTRY_COMPARE(
        TestSupport::ScreenReader::heard.value(TestSupport::ScreenReader::heard.size() - 1),
        wednesday);

    TestSupport::ScreenReader::heard.clear();
    QTest::keyClick(grid, Qt::Key_Left);
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(TestSupport::ScreenReader::heard,
        QStringList({ u"wtorek, 8 grudnia 2026"_s, u"Wybrano: wtorek, 8 grudnia 2026"_s }));
    QCOMPARE(child<QLabel>(window, u"label_3"_s)->text(), u"08/12/2026"_s);

    // Typed text kept by "Anuluj": the day is not taken, and nothing says it was.
    editor->setPlainText(u"niezapisane"_s);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Right);
    TestSupport::ScreenReader::heard.clear();
    TestSupport::answerNextQuestion(u"Anuluj"_s);
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(child<QLabel>(window, u"label_3"_s)->text(), u"08/12/2026"_s);
    for (const QString &said : std::as_const(TestSupport::ScreenReader::heard)) {
        QVERIFY2(!said.startsWith(u"Wybrano"_s), qPrintable(said));
    }
}

// What shows a date as "dd/MM/yyyy" is heard with the date in words, which a screen reader would
// read digit by digit; what shows stays as it was.
void tst_MainWindow::datesHeardInWords()
{
    TestSupport::writeNoteFile(R"({"2024/05/14":"wtorek","2023/12/31":"sylwester","notatka":"x"})");
    TestSupport::ScreenReader reader; // the list's rows are named for a screen reader that listens
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *editor = child<QTextEdit>(window, u"textEdit"_s);
    TestSupport::clickCalendarDay(&window, QDate(2024, 5, 14));
    QCOMPARE(accessibleName(editor), u"Notatka z 14 maja 2024"_s);

    // The questions: shown as ever, heard in words.
    QString shown;
    QString said;
    const auto readQuestion = [&shown, &said](const QString &answer) {
        QTimer::singleShot(0, qApp, [&shown, &said, answer] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box) {
                return;
            }
            auto *text = box->findChild<QLabel *>(u"qt_msgbox_label"_s);
            shown = text->text();
            said = QAccessible::queryAccessibleInterface(text)->text(QAccessible::Name);
            TestSupport::answerNextQuestion(answer);
        });
    };
    editor->clear();
    readQuestion(u"Nie"_s);
    QTest::mouseClick(child<QPushButton>(window, u"pushButton"_s), Qt::LeftButton);
    QCOMPARE(shown, u"Czy na pewno chcesz usunąć zapis z  14/05/2024?"_s);
    QCOMPARE(said, u"Czy na pewno chcesz usunąć zapis z 14 maja 2024?"_s);

    editor->setPlainText(u"nowa"_s);
    readQuestion(u"Anuluj"_s);
    TestSupport::clickCalendarDay(&window, QDate(2023, 12, 31));
    QCOMPARE(shown, u"Notatka z 14/05/2024 nie została zapisana. Zapisać ją?"_s);
    QCOMPARE(said, u"Notatka z 14 maja 2024 nie została zapisana. Zapisać ją?"_s);

    TestSupport::writeNoteFile(
        R"({"2024/05/14":"zmieniony","2023/12/31":"sylwester","notatka":"x"})");
    readQuestion(u"Anuluj"_s);
    QTest::mouseClick(child<QPushButton>(window, u"pushButton"_s), Qt::LeftButton);
    const QString changed = u" zmieniła się w pliku, odkąd została wczytana (w innym oknie "
                            "programu albo na innym komputerze)."_s;
    QCOMPARE(shown, u"Notatka z 14/05/2024"_s + changed);
    QCOMPARE(said, u"Notatka z 14 maja 2024"_s + changed);

    // The list's rows.
    editor->clear();
    QTest::mouseClick(child<QPushButton>(window, u"pushButton_3"_s), Qt::LeftButton);
    auto *list = window.findChildren<QListWidget *>(u"listWidget"_s).constLast();
    QCOMPARE(list->item(1)->text(), u"14/05/2024"_s);
    QAccessibleInterface *rows = QAccessible::queryAccessibleInterface(list);
    QStringList heard;
    for (int row = 0; row < list->count(); ++row) {
        heard.append(rows->child(row)->text(QAccessible::Name));
    }
    QCOMPARE(heard, QStringList({ u"notatka"_s, u"14 maja 2024"_s, u"31 grudnia 2023"_s }));
}

void tst_MainWindow::qtTextsInPolish()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // The editor's own context menu, as a right click opens it.
    auto *editor = child<QTextEdit>(window, u"textEdit"_s);
    const QPoint inside = editor->viewport()->rect().center();
    QContextMenuEvent event(
        QContextMenuEvent::Mouse, inside, editor->viewport()->mapToGlobal(inside));
    QApplication::sendEvent(editor->viewport(), &event);
    auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QStringList texts;
    for (const QAction *action : menu->actions()) {
        texts.append(action->text().section(u'\t', 0, 0).remove(u'&')); // "&Cofnij\tCtrl+Z"
    }
    menu->close();
    for (const QString &text : { u"Cofnij"_s, u"Wklej"_s, u"Zaznacz wszystko"_s }) {
        QVERIFY2(texts.contains(text), qPrintable(texts.join(u", "_s)));
    }

    // The calendar's names and its weeks, from Monday.
    auto *calendar = child<QCalendarWidget>(window, u"calendarWidget"_s);
    calendar->setCurrentPage(2024, 5);
    QCOMPARE(child<QToolButton>(window, u"qt_calendar_monthbutton"_s)->text(), u"maj"_s);
    QCOMPARE(calendar->firstDayOfWeek(), Qt::Monday);
    const QAbstractItemModel *days = calendar->findChild<QTableView *>()->model();
    QCOMPARE(days->index(0, 1).data().toString(), u"pon."_s);
    QCOMPARE(days->index(0, 7).data().toString(), u"niedz."_s);
}

void tst_MainWindow::closingEndsEventLoop()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTimer::singleShot(0, &window, &QWidget::close);
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
