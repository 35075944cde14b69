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
    json.key("columns"_L1);
    json.beginArray();
    for (int w : v.columnWidths)
        json.value(w);
    json.endArray();
}

void writeView(JsonWriter& json, const ListViewSettings& v)
{
    json.beginObject();
    writeColumns(json, v);
    json.key("sortColumn"_L1);
    json.value(v.sortColumn);
    json.key("sortDirect"_L1);
    json.value(v.sortDirect);
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

void writeItems(JsonWriter& w, QLatin1StringView list, const std::vector<DiffItem>& items)
{
    w.key(list);
    w.beginArray();
    for (const DiffItem& item : items) {
        // Keys in ascending order, as the other JSON of the program.
        w.beginObject();
        w.key("change"_L1);
        w.value(diffChangeName(item.change));
        if (!item.fields.isEmpty()) {
            w.key("fields"_L1);
            w.beginArray();
            for (const QString& f : item.fields)
                w.value(f);
            w.endArray();
        }
        w.key("file"_L1);
        w.value(item.file);
        if (item.change == DiffChange::Moved) {
            w.key("from"_L1);
            w.value(item.from);
        }
        if (!item.group.isEmpty()) {
            w.key("group"_L1);
            w.value(item.group);
        }
        w.key("name"_L1);
        w.value(item.name);
        if (item.change == DiffChange::Moved) {
            w.key("to"_L1);
            w.value(item.to);
        }
        w.endObject();
    }
    w.endArray();
}

} // namespace

void writeDiffJson(const ProjectDiff& diff, JsonWriter& w)
{
    w.beginObject();
    writeItems(w, "experts"_L1, diff.experts);
    writeItems(w, "packages"_L1, diff.packages);
    writeItems(w, "searchPath"_L1, diff.searchPath);
    writeItems(w, "tools"_L1, diff.tools);
    w.endObject();
    w.finish();
}

void writeProjectJson(const ConfigProject& p, JsonWriter& json)
{
    json.beginObject();

    json.key("experts"_L1); // name, file, note
    writeRows(json, p.experts(),
              {{"file"_L1, 1}, {"image"_L1, kImage}, {"name"_L1, 0}, {"note"_L1, 2}, {"selected"_L1, kSelected}});

    json.key("expertsView"_L1);
    writeView(json, p.experts().viewSettings());

    json.key("groups"_L1);
    json.beginArray();
    for (int g = 0; g < p.groupCount(); ++g) {
        const ComponentListModel& list = p.group(g);
        const ListViewSettings& view = list.viewSettings();
        json.beginObject();
        writeColumns(json, view);
        json.key("components"_L1); // name, file, include path, note
        writeRows(json, list,
                  {{"file"_L1, 1}, {"image"_L1, kImage}, {"includePath"_L1, 2}, {"name"_L1, 0}, {"note"_L1, 3},
                   {"selected"_L1, kSelected}});
        json.key("name"_L1);
        json.value(p.groupName(g));
        json.key("sortColumn"_L1);
        json.value(view.sortColumn);
        json.key("sortDirect"_L1);
        json.value(view.sortDirect);
        json.endObject();
    }
    json.endArray();

    json.key("searchPath"_L1);
    json.beginArray();
    for (int r = 0; r < p.searchPath().count(); ++r)
        json.value(p.searchPath().at(r));
    json.endArray();

    const ProjectStatistics& st = p.statistics();
    json.key("statistics"_L1);
    json.beginObject();
    json.key("day"_L1);
    json.value(st.days);
    json.key("lastRun"_L1);
    json.value(timeText(st.lastRunMs));
    json.key("lastTime"_L1);
    json.value(dateTimeText(st.lastTime));
    json.key("page"_L1);
    json.value(st.page);
    json.key("run"_L1);
    json.value(st.runCount);
    json.key("sum"_L1);
    json.value(st.sum);
    json.key("timeSum"_L1);
    json.value(timeText(st.timeSumMs));
    json.endObject();

    json.key("tools"_L1); // title, program, working dir, params
    writeRows(json, p.tools(),
              {{"image"_L1, kImage}, {"params"_L1, 3}, {"program"_L1, 1}, {"selected"_L1, kSelected},
               {"title"_L1, 0}, {"workingDir"_L1, 2}});

    json.key("toolsView"_L1);
    writeView(json, p.tools().viewSettings());

    json.endObject();
    json.finish();
}

} // namespace vx
