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
using vx::test::readAll;
using vx::test::writeAll;

namespace {

QString shippedLanguageDir()
{
    return QFileInfo(QString::fromUtf8(__FILE__)).absoluteDir().filePath(u"../../data/lang"_s);
}

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
    const QString content = utf8(bytes);
    EXPECT_FALSE(utf8.hasError());
    EXPECT_TRUE(content.contains(u"[Hint]\r\n"_s));
    EXPECT_EQ(bytes.count("\n"), bytes.count("\r\n"));
    EXPECT_TRUE(bytes.endsWith("\r\n"));

    IniFile file;
    file.setContent(bytes);
    std::set<QString> tableKeys;
    for (const UiTextEntry& row : uiTextTable()) {
        const QString where = row.section.toString() + u'/' + row.key.toString();
        tableKeys.insert(where.toLower());
        EXPECT_TRUE(file.hasKey(row.section.toString(), row.key.toString())) << "missing " << qPrintable(where);
    }
    for (const QString& section : file.sectionNames()) {
        for (const QString& key : file.keyNames(section))
            EXPECT_TRUE(tableKeys.contains((section + u'/' + key).toLower())) << "unknown " << qPrintable(key);
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
        const auto now = flatten(r, texts);
        std::set<QString> changed;
        for (const auto& [k, v] : now) {
            const auto it = base.find(k);
            if (it == base.end() || it->second != v)
                changed.insert(k);
        }
        return changed;
    }
};

TEST_F(LanguageLoaderTest, WithoutAFileEveryTextIsEnglish)
{
    texts.set(UiText::Warn, u"stale"_s);
    const LanguageTexts r = loadLanguage(dir.path(), u"English"_s, texts);
    for (const UiTextEntry& row : uiTextTable())
        EXPECT_EQ(textOf(r, texts, row), row.english.toString()) << qPrintable(row.key.toString());

    EXPECT_EQ(r.caption(u"RzCheckBoxBDEen"_s), u"Enable BDE"_s);
    EXPECT_EQ(r.hint(u"RzListViewSearchPath"_s), u"Default library file search path"_s);
    EXPECT_EQ(r.groupListColumns, (std::array{u"Component"_s, u"Component File"_s, u"Include Path"_s, u"Note"_s}));
    EXPECT_EQ(r.controls.at(u"TabSheetExperts"_s).kind, ControlKind::Page);
    EXPECT_EQ(r.controls.at(u"popAddTool"_s).kind, ControlKind::MenuItem);
    for (const QString& pane : {u"RzStatusPane1"_s, u"RzStatusPane2"_s, u"RzStatusPaneMsg"_s})
        EXPECT_EQ(r.caption(pane), QString()) << qPrintable(pane);
    for (const auto& [object, text] : flatten(r, texts)) {
        if (!object.startsWith(u"RzStatusPane"_s)) {
            EXPECT_FALSE(text.isEmpty()) << qPrintable(object);
        }
    }
}

TEST_F(LanguageLoaderTest, OneKeyChangesExactlyTheTextsBuiltFromIt)
{
    EXPECT_EQ(changedFromEnglish(loadFile("[pop]\r\nAdd=Plus\r\n")),
              (std::set{u"popAddExpert caption"_s, u"popAddGroup caption"_s, u"popAddTool caption"_s,
                        u"RzRapidFireButtonAddPath caption"_s}));
    // Names match ignoring case; a variable has no control.
    EXPECT_EQ(changedFromEnglish(loadFile("[msg]\nmsgalreadyexist=dup\n")), std::set{u"MsgAlreadyExist"_s});
    EXPECT_EQ(texts[UiText::MsgAlreadyExist], u"dup"_s);
    // Unknown sections and keys are ignored.
    EXPECT_TRUE(changedFromEnglish(loadFile("[Nothing]\nAdd=x\n[pop]\nAddd=x\n")).empty());
}

