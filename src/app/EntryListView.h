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
    // Asks for the popup menu from the keyboard: at the current row, not at the pointer.
    void requestKeyboardMenu();

  Q_SIGNALS:
    // Any mouse button went down on the list, at x in the list's content (scrolling included);
    // sent after the press has selected its row.
    void mouseDown(int x);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

  private:
    QPointer<EntryListModel> m_model;
};

} // namespace vx::app
