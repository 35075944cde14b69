#pragma once

#include <QPointer>
#include <QTreeView>

#include "project/EntryModels.h"

namespace vx::app {

// A report-style list over an entry model: check boxes in the first column, whole-row selection,
// grid-like rows, clickable headers that sort the model's rows, captions edited in place.
// Column widths are kept in the model's view settings, so that they are saved with the project.
class EntryListView : public QTreeView
{
    Q_OBJECT
public:
    explicit EntryListView(QWidget* parent = nullptr);
    void setEntryModel(EntryListModel* model);
    EntryListModel* entryModel() const { return m_model; }
    // Pushes the widths shown into the model (before the project's layout is written).
    void storeColumnWidths();
    // Applies the model's widths and sort arrow to the header.
    void restoreLayout();

private:
    QPointer<EntryListModel> m_model;
};

} // namespace vx::app
