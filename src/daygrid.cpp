// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The calendar's grid of days as a screen reader meets it: an accessible table of dates, its cells,
// and the factory that has Qt make it for the calendar's view.
#include "daygrid.h"

#include "accessibility.h"
#include "daykey.h"

#include <QAccessibleWidget>
#include <QCalendarWidget>
#include <QEvent>
#include <QHash>
#include <QTableView>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// What the grid offers differs by platform. Orca, the screen reader of AT-SPI desktops (Linux),
// reads the whole row of a table each time the highlight enters another row, as suits a list of
// files; in a month that is a week of dates for one move. There the grid is offered as a grid of
// cells, without the table interface (rows and columns) that leads Orca to do so. Windows' screen
// readers read one cell per move, and keep the table.
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
constexpr bool offerTable = false;
#else
constexpr bool offerTable = true;
#endif

// The calendar's grid of days as a screen reader meets it. Qt's own table interface names each cell
// by the text it shows, a bare day number, and each column by its position; this one names the
// cells by what they mean. As a table it has six weeks of seven days; the weekdays' names above
// and the week numbers beside are headers, which no day names as its own: its date says the
// weekday, and a screen reader would say each header again with the day. Its children are
// numbered as the view numbers them in its focus events: the model's cells row by row, each row
// led by its row header, below a row of column headers, both hidden here.
//
// The grid is the calendar's own view of a private model: a row of weekday names above six weeks
// of days, beside a column of week numbers. The dates of the days are found from what the model
// shows, not from the calendar's selection, which stays where it was when the month is changed
// with the calendar's controls.
class DayGrid : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit DayGrid(QTableView *view)
        : QAccessibleWidget(view, QAccessible::Table)
    {
    }

    ~DayGrid() override
    {
        for (const QAccessible::Id id : std::as_const(m_children)) {
            QAccessible::deleteAccessibleInterface(id);
        }
    }

    QTableView *view() const { return static_cast<QTableView *>(widget()); }

    // The child for a cell of the model; a row or column of -1 is a header's.
    int indexOf(int row, int column) const { return (row + 1) * (modelColumns() + 1) + column + 1; }

    // What a screen reader hears for a cell of the model, or for a header (row or column -1).
    QString nameOf(int row, int column) const
    {
        const bool weekdays = row < firstDayRow();
        const bool weeks = column < firstDayColumn();
        if (row == -1) {
            return weeks ? (column == -1 ? QString() : u"tydzień"_s) : weekdayName(column);
        }
        if (column == -1) {
            return weekdays || firstDayColumn() == 0 ? QString() : nameOf(row, 0);
        }
        if (weekdays) {
            return weeks ? QString() : weekdayName(column);
        }
        if (weeks) {
            return u"tydzień "_s + view()->model()->index(row, column).data().toString();
        }
        return DayKey::heardWithWeekday(dateAt(row, column), view()->locale());
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableInterface && offerTable) {
            return static_cast<QAccessibleTableInterface *>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    int childCount() const override { return (modelRows() + 1) * (modelColumns() + 1); }

    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount()) {
            return nullptr;
        }
        const auto known = m_children.constFind(index);
        if (known != m_children.constEnd()) {
            return QAccessible::accessibleInterface(*known);
        }
        QAccessibleInterface *item = new GridItem(const_cast<DayGrid *>(this),
            index / (modelColumns() + 1) - 1, index % (modelColumns() + 1) - 1);
        m_children.insert(index, QAccessible::registerAccessibleInterface(item));
        return item;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *item = dynamic_cast<const GridItem *>(child);
        return item && item->grid() == this ? indexOf(item->row(), item->column()) : -1;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        const QModelIndex index = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? child(indexOf(index.row(), index.column())) : nullptr;
    }

    QAccessibleInterface *focusChild() const override
    {
        const QModelIndex index = view()->currentIndex();
        return index.isValid() ? child(indexOf(index.row(), index.column())) : nullptr;
    }

    // The table counts weeks and days: its row 0, column 0 is the model's first day cell.
    QAccessibleInterface *cellAt(int row, int column) const override
    {
        if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) {
            return nullptr;
        }
        return child(indexOf(row + firstDayRow(), column + firstDayColumn()));
    }

    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QString columnDescription(int column) const override
    {
        return nameOf(-1, column + firstDayColumn());
    }
    QString rowDescription(int row) const override { return nameOf(row + firstDayRow(), -1); }
    int columnCount() const override { return modelColumns() - firstDayColumn(); }
    int rowCount() const override { return modelRows() - firstDayRow(); }

    int selectedCellCount() const override { return selectedCells().size(); }

    QList<QAccessibleInterface *> selectedCells() const override
    {
        QList<QAccessibleInterface *> cells;
        for (const QModelIndex &index : view()->selectionModel()->selectedIndexes()) {
            if (QAccessibleInterface *cell =
                    cellAt(index.row() - firstDayRow(), index.column() - firstDayColumn())) {
                cells.append(cell);
            }
        }
        return cells;
    }

    // One day is selected at a time, with the keys or the mouse, as the calendar allows.
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }

    // The model keeps its shape; only what the cells mean changes, and names are asked afresh.
    void modelChange(QAccessibleTableModelChangeEvent *) override { }

