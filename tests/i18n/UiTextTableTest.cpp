#include "i18n/UiTexts.h"
#include "platform/AsciiCase.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <utility>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

QString folded(QStringView s)
{
    QString out = s.toString();
    for (QChar& c : out)
        c = QChar(foldAscii(c.unicode()));
    return out;
}

TEST(UiTextTable, RowsAreUniqueCompleteAndAddressable)
{
    std::set<std::pair<QString, QString>> keys;
    std::set<std::tuple<QString, int, int>> targets;
    int variables = 0;
    for (const UiTextEntry& row : uiTextTable()) {
        const QString where = row.section.toString() + u'/' + row.key.toString();
        // Section and key names are matched ignoring case, so "Project" and "project" are one section.
        EXPECT_TRUE(keys.emplace(folded(row.section), folded(row.key)).second) << "duplicate " << qPrintable(where);
        EXPECT_FALSE(row.english.trimmed().isEmpty()) << qPrintable(where);
        EXPECT_EQ(row.english, row.english.trimmed()) << "the INI reader trims values: " << qPrintable(where);

        if (row.target == TextTarget::Variable) {
            ++variables;
            EXPECT_TRUE(row.object.isEmpty()) << qPrintable(where);
            continue;
        }
        EXPECT_FALSE(row.object.isEmpty()) << qPrintable(where);
        EXPECT_EQ(row.column > 0, row.target == TextTarget::Column) << qPrintable(where);
        // Two rows on the same target would let the later one silently win. Captions of all kinds
        // share one slot of the control.
        const bool isCaption = row.target == TextTarget::Caption || row.target == TextTarget::PageCaption
            || row.target == TextTarget::MenuItem;
        const int slot = isCaption ? 0 : int(row.target);
        EXPECT_TRUE(targets.emplace(row.object.toString(), slot, row.column).second)
            << "two rows for " << qPrintable(row.object.toString());
    }
    EXPECT_EQ(variables, kUiTextCount);
}

TEST(UiTextTable, EveryVariableFindsItsOwnRow)
{
    std::set<const UiTextEntry*> rows;
    for (int i = 0; i < kUiTextCount; ++i) {
        const UiText v = UiText(i);
        const UiTextEntry& row = uiTextEntry(v);
        EXPECT_EQ(row.target, TextTarget::Variable);
        EXPECT_TRUE(rows.insert(&row).second);
        EXPECT_EQ(uiTextFromKey(row.key), v) << qPrintable(row.key.toString());
    }
    EXPECT_FALSE(uiTextFromKey(u"Add")); // a menu caption, not a variable
}

} // namespace
