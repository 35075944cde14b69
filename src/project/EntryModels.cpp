#include "project/EntryModels.h"

#include <QCollator>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace vx {

namespace {

std::function<QVariant(int)>& decorationProvider()
{
    static std::function<QVariant(int)> provider;
    return provider;
}

const QCollator& collator()
{
    static const QCollator c = [] {
        QCollator col;
        col.setCaseSensitivity(Qt::CaseInsensitive);
        return col;
    }();
    return c;
}

// Header sorting: ASCII letters compared without case, everything else by code unit, empty
// texts after all others.
int compareForHeader(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return int(a.isEmpty()) - int(b.isEmpty());
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x >= u'A' && x <= u'Z')
            x = char16_t(x + 32);
        if (y >= u'A' && y <= u'Z')
            y = char16_t(y + 32);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

} // namespace

QVariant entryDecoration(int image)
{
    return decorationProvider() ? decorationProvider()(image) : QVariant();
}

int compareCaptions(const QString& a, const QString& b)
{
    return collator().compare(a, b);
}

EntryListModel::EntryListModel(int columns, Order order, QList<int> defaultWidths, QObject* parent)
    : QAbstractTableModel(parent), m_columns(columns), m_order(order),
      m_defaultWidths(std::move(defaultWidths))
{
    m_view.columnWidths = m_defaultWidths;
}

void EntryListModel::setDecorationProvider(std::function<QVariant(int)> provider)
{
    decorationProvider() = std::move(provider);
}

int EntryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int EntryListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QString EntryListModel::text(int r, int column) const
{
    const QStringList& t = m_rows[size_t(r)].texts;
    return column < t.size() ? t[column] : QString();
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const EntryRow& r = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::ToolTipRole:
        return text(index.row(), index.column());
    case Qt::CheckStateRole:
        if (index.column() == 0)
            return r.selected ? Qt::Checked : Qt::Unchecked;
        return {};
    case ImageIndexRole:
        if (index.column() == 0)
            return r.image;
        return {};
    case Qt::DecorationRole:
        if (index.column() == 0 && decorationProvider())
            return decorationProvider()(r.image);
        return {};
    default:
        return {};
    }
}

bool EntryListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    if (role == Qt::CheckStateRole && index.column() == 0) {
        setSelected(index.row(), value.toInt() == Qt::Checked);
        return true;
    }
    if (role == Qt::EditRole && index.column() == 0) {
        const int at = setCaption(index.row(), value.toString());
        Q_EMIT captionEdited(at);
        return true;
    }
    return false;
}

Qt::ItemFlags EntryListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0)
        f |= Qt::ItemIsUserCheckable | Qt::ItemIsEditable;
    return f;
}

QVariant EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns)
        return {};
    if (role == Qt::DisplayRole)
        return section < m_headers.size() ? m_headers[section] : QString();
    if (role == Qt::InitialSortOrderRole)
        return Qt::AscendingOrder;
    return {};
}

void EntryListModel::setHeaders(const QStringList& headers)
{
    m_headers = headers;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
}

int EntryListModel::captionPosition(const QString& caption, int skipRow) const
{
    // Like a sorted list view: the row goes before the first row whose caption sorts after it.
    // The rows may have been reordered by a header click, so no binary search.
    for (int i = 0; i < count(); ++i) {
        if (i != skipRow && compareCaptions(text(i, 0), caption) > 0)
            return i;
    }
    return count();
}

int EntryListModel::addRow(EntryRow row)
{
    while (row.texts.size() < m_columns)
        row.texts.append(QString());
    const int at = m_order == Order::ByCaption ? captionPosition(row.texts[0], -1) : count();
    beginInsertRows({}, at, at);
    m_selectedCount += row.selected ? 1 : 0;
    m_rows.insert(m_rows.begin() + at, std::move(row));
    endInsertRows();
    const int placed = m_view.sortColumn >= 0 ? placeRow(at, -1) : at;
    Q_EMIT checkStateChanged(placed);
    return placed;
}

