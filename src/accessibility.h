// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef ACCESSIBILITY_H
#define ACCESSIBILITY_H

#include <QAccessible>
#include <QObject>
#include <functional>

QT_BEGIN_NAMESPACE
class QAbstractButton;
class QAbstractItemView;
class QCalendarWidget;
class QDate;
class QMessageBox;
class QTextEdit;
class QWidget;
QT_END_NAMESPACE

// The main window from the keyboard and through a screen reader. A screen reader hears the
// calendar's grid as a table of six weeks of seven days, each day as its full date, weekday first
// ("wtorek, 8 grudnia 2026"), while the grid still shows day numbers: the day highlighted when the
// grid takes the focus, one day for each move, and "Wybrano: …" with the day that Return takes.
namespace Accessibility {

// Return or Enter on the calendar calls takeDay with the highlighted day, as a click on it does,
// which returns whether the day was taken; the arrows only move the highlight. Shift+Tab leaves the
// editor, whose Tab types a tab. The platform's Save keys click save from anywhere in window. The
// calendar's controls that show no text get Polish names.
void setUp(QWidget *window, QCalendarWidget *calendar, QTextEdit *editor, QAbstractButton *save,
    const std::function<bool(const QDate &)> &takeDay);

// Tells a screen reader which item of the view has the focus, as the view tells it of each move but
// not as the view itself takes the focus: after that, so that the item is the last word.
void tellFocusedItem(QAbstractItemView *view);

// What a screen reader says of a question instead of its text, whose dates it would read digit
// by digit.
void nameQuestion(QMessageBox &question, const QString &heard);

// Has a screen reader say a text that nothing focused holds, such as the day that Return took or
// the number of notes a search found, on behalf of the widget it is made for.
class Announcer : public QObject
{
public:
    explicit Announcer(QWidget *widget);
    ~Announcer() override;
    void say(const QString &text);

private:
    class Notice;
    QWidget *m_widget;
    QAccessible::Id m_notice = 0;
};

} // namespace Accessibility

#endif // ACCESSIBILITY_H
