// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: calendar, date and time, and the notepad of the selected day.
#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QJsonValue>
#include <QMainWindow>
#include <QPointer>

QT_BEGIN_NAMESPACE
namespace Ui {
class MainWindow;
}
class QTimer;
QT_END_NAMESPACE

class Dialog;
class SearchDialog;

// The program's only primary window: a calendar, a ticking date/time panel and the notepad
// for the selected day.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private:
    enum class Removal {
        Removed,
        Failed, // the note file could not be read or rewritten; it is unchanged
        ChangedElsewhere, // the day's note is not the one loaded; it is loaded now, and stays
    };

private slots:
    void czas();
    void on_pushButton_clicked();
    void on_pushButton_3_clicked();
    void on_calendarWidget_clicked(const QDate &date);
    void napisz();
    // Removes the day's note, provided that it is still the one that was loaded.
    Removal remove(QString &key);
    bool containsKey(const QString &keyToCheck);

public slots:
    // Selects the day key chosen in a saved-days window and loads its note.
    void receiveString(const QString &text);
    // Selects the day unless it is the selected one already, then brings the window forward with
    // the focus in the editor; not when the unsaved text's question keeps the day.
    void editDay(const QString &key);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The window's own keys: Return on the calendar, Shift+Tab out of the editor, Ctrl+S, Ctrl+F.
    void setUpKeys();
    // Before the editor's text is thrown away: when it holds typed text that is not saved, asks
    // whether to save it first. Returns false when the text must stay, because the user cancelled
    // or the save failed.
    bool mayDiscardText();
    // Makes the day of the key the selected one and loads its note, unless the unsaved text's
    // question keeps the day; returns whether it did.
    bool takeDay(const QString &key);
    void selectDay(const QString &key);
    // Saves the editor's text under the selected day; returns whether it was written. Where the
    // day's note changed in the file since it was loaded, it asks first whether to keep both,
    // replace it or not save; where the editor holds just what was loaded, it loads the new note.
    bool saveNote();
    void offerDeletion();
    // Puts the day's note, as the note file holds it, into the editor.
    void showNote(const QJsonValue &note);
    void showStatus(const QString &message);

    Ui::MainWindow *ui;
    QTimer *Timer = nullptr;
    // The list opened last, while it is open; a closed list is deleted.
    QPointer<Dialog> dialog;
    // The search window, while it is open: one at a time. A closed one is deleted.
    QPointer<SearchDialog> search;
    void openSearch();
    // The selected day as a "yyyy/MM/dd" key.
    QString data;
    QString JsonFilePath;
    // The editor's text as the last load left it or the last save wrote it.
    QString storedText;
    // What the note file held for the selected day when it was loaded or last written: the note,
    // or undefined where there was none (or the file could not be read). A save or deletion that
    // finds something else there was made after a change elsewhere: another window of the
    // program, or the same diary on another computer brought over by a sync tool.
    QJsonValue loadedNote = QJsonValue(QJsonValue::Undefined);
};

#endif // MAINWINDOW_H
