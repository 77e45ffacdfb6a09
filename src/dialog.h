// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The saved-days list that "Odczytaj" opens.
#ifndef DIALOG_H
#define DIALOG_H

#include <QDialog>

QT_BEGIN_NAMESPACE
namespace Ui {
class Dialog;
}
QT_END_NAMESPACE

// Lists the days that have notes, newest first, and sends the day of the current row to the
// main window that opened it.
class Dialog : public QDialog
{
    Q_OBJECT

public:
    explicit Dialog(QWidget *parent = nullptr);
    ~Dialog() override;

private:
    Ui::Dialog *ui;
    // The key each row was listed from, row by row.
    QStringList keys;

    void spr();

signals:
    void sendString(const QString &text);

private slots:
    void on_listWidget_currentTextChanged(const QString &currentText);
};

#endif // DIALOG_H
