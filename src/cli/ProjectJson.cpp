#include "cli/ProjectJson.h"

#include "platform/TimeText.h"
#include "project/ConfigProject.h"
#include "project/ProjectDiff.h"

using namespace Qt::StringLiterals;

namespace vx {

namespace {

// Keys go in ascending order within each object (see JsonWriter).

void writeColumns(JsonWriter& json, const ListViewSettings& v)
{
    json.key("columns"_L1).beginArray();
    for (int w : v.columnWidths)
        json.value(w);
    json.endArray();
}

void writeSort(JsonWriter& json, const ListViewSettings& v)
{
    json.key("sortColumn"_L1).value(v.sortColumn);
    json.key("sortDirect"_L1).value(v.sortDirect);
}

void writeView(JsonWriter& json, const ListViewSettings& v)
{
    json.beginObject();
    writeColumns(json, v);
    writeSort(json, v);
    json.endObject();
}

// A field of a row object: a text column, or the row's image or check box.
constexpr int kImage = -1;
constexpr int kSelected = -2;
struct RowField
{
    QLatin1StringView key;
    int column;
};

// Every row of a list as an object; `fields` come in ascending key order.
void writeRows(JsonWriter& json, const EntryListModel& list, std::initializer_list<RowField> fields)
{
    json.beginArray();
    for (int r = 0; r < list.count(); ++r) {
        const EntryRow& row = list.row(r);
        json.beginObject();
        for (const RowField& f : fields) {
            json.key(f.key);
            if (f.column == kImage)
                json.value(row.image);
            else if (f.column == kSelected)
                json.value(row.selected);
            else
                json.value(row.texts[f.column]);
        }
        json.endObject();
    }
    json.endArray();
}

void writeDiffItems(JsonWriter& json, const std::vector<DiffItem>& items)
{
    json.beginArray();
    for (const DiffItem& item : items) {
        const bool moved = item.change == DiffChange::Moved;
        json.beginObject();
        json.key("change"_L1).value(diffChangeName(item.change));
        if (!item.fields.isEmpty()) {
            json.key("fields"_L1).beginArray();
            for (const QString& f : item.fields)
                json.value(f);
            json.endArray();
        }
        json.key("file"_L1).value(item.file);
        if (moved)
            json.key("from"_L1).value(item.from);
        if (!item.group.isEmpty())
            json.key("group"_L1).value(item.group);
        json.key("name"_L1).value(item.name);
        if (moved)
            json.key("to"_L1).value(item.to);
        json.endObject();
    }
    json.endArray();
}

} // namespace

void writeProjectJson(const ConfigProject& p, JsonWriter& json)
{
    json.beginObject();

    json.key("experts"_L1); // name, file, note
    writeRows(
        json, p.experts(),
        {{"file"_L1, 1}, {"image"_L1, kImage}, {"name"_L1, 0}, {"note"_L1, 2}, {"selected"_L1, kSelected}});
    json.key("expertsView"_L1);
    writeView(json, p.experts().viewSettings());

    json.key("groups"_L1).beginArray();
    for (int g = 0; g < p.groupCount(); ++g) {
        const ComponentListModel& list = p.group(g);
        json.beginObject();
        writeColumns(json, list.viewSettings());
        json.key("components"_L1); // name, file, include path, note
        writeRows(json, list,
                  {{"file"_L1, 1},
                   {"image"_L1, kImage},
                   {"includePath"_L1, 2},
                   {"name"_L1, 0},
                   {"note"_L1, 3},
                   {"selected"_L1, kSelected}});
        json.key("name"_L1).value(p.groupName(g));
        writeSort(json, list.viewSettings());
        json.endObject();
    }
    json.endArray();

    json.key("searchPath"_L1).beginArray();
    for (int r = 0; r < p.searchPath().count(); ++r)
        json.value(p.searchPath().at(r));
    json.endArray();

    const ProjectStatistics& st = p.statistics();
    json.key("statistics"_L1).beginObject();
    json.key("day"_L1).value(st.days);
    json.key("lastRun"_L1).value(timeText(st.lastRunMs));
    json.key("lastTime"_L1).value(dateTimeText(st.lastTime));
    json.key("page"_L1).value(st.page);
    json.key("run"_L1).value(st.runCount);
    json.key("sum"_L1).value(st.sum);
    json.key("timeSum"_L1).value(timeText(st.timeSumMs));
    json.endObject();

    json.key("tools"_L1); // title, program, working dir, params
    writeRows(json, p.tools(),
              {{"image"_L1, kImage},
               {"params"_L1, 3},
               {"program"_L1, 1},
               {"selected"_L1, kSelected},
               {"title"_L1, 0},
               {"workingDir"_L1, 2}});
    json.key("toolsView"_L1);
    writeView(json, p.tools().viewSettings());

    json.endObject();
}

void writeDiffJson(const ProjectDiff& diff, JsonWriter& json)
{
    json.beginObject();
    json.key("experts"_L1);
    writeDiffItems(json, diff.experts);
    json.key("packages"_L1);
    writeDiffItems(json, diff.packages);
    json.key("searchPath"_L1);
    writeDiffItems(json, diff.searchPath);
    json.key("tools"_L1);
    writeDiffItems(json, diff.tools);
    json.endObject();
}

} // namespace vx