TEST_F(LanguageLoaderTest, DerivedTextsFollowTheirSources)
{
    const LanguageTexts r = loadFile("[Option]\nPath=Dir\nRegistry=Reg\nShortcut=Links\n[common]\nEnable=On\n"
                                     "[Hint]\nSelectNum=Sel\nWeb=Site\n[About]\nVorlix=VX\n[Expert]\nNote=N\n"
                                     "Name=Nm\n[Component]\nComponent=Pkg\nCompFile=CF\nIncludePath=IP\n"
                                     "[Group]\nGroup=G\n");
    EXPECT_EQ(r.caption(u"LabelDelphiPath"_s), u"Delphi Dir"_s);
    EXPECT_EQ(r.caption(u"RzButtonBDEpath"_s), u"BDE Dir"_s);
    EXPECT_EQ(r.caption(u"RzGroupBoxReg"_s), u"Delphi Reg"_s);
    EXPECT_EQ(r.caption(u"RzCheckBoxBDEen"_s), u"On BDE"_s);
    EXPECT_EQ(r.caption(u"RzButtonShortcut"_s), u"Links"_s);
    EXPECT_EQ(r.caption(u"RzLabelWeb"_s), u"Site"_s);
    EXPECT_EQ(r.caption(u"LabelCompNum"_s), u"Pkg"_s);
    EXPECT_EQ(r.hint(u"RzPageControlComp"_s), u"Delphi Pkg"_s);
    for (const QString& o : {u"LabelExpertSel"_s, u"RzLabelExpertSel"_s, u"LabelToolSel"_s, u"RzLabelToolSel"_s,
                            u"RzLabelCompSel"_s})
        EXPECT_EQ(r.hint(o), u"Sel"_s) << qPrintable(o);
    EXPECT_EQ(r.column(u"RzListViewTool"_s, 1), u"Nm"_s);
    EXPECT_EQ(r.mainWindowHint, u"Delphi VX"_s);
    EXPECT_EQ(r.groupMenuCaption, u"G"_s);
    EXPECT_EQ(r.groupListColumns, (std::array{u"Pkg"_s, u"CF"_s, u"IP"_s, u"N"_s}));
    EXPECT_EQ(r.folderDialogTitle, u"IP"_s);
}

TEST_F(LanguageLoaderTest, EmptyValueIsKeptWhileMissingKeysStayEnglish)
{
    const LanguageTexts r = loadFile("\xEF\xBB\xBF[Expert]\r\nExpert=\r\n[common]\r\nOK=  \r\n");
    EXPECT_EQ(r.caption(u"TabSheetExperts"_s), QString());
    EXPECT_EQ(r.caption(u"LabelExpertNum"_s), QString());
    EXPECT_EQ(r.hint(u"RzListViewExpert"_s), u"Delphi "_s);
    EXPECT_EQ(texts[UiText::OK], QString());
    EXPECT_EQ(r.column(u"RzListViewExpert"_s, 1), u"Name"_s);
    EXPECT_EQ(texts[UiText::Cancel], u"Cancel"_s);
}

TEST_F(LanguageLoaderTest, LanguageNameAloneChoosesTheAboutTextAndTips)
{
    for (const QString& name : {u"chinese"_s, u"Chinese"_s, u"CHINESE"_s}) {
        const LanguageTexts r = loadLanguage(dir.path(), name, texts);
        EXPECT_TRUE(r.chinese);
        EXPECT_EQ(r.tipImageList, u"ImageListTipCN"_s);
        EXPECT_EQ(r.caption(u"Labelshow"_s), aboutDescription(true));
        EXPECT_EQ(texts[UiText::OK], u"OK"_s); // no file here: the texts stay English
    }
    const LanguageTexts other = loadFile("[About]\nAbout=\xe5\x85\xb3\xe4\xba\x8e\n", u"chinese2"_s);
    EXPECT_FALSE(other.chinese);
    EXPECT_EQ(other.tipImageList, u"ImageListTipEN"_s);
    EXPECT_EQ(other.caption(u"Labelshow"_s), aboutDescription(false));
    EXPECT_NE(aboutDescription(true), aboutDescription(false));
}

