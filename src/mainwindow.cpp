// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: picking a day, loading, saving and deleting its note, and the window's keys.
#include "mainwindow.h"

#include "accessibility.h"
#include "daygrid.h"
#include "daykey.h"
#include "dialog.h"
#include "notefile.h"
#include "searchdialog.h"
#include "ui_mainwindow.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QDateTime>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
// The folder that holds the executable; the note file lives there.
QString filepim;

constexpr int statusTimeout = 2000;

// A change that could not have the note file to itself, because another copy of the program holds
// it.
void warnLocked(const NoteFile &file)
{
    qWarning() << "Nie udało się zablokować pliku wydarzenia.json:" << file.errorString();
}

// Reads the note file for the key test and the deletion, which report a failure in the same words.
bool readForKeys(NoteFile &file, NoteFile::ReadOptions options)
{
    switch (file.read(options)) {
    case NoteFile::ReadStatus::OpenError:
        qDebug() << "Nie można otworzyć pliku JSON.";
        return false;
    case NoteFile::ReadStatus::ParseError:
        qDebug() << "Błąd parsowania JSON:" << file.parseErrorString();
        return false;
    case NoteFile::ReadStatus::NotAnObject:
        qDebug() << "Dane JSON nie są obiektem.";
        return false;
    case NoteFile::ReadStatus::LockError:
        warnLocked(file);
        return false;
    case NoteFile::ReadStatus::NoError:
        return true;
    }
    return false;
}

// Whether the last input that the calendar's grid of days took came from the keyboard. The
// calendar reports the highlighted day as activated on Return or Enter, but also on a double
// click, and on every click where the style activates items with one: such a click has already
// selected its day.
class KeyboardInput : public QObject
{
public:
    explicit KeyboardInput(QAbstractItemView *grid)
        : QObject(grid)
    {
        // Keys reach the grid, mouse buttons its viewport. A filter installed later sees an event
        // first, before the calendar's own filter that takes a typed date.
        grid->installEventFilter(this);
        grid->viewport()->installEventFilter(this);
    }

    bool wasLast() const { return m_wasLast; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            m_wasLast = true;
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
            m_wasLast = false;
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_wasLast = false;
};

// Shift+Tab takes the focus back out of the editor, whose Tab types a tab. On Windows the key
// carries a tab character too, which the editor would type instead.
class BacktabLeaves : public QObject
{
public:
    explicit BacktabLeaves(QWidget *editor)
        : QObject(editor)
    {
        editor->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress
            || static_cast<QKeyEvent *>(event)->key() != Qt::Key_Backtab) {
            return QObject::eventFilter(watched, event);
        }
        // The window moves the focus back, as it does for a Shift+Tab that no widget takes.
        QKeyEvent backtab(
            QEvent::KeyPress, Qt::Key_Backtab, static_cast<QKeyEvent *>(event)->modifiers());
        QCoreApplication::sendEvent(static_cast<QWidget *>(watched)->window(), &backtab);
        return true;
    }
};

// The note being edited, as the question before it is lost names it; noteHeard() as a screen
// reader says it, with the date in words, and so names the editor.
QString noteOf(const QString &key)
{
    return u"Notatka z "_s + DayKey::toDisplay(key);
}

QString noteHeard(const QString &key)
{
    return u"Notatka z "_s + DayKey::toHeard(key);
}

const QString reloaded = u"Notatka zmieniła się w innym miejscu - wczytano ją ponownie"_s;

// A question about the note of the day of key, built like the deletion question: no parent, so
// the toolkit's own look. Its text follows the note's display date; a screen reader hears the date
// in words. The first answer is the default, "Anuluj" (also Escape and the close button) the last.
enum class Answer {
    First,
    Second,
    Cancel,
};

