#include "i18n/LanguageLoader.h"

#include "platform/AsciiCase.h"
#include "platform/ini/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <set>
#include <vector>

using namespace Qt::StringLiterals;

namespace vx {

namespace {

constexpr QStringView kExtension = u".lng";

// Texts composed from texts the table has already set. Each rule reads one source, optionally
// framed by fixed, never localised parts, and gives it to one target.
enum class From : quint8 { Caption, Hint, Column, Variable };

struct DerivedText
{
    QStringView object;
    TextTarget target;
    int column;
    QStringView prefix;
    From from;
    QStringView source; // object name, or the variable's key
    int sourceColumn;
    QStringView suffix;
};

using T = TextTarget;

constexpr DerivedText kDerived[] = {
    // The groups' and tools' menus repeat the experts' menu; the search-path buttons the tools' menu.
    {u"popAddGroup", T::MenuItem, 0, {}, From::Caption, u"popAddExpert", 0, {}},
    {u"popAddTool", T::MenuItem, 0, {}, From::Caption, u"popAddExpert", 0, {}},
    {u"popDelGroup", T::MenuItem, 0, {}, From::Caption, u"popDelExpert", 0, {}},
    {u"popDelTool", T::MenuItem, 0, {}, From::Caption, u"popDelExpert", 0, {}},
    {u"popModifyTool", T::MenuItem, 0, {}, From::Caption, u"popModifyExpert", 0, {}},
    {u"popSelAllTool", T::MenuItem, 0, {}, From::Caption, u"popSelAllExpert", 0, {}},
    {u"popunSelAllTool", T::MenuItem, 0, {}, From::Caption, u"popunSelAllExpert", 0, {}},
    {u"RzRapidFireButtonAddPath", T::Caption, 0, {}, From::Caption, u"popAddTool", 0, {}},
    {u"RzRapidFireButtonDelPath", T::Caption, 0, {}, From::Caption, u"popDelTool", 0, {}},
    {u"RzRapidFireButtonModifyPath", T::Caption, 0, {}, From::Caption, u"popModifyTool", 0, {}},
    {u"RzListViewTool", T::Column, 1, {}, From::Column, u"RzListViewExpert", 1, {}},

    // Projects page.
    {u"LabelProject", T::Caption, 0, {}, From::Caption, u"TabSheetProjects", 0, {}},
    {u"LabelCompNum", T::Caption, 0, {}, From::Caption, u"TabSheetComponents", 0, {}},
    {u"LabelExpertNum", T::Caption, 0, {}, From::Caption, u"TabSheetExperts", 0, {}},
    {u"LabelToolNum", T::Caption, 0, {}, From::Caption, u"TabSheetTool", 0, {}},
    {u"LabelExpertSel", T::Caption, 0, {}, From::Caption, u"LabelCompSel", 0, {}},
    {u"LabelToolSel", T::Caption, 0, {}, From::Caption, u"LabelCompSel", 0, {}},

    // Option page.
    {u"LabelDelphiPath", T::Caption, 0, u"Delphi ", From::Caption, u"RzGroupBoxPath", 0, {}},
    {u"RzGroupBoxOption", T::Caption, 0, {}, From::Caption, u"TabSheetOption", 0, {}},
    {u"RzGroupBoxReg", T::Caption, 0, u"Delphi ", From::Variable, u"Registry", 0, {}},
    {u"RzCheckBoxBDEen", T::Caption, 0, {}, From::Variable, u"Enable", 0, u" BDE"},
    {u"RzButtonBDEpath", T::Caption, 0, u"BDE ", From::Caption, u"RzGroupBoxPath", 0, {}},
    {u"RzButtonShortcut", T::Caption, 0, {}, From::Caption, u"RzGroupBoxShortCut", 0, {}},
    {u"RzCheckBoxShortcutDesktopD", T::Caption, 0, {}, From::Caption, u"RzCheckBoxShortcutDesktop", 0, {}},
    {u"RzCheckBoxShortcutQuickLaunchD",
     T::Caption,
     0,
     {},
     From::Caption,
     u"RzCheckBoxShortcutQuickLaunch",
     0,
     {}},
    {u"RzCheckBoxShortcutMenuD", T::Caption, 0, {}, From::Caption, u"RzCheckBoxShortcutMenu", 0, {}},

    // About page: the program's statistics labels read as the project's.
    {u"LabelRunTimes", T::Caption, 0, {}, From::Caption, u"LabelProjectRuns", 0, {}},
    {u"LabelRunTimeSum", T::Caption, 0, {}, From::Caption, u"LabelProjectTimeSum", 0, {}},
    {u"LabelBeginTime", T::Caption, 0, {}, From::Caption, u"LabelProjectBeginTime", 0, {}},
    {u"LabelRunTime", T::Caption, 0, {}, From::Caption, u"LabelProjectRunTime", 0, {}},
    {u"LabelLastEnd", T::Caption, 0, {}, From::Caption, u"LabelProjectLastTime", 0, {}},
    {u"LabelLastRunTime", T::Caption, 0, {}, From::Caption, u"LabelProjectLastRun", 0, {}},
    {u"RzLabelWeb", T::Caption, 0, {}, From::Hint, u"RzLabelWeb", 0, {}},
    {u"RzLabelEmail", T::Caption, 0, {}, From::Hint, u"RzLabelEmail", 0, {}},

    // Hints.
    {u"RzListViewExpert", T::Hint, 0, u"Delphi ", From::Caption, u"TabSheetExperts", 0, {}},
    {u"RzPageControlComp", T::Hint, 0, u"Delphi ", From::Caption, u"TabSheetComponents", 0, {}},
    {u"RzListViewTool", T::Hint, 0, u"Delphi ", From::Caption, u"TabSheetTool", 0, {}},
    {u"TabSheetProjects", T::Hint, 0, {}, From::Caption, u"TabSheetProjects", 0, {}},
    {u"TabSheetOption", T::Hint, 0, {}, From::Caption, u"TabSheetOption", 0, {}},
    {u"TabSheetAbout", T::Hint, 0, {}, From::Caption, u"TabSheetAbout", 0, {}},
    {u"RzLabelProject", T::Hint, 0, {}, From::Hint, u"LabelProject", 0, {}},
    {u"RzLabelProjectRuns", T::Hint, 0, {}, From::Hint, u"LabelProjectRuns", 0, {}},
    {u"RzLabelProjectTimeSum", T::Hint, 0, {}, From::Hint, u"LabelProjectTimeSum", 0, {}},
    {u"RzLabelProjectBeginTime", T::Hint, 0, {}, From::Hint, u"LabelProjectBeginTime", 0, {}},
    {u"RzLabelProjectRunTime", T::Hint, 0, {}, From::Hint, u"LabelProjectRunTime", 0, {}},
    {u"RzLabelProjectLastTime", T::Hint, 0, {}, From::Hint, u"LabelProjectLastTime", 0, {}},
    {u"RzLabelProjectLastRun", T::Hint, 0, {}, From::Hint, u"LabelProjectLastRun", 0, {}},
    {u"RzLabelGroupNum", T::Hint, 0, {}, From::Hint, u"LabelGroupNum", 0, {}},
    {u"RzLabelCompNum", T::Hint, 0, {}, From::Hint, u"LabelCompNum", 0, {}},
    {u"RzLabelExpertNum", T::Hint, 0, {}, From::Hint, u"LabelExpertNum", 0, {}},
    {u"RzLabelToolNum", T::Hint, 0, {}, From::Hint, u"LabelToolNum", 0, {}},
    {u"RzLabelCompSel", T::Hint, 0, {}, From::Hint, u"LabelCompSel", 0, {}},
    {u"LabelExpertSel", T::Hint, 0, {}, From::Hint, u"LabelCompSel", 0, {}},
    {u"RzLabelExpertSel", T::Hint, 0, {}, From::Hint, u"LabelCompSel", 0, {}},
    {u"LabelToolSel", T::Hint, 0, {}, From::Hint, u"LabelCompSel", 0, {}},
    {u"RzLabelToolSel", T::Hint, 0, {}, From::Hint, u"LabelCompSel", 0, {}},
    {u"RzLabelDelphiPath", T::Hint, 0, {}, From::Hint, u"LabelDelphiPath", 0, {}},
    {u"RzListViewSearchPath", T::Hint, 0, {}, From::Hint, u"LabelDefaultSearchPath", 0, {}},
};

constexpr QStringView kStatusPanes[] = {u"RzStatusPane1", u"RzStatusPane2", u"RzStatusPaneMsg"};

bool hasLanguageExtension(QStringView fileName)
{
    return fileName.size() > kExtension.size() &&
           equalsIgnoringAsciiCase(fileName.last(kExtension.size()), kExtension);
}

void assign(LanguageTexts& out, QStringView object, TextTarget target, int column, QString text)
{
    ControlTexts& c = out.controls[object.toString()];
    switch (target) {
    case T::PageCaption:
        c.kind = ControlKind::Page;
        c.caption = std::move(text);
        break;
    case T::MenuItem:
        c.kind = ControlKind::MenuItem;
        c.caption = std::move(text);
        break;
    case T::Caption:
        c.caption = std::move(text);
        break;
    case T::Hint:
        c.hint = std::move(text);
        break;
    case T::Column:
        c.columns[column] = std::move(text);
        break;
    case T::Variable:
        break;
    }
}

QString derivedSource(const LanguageTexts& out, const UiTexts& texts, const DerivedText& rule)
{
    const QString source = rule.source.toString();
    switch (rule.from) {
    case From::Caption:
        return out.caption(source).value_or(QString());
    case From::Hint:
        return out.hint(source).value_or(QString());
    case From::Column:
        return out.column(source, rule.sourceColumn).value_or(QString());
    case From::Variable:
        if (const auto v = uiTextFromKey(rule.source))
            return texts.get(*v);
        return {};
    }
    return {};
}

// A language file as read, in whatever form the store reads (a byte-order mark, UTF-16, a legacy
// code page); never written.
IniFile readLanguageFile(const QString& path)
{
    IniFile ini;
    // A directory of that name, or a file that cannot be read, reads as empty: every text English.
    QFile f(path);
    if (QFileInfo(path).isFile() && f.open(QIODevice::ReadOnly))
        ini.setContent(f.readAll());
    return ini;
}

} // namespace

std::optional<QString> LanguageTexts::caption(const QString& object) const
{
    const auto it = controls.find(object);
    return it == controls.end() ? std::nullopt : it->second.caption;
}

std::optional<QString> LanguageTexts::hint(const QString& object) const
{
    const auto it = controls.find(object);
    return it == controls.end() ? std::nullopt : it->second.hint;
}

std::optional<QString> LanguageTexts::column(const QString& object, int column) const
{
    const auto it = controls.find(object);
    if (it == controls.end())
        return std::nullopt;
    const auto col = it->second.columns.find(column);
    return col == it->second.columns.end() ? std::nullopt : std::optional<QString>(col->second);
}

QString aboutDescription(bool chinese)
{
    if (chinese) {
        return u"Delphi 爱好者的礼物.\n"
               u"管理 Delphi 的专家和组件的最佳工具软件.\n"
               u"简单有效的错误修复工具.\n"
               u"给你的Delphi增加更多功能, 速度, 定制性和移动性."_s;
    }
    return u"A gift for all Delphi fans.\n"
           u"Best tool for manage Delphi's experts and components.\n"
           u"Easy way to repaire errors.\n"
           u"Give your Delphi more power, speed, customization and moveable."_s;
}

bool isChineseLanguage(QStringView name)
{
    return equalsIgnoringAsciiCase(name, u"chinese");
}

QString languageFilePath(const QString& hostDir, const QString& name)
{
    const QDir dir(hostDir);
    const QString fileName = name + kExtension;
    const QString exact = dir.filePath(fileName);
    if (QFileInfo::exists(exact) || name.contains(u'/'))
        return exact;
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries) {
        if (equalsIgnoringAsciiCase(entry, fileName))
            return dir.filePath(entry);
    }
    return exact;
}

