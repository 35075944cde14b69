#include "app/EntryListView.h"

#include "project/EntryModels.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>

namespace vx::app {

EntryListView::EntryListView(QWidget* parent) : QTreeView(parent)
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setAlternatingRowColors(true);
    setIconSize(QSize(16, 16)); // the row images are small icons, whatever the style would pick
    setSortingEnabled(false);   // the model's rows are the order; headers sort them explicitly
    setFrameShape(QFrame::NoFrame);
    header()->setSectionsClickable(true);
    // The last column fills the rest of the list; its stored width is kept as loaded, so the saved
    // layout does not follow the window's size. A double click on a divider fits that column.
    header()->setStretchLastSection(true);
    header()->setSortIndicatorShown(false);
    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (!m_model)
            return;
        m_model->sortByHeader(column);
        restoreLayout();
    });
    connect(header(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (m_model && column < m_model->columnCount() - 1)
            m_model->setColumnWidth(column, size);
    });
}

void EntryListView::setEntryModel(EntryListModel* model)
{
    m_model = model;
    setModel(model);
    if (model) {
        connect(model, &QAbstractItemModel::headerDataChanged, this, [this] { restoreLayout(); });
        connect(model, &QAbstractItemModel::modelReset, this, [this] { restoreLayout(); });
    }
    restoreLayout();
}

void EntryListView::mousePressEvent(QMouseEvent* event)
{
    QTreeView::mousePressEvent(event);
    Q_EMIT mouseDown(int(event->position().x()) + horizontalScrollBar()->value());
}

void EntryListView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    // The current item is always a row's first cell, whichever cell was clicked: F2 renames the
    // caption, Space toggles the check box and typing finds a row by its caption.
    if (current.isValid() && current.column() != 0) {
        selectionModel()->setCurrentIndex(current.siblingAtColumn(0), QItemSelectionModel::NoUpdate);
        return;
    }
    QTreeView::currentChanged(current, previous);
}

bool EntryListView::viewportEvent(QEvent* event)
{
    // The context-menu key: the menu opens at the current row, where the user's attention is.
    if (event->type() == QEvent::ContextMenu &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        requestKeyboardMenu();
        return true;
    }
    return QTreeView::viewportEvent(event);
}

void EntryListView::requestKeyboardMenu()
{
    const QModelIndex current = currentIndex();
    const QRect r = current.isValid() ? visualRect(current) : QRect();
    const QPoint at = r.isValid() ? QPoint(r.left() + 8, r.bottom()) : QPoint(8, 8);
    Q_EMIT customContextMenuRequested(at);
}

void EntryListView::storeColumnWidths()
{
    if (!m_model)
        return;
    for (int c = 0; c < m_model->columnCount() - 1; ++c)
        m_model->setColumnWidth(c, columnWidth(c));
}

void EntryListView::restoreLayout()
{
    if (!m_model)
        return;
    const ListViewSettings v = m_model->viewSettings();
    QSignalBlocker block(header());
    for (int c = 0; c < v.columnWidths.size() && c < m_model->columnCount(); ++c)
        setColumnWidth(c, v.columnWidths[c]);
    if (v.sortColumn >= 0 && v.sortColumn < m_model->columnCount()) {
        header()->setSortIndicatorShown(true);
        header()->setSortIndicator(v.sortColumn,
                                   v.sortDirect == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    } else {
        header()->setSortIndicatorShown(false);
    }
}

} // namespace vx::app
