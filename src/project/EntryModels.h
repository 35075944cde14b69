#pragma once

#include "project/PathMacro.h"

#include <QAbstractListModel>
#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <functional>
#include <vector>

namespace vx {

// Layout of one list as the project file keeps it.
struct ListViewSettings
{
    QList<int> columnWidths;
    int sortColumn = -1; // 0-based column last sorted by, -1 for none
    int sortDirect = 0;  // 0 ascending, 1 descending
    bool operator==(const ListViewSettings&) const = default;
};

// One row of an entry list: the caption and sub-items as shown, the check box and the image.
struct EntryRow
{
    QStringList texts;
    bool selected = true;
    int image = ImageOutsideRoot;
};

struct ExpertEntry
{
    QString name, file, note;
    bool selected = true;
    int image = ImageOutsideRoot;
};

struct ComponentEntry
{
    QString name, file, includePath, note;
    bool selected = true;
    int image = ImageOutsideRoot;
};

struct ToolEntry
{
    QString title, program, workingDir, params;
    bool selected = false;
    int image = ImageOutsideRoot;
};

// Role that carries a row's image index (12, 18, 27 or 28) in the first column.
inline constexpr int ImageIndexRole = Qt::UserRole + 1;

// The rows of an experts, components or tools list. The row order is part of the project, so
// sorting by a header reorders the rows themselves. Check boxes and in-place caption edits go
// through setData and are announced with checkStateChanged / captionEdited, whoever made them.
class EntryListModel : public QAbstractTableModel
{
    Q_OBJECT
  public:
    enum class Order {
        Insertion, // rows stay where they were added
        ByCaption, // rows are kept sorted by caption with the locale's collation
    };

    EntryListModel(int columns, Order order, QList<int> defaultWidths, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    Order order() const { return m_order; }
    int count() const { return int(m_rows.size()); }
    int selectedCount() const { return m_selectedCount; }
    const EntryRow& row(int r) const { return m_rows[size_t(r)]; }
    QString text(int r, int column) const;

    // Adds a row (at the end, or at its caption's place in a caption-sorted list) and returns the
    // row it landed on. checkStateChanged is emitted for it as for a click.
    int addRow(EntryRow row);
    // Adds many rows at once (project loading); sorts once instead of per row.
    void addRows(std::vector<EntryRow> rows);
    void removeRowAt(int r);
    void clear();
    void setSelected(int r, bool selected);
    // Checks or clears every row, first to last, in one pass: the view hears one change per run of
    // changed rows and checkStateChanged(-1) comes once when any row changed. Returns the number
    // of rows that changed.
    int setAllSelected(bool selected);
    // Sets the caption as an in-place edit does; a caption-sorted list moves the row, and a list
    // sorted by a header is sorted again by it when that column changed. Returns the row's new
    // position.
    int setCaption(int r, const QString& caption);
    void setText(int r, int column, const QString& text);
    void setImage(int r, int image);

    // A header click: sorts by that column ascending, or descending when the same column was the
    // ascending sort column.
    void sortByHeader(int column);
    // Sorts the rows by a column's text (ASCII case ignored, empty texts last) in a direction.
    void sortRows(int column, int direction);

    void setHeaders(const QStringList& headers);
    const ListViewSettings& viewSettings() const { return m_view; }
    // Restoring the layout sets widths and the header arrow; it never reorders rows.
    void setViewSettings(const ListViewSettings& settings);
    void setColumnWidth(int column, int width);
    const QList<int>& defaultWidths() const { return m_defaultWidths; }

    // Supplies the decoration (icon) for an image index; set once by the window.
    static void setDecorationProvider(std::function<QVariant(int image)> provider);

  Q_SIGNALS:
    void checkStateChanged(int row);
    void captionEdited(int row);

  private:
    int captionPosition(const QString& caption, int skipRow) const;
    // Moves row r where the list's order puts it after a change of `column` (-1: a new row).
    int placeRow(int r, int column);
    int moveToCaptionPlace(int r);

    int m_columns;
    Order m_order;
    std::vector<EntryRow> m_rows;
    int m_selectedCount = 0; // checked rows, kept as rows change so that counting is free
    QStringList m_headers;
    QList<int> m_defaultWidths;
    ListViewSettings m_view;
};

class ExpertListModel : public EntryListModel
{
    Q_OBJECT
  public:
    explicit ExpertListModel(QObject* parent = nullptr);
    ExpertEntry entry(int r) const;
    int add(const ExpertEntry& e);
    static EntryRow toRow(const ExpertEntry& e);
};

class ComponentListModel : public EntryListModel
{
    Q_OBJECT
  public:
    explicit ComponentListModel(QObject* parent = nullptr);
    ComponentEntry entry(int r) const;
    int add(const ComponentEntry& e);
    static EntryRow toRow(const ComponentEntry& e);
};

class ToolListModel : public EntryListModel
{
    Q_OBJECT
  public:
    explicit ToolListModel(QObject* parent = nullptr);
    ToolEntry entry(int r) const;
    int add(const ToolEntry& e);
    static EntryRow toRow(const ToolEntry& e);
};

// The library search path: one read-only column of directories kept in the locale's order.
class SearchPathModel : public QAbstractListModel
{
    Q_OBJECT
  public:
    explicit SearchPathModel(QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    int count() const { return int(m_rows.size()); }
    const QString& at(int r) const { return m_rows[size_t(r)]; }
    QStringList rows() const;
    int addPath(const QString& text);
    void addPaths(const QStringList& texts);
    void removeRowAt(int r);
    int setPath(int r, const QString& text);
    void clear();
    QString joined() const;

  private:
    std::vector<QString> m_rows;
};

// The decoration (icon) of an image index, as set by the window; empty before.
QVariant entryDecoration(int image);

// Locale-aware comparison used by every caption-sorted list.
int compareCaptions(const QString& a, const QString& b);

} // namespace vx
