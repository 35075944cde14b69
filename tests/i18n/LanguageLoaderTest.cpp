#include "i18n/LanguageLoader.h"
#include "platform/ini/IniFile.h"
#include "support/TestFiles.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <gtest/gtest.h>

#include <set>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace vx;
using vx::test::writeAll;

namespace {

const QString kShipped = QStringLiteral(VX_SOURCE_DIR "/data/lang");

// The text a table row ended up with.
std::optional<QString> textOf(const LanguageTexts& r, const UiTexts& t, const UiTextEntry& row)
{
    const QString object = row.object.toString();
    switch (row.target) {
    case TextTarget::Variable:
        return t[*uiTextFromKey(row.key)];
    case TextTarget::Hint:
        return r.hint(object);
    case TextTarget::Column:
        return r.column(object, row.column);
    default:
        return r.caption(object);
    }
}

// Every text of a result, as "object caption|hint|column n" -> text, plus the variables.
std::map<QString, QString> flatten(const LanguageTexts& r, const UiTexts& t)
{
    std::map<QString, QString> out;
    for (const auto& [object, c] : r.controls) {
        if (c.caption)
            out[object + u" caption"_s] = *c.caption;
        if (c.hint)
            out[object + u" hint"_s] = *c.hint;
        for (const auto& [n, text] : c.columns)
            out[object + u" column "_s + QString::number(n)] = text;
    }
    for (int i = 0; i < kUiTextCount; ++i)
        out[uiTextEntry(UiText(i)).key.toString()] = t[UiText(i)];
    out[u"main window hint"_s] = r.mainWindowHint;
    out[u"group menu"_s] = r.groupMenuCaption;
    out[u"folder dialog"_s] = r.folderDialogTitle;
    for (int i = 0; i < 4; ++i)
        out[u"group column "_s + QString::number(i + 1)] = r.groupListColumns[size_t(i)];
    return out;
}

// A shipped language file holds every key of the table and nothing else, as UTF-8 with CRLF.
void expectKeysAreTheTable(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    EXPECT_TRUE(QString(utf8(bytes)).contains(u"[Hint]\r\n"_s));
    EXPECT_FALSE(utf8.hasError());
    EXPECT_EQ(bytes.count("\n"), bytes.count("\r\n"));
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    IniFile file;
    file.setContent(bytes);
    std::set<QString> tableKeys;
    for (const UiTextEntry& row : uiTextTable()) {
        tableKeys.insert((row.section.toString() + u'/' + row.key.toString()).toLower());
        EXPECT_TRUE(file.hasKey(row.section.toString(), row.key.toString()))
            << "missing " << qPrintable(row.key.toString());
    }
    for (const QString& section : file.sectionNames()) {
        for (const QString& key : file.keyNames(section))
            EXPECT_TRUE(tableKeys.contains((section + u'/' + key).toLower()))
                << "unknown " << qPrintable(key);
    }
}

class LanguageLoaderTest : public ::testing::Test
{
  protected:
    QTemporaryDir dir;
    UiTexts texts;

