#include "i18n/LanguageLoader.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

// An installed program reads the languages of DelphiRoot and of its data folder; DelphiRoot's file
// of a name wins, as the user may have edited it there.
TEST(LanguageFolders, EarlierFoldersWinAndNamesAreListedOnce)
{
    QTemporaryDir dir;
    const QString root = dir.filePath(u"Delphi7"_s);
    const QString data = dir.filePath(u"share/vorlix7/lang"_s);
    test::writeAll(root + u"/Chinese.lng"_s, "[Expert]\r\nExpert=Root\r\n");
    test::writeAll(root + u"/Mine.lng"_s, "[Expert]\r\nExpert=Mine\r\n");
    test::writeAll(data + u"/chinese.lng"_s, "[Expert]\r\nExpert=Data\r\n");
    test::writeAll(data + u"/English.lng"_s, "[Expert]\r\nExpert=Experts\r\n");

    EXPECT_EQ(availableLanguages(QStringList{root, data}),
              (QStringList{u"Chinese"_s, u"English"_s, u"Mine"_s}));
    EXPECT_EQ(availableLanguages(QStringList{data, root}),
              (QStringList{u"chinese"_s, u"English"_s, u"Mine"_s}));

    UiTexts texts;
    const struct
    {
        QStringList folders;
        QString name, caption;
    } cases[] = {
        {{root, data}, u"chinese"_s, u"Root"_s},
        {{data, root}, u"CHINESE"_s, u"Data"_s},
        {{root, data}, u"English"_s, u"Experts"_s}, // only in the data folder
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(loadLanguage(c.folders, c.name, texts).caption(u"TabSheetExperts"_s), c.caption);
    }
}

} // namespace
