#include "mainwindow.h"
#include "support.h"

#include <QCalendarWidget>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
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
    void init() { TestSupport::removeNoteFile(); }

    void startsWithTodayAndPlaceholders();
    void clockTicksEverySecond();
    void formTree_data();
    void formTree();
    void darkLook();
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
