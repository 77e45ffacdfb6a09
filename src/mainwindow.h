#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include <QMainWindow>

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

private:
    Ui::MainWindow *ui;
    QTimer *Timer = nullptr;
    Dialog *dialog = nullptr;
    // The selected day as a "yyyy/MM/dd" key.
    QString data;
    QString JsonFilePath;
};

#endif // MAINWINDOW_H
