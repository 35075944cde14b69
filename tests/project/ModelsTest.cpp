#include "project/ConfigProject.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

QStringList column(const EntryListModel& m, int c)
{
    QStringList l;
    for (int r = 0; r < m.count(); ++r)
        l.append(m.text(r, c));
    return l;
}

TEST(EntryModels, HeaderSortTogglesKeepsEmptyTextsLastAndHoldsThroughChanges)
{
    ExpertListModel m;
    for (const QString& n : {u"beta"_s, u""_s, u"Alpha"_s, u"gamma"_s, u"alpha"_s})
        m.add({n, {}, {}});
    m.sortByHeader(0);
    EXPECT_EQ(column(m, 0), (QStringList{u"Alpha"_s, u"alpha"_s, u"beta"_s, u"gamma"_s, u""_s}));
    m.sortByHeader(0);
    EXPECT_EQ(m.viewSettings().sortDirect, 1);
    EXPECT_EQ(column(m, 0), (QStringList{u""_s, u"gamma"_s, u"beta"_s, u"Alpha"_s, u"alpha"_s}))
        << "descending reverses the comparison; equal keys keep their order";
    m.sortByHeader(2);
    EXPECT_EQ(std::pair(m.viewSettings().sortColumn, m.viewSettings().sortDirect), std::pair(2, 0));

    // Restoring a layout only sets the arrow.
    ExpertListModel n;
    for (const QString& name : {u"b"_s, u"a"_s})
        n.add({name, {}, {}});
    n.setViewSettings({{1, 2, 3}, 0, 1});
    EXPECT_EQ(column(n, 0), (QStringList{u"b"_s, u"a"_s}));

    // Once a header sorted a list, a renamed or added row keeps the whole list in the header's order,
    // whether the list otherwise keeps insertion order or caption order.
    ExpertListModel experts;
    ComponentListModel group;
    for (EntryListModel* list : std::initializer_list<EntryListModel*>{&experts, &group}) {
        SCOPED_TRACE(list->columnCount());
        for (const QString& name : {u"b"_s, u"d"_s, u"a"_s})
            list->addRow({{name, name + u".bpl"_s}});
        list->sortByHeader(0);
        list->sortByHeader(0); // descending: d, b, a
        EXPECT_EQ(list->setCaption(2, u"c"_s), 1);
        EXPECT_EQ(column(*list, 0), (QStringList{u"d"_s, u"c"_s, u"b"_s}));
        EXPECT_EQ(list->addRow({{u"e"_s}}), 0);

        list->sortByHeader(1); // by file: a.bpl (now "c"), b.bpl, d.bpl, then the empty one
        list->setText(0, 1, u"z.bpl"_s);
        EXPECT_EQ(column(*list, 1), (QStringList{u"b.bpl"_s, u"d.bpl"_s, u"z.bpl"_s, u""_s}));
        list->setCaption(0, u"zz"_s); // another column than the sorted one: the row stays
        EXPECT_EQ(column(*list, 0).first(), u"zz"_s);
    }
}

TEST(EntryModels, GroupListsStayInCaptionOrder)
{
    const auto row = [](const QString& name, const QString& file = {}) {
        return ComponentListModel::toRow({name, file, {}, {}});
    };
    ComponentListModel m;
    for (const QString& n : {u"Indy"_s, u"Abbrevia"_s, u"zip"_s, u"Zebra"_s})
        m.add({n, {}, {}, {}});
    EXPECT_EQ(column(m, 0), (QStringList{u"Abbrevia"_s, u"Indy"_s, u"Zebra"_s, u"zip"_s}));

    // An in-place edit moves the row to its new place and reports where it went.
    QSignalSpy edited(&m, &EntryListModel::captionEdited);
    ASSERT_TRUE(m.setData(m.index(0, 0), u"Zz"_s, Qt::EditRole));
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(m.text(edited.first().first().toInt(), 0), u"Zz"_s);
    EXPECT_EQ(m.text(m.count() - 1, 0), u"Zz"_s);

    // Bulk loading gives the same order as adding one by one, equal captions in file order.
    ComponentListModel bulk;
    bulk.addRows({row(u"b"_s, u"1"_s), row(u"a"_s), row(u"b"_s, u"2"_s)});
    EXPECT_EQ(column(bulk, 0), (QStringList{u"a"_s, u"b"_s, u"b"_s}));
    EXPECT_EQ(column(bulk, 1), (QStringList{u""_s, u"1"_s, u"2"_s}));
    // A batch in order by itself is still merged with the rows before it; captions that differ
    // only in case are ordered by the sort keys, whichever order they came in.
    bulk.addRows({row(u"bb"_s, u"5"_s), row(u"c"_s, u"6"_s)});
    EXPECT_EQ(column(bulk, 0), (QStringList{u"a"_s, u"b"_s, u"b"_s, u"bb"_s, u"c"_s}));
    for (const QStringList& captions : {QStringList{u"a"_s, u"A"_s}, QStringList{u"A"_s, u"a"_s}}) {
        ComponentListModel cased;
        cased.addRows({row(captions[0]), row(captions[1])});
        EXPECT_EQ(column(cased, 0), (QStringList{u"A"_s, u"a"_s}));
    }
}

} // namespace
