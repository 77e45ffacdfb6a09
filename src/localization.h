// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The program's language: Polish for Qt's own texts, dates and calendar, whatever the system's.
#ifndef LOCALIZATION_H
#define LOCALIZATION_H

class QCoreApplication;

// The program is Polish wherever Qt picks the language itself, whatever the system's language:
// the calendar's month and day names and its first day of the week follow the default locale,
// and Qt's own texts (the editor's context menu, the names a screen reader hears for Qt's roles)
// come from Qt's Polish catalogue, qtbase_pl.qm. The program's own texts are Polish as written.
namespace Localization {

// Sets the default locale and installs Qt's catalogue on app; to be called before any window is
// made. Returns whether the catalogue was found: without it Qt's texts stay as Qt wrote them, and
// nothing else changes.
bool install(QCoreApplication &app);

} // namespace Localization

#endif // LOCALIZATION_H
