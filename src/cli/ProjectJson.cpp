#include "cli/ProjectJson.h"

#include "platform/TimeText.h"
#include "project/ConfigProject.h"
#include "project/ProjectDiff.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace vx {

namespace {

QJsonObject viewJson(const ListViewSettings& v)
{
    QJsonArray columns;
    for (int w : v.columnWidths)
        columns.append(w);
    return {{u"columns"_s, columns}, {u"sortColumn"_s, v.sortColumn}, {u"sortDirect"_s, v.sortDirect}};
}

// A field of a row object: a text column, or the row's image or check box.
constexpr int kImage = -1;
constexpr int kSelected = -2;
struct RowField
{
    QString key;
    int column;
};

// Every row of a list as an object.
QJsonArray rowsJson(const EntryListModel& list, std::initializer_list<RowField> fields)
{
    QJsonArray rows;
    for (int r = 0; r < list.count(); ++r) {
        const EntryRow& row = list.row(r);
        QJsonObject o;
        for (const RowField& f : fields)
            o.insert(f.key, f.column == kImage      ? QJsonValue(row.image)
                            : f.column == kSelected ? QJsonValue(row.selected)
                                                    : QJsonValue(row.texts[f.column]));
        rows.append(o);
    }
    return rows;
}

QJsonArray diffItemsJson(const std::vector<DiffItem>& items)
{
    QJsonArray list;
    for (const DiffItem& item : items) {
        QJsonObject o{{u"change"_s, diffChangeName(item.change)}, {u"file"_s, item.file}, {u"name"_s, item.name}};
        if (!item.fields.isEmpty())
            o.insert(u"fields"_s, QJsonArray::fromStringList(item.fields));
        if (!item.group.isEmpty())
            o.insert(u"group"_s, item.group);
        if (item.change == DiffChange::Moved) {
            o.insert(u"from"_s, item.from);
            o.insert(u"to"_s, item.to);
        }
        list.append(o);
    }
    return list;
}

} // namespace

QJsonObject projectJson(const ConfigProject& p)
{
    QJsonArray groups;
    for (int g = 0; g < p.groupCount(); ++g) {
        const ComponentListModel& list = p.group(g);
        QJsonObject group = viewJson(list.viewSettings());
        group.insert(u"name"_s, p.groupName(g));
        group.insert(u"components"_s, rowsJson(list, {{u"name"_s, 0}, {u"file"_s, 1}, {u"includePath"_s, 2},
                                                      {u"note"_s, 3}, {u"image"_s, kImage}, {u"selected"_s, kSelected}}));
        groups.append(group);
    }
    const ProjectStatistics& st = p.statistics();
    const QJsonObject statistics{{u"day"_s, st.days},
                                 {u"lastRun"_s, timeText(st.lastRunMs)},
                                 {u"lastTime"_s, dateTimeText(st.lastTime)},
                                 {u"page"_s, st.page},
                                 {u"run"_s, st.runCount},
                                 {u"sum"_s, st.sum},
                                 {u"timeSum"_s, timeText(st.timeSumMs)}};
    return {{u"experts"_s, rowsJson(p.experts(), {{u"name"_s, 0}, {u"file"_s, 1}, {u"note"_s, 2}, {u"image"_s, kImage},
                                                  {u"selected"_s, kSelected}})},
            {u"expertsView"_s, viewJson(p.experts().viewSettings())},
            {u"groups"_s, groups},
            {u"searchPath"_s, QJsonArray::fromStringList(p.searchPath().rows())},
            {u"statistics"_s, statistics},
            {u"tools"_s, rowsJson(p.tools(), {{u"title"_s, 0}, {u"program"_s, 1}, {u"workingDir"_s, 2}, {u"params"_s, 3},
                                              {u"image"_s, kImage}, {u"selected"_s, kSelected}})},
            {u"toolsView"_s, viewJson(p.tools().viewSettings())}};
}

QJsonObject diffJson(const ProjectDiff& diff)
{
    return {{u"experts"_s, diffItemsJson(diff.experts)},
            {u"packages"_s, diffItemsJson(diff.packages)},
            {u"searchPath"_s, diffItemsJson(diff.searchPath)},
            {u"tools"_s, diffItemsJson(diff.tools)}};
}

} // namespace vx
