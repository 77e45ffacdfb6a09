// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Day keys made from dates, and the dates they are shown as ("dd/MM/yyyy") and heard as, in words.
#include "daykey.h"

#include <QLocale>

using namespace Qt::StringLiterals;

namespace DayKey {

QString fromDate(const QDate &date)
{
    return date.toString(u"yyyy/MM/dd");
}

namespace {

// The day of a key written exactly "yyyy/MM/dd", or an invalid date. The saved-days list converts
// every key of the file, and the general date parser is slow: plain keys take this short way,
// anything else goes through the parser.
QDate plainDate(const QString &key)
{
    const auto digits = [&key](int from, int count) {
        int value = 0;
        for (int i = from; i < from + count; ++i) {
            const char16_t c = key.at(i).unicode();
            if (c < u'0' || c > u'9') {
                return -1;
            }
            value = value * 10 + (c - u'0');
        }
        return value;
    };
    if (key.size() != 10 || key.at(4) != u'/' || key.at(7) != u'/') {
        return {};
    }
    const int year = digits(0, 4);
    const int month = digits(5, 2);
    const int day = digits(8, 2);
    return year > 0 && month > 0 && day > 0 ? QDate(year, month, day) : QDate();
}

// The day of any key the parser takes, or an invalid date.
QDate dateOf(const QString &key)
{
    const QDate plain = plainDate(key);
    return plain.isValid() ? plain : QDate::fromString(key, u"yyyy/MM/dd");
}

} // namespace

QString toDisplay(const QString &key)
{
    if (plainDate(key).isValid()) {
        return key.mid(8, 2) + u'/' + key.mid(5, 2) + u'/' + key.left(4);
    }
    const QDate date = dateOf(key);
    return date.isValid() ? date.toString(u"dd/MM/yyyy") : key;
}

QString toHeard(const QString &key)
{
    const QDate date = dateOf(key);
    return date.isValid() ? QLocale().toString(date, u"d MMMM yyyy") : key;
}

QString toHeardWithWeekday(const QString &key)
{
    const QDate date = dateOf(key);
    return date.isValid() ? heardWithWeekday(date, QLocale()) : key;
}

QString heardWithWeekday(const QDate &date, const QLocale &locale)
{
    return locale.toString(date, QLocale::LongFormat);
}

} // namespace DayKey