private:
    // A cell of the grid, or one of its hidden headers.
    class GridItem : public QAccessibleInterface, public QAccessibleTableCellInterface
    {
    public:
        GridItem(DayGrid *grid, int row, int column)
            : m_grid(grid)
            , m_row(row)
            , m_column(column)
        {
        }

        const DayGrid *grid() const { return m_grid; }
        int row() const { return m_row; }
        int column() const { return m_column; }

        // The grid deletes its items before it goes, and goes with its view.
        bool isValid() const override { return m_grid->isValid(); }
        QObject *object() const override { return nullptr; }
        QWindow *window() const override { return m_grid->window(); }
        QAccessibleInterface *parent() const override { return table(); }
        QAccessibleInterface *child(int) const override { return nullptr; }
        int childCount() const override { return 0; }
        int indexOfChild(const QAccessibleInterface *) const override { return -1; }
        QAccessibleInterface *childAt(int, int) const override { return nullptr; }
        void setText(QAccessible::Text, const QString &) override { }

        QString text(QAccessible::Text type) const override
        {
            return type == QAccessible::Name ? m_grid->nameOf(m_row, m_column) : QString();
        }

        // The weekdays' names and the week numbers, shown or hidden, are headers.
        QAccessible::Role role() const override
        {
            const bool weekdays = m_row < m_grid->firstDayRow();
            const bool weeks = m_column < m_grid->firstDayColumn();
            if (weekdays && weeks) {
                return QAccessible::Pane;
            }
            if (weekdays) {
                return QAccessible::ColumnHeader;
            }
            return weeks ? QAccessible::RowHeader : QAccessible::Cell;
        }

        QRect rect() const override
        {
            const QTableView *view = m_grid->view();
            if (!isCell() || !view->isVisible()) {
                return {};
            }
            const QRect area = view->visualRect(index());
            return { view->viewport()->mapToGlobal(area.topLeft()), area.size() };
        }

        QAccessible::State state() const override
        {
            QAccessible::State state;
            const QTableView *view = m_grid->view();
            if (!isCell() || !view->isVisible()) {
                state.invisible = true;
            }
            if (isDay()) {
                state.selectable = index().flags().testFlag(Qt::ItemIsSelectable);
                state.focusable = state.selectable;
                state.selected = isSelected();
                state.focused = view->currentIndex() == index();
            }
            return state;
        }

        void *interface_cast(QAccessible::InterfaceType type) override
        {
            if (type == QAccessible::TableCellInterface && isDay()) {
                return static_cast<QAccessibleTableCellInterface *>(this);
            }
            return nullptr;
        }

        bool isSelected() const override
        {
            return m_grid->view()->selectionModel()->isSelected(index());
        }

        // None: the day's name says its weekday, and a screen reader says a header with each day.
        QList<QAccessibleInterface *> columnHeaderCells() const override { return {}; }
        QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }

        int columnIndex() const override { return m_column - m_grid->firstDayColumn(); }
        int rowIndex() const override { return m_row - m_grid->firstDayRow(); }
        int columnExtent() const override { return 1; }
        int rowExtent() const override { return 1; }
        QAccessibleInterface *table() const override { return m_grid; }

    private:
        // A cell of the model, and one of its days.
        bool isCell() const { return m_row >= 0 && m_column >= 0; }
        bool isDay() const
        {
            return m_row >= m_grid->firstDayRow() && m_column >= m_grid->firstDayColumn();
        }
        QModelIndex index() const { return m_grid->view()->model()->index(m_row, m_column); }

        DayGrid *m_grid;
        int m_row;
        int m_column;
    };

    QCalendarWidget *calendar() const { return static_cast<QCalendarWidget *>(view()->parent()); }
    int modelRows() const { return view()->model()->rowCount(); }
    int modelColumns() const { return view()->model()->columnCount(); }

    // The days start below the weekdays' names and right of the week numbers, where those show.
    int firstDayRow() const
    {
        return calendar()->horizontalHeaderFormat() == QCalendarWidget::NoHorizontalHeader ? 0 : 1;
    }
    int firstDayColumn() const
    {
        return calendar()->verticalHeaderFormat() == QCalendarWidget::NoVerticalHeader ? 0 : 1;
    }

    QString weekdayName(int column) const
    {
        const int weekday = (calendar()->firstDayOfWeek() - 1 + column - firstDayColumn()) % 7 + 1;
        return view()->locale().standaloneDayName(weekday);
    }

    // Counted from the first of the month shown: the first day in reading order that shows 1, as
    // the grid starts less than a week before it.
    QDate dateAt(int row, int column) const
    {
        const QAbstractItemModel *model = view()->model();
        for (int r = firstDayRow(); r < model->rowCount(); ++r) {
            for (int c = firstDayColumn(); c < model->columnCount(); ++c) {
                if (model->index(r, c).data().toInt() == 1) {
                    const QCalendarWidget *days = calendar();
                    const QDate first(days->yearShown(), days->monthShown(), 1, days->calendar());
                    return first.addDays(7 * (row - r) + column - c);
                }
            }
        }
        return {};
    }

    mutable QHash<int, QAccessible::Id> m_children;
};

