// The streamed JSON of `show --json` against what QJsonDocument makes of the same content.

#include "cli/JsonWriter.h"
#include "cli/ProjectJson.h"
#include "platform/TimeText.h"
#include "project/ConfigProject.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

QByteArray written(const std::function<void(JsonWriter&)>& produce, qsizetype chunk = 64 * 1024)
{
    QByteArray text;
    JsonWriter w([&](const QByteArray& piece) { text += piece; }, chunk);
    produce(w);
    return text;
}

// Texts that need escaping or multi-byte UTF-8, and a lone surrogate of each kind.
const QStringList kAwkward = {
    u""_s,
    u"plain"_s,
    u"quote \" backslash \\ slash /"_s,
    QString::fromUtf16(u"\b\f\n\r\t\x01\x1f\x7f"),
    u"Äpfel € 中文"_s,
    QString::fromUtf16(u"\U0001F600 emoji"),
    QString(QChar(0xD800)) + u"x"_s,
    u"y"_s + QChar(0xDC00),
    QString(QChar(0xFFFF)) + QChar(0x07FF) + QChar(0x0800),
};

TEST(JsonWriterTest, WritesWhatQJsonDocumentWrites)
{
    QJsonArray strings;
    for (const QString& s : kAwkward)
        strings.append(s);
    const QJsonObject reference{
        {u"a"_s, strings},
        {u"b"_s, QJsonArray()},
        {u"c"_s, QJsonObject()},
        {u"d"_s,
         QJsonArray{QJsonObject{{u"n"_s, -5}, {u"t"_s, true}, {u"u"_s, false}, {u"v"_s, QJsonValue::Null}},
                    QJsonArray{QJsonArray(), 2147483647}}},
        {u"e"_s, qint64(-2147483648LL)}};
    const QByteArray expected = QJsonDocument(reference).toJson(QJsonDocument::Indented);

    const auto produce = [](JsonWriter& w) {
        w.beginObject();
        w.key("a"_L1);
        w.beginArray();
        for (const QString& s : kAwkward)
            w.value(s);
        w.endArray();
        w.key("b"_L1);
        w.beginArray();
        w.endArray();
        w.key("c"_L1);
        w.beginObject();
        w.endObject();
        w.key("d"_L1);
        w.beginArray();
        w.beginObject();
        w.key("n"_L1);
        w.value(-5);
        w.key("t"_L1);
        w.value(true);
        w.key("u"_L1);
        w.value(false);
        w.key("v"_L1);
        w.null();
        w.endObject();
        w.beginArray();
        w.beginArray();
        w.endArray();
        w.value(2147483647);
        w.endArray();
        w.endArray();
        w.key("e"_L1);
        w.value(qint64(-2147483648LL));
        w.endObject();
        w.finish();
    };
    EXPECT_EQ(written(produce), expected);
    // Handed over in small pieces, the text is the same.
    EXPECT_EQ(written(produce, 7), expected);
}

// The object `show --json` printed when it built a QJsonDocument.
QJsonObject viewObject(const ListViewSettings& v)
{
    QJsonArray cols;
    for (int w : v.columnWidths)
        cols.append(w);
    return {{u"columns"_s, cols}, {u"sortColumn"_s, v.sortColumn}, {u"sortDirect"_s, v.sortDirect}};
}

