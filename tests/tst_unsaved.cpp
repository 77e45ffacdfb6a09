// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// No typed text lost without a question: on a day change, on quitting, and when the note changed
// elsewhere since it was loaded.
#include "dialog.h"
#include "localization.h"
#include "mainwindow.h"
#include "support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;
using TestSupport::noteFileBytes;
using TestSupport::textFileBytes;

namespace {
const QDate day(2024, 5, 14);
const QDate otherDay(2024, 5, 15);
const QByteArray twoNotes = R"({"2024/05/14":"stary","2024/05/15":"inny"})";
const QString questionText = u"Notatka z 14/05/2024 nie została zapisana. Zapisać ją?"_s;
const QString changedText = u"Notatka z 14/05/2024 zmieniła się w pliku, odkąd została wczytana "
                            "(w innym oknie programu albo na innym komputerze)."_s;
const QString reloaded = u"Notatka zmieniła się w innym miejscu - wczytano ją ponownie"_s;

// The note file's bytes for these notes, as a save writes them.
QByteArray compact(const QJsonObject &notes)
{
    return QJsonDocument(notes).toJson(QJsonDocument::Compact);
}

// Answers every question box that shows while it lives, and remembers what each one asked.
class Answerer : public QObject
{
    Q_OBJECT

public:
    // The text of the button to click; an empty text presses Escape. With several, the first
    // question gets the first, and so on; the last answers the rest.
    explicit Answerer(const QString &answer)
        : Answerer(QStringList(answer))
    {
    }
    explicit Answerer(const QStringList &answers)
        : m_answers(answers)
    {
        connect(&m_poll, &QTimer::timeout, this, &Answerer::answer);
        m_poll.start(10);
    }

    // Runs as each question shows, before it is answered.
    std::function<void(int question)> whileAsked;

    QStringList titles;
    QStringList texts;
    // Per question: the buttons as "text:role", then the default and the escape button.
    QStringList buttons;
    QList<QMessageBox::Icon> icons;

signals:
    void answered();

private:
    void answer()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box == m_answered) {
            return;
        }
        m_answered = box;
        titles.append(box->windowTitle());
        texts.append(box->text());
        icons.append(box->icon());
        QStringList described;
        for (QAbstractButton *button : box->buttons()) {
            described.append(button->text() + u':' + QString::number(box->buttonRole(button)));
        }
        described.append(
            u"default:"_s + (box->defaultButton() ? box->defaultButton()->text() : QString()));
        described.append(
            u"escape:"_s + (box->escapeButton() ? box->escapeButton()->text() : QString()));
        buttons.append(described.join(u' '));
        if (whileAsked) {
            whileAsked(int(titles.size()));
        }
        emit answered();
        const QString answer = m_answers.value(titles.size() - 1, m_answers.constLast());
        if (answer.isEmpty()) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == answer) {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        }
    }

    QStringList m_answers;
    QTimer m_poll;
    // Null again once that box is gone, even when the next one takes its place in memory.
    QPointer<QMessageBox> m_answered;
};

// A shown main window on 14/05/2024 with its note loaded.
struct Window
{
    Window()
    {
        window.show();
        TestSupport::clickCalendarDay(&window, day);
    }

    MainWindow window;
    QTextEdit *editor = window.findChild<QTextEdit *>(u"textEdit"_s);
    QLabel *dayLabel = window.findChild<QLabel *>(u"label_3"_s);

    QString status() const { return window.statusBar()->currentMessage(); }
    void type(const QString &text) { QTest::keyClicks(editor, text); }
    void save()
    {
        QTest::mouseClick(window.findChild<QPushButton *>(u"pushButton"_s), Qt::LeftButton);
    }

    // The days a saved-days window sent, once leave() opened one.
    struct Sent : QSignalSpy
    {
        explicit Sent(Dialog *dialog)
            : QSignalSpy(dialog, &Dialog::sendString)
            , dialog(dialog)
        {
        }
        Dialog *dialog;
    };
    std::unique_ptr<Sent> sent;

