// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The calendar's grid of days as a screen reader meets it: each day as its full date.
#ifndef DAYGRID_H
#define DAYGRID_H

#include <QtGlobal>

QT_BEGIN_NAMESPACE
class QAbstractItemView;
class QCalendarWidget;
QT_END_NAMESPACE

// A screen reader hears the calendar's grid as six weeks of seven days, each day as its full date,
// weekday first ("wtorek, 8 grudnia 2026"), while the grid still shows day numbers: the day
// highlighted when the grid takes the focus, and one day for each move. On Windows the grid is a
// table; over AT-SPI a grid of cells without rows and columns (daygrid.cpp says why).
namespace Accessibility {

// The calendar's grid of days: the item view that Qt makes the calendar of, or null.
QAbstractItemView *dayGridOf(const QCalendarWidget *calendar);

// Has screen readers meet the calendar's grid as days, and gives Polish names to the calendar's
// controls that show no text.
void installDayGrid(QCalendarWidget *calendar);

} // namespace Accessibility

#endif // DAYGRID_H
