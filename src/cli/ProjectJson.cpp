#include "cli/ProjectJson.h"

#include "platform/TimeText.h"
#include "project/ConfigProject.h"

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

} // namespace

void writeProjectJson(const ConfigProject& p, JsonWriter& json)
{
    json.beginObject();

    json.key("experts"_L1);
    json.beginArray();
    for (int r = 0; r < p.experts().count(); ++r) {
        const EntryRow& e = p.experts().row(r); // name, file, note
        json.beginObject();
        json.key("file"_L1);
        json.value(e.texts[1]);
        json.key("image"_L1);
        json.value(e.image);
        json.key("name"_L1);
        json.value(e.texts[0]);
        json.key("note"_L1);
        json.value(e.texts[2]);
        json.key("selected"_L1);
        json.value(e.selected);
        json.endObject();
    }
    json.endArray();

    json.key("expertsView"_L1);
    writeView(json, p.experts().viewSettings());

    json.key("groups"_L1);
    json.beginArray();
    for (int g = 0; g < p.groupCount(); ++g) {
        const ComponentListModel& list = p.group(g);
        const ListViewSettings& view = list.viewSettings();
        json.beginObject();
        writeColumns(json, view);
        json.key("components"_L1);
        json.beginArray();
        for (int r = 0; r < list.count(); ++r) {
            const EntryRow& c = list.row(r); // name, file, include path, note
            json.beginObject();
            json.key("file"_L1);
            json.value(c.texts[1]);
            json.key("image"_L1);
            json.value(c.image);
            json.key("includePath"_L1);
            json.value(c.texts[2]);
            json.key("name"_L1);
            json.value(c.texts[0]);
            json.key("note"_L1);
            json.value(c.texts[3]);
            json.key("selected"_L1);
            json.value(c.selected);
            json.endObject();
        }
        json.endArray();
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

    json.key("tools"_L1);
    json.beginArray();
    for (int r = 0; r < p.tools().count(); ++r) {
        const EntryRow& t = p.tools().row(r); // title, program, working dir, params
        json.beginObject();
        json.key("image"_L1);
        json.value(t.image);
        json.key("params"_L1);
        json.value(t.texts[3]);
        json.key("program"_L1);
        json.value(t.texts[1]);
        json.key("selected"_L1);
        json.value(t.selected);
        json.key("title"_L1);
        json.value(t.texts[0]);
        json.key("workingDir"_L1);
        json.value(t.texts[2]);
        json.endObject();
    }
    json.endArray();

    json.key("toolsView"_L1);
    writeView(json, p.tools().viewSettings());

    json.endObject();
    json.finish();
}

} // namespace vx
