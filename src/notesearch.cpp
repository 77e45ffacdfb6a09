// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Finding notes by their words, without regard to letter case or to Polish letters.
#include "notesearch.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <string_view>

using namespace Qt::StringLiterals;

namespace NoteSearch {

namespace {

// How much of the note a result's line shows before its first match, and in all.
constexpr qsizetype lineLead = 25;
constexpr qsizetype lineLength = 80;

// Below U+0180 lie ASCII, Latin-1 and Latin Extended-A, and so all Polish letters: folded through a
// table made once.
constexpr char16_t tableEnd = 0x180;

char16_t folded(char16_t c)
{
    static const std::array<char16_t, tableEnd> table = [] {
        std::array<char16_t, tableEnd> folds {};
        for (char16_t i = 0; i < tableEnd; ++i) {
            folds[i] = char16_t(QChar::toLower(char32_t(i)));
        }
        const std::u16string_view polish = u"ąĄćĆęĘłŁńŃóÓśŚźŹżŻ";
        const std::u16string_view plain = u"aacceellnnoosszzzz";
        for (size_t i = 0; i < polish.size(); ++i) {
            folds[polish[i]] = plain[i];
        }
        return folds;
    }();
    if (c < tableEnd) {
        return table[c];
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