    LanguageTexts loadFile(const QByteArray& content, const QString& name = u"test"_s)
    {
        writeAll(dir.filePath(name + u".lng"_s), content);
        return loadLanguage(dir.path(), name, texts);
    }
    // Names of the texts that differ from the English result.
    std::set<QString> changedFromEnglish(const LanguageTexts& r)
    {
        UiTexts english;
        const auto base = flatten(loadLanguage(dir.path(), u"English"_s, english), english);
        std::set<QString> changed;
        for (const auto& [k, v] : flatten(r, texts)) {
            if (!base.contains(k) || base.at(k) != v)
                changed.insert(k);
        }
        return changed;
    }
};

// English comes without a file, and from the generated English file after another language: the
// table's texts, the status panes empty and nothing else.
TEST_F(LanguageLoaderTest, EnglishIsTheTableWithoutAFileAndFromTheGeneratedFile)
{
    texts.set(UiText::Warn, u"stale"_s);
    const LanguageTexts r = loadLanguage(dir.path(), u"English"_s, texts);
    for (const UiTextEntry& row : uiTextTable())
        EXPECT_EQ(textOf(r, texts, row), row.english.toString()) << qPrintable(row.key.toString());
    EXPECT_EQ(r.controls.at(u"TabSheetExperts"_s).kind, ControlKind::Page);
    EXPECT_EQ(r.controls.at(u"popAddTool"_s).kind, ControlKind::MenuItem);
    const auto english = flatten(r, texts);
    for (const auto& [object, text] : english)
        EXPECT_EQ(text.isEmpty(), object.startsWith(u"RzStatusPane"_s)) << qPrintable(object);

    const QByteArray bytes = englishLanguageFile();
    expectKeysAreTheTable(bytes);
    loadLanguage(kShipped, u"chinese"_s, texts);
    EXPECT_EQ(flatten(loadFile(bytes, u"English"_s), texts), english);
}

TEST_F(LanguageLoaderTest, OneKeyChangesExactlyTheTextsBuiltFromItAndAnEmptyValueIsKept)
{
    EXPECT_EQ(changedFromEnglish(loadFile("[pop]\r\nAdd=Plus\r\n")),
              (std::set{u"popAddExpert caption"_s, u"popAddGroup caption"_s, u"popAddTool caption"_s,
                        u"RzRapidFireButtonAddPath caption"_s}));
    // Names match ignoring case; a variable has no control.
    EXPECT_EQ(changedFromEnglish(loadFile("[msg]\nmsgalreadyexist=dup\n")), std::set{u"MsgAlreadyExist"_s});
    EXPECT_EQ(texts[UiText::MsgAlreadyExist], u"dup"_s);
    // Unknown sections and keys are ignored.
    EXPECT_TRUE(changedFromEnglish(loadFile("[Nothing]\nAdd=x\n[pop]\nAddd=x\n")).empty());
    // An empty value is kept (blanks trimmed, after a byte-order mark); a missing key stays English.
    const LanguageTexts r = loadFile("\xEF\xBB\xBF[Expert]\r\nExpert=\r\n[common]\r\nOK=  \r\n");
    EXPECT_EQ(r.caption(u"TabSheetExperts"_s), QString());
    EXPECT_EQ(r.hint(u"RzListViewExpert"_s), u"Delphi "_s);
    EXPECT_EQ(texts[UiText::OK], QString());
    EXPECT_EQ(texts[UiText::Cancel], u"Cancel"_s);
}

// One text of each kind of source (a caption, a hint, a column, a variable; with a prefix or a
// suffix), and the texts built in code.
TEST_F(LanguageLoaderTest, DerivedTextsFollowTheirSources)
{
    const LanguageTexts r =
        loadFile("[Option]\nPath=Dir\n[common]\nEnable=On\n[Hint]\nWeb=Site\n[About]\nVorlix=VX\n"
                 "[Expert]\nNote=N\nName=Nm\n[Component]\nComponent=Pkg\nCompFile=CF\n"
                 "IncludePath=IP\n[Group]\nGroup=G\n");
    EXPECT_EQ(r.caption(u"LabelDelphiPath"_s), u"Delphi Dir"_s);
    EXPECT_EQ(r.caption(u"RzCheckBoxBDEen"_s), u"On BDE"_s);
    EXPECT_EQ(r.caption(u"RzLabelWeb"_s), u"Site"_s);
    EXPECT_EQ(r.hint(u"RzPageControlComp"_s), u"Delphi Pkg"_s);
    EXPECT_EQ(r.column(u"RzListViewTool"_s, 1), u"Nm"_s);
    EXPECT_EQ(r.mainWindowHint, u"Delphi VX"_s);
    EXPECT_EQ(r.groupMenuCaption, u"G"_s);
    EXPECT_EQ(r.groupListColumns, (std::array{u"Pkg"_s, u"CF"_s, u"IP"_s, u"N"_s}));
    EXPECT_EQ(r.folderDialogTitle, u"IP"_s);
}

TEST_F(LanguageLoaderTest, LanguageNameAloneChoosesTheAboutTextAndTips)
{
    const LanguageTexts chinese = loadLanguage(dir.path(), u"CHINESE"_s, texts);
    EXPECT_TRUE(chinese.chinese);
    EXPECT_EQ(chinese.tipImageList, u"ImageListTipCN"_s);
    EXPECT_EQ(chinese.caption(u"Labelshow"_s), aboutDescription(true));
    EXPECT_EQ(texts[UiText::OK], u"OK"_s); // no file here: the texts stay English
    const LanguageTexts other = loadFile("[About]\nAbout=\xe5\x85\xb3\xe4\xba\x8e\n", u"chinese2"_s);
    EXPECT_FALSE(other.chinese);
    EXPECT_EQ(other.tipImageList, u"ImageListTipEN"_s);
    EXPECT_EQ(other.caption(u"Labelshow"_s), aboutDescription(false));
}

// A folder or a FIFO named like a language is listed like a file, but nothing can be read from
// it: English, without blocking or failing.
TEST_F(LanguageLoaderTest, FilesAreFoundAndListedIgnoringCaseAndUnreadableOnesLoadAsEnglish)
{
    for (const char* name : {"English.lng", "chinese.lng", "Upper.LNG", "notes.txt", "old.lng.bak", ".lng"})
        writeAll(dir.filePath(QString::fromUtf8(name)), "[pop]\nAdd=from " + QByteArray(name) + "\n");
    QDir(dir.path()).mkdir(u"folder.LNG"_s);
    QDir(dir.path()).mkdir(u"plain"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath(u"pipe.lng"_s)).constData(), 0644), 0);
    EXPECT_EQ(availableLanguages(dir.path()),
              (QStringList{u"chinese"_s, u"English"_s, u"folder"_s, u"pipe"_s, u"Upper"_s}));
    EXPECT_TRUE(availableLanguages(dir.filePath(u"missing"_s)).isEmpty());
    EXPECT_EQ(loadLanguage(dir.path(), u"upper"_s, texts).caption(u"popAddExpert"_s), u"from Upper.LNG"_s);
    for (const QString& name : {u"folder"_s, u"pipe"_s}) {
        texts.set(UiText::OK, u"stale"_s);
        const LanguageTexts r = loadLanguage(dir.path(), name, texts);
        EXPECT_EQ(texts[UiText::OK], u"OK"_s) << name.toStdString();
        EXPECT_EQ(r.caption(u"popAddExpert"_s), u"&Add"_s) << name.toStdString();
    }
}

