#include "mainwindow.h"

#include "ui_mainwindow.h"

#include <QDateTime>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {
// The folder that holds the executable; the note file lives there.
QString filepim;
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    setWindowTitle(u"Zorvena 2.0"_s);

    Timer = new QTimer(this);
    connect(Timer, &QTimer::timeout, this, &MainWindow::czas);
    Timer->setInterval(1000);
    Timer->start();

    // One reading of the clock, so that the key and its label never straddle midnight.
    const QDate today = QDate::currentDate();
    data = today.toString(u"yyyy/MM/dd");
    ui->label_3->setText(today.toString(u"dd/MM/yyyy"));

    filepim = QCoreApplication::applicationDirPath();
    qDebug() << filepim;
    JsonFilePath = filepim + u"/wydarzenia.json";
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::czas()
{
    const QDateTime now = QDateTime::currentDateTime();
    ui->data->setText(now.toString(u"dd/MM/yyyy"));
    ui->data_2->setText(now.toString(u"HH:mm:ss"));
}
