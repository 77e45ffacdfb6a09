#ifndef ACCESSIBILITY_H
#define ACCESSIBILITY_H

#include <QtGlobal>
#include <functional>

QT_BEGIN_NAMESPACE
class QAbstractButton;
class QCalendarWidget;
class QDate;
class QTextEdit;
class QWidget;
QT_END_NAMESPACE

// The main window from the keyboard and through a screen reader. A screen reader hears the
// calendar's grid as a table of dates: each day as its full date, weekday first ("wtorek,
// 8 grudnia 2026"), the weekdays' row and columns by the weekdays' names and each week as
// "tydzień 50", while the grid still shows day numbers.
namespace Accessibility {

// Return or Enter on the calendar calls takeDay with the highlighted day, as a click on it does;
// the arrows only move the highlight. Shift+Tab leaves the editor, whose Tab types a tab. The
// platform's Save keys click save from anywhere in window. The calendar's controls that show no
// text get Polish names.
void setUp(QWidget *window, QCalendarWidget *calendar, QTextEdit *editor, QAbstractButton *save,
    const std::function<void(const QDate &)> &takeDay);

} // namespace Accessibility

#endif // ACCESSIBILITY_H