QJsonObject referenceObject(const ConfigProject& p)
{
    const ProjectStatistics& st = p.statistics();
    QJsonArray experts;
    for (int r = 0; r < p.experts().count(); ++r) {
        const ExpertEntry e = p.experts().entry(r);
        experts.append(QJsonObject{{u"name"_s, e.name}, {u"file"_s, e.file}, {u"note"_s, e.note},
                                   {u"selected"_s, e.selected}, {u"image"_s, e.image}});
    }
    QJsonArray groups;
    for (int g = 0; g < p.groupCount(); ++g) {
        QJsonArray comps;
        for (int r = 0; r < p.group(g).count(); ++r) {
            const ComponentEntry c = p.group(g).entry(r);
            comps.append(QJsonObject{{u"name"_s, c.name}, {u"file"_s, c.file}, {u"includePath"_s, c.includePath},
                                     {u"note"_s, c.note}, {u"selected"_s, c.selected}, {u"image"_s, c.image}});
        }
        QJsonObject group = viewObject(p.group(g).viewSettings());
        group.insert(u"name"_s, p.groupName(g));
        group.insert(u"components"_s, comps);
        groups.append(group);
    }
    QJsonArray tools;
    for (int r = 0; r < p.tools().count(); ++r) {
        const ToolEntry t = p.tools().entry(r);
        tools.append(QJsonObject{{u"title"_s, t.title}, {u"program"_s, t.program}, {u"workingDir"_s, t.workingDir},
                                 {u"params"_s, t.params}, {u"selected"_s, t.selected}, {u"image"_s, t.image}});
    }
    return {{u"statistics"_s,
             QJsonObject{{u"run"_s, st.runCount}, {u"timeSum"_s, timeText(st.timeSumMs)},
                         {u"lastTime"_s, dateTimeText(st.lastTime)}, {u"lastRun"_s, timeText(st.lastRunMs)},
                         {u"day"_s, st.days}, {u"sum"_s, st.sum}, {u"page"_s, st.page}}},
            {u"experts"_s, experts},
            {u"groups"_s, groups},
            {u"tools"_s, tools},
            {u"searchPath"_s, QJsonArray::fromStringList(p.searchPath().rows())},
            {u"expertsView"_s, viewObject(p.experts().viewSettings())},
            {u"toolsView"_s, viewObject(p.tools().viewSettings())}};
}

QByteArray projectText(const ConfigProject& p)
{
    return written([&](JsonWriter& w) { writeProjectJson(p, w); });
}

TEST(ProjectJsonTest, EmptyAndFilledProjectsMatchTheDocumentForm)
{
    ConfigProject empty;
    empty.statistics().lastTime = QDateTime(QDate(2026, 1, 5), QTime(9, 30));
    EXPECT_EQ(projectText(empty), QJsonDocument(referenceObject(empty)).toJson(QJsonDocument::Indented));

    ConfigProject p;
    ProjectStatistics& st = p.statistics();
    st.runCount = 7;
    st.timeSumMs = 3723000;
    st.days = 2;
    st.lastTime = QDateTime(QDate(2026, 1, 5), QTime(9, 30));
    st.lastRunMs = 61000;
    st.sum = 3;
    st.page = 1;
    for (int i = 0; i < kAwkward.size(); ++i)
        p.experts().add({kAwkward[i], u"$(Delphi)\\Experts\\e.dll"_s, kAwkward[(i + 1) % kAwkward.size()], i % 2 == 0,
                         i % 2 ? ImageOutsideRoot : ImageInsideRootMissing});
    p.addGroup(u"Empty group"_s);
    ComponentListModel& g = p.addGroup(u"Gruppe \"Ä\""_s);
    g.add({u"Zeta"_s, u"C:\\z.bpl"_s, u"C:\\inc\\"_s, kAwkward[3], false, ImageOutsideRootMissing});
    g.add({u"Alpha"_s, u"$(Delphi)\\a.bpl"_s, {}, {}, true, ImageInsideRoot});
    ListViewSettings view = g.viewSettings();
    view.columnWidths = {1, 2, 3, 4};
    view.sortColumn = 2;
    view.sortDirect = 1;
    g.setViewSettings(view);
    p.tools().add({u"Tool"_s, u"C:\\t.exe"_s, u"C:\\"_s, kAwkward[2], true, ImageOutsideRoot});
    p.searchPath().addPaths({u"$(Delphi)\\Lib"_s, kAwkward[4]});
    EXPECT_EQ(projectText(p), QJsonDocument(referenceObject(p)).toJson(QJsonDocument::Indented));
}

} // namespace