    // Leaves the note by a calendar click (where the style activates with a click, too), by Return
    // on the next day in the calendar, by opening the saved-days list or by closing.
    void leave(const QString &way)
    {
        if (way == u"calendar"_s) {
            TestSupport::clickCalendarDay(&window, otherDay);
        } else if (way == u"one-click style"_s) {
            auto *grid = window.findChild<QWidget *>(u"qt_calendar_calendarview"_s);
            TestSupport::SingleClickStyle style;
            grid->setStyle(&style);
            TestSupport::clickCalendarDay(&window, otherDay);
            grid->setStyle(nullptr);
        } else if (way == u"Return"_s) {
            auto *grid = window.findChild<QWidget *>(u"qt_calendar_calendarview"_s);
            QTest::keyClick(grid, Qt::Key_Right);
            QTest::keyClick(grid, Qt::Key_Return);
        } else if (way == u"list"_s) {
            // The list's first row, the newest day, becomes current once its window is active.
            QTest::mouseClick(window.findChild<QPushButton *>(u"pushButton_3"_s), Qt::LeftButton);
            sent = std::make_unique<Sent>(window.findChildren<Dialog *>().constLast());
            QTRY_VERIFY_WITH_TIMEOUT(sent->count() > 0, 30000);
        } else {
            window.close();
        }
    }
};
} // namespace

class tst_Unsaved : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Localization::install(*qApp); } // as the program does
    void init() { TestSupport::writeNoteFile(twoNotes); }

    void question_data();
    void question();
    void failedSaveKeepsEverything_data();
    void failedSaveKeepsEverything();
    void nothingAtStake_data();
    void nothingAtStake();
    void quitAsks_data();
    void quitAsks();
    void changedElsewhere_data();
    void changedElsewhere();
    void untouchedTakesTheChange_data();
    void untouchedTakesTheChange();
    void deletionOfAChangedNote_data();
    void deletionOfAChangedNote();
    void discardedTextIsGone();
};

void tst_Unsaved::question_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("answer"); // empty: Escape

    for (const char *way : { "calendar", "one-click style", "Return", "list", "close" }) {
        for (const char *answer : { "Zapisz", "Nie zapisuj", "Anuluj" }) {
            QTest::addRow("%s, %s", way, answer)
                << QString::fromLatin1(way) << QString::fromUtf8(answer);
        }
    }
    QTest::newRow("calendar, Escape") << u"calendar"_s << QString();
}

void tst_Unsaved::question()
{
    QFETCH(QString, way);
    QFETCH(QString, answer);
    Window w;
    w.type(u"nowy "_s);
    const QString typed = w.editor->toPlainText();
    QCOMPARE(typed, u"nowy stary"_s);

    Answerer answerer(answer);
    w.leave(way);

    QCOMPARE(answerer.titles, QStringList(u"Niezapisana notatka"_s));
    QCOMPARE(answerer.texts, QStringList(questionText));
    QCOMPARE(answerer.icons, QList<QMessageBox::Icon>({ QMessageBox::Warning }));
    // The button box lists its buttons by role; the platform's convention places them on screen.
    QCOMPARE(answerer.buttons,
        QStringList(u"Zapisz:%1 Anuluj:%2 Nie zapisuj:%3 default:Zapisz escape:Anuluj"_s
                        .arg(QMessageBox::AcceptRole)
                        .arg(QMessageBox::RejectRole)
                        .arg(QMessageBox::DestructiveRole)));

    const bool saved = answer == u"Zapisz"_s;
    const bool left = saved || answer == u"Nie zapisuj"_s;
    QCOMPARE(noteFileBytes(),
        saved ? QByteArray(R"({"2024/05/14":"nowy stary","2024/05/15":"inny"})") : twoNotes);
    if (saved) {
        QCOMPARE(w.status(), u"Pomyślnie zapisano"_s);
    }
    if (way == u"close"_s) {
        QCOMPARE(w.window.isVisible(), !left);
        QCOMPARE(w.dayLabel->text(), u"14/05/2024"_s);
        QCOMPARE(w.editor->toPlainText(), answer == u"Nie zapisuj"_s ? QString() : typed);
        return;
    }
    QVERIFY(w.window.isVisible());
    QCOMPARE(w.dayLabel->text(), left ? u"15/05/2024"_s : u"14/05/2024"_s);
    QCOMPARE(w.editor->toPlainText(), left ? u"inny"_s : typed);
    if (w.sent) {
        // The question came from inside the list's first activation: when its window is active
        // again, there is no second question and nothing is sent again.
        w.sent->dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.sent->dialog));
        QCOMPARE(w.sent->count(), 1);
        QCOMPARE(w.sent->first().value(0).toString(), u"2024/05/15"_s);
        QCOMPARE(answerer.titles.size(), 1);
    }
}