QStringList availableLanguages(const QString& hostDir)
{
    QStringList names;
    if (hostDir.isEmpty())
        return names;
    // Every entry the pattern matches counts, as a directory listing with any attributes finds
    // it: a directory named "x.lng" is offered too (and loads as English).
    const QStringList entries = QDir(hostDir).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot |
                                                        QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (hasLanguageExtension(entry))
            names.append(entry.first(entry.size() - kExtension.size()));
    }
    std::sort(names.begin(), names.end(), languageNameLess);
    return names;
}

QStringList availableLanguages(const QStringList& folders)
{
    QStringList names;
    for (const QString& folder : folders) {
        for (const QString& name : availableLanguages(folder)) {
            const bool listed = std::any_of(names.begin(), names.end(), [&](const QString& n) {
                return equalsIgnoringAsciiCase(n, name);
            });
            if (!listed)
                names.append(name);
        }
    }
    std::sort(names.begin(), names.end(), languageNameLess);
    return names;
}

bool languageNameLess(const QString& a, const QString& b)
{
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

LanguageTexts applyLanguage(const IniFile& file, const QString& name, UiTexts& texts)
{
    LanguageTexts out;
    out.name = name;
    out.chinese = isChineseLanguage(name);
    out.tipImageList = out.chinese ? u"ImageListTipCN"_s : u"ImageListTipEN"_s;
    assign(out, u"Labelshow", T::Caption, 0, aboutDescription(out.chinese));

    // Every row reads its own key again, also where several rows share a text.
    for (const UiTextEntry& row : uiTextTable()) {
        QString value = file.readString(row.section.toString(), row.key.toString(), row.english.toString());
        if (row.target == T::Variable) {
            if (const auto v = uiTextFromKey(row.key))
                texts.set(*v, std::move(value));
        } else {
            assign(out, row.object, row.target, row.column, std::move(value));
        }
    }

    // The group lists, whether or not any exists yet, and the folder dialog.
    out.groupListColumns = {out.caption(u"TabSheetComponents"_s).value_or(QString()),
                            texts.get(UiText::CompFile), texts.get(UiText::IncludePath),
                            out.column(u"RzListViewExpert"_s, 3).value_or(QString())};
    out.folderDialogTitle = texts.get(UiText::IncludePath);

    // Derived texts, in an order where every source is final before it is read.
    for (const DerivedText& rule : kDerived)
        assign(out, rule.object, rule.target, rule.column,
               rule.prefix + derivedSource(out, texts, rule) + rule.suffix);
    out.groupMenuCaption = out.caption(u"LabelGroupNum"_s).value_or(QString());
    out.mainWindowHint = u"Delphi "_s + out.caption(u"LabelLogoName"_s).value_or(QString());

    for (const QStringView pane : kStatusPanes)
        assign(out, pane, T::Caption, 0, QString());
    return out;
}

QByteArray englishLanguageFile()
{
    // Sections in the order of their first row; a key shared by several rows is written once.
    std::vector<QString> sections;
    std::map<QString, std::vector<const UiTextEntry*>> rows;
    std::set<std::pair<QString, QString>> seen;
    for (const UiTextEntry& row : uiTextTable()) {
        QString section = row.section.toString().toLower();
        if (!seen.emplace(section, row.key.toString().toLower()).second)
            continue;
        auto [it, added] = rows.try_emplace(section);
        if (added)
            sections.push_back(section);
        it->second.push_back(&row);
    }
    QString text = u"; Delphi Vorlix language file: English, the built-in texts.\r\n"
                   u"; UTF-8. One text per line: key=text; section and key names ignore letter case.\r\n"_s;
    for (const QString& section : sections) {
        const std::vector<const UiTextEntry*>& entries = rows[section];
        text += u"\r\n["_s + entries.front()->section.toString() + u"]\r\n"_s;
        for (const UiTextEntry* row : entries) {
            QString value = row->english.toString();
            // The reader trims blanks and strips one pair of quotes; quoting keeps both.
            if (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace() ||
                                     value.front() == u'"' || value.front() == u'\''))
                value = u'"' + value + u'"';
            text += row->key.toString() + u'=' + value + u"\r\n"_s;
        }
    }
    return text.toUtf8();
}

LanguageTexts loadLanguage(const QString& hostDir, const QString& name, UiTexts& texts)
{
    return applyLanguage(readLanguageFile(languageFilePath(hostDir, name)), name, texts);
}

LanguageTexts loadLanguage(const QStringList& folders, const QString& name, UiTexts& texts)
{
    for (const QString& folder : folders) {
        if (const QString path = languageFilePath(folder, name); QFileInfo::exists(path))
            return applyLanguage(readLanguageFile(path), name, texts);
    }
    return loadLanguage(folders.value(0), name, texts);
}

} // namespace vx