Answer askAbout(const QString &key, const QString &title, const QString &text, const QString &first,
    const QString &second)
{
    QMessageBox question;
    question.setWindowTitle(title);
    question.setText(noteOf(key) + text);
    Accessibility::nameQuestion(question, noteHeard(key) + text);
    question.setIcon(QMessageBox::Warning);
    QPushButton *firstButton = question.addButton(first, QMessageBox::AcceptRole);
    QPushButton *secondButton = question.addButton(second, QMessageBox::DestructiveRole);
    QPushButton *cancel = question.addButton(u"Anuluj"_s, QMessageBox::RejectRole);
    question.setDefaultButton(firstButton);
    question.setEscapeButton(cancel);
    question.exec();

    if (question.clickedButton() == firstButton) {
        return Answer::First;
    }
    return question.clickedButton() == secondButton ? Answer::Second : Answer::Cancel;
}
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    Accessibility::installDayGrid(ui->calendarWidget);
    setUpKeys();
    setWindowTitle(u"Zorvena 2.0"_s);

    Timer = new QTimer(this);
    connect(Timer, &QTimer::timeout, this, &MainWindow::czas);
    Timer->setInterval(1000);
    Timer->start();

    selectDay(DayKey::fromDate(QDate::currentDate()));

    filepim = QCoreApplication::applicationDirPath();
    qDebug() << filepim;
    JsonFilePath = filepim + u"/wydarzenia.json";
    napisz();
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::setUpKeys()
{
    // Return or Enter on the calendar takes the highlighted day, as a click on it does; the arrows
    // only move the highlight. A screen reader then hears "Wybrano: " and the day, unless the
    // unsaved note's question kept the day from being taken.
    if (QAbstractItemView *grid = Accessibility::dayGridOf(ui->calendarWidget)) {
        auto *keyboard = new KeyboardInput(grid);
        auto *announcer = new Accessibility::Announcer(grid);
        connect(ui->calendarWidget, &QCalendarWidget::activated, grid,
            [this, keyboard, announcer](const QDate &date) {
                if (keyboard->wasLast() && takeDay(DayKey::fromDate(date))
                    && QAccessible::isActive()) {
                    announcer->say(u"Wybrano: "_s
                        + DayKey::heardWithWeekday(date, ui->calendarWidget->locale()));
                }
            });
        grid->setAccessibleDescription(u"Enter wybiera podświetlony dzień"_s);
    }
    // Shift+Tab leaves the editor, whose Tab types a tab.
    new BacktabLeaves(ui->textEdit);
    // From anywhere in the window, the editor included: the platform's Save keys (Ctrl+S) press
    // "Zapisz", and Ctrl+F searches the notes.
    auto *save = new QShortcut(QKeySequence::Save, this);
    connect(save, &QShortcut::activated, ui->pushButton, &QAbstractButton::click);
    setAccessibleDescription(u"Ctrl+F szuka w notatkach"_s);
    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, &MainWindow::openSearch);
}

void MainWindow::czas()
{
    const QDateTime now = QDateTime::currentDateTime();
    ui->data->setText(now.toString(u"dd/MM/yyyy"));
    ui->data_2->setText(now.toString(u"HH:mm:ss"));
}

