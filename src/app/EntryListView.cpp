#include "app/EntryListView.h"

#include "project/EntryModels.h"

#include <QHeaderView>

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
    setSortingEnabled(false); // the model's rows are the order; headers sort them explicitly
    setFrameShape(QFrame::NoFrame);
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(false);
    header()->setSortIndicatorShown(false);
    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (!m_model)
            return;
        m_model->sortByHeader(column);
        restoreLayout();
    });
    connect(header(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (m_model)
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

void EntryListView::storeColumnWidths()
{
    if (!m_model)
        return;
    for (int c = 0; c < m_model->columnCount(); ++c)
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
        header()->setSortIndicator(v.sortColumn, v.sortDirect == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    } else {
        header()->setSortIndicatorShown(false);
    }
}

} // namespace vx::app
