#ifndef ACCESSIBILITY_H
#define ACCESSIBILITY_H

#include <QtGlobal>
#include <functional>

QT_BEGIN_NAMESPACE
class QAbstractButton;
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

// What a screen reader says of a question instead of its text, whose dates it would read digit
// by digit.
void nameQuestion(QMessageBox &question, const QString &heard);

} // namespace Accessibility

#endif // ACCESSIBILITY_H
