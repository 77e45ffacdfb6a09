// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader hears beyond what Qt's widgets tell it, for every window of the program.
#ifndef ACCESSIBILITY_H
#define ACCESSIBILITY_H

#include <QAccessible>
#include <QObject>

QT_BEGIN_NAMESPACE
class QAbstractItemView;
class QMessageBox;
class QWidget;
QT_END_NAMESPACE

// The calendar's grid of days, which a screen reader hears as dates, has a unit of its own:
// daygrid.h.
namespace Accessibility {

// Tells a screen reader which item of the view has the focus, as the view tells it of each move but
// not as the view itself takes the focus: soon after, once the view has told of itself, so that the
// item is the last word.
void tellFocusedItem(QAbstractItemView *view);

// What a screen reader says of a question instead of its text, whose dates it would read digit
// by digit.
void nameQuestion(QMessageBox &question, const QString &heard);

// Has a screen reader say a text that nothing focused holds, such as the day that Return took or
// the number of notes a search found, on behalf of the widget it is made for.
class Announcer : public QObject
{
public:
    explicit Announcer(QWidget *widget);
    ~Announcer() override;
    void say(const QString &text);

private:
    class Notice;
    QWidget *m_widget;
    QAccessible::Id m_notice = 0;
};

} // namespace Accessibility

#endif // ACCESSIBILITY_H
