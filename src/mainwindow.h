#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>
#include <QPointer>

QT_BEGIN_NAMESPACE
namespace Ui {
class MainWindow;
}
class QTimer;
QT_END_NAMESPACE

class Dialog;

// The program's only primary window: a calendar, a ticking date/time panel and the notepad
// for the selected day.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

private slots:
    void czas();
    void on_pushButton_clicked();
    void on_pushButton_3_clicked();
    void on_calendarWidget_clicked(const QDate &date);
    void napisz();
    // Returns false when the note file could not be read or rewritten; it is then unchanged.
    bool remove(QString &key);
    bool containsKey(const QString &keyToCheck);

public slots:
    // Selects the day key chosen in a saved-days window and loads its note.
    void receiveString(const QString &text);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Before the editor's text is thrown away: when it holds typed text that is not saved, asks
    // whether to save it first. Returns false when the text must stay, because the user cancelled
    // or the save failed.
    bool mayDiscardText();
    // Makes the day of the key the selected one and loads its note, unless the unsaved text's
    // question keeps the day; returns whether it did.
    bool takeDay(const QString &key);
    void selectDay(const QString &key);
    // Saves the editor's text under the selected day; returns whether it was written.
    bool saveNote();
    void offerDeletion();
    void showStatus(const QString &message);

    Ui::MainWindow *ui;
    QTimer *Timer = nullptr;
    // The list opened last, while it is open; a closed list is deleted.
    QPointer<Dialog> dialog;
    // The selected day as a "yyyy/MM/dd" key.
    QString data;
    QString JsonFilePath;
    // The editor's text as the last load left it or the last save wrote it.
    QString storedText;
};

#endif // MAINWINDOW_H
