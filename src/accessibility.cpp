// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader hears beyond what Qt's widgets tell it: notices that nothing focused holds,
// the focused item of a view as it takes the focus, and questions named in words.
#include "accessibility.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QMessageBox>

using namespace Qt::StringLiterals;

namespace {

// Qt 6.8's announcements (Qt 6.4 has none) reach Windows' screen readers. Orca, the screen reader
// of AT-SPI desktops (Linux), does not hear them, but says a notification as it shows.
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
[[maybe_unused]] constexpr bool hearsAnnouncements = false;
#else
[[maybe_unused]] constexpr bool hearsAnnouncements = true;
#endif

} // namespace

namespace Accessibility {

// Where announcements are not heard, a notification that no window draws shows with the text.
class Announcer::Notice : public QAccessibleInterface
{
public:
    explicit Notice(QWidget *widget)
        : m_widget(widget)
    {
    }

    // The announcer deletes it before its widget goes.
    bool isValid() const override { return true; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_widget->window()->windowHandle(); }
    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_widget);
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text type) const override
    {
        return type == QAccessible::Name ? m_text : QString();
    }
    void setText(QAccessible::Text type, const QString &text) override
    {
        if (type == QAccessible::Name) {
            m_text = text;
        }
    }
    QRect rect() const override { return {}; }
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QAccessible::State state() const override { return {}; }

private:
    QWidget *m_widget;
    QString m_text;
};

Announcer::Announcer(QWidget *widget)
    : QObject(widget)
    , m_widget(widget)
{
}

Announcer::~Announcer()
{
    if (m_notice) {
        QAccessible::deleteAccessibleInterface(m_notice);
    }
}

void Announcer::say(const QString &text)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    if (hearsAnnouncements) {
        QAccessibleAnnouncementEvent event(m_widget, text);
        QAccessible::updateAccessibility(&event);
        return;
    }
#endif
    if (!m_notice) {
        m_notice = QAccessible::registerAccessibleInterface(new Notice(m_widget));
    }
    auto *notice = static_cast<Notice *>(QAccessible::accessibleInterface(m_notice));
    notice->setText(QAccessible::Name, text);
    // Orca 48 keeps the name it was told of before: a second notice would say the first's text.
    QAccessibleEvent renamed(notice, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
    QAccessibleEvent event(notice, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&event);
}

void tellFocusedItem(QAbstractItemView *view)
{
    // Once the events of the focus change itself have gone out.
    QMetaObject::invokeMethod(
        view,
        [view] {
            QAccessibleInterface *items = QAccessible::queryAccessibleInterface(view);
            QAccessibleInterface *item = items ? items->focusChild() : nullptr;
            if (!item || !view->hasFocus()) {
                return;
            }
            QAccessibleEvent event(view, QAccessible::Focus);
            event.setChild(items->indexOfChild(item));
            QAccessible::updateAccessibility(&event);
        },
        Qt::QueuedConnection);
}

void nameQuestion(QMessageBox &question, const QString &heard)
{
    if (auto *text = question.findChild<QLabel *>(u"qt_msgbox_label"_s)) {
        text->setAccessibleName(heard);
    }
}

} // namespace Accessibility