void MainWindow::on_pushButton_3_clicked()
{
    // Each press opens a new list beside those still open. A closed list cannot be shown again,
    // so it goes with what it holds: a window left open for weeks would keep every one.
    dialog = new Dialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void MainWindow::openSearch()
{
    if (!search) {
        search = new SearchDialog(JsonFilePath, this);
        search->setAttribute(Qt::WA_DeleteOnClose);
        // A result reaches the window as a row of the saved-days list does.
        connect(search, &SearchDialog::sendString, this, &MainWindow::receiveString);
        connect(search, &SearchDialog::dayChosen, this, &MainWindow::editDay);
        search->show();
    }
    search->focusQuery();
}

void MainWindow::editDay(const QString &key)
{
    if (key != data && !takeDay(key)) {
        return;
    }
    raise();
    activateWindow();
    ui->textEdit->setFocus(Qt::OtherFocusReason);
}

void MainWindow::on_calendarWidget_clicked(const QDate &date)
{
    takeDay(DayKey::fromDate(date));
}

void MainWindow::receiveString(const QString &text)
{
    takeDay(text);
}

bool MainWindow::takeDay(const QString &key)
{
    if (!mayDiscardText()) {
        return false;
    }
    selectDay(key);
    napisz();
    return true;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!mayDiscardText()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

bool MainWindow::mayDiscardText()
{
    // An empty editor loses nothing: a stored note stays in the file.
    const QString text = ui->textEdit->toPlainText();
    if (text.isEmpty() || text == storedText) {
        return true;
    }
    switch (askAbout(data, u"Niezapisana notatka"_s, u" nie została zapisana. Zapisać ją?"_s,
        u"Zapisz"_s, u"Nie zapisuj"_s)) {
    case Answer::First:
        return saveNote();
    case Answer::Cancel:
        return false;
    case Answer::Second:
        break;
    }
    // Gone now, whatever the next load finds: discarded text never shows under another day.
    ui->textEdit->clear();
    storedText.clear();
    return true;
}

void MainWindow::selectDay(const QString &key)
{
    data = key;
    ui->label_3->setText(DayKey::toDisplay(key));
    ui->textEdit->setAccessibleName(noteHeard(key));
}

void MainWindow::napisz()
{
    // What the editor keeps when the file cannot be read is no note of this day's.
    loadedNote = QJsonValue(QJsonValue::Undefined);
    NoteFile file(JsonFilePath);
    switch (file.read()) {
    case NoteFile::ReadStatus::OpenError:
    case NoteFile::ReadStatus::LockError: // a read-only load takes no lock
        return;
    case NoteFile::ReadStatus::ParseError:
        qDebug() << "Error in Json Data: " << file.parseErrorString();
        return;
    case NoteFile::ReadStatus::NotAnObject:
        qDebug() << "No Error";
        return;
    case NoteFile::ReadStatus::NoError:
        qDebug() << "No Error";
        showNote(file.notes().value(data));
        return;
    }
}

void MainWindow::showNote(const QJsonValue &note)
{
    // Plain text: a note that looks like markup is shown, and saved back, as typed.
    ui->textEdit->setPlainText(note.toString());
    storedText = ui->textEdit->toPlainText();
    loadedNote = note;
}

bool MainWindow::containsKey(const QString &keyToCheck)
{
    NoteFile file(JsonFilePath);
    return readForKeys(file, NoteFile::ReadOption::TextMode) && file.notes().contains(keyToCheck);
}

MainWindow::Removal MainWindow::remove(QString &key)
{
    NoteFile file(JsonFilePath, NoteFile::Access::Update);
    if (!readForKeys(file, NoteFile::ReadOption::TextMode | NoteFile::ReadOption::Writable)) {
        return Removal::Failed;
    }
    QJsonObject notes = file.takeNotes();
    // The user asked to delete the note that was loaded, never one written since elsewhere.
    const QJsonValue current = notes.value(key);
    if (current != loadedNote) {
        showNote(current);
        return Removal::ChangedElsewhere;
    }
    notes.remove(key);
    switch (file.write(notes, NoteFile::Layout::Indented)) {
    case NoteFile::WriteStatus::OpenError:
        qDebug() << "Nie można otworzyć pliku JSON w trybie zapisu.";
        return Removal::Failed;
    case NoteFile::WriteStatus::WriteError:
        qDebug() << "Nie można zapisać pliku JSON:" << file.errorString();
        return Removal::Failed;
    case NoteFile::WriteStatus::NoError:
        break;
    }
    qDebug() << "Klucz" << key << "został usunięty z pliku JSON.";
    return Removal::Removed;
}

void MainWindow::on_pushButton_clicked()
{
    if (!ui->textEdit->toPlainText().isEmpty()) {
        saveNote();
    } else if (containsKey(data)) {
        offerDeletion();
    } else {
        showStatus(u"Plik jest pusty - nie zapisano"_s);
    }
}

bool MainWindow::saveNote()
{
    const QString typed = ui->textEdit->toPlainText();
    QString text = typed;
    // The day's note that the text was written against: the loaded one, then the one that the
    // user last decided about.
    QJsonValue expected = loadedNote;
    for (;;) {
        QJsonValue current;
        {
            NoteFile file(JsonFilePath, NoteFile::Access::Update);
            const NoteFile::ReadStatus status = file.read();
            if (status == NoteFile::ReadStatus::LockError) {
                warnLocked(file);
                showStatus(u"Nie udało się zapisać"_s);
                return false;
            }
            if (status == NoteFile::ReadStatus::OpenError) {
                qWarning() << "Nie udało się otworzyć pliku.";
            }
            if (status == NoteFile::ReadStatus::OpenError
                || status == NoteFile::ReadStatus::ParseError) {
                qWarning() << "Błąd parsowania JSON. (prawdopodobnie pusty plik)";
            }
            if (status != NoteFile::ReadStatus::NoError) {
                qWarning() << "Plik JSON nie zawiera obiektu.";
                // Starting afresh would wipe whatever the file holds; only a missing or empty
                // file may be replaced.
                if (!file.hadNoContent()) {
                    showStatus(u"Nie zapisano - plik wydarzenia.json jest nieczytelny"_s);
                    return false;
                }
            }

            QJsonObject notes = file.takeNotes();
            current = notes.value(data);
            if (current == expected) {
                notes.insert(data, text);
                switch (file.write(notes, NoteFile::Layout::Compact)) {
                case NoteFile::WriteStatus::OpenError:
                    qWarning() << "Nie udało się otworzyć pliku do zapisu.";
                    showStatus(u"Nie udało się zapisać"_s);
                    return false;
                case NoteFile::WriteStatus::WriteError:
                    qWarning() << "Nie udało się zapisać pliku:" << file.errorString();
                    showStatus(u"Nie udało się zapisać"_s);
                    return false;
                case NoteFile::WriteStatus::NoError:
                    if (text != typed) {
                        ui->textEdit->setPlainText(text);
                    }
                    storedText = ui->textEdit->toPlainText();
                    loadedNote = text;
                    showStatus(u"Pomyślnie zapisano"_s);
                    return true;
                }
                return false;
            }
        } // the lock goes before any question: another copy may save meanwhile

        // The day's note changed in the file since it was loaded.
        if (typed == storedText) {
            showNote(current); // nothing of the user's is at stake
            showStatus(reloaded);
            return false;
        }
        switch (askAbout(data, u"Notatka zmieniona"_s,
            u" zmieniła się w pliku, odkąd została wczytana (w innym oknie programu albo na innym "
            u"komputerze)."_s,
            u"Zachowaj obie"_s, u"Zastąp"_s)) {
        case Answer::First: { // both
            const QString other = current.toString();
            text = other.isEmpty() ? typed : other + u"\n\n"_s + typed;
            break;
        }
        case Answer::Second: // the editor's text in place of the other
            text = typed;
            break;
        case Answer::Cancel:
            showStatus(u"Nie zapisano"_s);
            return false;
        }
        // Written only if the note is still the one the user decided about; otherwise asked again.
        expected = current;
    }
}

void MainWindow::offerDeletion()
{
    // No parent: the question keeps the toolkit's own look, not the window's dark sheet.
    QMessageBox question;
    question.setWindowTitle(u"Potwierdzenie"_s);
    question.setText(u"Czy na pewno chcesz usunąć zapis z  "_s + DayKey::toDisplay(data) + u"?"_s);
    Accessibility::nameQuestion(
        question, u"Czy na pewno chcesz usunąć zapis z "_s + DayKey::toHeard(data) + u"?"_s);
    question.setIcon(QMessageBox::Question);
    QPushButton *yes = question.addButton(u"Tak"_s, QMessageBox::YesRole);
    question.addButton(u"Nie"_s, QMessageBox::NoRole);
    question.exec();

    // Anything but an explicit "Tak" (Escape, the close button) keeps the note.
    if (question.clickedButton() != yes) {
        showStatus(u"Operacja usunięcia zapisu została anulowana"_s);
        return;
    }
    switch (remove(data)) {
    case Removal::Failed:
        showStatus(u"Nie udało się usunąć zapisu"_s);
        return;
    case Removal::ChangedElsewhere:
        showStatus(reloaded);
        return;
    case Removal::Removed:
        break;
    }
    showStatus(u"Usunięto zapis"_s);
    selectDay(DayKey::fromDate(QDate::currentDate()));
    napisz();
}

void MainWindow::showStatus(const QString &message)
{
    ui->statusbar->showMessage(message, statusTimeout);
}
