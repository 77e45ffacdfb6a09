// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The saved-days list: the days that have notes, newest first, read from the note file as it opens.
#include "dialog.h"

#include "daykey.h"
#include "mainwindow.h"
#include "notefile.h"
#include "ui_dialog.h"

#include <QAccessible>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
// The folder that holds the executable; the note file lives there.
QString filepin;
} // namespace

Dialog::Dialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::Dialog)
{
    ui->setupUi(this);
    // The caption names the list for a screen reader as it does on screen.
    ui->label->setBuddy(ui->listWidget);
    ui->listWidget->setAccessibleName(ui->label->text());
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
    if (status == NoteFile::ReadStatus::OpenError) {
        qWarning() << "Nie udało się otworzyć pliku.";
    }
    if (status == NoteFile::ReadStatus::OpenError || status == NoteFile::ReadStatus::ParseError) {
        qWarning() << "Błąd parsowania JSON.";
    }
    if (status != NoteFile::ReadStatus::NoError) {
        qWarning() << "Plik JSON nie zawiera obiektu.";
    }

    // Keys come in ascending order: the newest day is the last one and goes on top. Row i keeps
    // the key it was listed from in keys[i], so that a hand-written key that is not a date still
    // leads back to its own note.
    keys = file.notes().keys();
    std::reverse(keys.begin(), keys.end());
    QStringList rows;
    rows.reserve(keys.size());
    for (const QString &key : std::as_const(keys)) {
        rows.append(DayKey::toDisplay(key));
    }
    ui->listWidget->setUniformItemSizes(true);
    ui->listWidget->addItems(rows);
    // A screen reader says each row's date in words, where it would read "07/12/2026" digit by
    // digit; only one that listens pays for them.
    if (QAccessible::isActive()) {
        for (int row = 0; row < keys.size(); ++row) {
            ui->listWidget->item(row)->setData(
                Qt::AccessibleTextRole, DayKey::toHeard(keys.at(row)));
        }
    }
}

void Dialog::on_listWidget_currentTextChanged(const QString &currentText)
{
    Q_UNUSED(currentText); // the row's own key is sent, not a key rebuilt from its text
    const int row = ui->listWidget->currentRow();
    if (row >= 0 && row < keys.size()) {
        emit sendString(keys.at(row));
    }
}
