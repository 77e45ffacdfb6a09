#include "dialog.h"

#include "mainwindow.h"
#include "notefile.h"
#include "ui_dialog.h"

#include <QDate>
#include <QListWidgetItem>

using namespace Qt::StringLiterals;

namespace {
// The folder that holds the executable; the note file lives there.
QString filepin;

// Each row keeps the key it was listed from, so that a hand-written key that is not a date still
// leads back to its own note.
constexpr int keyRole = Qt::UserRole;
} // namespace

Dialog::Dialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::Dialog)
{
    ui->setupUi(this);
    if (auto *window = qobject_cast<MainWindow *>(parent)) {
        connect(this, &Dialog::sendString, window, &MainWindow::receiveString);
    }
    setWindowTitle(u"Zorvena 2.0"_s);
    filepin = QCoreApplication::applicationDirPath();
    spr();
}

Dialog::~Dialog()
{
    delete ui;
}

void Dialog::spr()
{
    NoteFile file(filepin + u"/wydarzenia.json"_s);
    const NoteFile::ReadStatus status = file.read();
    if (status == NoteFile::OpenError) {
        qWarning() << "Nie udało się otworzyć pliku.";
    }
    if (status == NoteFile::OpenError || status == NoteFile::ParseError) {
        qWarning() << "Błąd parsowania JSON.";
    }
    if (status != NoteFile::Read) {
        qWarning() << "Plik JSON nie zawiera obiektu.";
    }

    // Keys come in ascending order, so the newest day is the last one.
    const QStringList keys = file.notes().keys();
    ui->listWidget->setUpdatesEnabled(false);
    for (auto key = keys.crbegin(); key != keys.crend(); ++key) {
        const QDate date = QDate::fromString(*key, u"yyyy/MM/dd");
        auto *row = new QListWidgetItem(date.isValid() ? date.toString(u"dd/MM/yyyy") : *key);
        row->setData(keyRole, *key);
        ui->listWidget->addItem(row);
    }
    ui->listWidget->setUpdatesEnabled(true);
}

void Dialog::on_listWidget_currentTextChanged(const QString &currentText)
{
    Q_UNUSED(currentText); // the row's own key is sent, not a key rebuilt from its text
    if (const QListWidgetItem *row = ui->listWidget->currentItem()) {
        emit sendString(row->data(keyRole).toString());
    }
}