void tst_Unsaved::failedSaveKeepsEverything_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("calendar") << u"calendar"_s;
    QTest::newRow("list") << u"list"_s;
    QTest::newRow("close") << u"close"_s;
}

void tst_Unsaved::failedSaveKeepsEverything()
{
    QFETCH(QString, way);
    Window w;
    w.type(u"nowy "_s);
    const QByteArray broken = R"({"2024/05/14":"stary",)";
    TestSupport::writeNoteFile(broken);
    if (way == u"list"_s) {
        // The list of a broken file is empty and sends nothing, so list a good copy and break
        // the file again before its first row arrives.
        TestSupport::writeNoteFile(twoNotes);
        QTimer::singleShot(0, this, [&] { TestSupport::writeNoteFile(broken); });
    }

    Answerer answerer(u"Zapisz"_s);
    w.leave(way);
    QCOMPARE(answerer.titles.size(), 1);
    QCOMPARE(w.status(), u"Nie zapisano - plik wydarzenia.json jest nieczytelny"_s);
    QCOMPARE(noteFileBytes(), broken);
    QVERIFY(w.window.isVisible());
    QCOMPARE(w.dayLabel->text(), u"14/05/2024"_s);
    QCOMPARE(w.editor->toPlainText(), u"nowy stary"_s);
}

void tst_Unsaved::nothingAtStake_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("way");
    for (const char *way : { "calendar", "close" }) {
        for (const char *state :
            { "just loaded", "empty", "typed and undone", "just saved", "saved with Ctrl+S" }) {
            QTest::addRow("%s, %s", state, way)
                << QString::fromLatin1(state) << QString::fromLatin1(way);
        }
    }
}

void tst_Unsaved::nothingAtStake()
{
    QFETCH(QString, state);
    QFETCH(QString, way);
    Window w;
    if (state == u"empty"_s) {
        w.editor->selectAll();
        QTest::keyClick(w.editor, Qt::Key_Delete);
    } else if (state == u"typed and undone"_s) {
        w.type(u"abc"_s);
        while (w.editor->document()->isUndoAvailable()) {
            QTest::keyClick(w.editor, Qt::Key_Z, Qt::ControlModifier);
        }
        QCOMPARE(w.editor->toPlainText(), u"stary"_s);
    } else if (state == u"just saved"_s) {
        w.type(u"nowy "_s);
        QTest::mouseClick(w.window.findChild<QPushButton *>(u"pushButton"_s), Qt::LeftButton);
        QCOMPARE(w.status(), u"Pomyślnie zapisano"_s);
    } else if (state == u"saved with Ctrl+S"_s) {
        w.type(u"nowy "_s);
        QVERIFY(QTest::qWaitForWindowActive(&w.window)); // the window's keys reach it then
        QTest::keyClick(w.editor, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(w.status(), u"Pomyślnie zapisano"_s);
        QCOMPARE(noteFileBytes(), QByteArray(R"({"2024/05/14":"nowy stary","2024/05/15":"inny"})"));
    }
    const QByteArray before = noteFileBytes();

    Answerer answerer(u"Anuluj"_s);
    w.leave(way);
    QCOMPARE(answerer.titles, QStringList());
    QCOMPARE(noteFileBytes(), before);
    if (way == u"close"_s) {
        QVERIFY(!w.window.isVisible());
    } else {
        QCOMPARE(w.dayLabel->text(), u"15/05/2024"_s);
        QCOMPARE(w.editor->toPlainText(), u"inny"_s);
    }
}

void tst_Unsaved::quitAsks_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("exitCode"); // 7: the application went on running
    QTest::newRow("Zapisz") << u"Zapisz"_s << 0;
    QTest::newRow("Anuluj") << u"Anuluj"_s << 7;
}