void EntryListModel::addRows(std::vector<EntryRow> rows)
{
    if (rows.empty())
        return;
    for (EntryRow& r : rows) {
        while (r.texts.size() < m_columns)
            r.texts.append(QString());
        m_selectedCount += r.selected ? 1 : 0;
    }
    beginResetModel();
    const size_t first = m_rows.size();
    if (m_rows.empty()) {
        m_rows = std::move(rows); // a project's list arrives whole: no second copy while it grows
    } else {
        m_rows.reserve(m_rows.size() + rows.size());
        std::move(rows.begin(), rows.end(), std::back_inserter(m_rows));
    }
    if (m_order == Order::ByCaption) {
        // Same result as adding one at a time into a caption-sorted list (each row lands after the
        // rows with an equal caption), without the quadratic insertion.
        const auto byCaption = [](const EntryRow& a, const EntryRow& b) {
            return compareCaptions(a.texts[0], b.texts[0]) < 0;
        };
        const bool wasSorted = std::is_sorted(m_rows.begin(), m_rows.begin() + qsizetype(first), byCaption);
        // Rows whose captions strictly ascend already (a project file that Save wrote) stay as
        // they are: the sort would not move them. Checking takes one comparison a row and no sort
        // keys. Equal captions go through the sort, whose keys also order captions that differ
        // only in case.
        const auto notBefore = [](const EntryRow& a, const EntryRow& b) {
            return compareCaptions(a.texts[0], b.texts[0]) >= 0;
        };
        const auto tail = m_rows.begin() + qsizetype(first > 0 ? first - 1 : 0);
        const bool inOrder = wasSorted && std::adjacent_find(tail, m_rows.end(), notBefore) == m_rows.end();
        if (!inOrder && wasSorted) {
            std::vector<std::pair<QCollatorSortKey, size_t>> keys;
            keys.reserve(m_rows.size());
            for (size_t i = 0; i < m_rows.size(); ++i)
                keys.emplace_back(collator().sortKey(m_rows[i].texts[0]), i);
            std::stable_sort(keys.begin(), keys.end(),
                             [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
            std::vector<EntryRow> sorted;
            sorted.reserve(m_rows.size());
            for (const auto& k : keys)
                sorted.push_back(std::move(m_rows[k.second]));
            m_rows = std::move(sorted);
        } else if (!inOrder) {
            std::vector<EntryRow> added(std::make_move_iterator(m_rows.begin() + qsizetype(first)),
                                        std::make_move_iterator(m_rows.end()));
            m_rows.resize(first);
            for (EntryRow& r : added) {
                const int at = captionPosition(r.texts[0], -1);
                m_rows.insert(m_rows.begin() + at, std::move(r));
            }
        }
    }
    endResetModel();
    Q_EMIT checkStateChanged(-1);
}

void EntryListModel::removeRowAt(int r)
{
    if (r < 0 || r >= count())
        return;
    beginRemoveRows({}, r, r);
    m_selectedCount -= m_rows[size_t(r)].selected ? 1 : 0;
    m_rows.erase(m_rows.begin() + r);
    endRemoveRows();
    Q_EMIT checkStateChanged(-1);
}

void EntryListModel::clear()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    m_selectedCount = 0;
    endResetModel();
}

void EntryListModel::setSelected(int r, bool selected)
{
    if (r < 0 || r >= count())
        return;
    if (m_rows[size_t(r)].selected != selected) {
        m_rows[size_t(r)].selected = selected;
        m_selectedCount += selected ? 1 : -1;
        const QModelIndex i = index(r, 0);
        Q_EMIT dataChanged(i, i, {Qt::CheckStateRole});
    }
    Q_EMIT checkStateChanged(r);
}

int EntryListModel::setAllSelected(bool selected)
{
    int changed = 0;
    int runStart = -1;
    const auto endRun = [&](int end) {
        if (runStart >= 0)
            Q_EMIT dataChanged(index(runStart, 0), index(end - 1, 0), {Qt::CheckStateRole});
        runStart = -1;
    };
    for (int r = 0; r < count(); ++r) {
        EntryRow& row = m_rows[size_t(r)];
        if (row.selected == selected) {
            endRun(r);
            continue;
        }
        row.selected = selected;
        ++changed;
        if (runStart < 0)
            runStart = r;
    }
    endRun(count());
    m_selectedCount = selected ? count() : 0;
    if (changed > 0)
        Q_EMIT checkStateChanged(-1);
    return changed;
}

int EntryListModel::placeRow(int r, int column)
{
    // Once a header sorted the list, the list stays in the order its header shows: a changed text
    // of that column sorts the whole list again (the rows were not necessarily in that order, as
    // a loaded project only restores the arrow).
    if (m_view.sortColumn >= 0) {
        if (column != m_view.sortColumn && column >= 0)
            return r;
        const QPersistentModelIndex kept(index(r, 0));
        sortRows(m_view.sortColumn, m_view.sortDirect);
        return kept.row();
    }
    return column <= 0 ? moveToCaptionPlace(r) : r;
}

int EntryListModel::moveToCaptionPlace(int r)
{
    if (m_order != Order::ByCaption)
        return r;
    int to = captionPosition(text(r, 0), r);
    // captionPosition counts positions with row r still in place; moving down past it shifts by one.
    const int dest = to > r ? to - 1 : to;
    if (dest == r)
        return r;
    beginMoveRows({}, r, r, {}, to);
    EntryRow moved = std::move(m_rows[size_t(r)]);
    m_rows.erase(m_rows.begin() + r);
    m_rows.insert(m_rows.begin() + dest, std::move(moved));
    endMoveRows();
    return dest;
}

int EntryListModel::setCaption(int r, const QString& caption)
{
    if (r < 0 || r >= count())
        return r;
    m_rows[size_t(r)].texts[0] = caption;
    const QModelIndex i = index(r, 0);
    Q_EMIT dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
    return placeRow(r, 0);
}

void EntryListModel::setText(int r, int column, const QString& text)
{
    if (column == 0) {
        setCaption(r, text);
        return;
    }
    if (r < 0 || r >= count() || column >= m_columns)
        return;
    m_rows[size_t(r)].texts[column] = text;
    const QModelIndex i = index(r, column);
    Q_EMIT dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
    placeRow(r, column);
}

void EntryListModel::setImage(int r, int image)
{
    if (r < 0 || r >= count())
        return;
    m_rows[size_t(r)].image = image;
    const QModelIndex i = index(r, 0);
    Q_EMIT dataChanged(i, i, {ImageIndexRole, Qt::DecorationRole});
}

void EntryListModel::sortByHeader(int column)
{
    if (column < 0 || column >= m_columns)
        return;
    const int direction = (column == m_view.sortColumn && m_view.sortDirect == 0) ? 1 : 0;
    sortRows(column, direction);
}

void EntryListModel::sortRows(int column, int direction)
{
    if (column < 0 || column >= m_columns)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> order(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = compareForHeader(text(a, column), text(b, column));
        return direction == 0 ? c < 0 : c > 0;
    });
    std::vector<EntryRow> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int> newPos(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i) {
        newPos[size_t(order[i])] = int(i);
        sorted.push_back(std::move(m_rows[size_t(order[i])]));
    }
    m_rows = std::move(sorted);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before)
        after.append(index(newPos[size_t(i.row())], i.column()));
    changePersistentIndexList(before, after);
    m_view.sortColumn = column;
    m_view.sortDirect = direction;
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void EntryListModel::setViewSettings(const ListViewSettings& settings)
{
    m_view = settings;
    while (m_view.columnWidths.size() < m_columns)
        m_view.columnWidths.append(m_defaultWidths.value(m_view.columnWidths.size(), 100));
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
}

