// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The search window: finds the days whose notes hold every word typed, and sends the day of the
// current result to the main window that opened it, as the saved-days list does.
#ifndef SEARCHDIALOG_H
#define SEARCHDIALOG_H

#include <QDialog>
#include <QStringList>
#include <QTimer>

QT_BEGIN_NAMESPACE
namespace Ui {
class SearchDialog;
}
QT_END_NAMESPACE

namespace Accessibility {
class Announcer;
}

class SearchDialog : public QDialog
{
    Q_OBJECT

public:
    // notePath: the note file, read afresh for every search and never written.
    explicit SearchDialog(const QString &notePath, QWidget *parent = nullptr);
    ~SearchDialog() override;

    // Brings the window forward with the query selected, to be typed over.
    void focusQuery();

signals:
    // The day of the current result.
    void sendString(const QString &text);
    // Return on a result: its day, to be edited.
    void dayChosen(const QString &key);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void search();
    void showCount(const QString &text);

    Ui::SearchDialog *ui;
    QString notePath;
    // Typing restarts it; the search runs once the typing pauses.
    QTimer *pause;
    // The day key of each result, row by row.
    QStringList keys;
    Accessibility::Announcer *announcer;
};

#endif // SEARCHDIALOG_H