void tst_Unsaved::quitAsks()
{
    QFETCH(QString, answer);
    QFETCH(int, exitCode);
    Window w;
    w.type(u"nowy "_s);
    Answerer answerer(answer);
    // Once the question is answered, a window still open means the application went on running.
    connect(&answerer, &Answerer::answered, &w.window, [&w] {
        QTimer::singleShot(0, &w.window, [&w] {
            if (w.window.isVisible()) {
                QCoreApplication::exit(7);
            }
        });
    });
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCOMPARE(QCoreApplication::exec(), exitCode);
    QCOMPARE(answerer.titles.size(), 1);
}

// How the day's note changes in the file after the window loaded it, as another copy of the program
// or a sync tool bringing the diary from another computer changes it: the notes that the file then
// holds.
QJsonObject changedNotes(const QString &change)
{
    QJsonObject notes { { u"2024/05/15"_s, u"inny"_s } };
    if (change == u"rewritten"_s) {
        notes.insert(u"2024/05/14"_s, u"stary\nwieczorem"_s);
    } else if (change == u"added"_s) {
        notes.insert(u"2024/05/14"_s, u"wieczorem"_s);
    }
    return notes;
}

void tst_Unsaved::changedElsewhere_data()
{
    QTest::addColumn<QString>("change"); // "added": the day had no note when it was loaded
    QTest::addColumn<QString>("way"); // "Zapisz", or the unsaved text's question on a day change
    QTest::addColumn<QString>("answer"); // empty: Escape
    for (const char *change : { "rewritten", "added", "deleted" }) {
        for (const char *way : { "Zapisz", "calendar" }) {
            for (const char *answer : { "Zachowaj obie", "Zastąp", "Anuluj", "" }) {
                QTest::addRow("%s, %s, %s", change, way, *answer ? answer : "Escape")
                    << QString::fromLatin1(change) << QString::fromLatin1(way)
                    << QString::fromUtf8(answer);
            }
        }
    }
}

void tst_Unsaved::changedElsewhere()
{
    QFETCH(QString, change);
    QFETCH(QString, way);
    QFETCH(QString, answer);
    if (change == u"added"_s) {
        TestSupport::writeNoteFile(R"({"2024/05/15":"inny"})");
    }
    Window w;
    w.type(u"nowy "_s);
    const QString typed = w.editor->toPlainText();
    const QJsonObject changed = changedNotes(change);
    TestSupport::writeNoteFile(compact(changed));

    Answerer answerer(
        way == u"Zapisz"_s ? QStringList(answer) : QStringList { u"Zapisz"_s, answer });
    if (way == u"Zapisz"_s) {
        w.save();
    } else {
        w.leave(way);
    }
    QCOMPARE(answerer.titles.constLast(), u"Notatka zmieniona"_s);
    QCOMPARE(answerer.titles.size(), way == u"Zapisz"_s ? 1 : 2);
    QCOMPARE(answerer.texts.constLast(), changedText);
    QCOMPARE(answerer.icons.constLast(), QMessageBox::Warning);
    QCOMPARE(answerer.buttons.constLast(),
        u"Zachowaj obie:%1 Anuluj:%2 Zastąp:%3 default:Zachowaj obie escape:Anuluj"_s
            .arg(QMessageBox::AcceptRole)
            .arg(QMessageBox::RejectRole)
            .arg(QMessageBox::DestructiveRole));

    const QString other = changed.value(u"2024/05/14"_s).toString();
    QString saved;
    if (answer == u"Zachowaj obie"_s) {
        saved = other.isEmpty() ? typed : other + u"\n\n"_s + typed;
    } else if (answer == u"Zastąp"_s) {
        saved = typed;
    }
    if (saved.isEmpty()) {
        QCOMPARE(noteFileBytes(), compact(changed));
        QCOMPARE(w.status(), u"Nie zapisano"_s);
        QCOMPARE(w.dayLabel->text(), u"14/05/2024"_s);
        QCOMPARE(w.editor->toPlainText(), typed);
        return;
    }
    QJsonObject expected = changed;
    expected.insert(u"2024/05/14"_s, saved);
    QCOMPARE(noteFileBytes(), compact(expected));
    QCOMPARE(w.status(), u"Pomyślnie zapisano"_s);
    if (way == u"Zapisz"_s) {
        // The editor shows what was saved, which is now what the file holds: the next "Zapisz"
        // asks nothing.
        QCOMPARE(w.editor->toPlainText(), saved);
        w.editor->moveCursor(QTextCursor::End);
        w.type(u"!"_s);
        w.save();
        QCOMPARE(answerer.titles.size(), 1);
        expected.insert(u"2024/05/14"_s, QString(saved + u'!'));
        QCOMPARE(noteFileBytes(), compact(expected));
    } else {
        QCOMPARE(w.dayLabel->text(), u"15/05/2024"_s);
        QCOMPARE(w.editor->toPlainText(), u"inny"_s);
    }
}