void EntryListModel::setColumnWidth(int column, int width)
{
    if (column >= 0 && column < m_view.columnWidths.size())
        m_view.columnWidths[column] = width;
}

// ---------------------------------------------------------------------------------------------

ExpertListModel::ExpertListModel(QObject* parent)
    : EntryListModel(3, Order::Insertion, {100, 264, 248}, parent)
{
    setHeaders({u"Name"_s, u"Expert File"_s, u"Note"_s});
}

EntryRow ExpertListModel::toRow(const ExpertEntry& e)
{
    return {{e.name, e.file, e.note}, e.selected, e.image};
}

ExpertEntry ExpertListModel::entry(int r) const
{
    const EntryRow& x = row(r);
    return {x.texts[0], x.texts[1], x.texts[2], x.selected, x.image};
}

int ExpertListModel::add(const ExpertEntry& e)
{
    return addRow(toRow(e));
}

ComponentListModel::ComponentListModel(QObject* parent)
    : EntryListModel(4, Order::ByCaption, {128, 100, 100, 100}, parent)
{
    setHeaders({u"Component"_s, u"Component File"_s, u"Include Path"_s, u"Note"_s});
}

EntryRow ComponentListModel::toRow(const ComponentEntry& e)
{
    return {{e.name, e.file, e.includePath, e.note}, e.selected, e.image};
}