// Qt asks each factory for the interface of an object by the names of its classes, most derived
// first; the calendar's grid is of a class of Qt's own, which no factory of Qt's names, and which
// Qt 6.8 put in a namespace of its own (QtPrivate::QCalendarView).
QAccessibleInterface *dayGridFactory(const QString &className, QObject *object)
{
    if (!className.endsWith("QCalendarView"_L1)
        || object->objectName() != "qt_calendar_calendarview"_L1) {
        return nullptr;
    }
    auto *view = qobject_cast<QTableView *>(object);
    if (!view || !qobject_cast<QCalendarWidget *>(view->parent())) {
        return nullptr;
    }
    return new DayGrid(view);
}

// Tells a screen reader of the highlighted day as the grid takes the focus, which the grid tells of
// itself alone: after it, so that the day is the last word.
class TellsFocusedDay : public QObject
{
public:
    explicit TellsFocusedDay(QAbstractItemView *grid)
        : QObject(grid)
    {
        grid->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn && QAccessible::isActive()) {
            Accessibility::tellFocusedItem(static_cast<QAbstractItemView *>(watched));
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

namespace Accessibility {

QAbstractItemView *dayGridOf(const QCalendarWidget *calendar)
{
    return calendar->findChild<QTableView *>(u"qt_calendar_calendarview"_s);
}

void installDayGrid(QCalendarWidget *calendar)
{
    if (QAbstractItemView *grid = dayGridOf(calendar)) {
        // A screen reader that listened while the calendar was built has had Qt's own interface
        // made for the grid already; that one goes, and the grid's next one is a DayGrid.
        QAccessible::installFactory(dayGridFactory);
        QAccessibleInterface *table = QAccessible::queryAccessibleInterface(grid);
        if (table && !dynamic_cast<DayGrid *>(table)) {
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(table));
        }
        new TellsFocusedDay(grid);
        grid->setAccessibleName(u"Dni miesiąca"_s);
    }
    const std::pair<QString, QString> names[] = {
        { u"qt_calendar_prevmonth"_s, u"Poprzedni miesiąc"_s },
        { u"qt_calendar_nextmonth"_s, u"Następny miesiąc"_s },
        { u"qt_calendar_yearedit"_s, u"Rok"_s },
    };
    for (const auto &[objectName, accessibleName] : names) {
        if (auto *control = calendar->findChild<QWidget *>(objectName)) {
            control->setAccessibleName(accessibleName);
        }
    }
}

} // namespace Accessibility