void tst_Unsaved::untouchedTakesTheChange_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("rewritten") << u"rewritten"_s;
    QTest::newRow("deleted") << u"deleted"_s;
}

// "Zapisz" on an editor that holds just what was loaded writes nothing over a newer note.
void tst_Unsaved::untouchedTakesTheChange()
{
    QFETCH(QString, change);
    Window w;
    const QJsonObject changed = changedNotes(change);
    TestSupport::writeNoteFile(compact(changed));

    Answerer answerer(u"Anuluj"_s);
    w.save();
    QCOMPARE(answerer.titles, QStringList());
    QCOMPARE(noteFileBytes(), compact(changed));
    QCOMPARE(w.editor->toPlainText(), changed.value(u"2024/05/14"_s).toString());
    QCOMPARE(w.status(), reloaded);
    // What shows now is what was loaded: leaving the day asks nothing.
    w.leave(u"calendar"_s);
    QCOMPARE(answerer.titles, QStringList());
}

void tst_Unsaved::deletionOfAChangedNote_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("whileAsked"); // the change comes while the question is open
    QTest::newRow("rewritten before Zapisz") << u"rewritten"_s << false;
    QTest::newRow("rewritten while asked") << u"rewritten"_s << true;
    QTest::newRow("added while none was loaded") << u"added"_s << false;
}

void tst_Unsaved::deletionOfAChangedNote()
{
    QFETCH(QString, change);
    QFETCH(bool, whileAsked);
    if (change == u"added"_s) {
        TestSupport::writeNoteFile(R"({"2024/05/15":"inny"})");
    }
    Window w;
    w.editor->clear();
    const QJsonObject changed = changedNotes(change);
    Answerer answerer(u"Tak"_s);
    if (whileAsked) {
        answerer.whileAsked = [&](int) { TestSupport::writeNoteFile(compact(changed)); };
    } else {
        TestSupport::writeNoteFile(compact(changed));
    }
    w.save();
    QCOMPARE(answerer.titles, QStringList(u"Potwierdzenie"_s));
    QCOMPARE(noteFileBytes(), compact(changed));
    QCOMPARE(w.status(), reloaded);
    QCOMPARE(w.dayLabel->text(), u"14/05/2024"_s);
    QCOMPARE(w.editor->toPlainText(), changed.value(u"2024/05/14"_s).toString());

    // Now that it was seen, it may go.
    w.editor->clear();
    w.save();
    QCOMPARE(w.status(), u"Usunięto zapis"_s);
    QCOMPARE(noteFileBytes(), textFileBytes(QByteArray("{\n    \"2024/05/15\": \"inny\"\n}\n")));
}

// "Nie zapisuj" throws the text away at once: it never shows under the next day, even where that
// day's load finds no note file, as on a diary's first day.
void tst_Unsaved::discardedTextIsGone()
{
    TestSupport::removeNoteFile();
    Window w;
    w.type(u"pierwszy dzien"_s);
    Answerer answerer(u"Nie zapisuj"_s);
    w.leave(u"calendar"_s);
    QCOMPARE(answerer.titles, QStringList(u"Niezapisana notatka"_s));
    QCOMPARE(w.dayLabel->text(), u"15/05/2024"_s);
    QCOMPARE(w.editor->toPlainText(), QString());
    w.save();
    QCOMPARE(w.status(), u"Plik jest pusty - nie zapisano"_s);
    QCOMPARE(noteFileBytes(), QByteArray());
    TestSupport::clickCalendarDay(&w.window, day);
    QCOMPARE(answerer.titles.size(), 1);
}

QTEST_MAIN(tst_Unsaved)
#include "tst_unsaved.moc"
