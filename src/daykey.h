// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Day keys, the note file's names for days ("yyyy/MM/dd"): made from dates, shown and said.
#ifndef DAYKEY_H
#define DAYKEY_H

#include <QDate>
#include <QLocale>
#include <QString>

// Day keys ("yyyy/MM/dd") as stored in the note file, and the display dates ("dd/MM/yyyy") that
// the user reads.
namespace DayKey {

QString fromDate(const QDate &date);

// The display date of a key; a hand-written key that is not a valid date is shown as written.
QString toDisplay(const QString &key);
// The same day as a screen reader says it, in words ("8 grudnia 2026"), where "08/12/2026" would
// be read digit by digit; a key that is not a valid date as written.
QString toHeard(const QString &key);
// The same with its weekday first ("wtorek, 8 grudnia 2026"), as the calendar's days are heard:
// of a key, and of a date in the words of a locale (the calendar's own).
QString toHeardWithWeekday(const QString &key);
QString heardWithWeekday(const QDate &date, const QLocale &locale);

} // namespace DayKey

#endif // DAYKEY_H