ComponentEntry ComponentListModel::entry(int r) const
{
    const EntryRow& x = row(r);
    return {x.texts[0], x.texts[1], x.texts[2], x.texts[3], x.selected, x.image};
}

int ComponentListModel::add(const ComponentEntry& e)
{
    return addRow(toRow(e));
}

ToolListModel::ToolListModel(QObject* parent)
    : EntryListModel(4, Order::Insertion, {120, 180, 180, 132}, parent)
{
    setHeaders({u"Name"_s, u"Program"_s, u"Working Dir"_s, u"Params"_s});
}

EntryRow ToolListModel::toRow(const ToolEntry& e)
{
    return {{e.title, e.program, e.workingDir, e.params}, e.selected, e.image};
}

ToolEntry ToolListModel::entry(int r) const
{
    const EntryRow& x = row(r);
    return {x.texts[0], x.texts[1], x.texts[2], x.texts[3], x.selected, x.image};
}

int ToolListModel::add(const ToolEntry& e)
{
    return addRow(toRow(e));
}

// ---------------------------------------------------------------------------------------------

SearchPathModel::SearchPathModel(QObject* parent) : QAbstractListModel(parent) {}

int SearchPathModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant SearchPathModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const QString& t = m_rows[size_t(index.row())];
    const int image = PathMacro::isMacroForm(t) ? ImageInsideRoot : ImageOutsideRoot;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return t;
    case ImageIndexRole:
        return image;
    case Qt::DecorationRole:
        return entryDecoration(image);
    default:
        return {};
    }
}

QStringList SearchPathModel::rows() const
{
    QStringList l;
    l.reserve(count());
    for (const QString& s : m_rows)
        l.append(s);
    return l;
}

int SearchPathModel::addPath(const QString& text)
{
    int at = count();
    for (int i = 0; i < count(); ++i) {
        if (compareCaptions(m_rows[size_t(i)], text) > 0) {
            at = i;
            break;
        }
    }
    beginInsertRows({}, at, at);
    m_rows.insert(m_rows.begin() + at, text);
    endInsertRows();
    return at;
}

void SearchPathModel::addPaths(const QStringList& texts)
{
    if (texts.isEmpty())
        return;
    beginResetModel();
    for (const QString& t : texts)
        m_rows.push_back(t);
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [](const QString& a, const QString& b) { return compareCaptions(a, b) < 0; });
    endResetModel();
}

void SearchPathModel::removeRowAt(int r)
{
    if (r < 0 || r >= count())
        return;
    beginRemoveRows({}, r, r);
    m_rows.erase(m_rows.begin() + r);
    endRemoveRows();
}

int SearchPathModel::setPath(int r, const QString& text)
{
    if (r < 0 || r >= count())
        return r;
    removeRowAt(r);
    return addPath(text);
}

void SearchPathModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

QString SearchPathModel::joined() const
{
    return joinSearchPath(rows());
}

} // namespace vx
