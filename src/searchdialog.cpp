// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The search window: results follow the typing, each search reads the note file afresh.
#include "searchdialog.h"

#include "accessibility.h"
#include "daykey.h"
#include "notefile.h"
#include "notesearch.h"
#include "ui_searchdialog.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QShortcut>

using namespace Qt::StringLiterals;

namespace {
// How long typing pauses before the search runs: typing never waits for one.
constexpr int typingPause = 250;

QString countOf(qsizetype days)
{
    if (days == 0) {
        return u"Nic nie znaleziono"_s;
    }
    return u"Znaleziono: %1 %2"_s.arg(days).arg(days == 1 ? u"dzień"_s : u"dni"_s);
}
} // namespace

SearchDialog::SearchDialog(const QString &notePath, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::SearchDialog)
    , notePath(notePath)
    , pause(new QTimer(this))
    , announcer(new Accessibility::Announcer(this))
{
    ui->setupUi(this);
    pause->setObjectName(u"typingPause"_s);
    pause->setSingleShot(true);
    pause->setInterval(typingPause);
    connect(pause, &QTimer::timeout, this, &SearchDialog::search);
    connect(ui->searchField, &QLineEdit::textChanged, pause, qOverload<>(&QTimer::start));
    ui->searchField->installEventFilter(this);
    connect(ui->resultList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < keys.size()) {
            emit sendString(keys.at(row));
        }
    });
    connect(ui->resultList, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        const int row = ui->resultList->row(item);
        if (row >= 0 && row < keys.size()) {
            emit dayChosen(keys.at(row));
        }
    });
    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, &SearchDialog::focusQuery);
}

SearchDialog::~SearchDialog()
{
    delete ui;
}

void SearchDialog::focusQuery()
{
    raise();
    activateWindow();
    ui->searchField->setFocus(Qt::ShortcutFocusReason);
    ui->searchField->selectAll();
}

bool SearchDialog::eventFilter(QObject *watched, QEvent *event)
{
    // Down goes on from the query to the results, whose first row then becomes the current one.
    if (watched == ui->searchField && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Down && ui->resultList->count() > 0) {
        // The list makes its first row current as it takes the focus.
        ui->resultList->setFocus(Qt::TabFocusReason);
        Accessibility::tellFocusedItem(ui->resultList);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void SearchDialog::search()
{
    // Rows that go are no choice of the user's: the main window's day stays.
    const QSignalBlocker blocker(ui->resultList);
    ui->resultList->clear();
    keys.clear();
    const QString query = ui->searchField->text();
    if (query.trimmed().isEmpty()) {
        showCount({});
        return;
    }

    NoteFile file(notePath);
    const NoteFile::ReadStatus status = file.read();
    // No file, or an empty one, holds no notes; anything else that is not an object of notes
    // cannot be searched.
    if (status != NoteFile::ReadStatus::NoError && !file.hadNoContent()) {
        qWarning() << "Nie można przeszukać pliku wydarzenia.json:"
                   << (status == NoteFile::ReadStatus::ParseError ? file.parseErrorString()
                                                                  : u"nie jest obiektem JSON"_s);
        showCount(u"Nie można odczytać pliku wydarzenia.json"_s);
        return;
    }

    const QList<NoteSearch::Result> results = NoteSearch::find(file.notes(), query);
    QStringList rows;
    rows.reserve(results.size());
    keys.reserve(results.size());
    for (const NoteSearch::Result &result : results) {
        keys.append(result.key);
        rows.append(DayKey::toDisplay(result.key) + u"  "_s + result.line);
    }
    ui->resultList->addItems(rows);
    // A screen reader says the date in words, where it would read "14/05/2024" digit by digit.
    if (QAccessible::isActive()) {
        for (int row = 0; row < results.size(); ++row) {
            ui->resultList->item(row)->setData(Qt::AccessibleTextRole,
                QString(DayKey::toHeardWithWeekday(results.at(row).key) + u": "_s
                    + results.at(row).line));
        }
    }
    showCount(countOf(results.size()));
}

void SearchDialog::showCount(const QString &text)
{
    if (text == ui->countLabel->text()) {
        return;
    }
    ui->countLabel->setText(text);
    if (!text.isEmpty() && QAccessible::isActive()) {
        announcer->say(text);
    }
}