TEST_F(LanguageLoaderTest, ShippedChineseFileTranslatesEveryKey)
{
    const QByteArray bytes = test::readAll(QDir(kShipped).filePath(u"chinese.lng"_s));
    ASSERT_FALSE(bytes.isEmpty()) << qPrintable(kShipped);
    expectKeysAreTheTable(bytes);
    const LanguageTexts r = loadLanguage(kShipped, u"chinese"_s, texts);
    EXPECT_TRUE(r.chinese);
    // The placeholders, the "$(Delphi)" macro and the menu accelerators must survive translation.
    static const QRegularExpression kept(u"%[0-9sdu]|\\$\\(Delphi\\)|&[^&]"_s);
    for (const UiTextEntry& row : uiTextTable()) {
        const QString english = row.english.toString();
        const QString chinese = textOf(r, texts, row).value_or(QString());
        EXPECT_FALSE(chinese.isEmpty()) << qPrintable(row.key.toString());
        EXPECT_EQ(chinese == english, row.key == u"Vorlix")
            << qPrintable(row.key.toString()); // the product name stays
        EXPECT_EQ(chinese.count(kept), english.count(kept)) << qPrintable(row.key.toString());
    }
    // Choosing English afterwards restores every default, also in the process-wide texts.
    loadLanguage(kShipped, u"chinese"_s);
    EXPECT_NE(vx::texts()[UiText::OK], u"OK"_s);
    loadLanguage(dir.path(), u"English"_s);
    for (int i = 0; i < kUiTextCount; ++i)
        EXPECT_EQ(uiText(UiText(i)), UiTexts::english(UiText(i)));
}

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