TEST_F(LanguageLoaderTest, FilesAreFoundAndListedIgnoringCase)
{
    for (const char* name : {"English.lng", "chinese.lng", "Upper.LNG", "notes.txt", "old.lng.bak", ".lng"})
        writeAll(dir.filePath(QString::fromUtf8(name)), "[pop]\nAdd=from " + QByteArray(name) + "\n");
    QDir(dir.path()).mkdir(u"folder.LNG"_s);
    QDir(dir.path()).mkdir(u"plain"_s);
    EXPECT_EQ(availableLanguages(dir.path()),
              (QStringList{u"chinese"_s, u"English"_s, u"folder"_s, u"Upper"_s}));
    EXPECT_TRUE(availableLanguages(dir.filePath(u"missing"_s)).isEmpty());

    EXPECT_EQ(languageFilePath(dir.path(), u"CHINESE"_s), dir.filePath(u"chinese.lng"_s));
    EXPECT_EQ(loadLanguage(dir.path(), u"upper"_s, texts).caption(u"popAddExpert"_s), u"from Upper.LNG"_s);
    EXPECT_EQ(languageFilePath(dir.path(), u"gone"_s), dir.filePath(u"gone.lng"_s));
}

TEST_F(LanguageLoaderTest, DirectoryOrFifoNamedLikeALanguageLoadsAsEnglish)
{
    // Listed like a file, but nothing can be read from it: English, without blocking or failing.
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"folder.lng"_s));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath(u"pipe.lng"_s)).constData(), 0644), 0);
    for (const QString& name : {u"folder"_s, u"pipe"_s}) {
        texts.set(UiText::OK, u"stale"_s);
        const LanguageTexts r = loadLanguage(dir.path(), name, texts);
        EXPECT_EQ(texts[UiText::OK], u"OK"_s) << name.toStdString();
        EXPECT_EQ(r.caption(u"popAddExpert"_s), u"&Add"_s) << name.toStdString();
    }
}

TEST_F(LanguageLoaderTest, ShippedChineseFileTranslatesEveryKey)
{
    const QString path = QDir(shippedLanguageDir()).filePath(u"chinese.lng"_s);
    const QByteArray bytes = readAll(path);
    ASSERT_FALSE(bytes.isEmpty()) << qPrintable(path);
    expectKeysAreTheTable(bytes);

    const LanguageTexts r = loadLanguage(shippedLanguageDir(), u"chinese"_s, texts);
    EXPECT_TRUE(r.chinese);
    // The placeholders, the "$(Delphi)" macro and the menu accelerators must survive translation.
    static const QRegularExpression kept(u"%[0-9sdu]|\\$\\(Delphi\\)|&[^&]"_s);
    for (const UiTextEntry& row : uiTextTable()) {
        const QString english = row.english.toString();
        const QString chinese = textOf(r, texts, row).value_or(QString());
        EXPECT_FALSE(chinese.isEmpty()) << qPrintable(row.key.toString());
        if (row.key != u"Vorlix") { // the product name is not translated
            EXPECT_NE(chinese, english) << qPrintable(row.key.toString());
        }
        EXPECT_EQ(chinese.count(kept), english.count(kept)) << qPrintable(row.key.toString());
    }

    // Choosing English afterwards restores every default, also in the process-wide texts.
    loadLanguage(shippedLanguageDir(), u"chinese"_s);
    EXPECT_NE(vx::texts()[UiText::OK], u"OK"_s);
    loadLanguage(dir.path(), u"English"_s);
    for (int i = 0; i < kUiTextCount; ++i)
        EXPECT_EQ(uiText(UiText(i)), UiTexts::english(UiText(i)));
}

TEST_F(LanguageLoaderTest, GeneratedEnglishFileGivesTheBuiltInTexts)
{
    const QByteArray bytes = englishLanguageFile();
    expectKeysAreTheTable(bytes);

    UiTexts builtIn;
    const auto expected = flatten(loadLanguage(dir.path(), u"English"_s, builtIn), builtIn);
    loadLanguage(shippedLanguageDir(), u"chinese"_s, texts);
    EXPECT_EQ(flatten(loadFile(bytes, u"English"_s), texts), expected);
}

} // namespace
