// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Finding notes by their words, without regard to letter case or to Polish letters.
#include "notesearch.h"

#include <QStringList>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace NoteSearch {

namespace {

// How much of the note a result's line shows before its first match, and in all.
constexpr qsizetype lineLead = 25;
constexpr qsizetype lineLength = 80;

char16_t folded(char16_t c)
{
    if (c < 0x80) {
        return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
    }
    switch (c) {
    case u'ą':
    case u'Ą':
        return u'a';
    case u'ć':
    case u'Ć':
        return u'c';
    case u'ę':
    case u'Ę':
        return u'e';
    case u'ł':
    case u'Ł':
        return u'l';
    case u'ń':
    case u'Ń':
        return u'n';
    case u'ó':
    case u'Ó':
        return u'o';
    case u'ś':
    case u'Ś':
        return u's';
    case u'ź':
    case u'Ź':
    case u'ż':
    case u'Ż':
        return u'z';
    default:
        break;
    }
    if (QChar::isSurrogate(c)) {
        return c;
    }
    const char32_t lower = QChar::toLower(char32_t(c));
    return lower <= 0xffff ? char16_t(lower) : c;
}

// The note's text around position, on one line, with "…" where it is cut.
QString lineAround(const QString &note, qsizetype position)
{
    const qsizetype start = std::max<qsizetype>(0, position - lineLead);
    const qsizetype end = std::min(note.size(), start + lineLength);
    QString line = note.mid(start, end - start);
    for (QChar &c : line) {
        if (c == u'\n' || c == u'\r' || c == u'\t') {
            c = u' ';
        }
    }
    if (start > 0) {
        line.prepend(u'…');
    }
    if (end < note.size()) {
        line.append(u'…');
    }
    return line;
}

} // namespace

QString fold(QStringView text)
{
    QString result(text.size(), Qt::Uninitialized);
    std::transform(text.begin(), text.end(), result.begin(),
        [](QChar c) { return QChar(folded(c.unicode())); });
    return result;
}

QList<Result> find(const QJsonObject &notes, const QString &query)
{
    // Any white space separates words.
    const QStringList words = fold(query).simplified().split(u' ', Qt::SkipEmptyParts);
    QList<Result> results;
    if (words.isEmpty()) {
        return results;
    }
    for (auto it = notes.constEnd(); it != notes.constBegin();) {
        --it;
        if (!it.value().isString()) {
            continue;
        }
        const QString note = it.value().toString();
        const QString text = fold(note);
        qsizetype first = text.size();
        bool all = true;
        for (const QString &word : words) {
            const qsizetype at = text.indexOf(word);
            if (at < 0) {
                all = false;
                break;
            }
            first = std::min(first, at);
        }
        if (all) {
            results.append({ it.key(), lineAround(note, first) });
        }
    }
    return results;
}

} // namespace NoteSearch
