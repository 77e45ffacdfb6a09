// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The numbered notes that helpers save in a loop, and how to tell which save a note came from.
#ifndef ZORVENA_TESTS_LOOPNOTE_H
#define ZORVENA_TESTS_LOOPNOTE_H

#include <QDate>
#include <QString>

// The notes the crash-safety helper saves: note N goes to one of forty days and carries its
// number, so a reader can tell which save it came from and whether it arrived whole.
namespace LoopNote {

inline QString key(int n)
{
    return QDate(2024, 1, 1).addDays(n % 40).toString(u"yyyy/MM/dd");
}

inline QString text(int n)
{
    return QString::number(n) + u':' + QString(4000 + n % 997, QChar(char16_t(u'ą' + n % 7)));
}

// A day of its own for every number, and a short note for it, for helpers that run side by side
// without sharing a day.
inline QString ownKey(int n)
{
    return QDate(2000, 1, 1).addDays(n).toString(u"yyyy/MM/dd");
}

inline QString ownText(int n)
{
    return u"notatka " + QString::number(n);
}

// The number of a note read back, or -1 when it is not a whole note of this kind.
inline int number(const QString &note)
{
    bool ok = false;
    const int n = note.section(u':', 0, 0).toInt(&ok);
    return ok && note == text(n) ? n : -1;
}

} // namespace LoopNote

#endif // ZORVENA_TESTS_LOOPNOTE_H
