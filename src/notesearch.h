// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Finding notes by the words they hold, as Polish users type them: without regard to letter case
// or to Polish letters ("zolw" and "ŻÓŁW" find "żółw", "łąka" finds "laka").
#ifndef NOTESEARCH_H
#define NOTESEARCH_H

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringView>

namespace NoteSearch {

// The text with every letter in lower case and every Polish letter as its plain Latin one, one
// character for each: a position in it is the same position in the text.
QString fold(QStringView text);

struct Result
{
    QString key; // the day key, as the note file holds it
    QString line; // one line of the note around its first match
};

// The days whose notes hold every word of the query, in any order, anywhere, newest first. Notes
// that are not strings are left out; an empty or blank query finds nothing.
QList<Result> find(const QJsonObject &notes, const QString &query);

} // namespace NoteSearch

#endif // NOTESEARCH_H
