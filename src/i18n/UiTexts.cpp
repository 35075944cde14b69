#include "i18n/UiTexts.h"

#include <iterator>

namespace vx {

namespace {

using T = TextTarget;

// The language file's rows in the order of application. Section names are written as the files
// have always written them ("Project" and "project" are the same section). The English texts are
// the program's built-in language; their wording, slips included, is what users have always seen
// and what existing language files were translated from.
constexpr UiTextEntry kTable[] = {
    {u"common", u"OK", u"OK", T::Variable, {}},
    {u"common", u"Cancel", u"Cancel", T::Variable, {}},
    {u"common", u"Saving", u"Saving", T::Variable, {}},
    {u"common", u"Loading", u"Loading", T::Variable, {}},
    {u"common", u"Day", u"Day", T::Variable, {}},
    {u"common", u"CreatFileError", u"Create File Error!", T::Variable, {}},
    {u"Project", u"ProjectFile", u"Project File", T::Variable, {}},
    {u"common", u"Warn", u"Warn", T::Variable, {}},
    {u"common", u"Enable", u"Enable", T::Variable, {}},
    {u"Msg", u"MsgApply1", u"Do you really want to apply it to Delphi?", T::Variable, {}},
    {u"Msg", u"MsgApply2", u"Old project will be overwrite!", T::Variable, {}},
    {u"Msg",
     u"MsgApply3",
     u"Apply success. Please restart Delphi to make changes take effect.",
     T::Variable,
     {}},
    {u"Msg", u"MsgFileReadOnly", u"Open file error or file has readonly attrib!", T::Variable, {}},
    {u"Msg", u"MsgQuerySave", u"File is modified, save it?", T::Variable, {}},
    {u"Msg",
     u"MsgRecover1",
     u"Choice Yes will delete all exists Delphi registry items. Do you still want to continue?",
     T::Variable,
     {}},
    {u"Msg",
     u"MsgRecover2",
     u"Delphi's default configuration has been restored. Please restart Delphi to make the changes take "
     u"effect.",
     T::Variable,
     {}},
    {u"Msg", u"MsgImportReg", u"Do you really want to import a registry file?", T::Variable, {}},
    {u"Msg",
     u"MsgBackupReg1",
     u"Do you want to back up Delphi's registry settings to a file?",
     T::Variable,
     {}},
    {u"Msg", u"MsgBackupReg2", u"Backup registry Ok.", T::Variable, {}},
    {u"Msg", u"MsgClearReg", u"Delphi's registry settings have been cleared.", T::Variable, {}},
    {u"Msg", u"MsgClearStat", u"Clear runtime statistic?", T::Variable, {}},
    {u"Msg", u"MsgClearProjectStat", u"Clear project's runtime statistic?", T::Variable, {}},
    {u"Msg", u"MsgAlreadyExist", u"has already exist, please select again.", T::Variable, {}},
    {u"Msg", u"MsgDeleteConfirm", u"Do you really want to delete", T::Variable, {}},
    {u"Msg", u"MsgModifyConfirm", u"Do you really want to modify", T::Variable, {}},
    {u"Msg", u"MsgUndoChoose", u"Put the registry back as it was:", T::Variable, {}},
    {u"Msg", u"MsgUndoDone", u"The registry is back as it was:", T::Variable, {}},
    {u"Msg", u"MsgUndoAgain", u"Undo again to return to the state before this undo.", T::Variable, {}},
    {u"Msg", u"MsgUndoNone", u"There is no registry change to undo: no snapshot in", T::Variable, {}},
    {u"Msg", u"MsgUndoFailed", u"Nothing was restored; the registry was not changed.", T::Variable, {}},
    {u"Msg", u"MsgBefore", u"before %1", T::Variable, {}},
    {u"Msg", u"MsgOpApply", u"apply", T::Variable, {}},
    {u"Msg", u"MsgOpImport", u"import", T::Variable, {}},
    {u"Msg", u"MsgOpClear", u"clear", T::Variable, {}},
    {u"Msg", u"MsgOpRecover", u"recover", T::Variable, {}},
    {u"Msg", u"MsgOpRestore", u"restore", T::Variable, {}},
    {u"Msg", u"MsgOpAssociate", u"file associations", T::Variable, {}},
    {u"Msg",
     u"MsgRunOnlyPackage",
     u"is a run-time only package, which Delphi cannot install; please select again.",
     T::Variable,
     {}},

    {u"pop", u"Add", u"&Add", T::MenuItem, u"popAddExpert"},
    {u"pop", u"Del", u"&Del", T::MenuItem, u"popDelExpert"},
    {u"pop", u"Modify", u"&Modify", T::MenuItem, u"popModifyExpert"},
    {u"pop", u"SelectAll", u"&Select All", T::MenuItem, u"popSelAllExpert"},
    {u"pop", u"unSelectAll", u"&unSelect All", T::MenuItem, u"popunSelAllExpert"},
    {u"pop", u"AddComp", u"&Add Component", T::MenuItem, u"popAddComp"},
    {u"pop", u"DelComp", u"&Del Component", T::MenuItem, u"popDelComp"},
    {u"pop", u"ModifyComp", u"&Modify Component", T::MenuItem, u"popModifyComp"},
    {u"pop", u"SelectAllComp", u"&Select All Component", T::MenuItem, u"popSelAllComp"},
    {u"pop", u"unSelectAllComp", u"&unSelect All Component", T::MenuItem, u"popunSelAllComp"},
    {u"pop", u"Rename", u"&Rename", T::MenuItem, u"popModifyGroup"},
    {u"pop", u"SelectAllGrp", u"&Select All Group", T::MenuItem, u"popSelAllGrp"},
    {u"pop", u"unSelectAllGrp", u"&unSelect All Group", T::MenuItem, u"popunSelAllGrp"},

    {u"Expert", u"Expert", u"Expert", T::PageCaption, u"TabSheetExperts"},
    {u"Expert", u"Name", u"Name", T::Column, u"RzListViewExpert", 1},
    {u"Expert", u"ExpertFile", u"Expert File", T::Column, u"RzListViewExpert", 2},
    {u"Expert", u"Note", u"Note", T::Column, u"RzListViewExpert", 3},
    {u"component", u"Component", u"Component", T::PageCaption, u"TabSheetComponents"},
    {u"Component", u"CompFile", u"Component File", T::Variable, {}},
    {u"Component", u"IncludePath", u"Include Path", T::Variable, {}},
    {u"Tool", u"Tool", u"Tool", T::PageCaption, u"TabSheetTool"},
    {u"Tool", u"Program", u"Program", T::Column, u"RzListViewTool", 2},
    {u"Tool", u"WorkDir", u"Working Dir", T::Column, u"RzListViewTool", 3},
    {u"Tool", u"Params", u"Params", T::Column, u"RzListViewTool", 4},

    {u"Project", u"Project", u"Project", T::PageCaption, u"TabSheetProjects"},
    {u"Project", u"NewProject", u"New Project", T::Caption, u"RzBitBtnNewProject"},
    {u"Project", u"OpenProject", u"Open Project", T::Caption, u"RzBitBtnOpenProject"},
    {u"Project", u"SaveProject", u"Save Project", T::Caption, u"RzBitBtnSaveProject"},
    {u"Project", u"SaveProjectAs", u"Save as", T::Caption, u"RzBitBtnSaveProjectAs"},
    {u"Project", u"CloseProject", u"Close Project", T::Caption, u"RzBitBtnCloseProject"},
    {u"Project", u"ApplyProject", u"Apply Project", T::Caption, u"RzBitBtnApplyProject"},
    {u"project", u"GetDelphi", u"Get Delphi", T::Caption, u"RzBitBtnDelphi7Project"},
    {u"Project", u"LaunchDelphi", u"Launch Delphi", T::Caption, u"RzBitBtnLaunch"},
    {u"Project", u"CheckProject", u"Check", T::Caption, u"RzBitBtnCheckProject"},
    {u"Group", u"Group", u"Group", T::Caption, u"LabelGroupNum"},
    {u"Project", u"TotalRunCount", u"Total Run Count", T::Caption, u"LabelProjectRuns"},
    {u"Project", u"TotalRunTimes", u"Total Run Times", T::Caption, u"LabelProjectTimeSum"},
    {u"Project", u"BeginTime", u"Begin Time", T::Caption, u"LabelProjectBeginTime"},
    {u"Project", u"PassTime", u"Pass Time", T::Caption, u"LabelProjectRunTime"},
    {u"Project", u"LastTime", u"Last End Time", T::Caption, u"LabelProjectLastTime"},
    {u"Project", u"LastRunTime", u"Last Run Time", T::Caption, u"LabelProjectLastRun"},
    {u"Project", u"Selected", u"Selected", T::Caption, u"LabelCompSel"},

    {u"Option", u"Option", u"Option", T::PageCaption, u"TabSheetOption"},
    {u"Option", u"Path", u"Path", T::Caption, u"RzGroupBoxPath"},
    {u"Option", u"Registry", u"Registry", T::Variable, {}},
    {u"Option", u"Font", u"Font", T::Caption, u"RzBitBtnFont"},
    {u"Option", u"DefaultSearchPath", u"Default Search Path", T::Caption, u"LabelDefaultSearchPath"},
    {u"common", u"Register", u"Register", T::Caption, u"RzButtonRegDebug"},
    {u"Option", u"RecoverDefault", u"Recover Delphi Default", T::Caption, u"RzBitBtnRecover"},
    {u"Option", u"ImportRegistry", u"Import Delphi Registry", T::Caption, u"RzBitBtnImportReg"},
    {u"Option", u"BackupRegistry", u"Backup Delphi Registry", T::Caption, u"RzBitBtnBackupReg"},
    {u"Option", u"DelRegistry", u"Delete Delphi Registry", T::Caption, u"RzBitBtnClearReg"},
    {u"Option", u"UndoRegistry", u"Undo last registry change", T::Caption, u"RzBitBtnUndoReg"},
    {u"Option", u"VerifyValid", u"verify files valid", T::Caption, u"RzCheckBoxValid"},
    {u"Option", u"associate", u"Associate", T::Caption, u"RzGroupBoxAssociate"},
    {u"Option", u"EnableAssociate", u"Enable Associate", T::Caption, u"RzCheckBoxAssociate"},
    {u"Option", u"AssociateExplorer", u"Associate Explorer", T::Caption, u"RzCheckBoxAssociateShell"},
    {u"Option", u"AssociateFileType", u"Associate FileType", T::Caption, u"RzCheckBoxAssociateFiles"},
    {u"Option", u"Shortcut", u"Shortcut", T::Caption, u"RzGroupBoxShortCut"},
    {u"Option", u"Desktop", u"Desktop", T::Caption, u"RzCheckBoxShortcutDesktop"},
    {u"Option", u"QuickLaunch", u"Quick Launch", T::Caption, u"RzCheckBoxShortcutQuickLaunch"},
    {u"Option", u"Menu", u"Menu", T::Caption, u"RzCheckBoxShortcutMenu"},

    {u"About", u"About", u"About", T::PageCaption, u"TabSheetAbout"},
    {u"About", u"Vorlix", u"Vorlix", T::Caption, u"LabelLogoName"},
    {u"About", u"Help", u"Help", T::Caption, u"RzRapidFireButtonHelp"},

    {u"Hint", u"ProjectName", u"Project File Name", T::Hint, u"LabelProject"},
    {u"Hint", u"ProjectRuns", u"Project Run Counter", T::Hint, u"LabelProjectRuns"},
    {u"Hint", u"ProjectSumTime", u"Project Sum Run Time", T::Hint, u"LabelProjectTimeSum"},
    {u"Hint", u"ProjectBegin", u"when project begin to run this time", T::Hint, u"LabelProjectBeginTime"},
    {u"Hint", u"ProjectRunTime", u"How long project run this time", T::Hint, u"LabelProjectRunTime"},
    {u"Hint", u"ProjectLastTime", u"When Project end last time", T::Hint, u"LabelProjectLastTime"},
    {u"Hint", u"ProjectLastRun", u"How long project last run", T::Hint, u"LabelProjectLastRun"},
    {u"Hint", u"GroupNum", u"Group's Num", T::Hint, u"LabelGroupNum"},
    {u"Hint", u"ComponentNum", u"Components's Num", T::Hint, u"LabelCompNum"},
    {u"Hint", u"ExpertNum", u"Expert's Num", T::Hint, u"LabelExpertNum"},
    {u"Hint", u"ToolNum", u"Tool's Num", T::Hint, u"LabelToolNum"},
    {u"Hint", u"SelectNum", u"Selected item num", T::Hint, u"LabelCompSel"},
    {u"Hint", u"New", u"create a new project file", T::Hint, u"RzBitBtnNewProject"},
    {u"Hint", u"Open", u"open a exists project file", T::Hint, u"RzBitBtnOpenProject"},
    {u"Hint", u"Save", u"save current project file", T::Hint, u"RzBitBtnSaveProject"},
    {u"Hint", u"SaveAs", u"save current project as another project file", T::Hint, u"RzBitBtnSaveProjectAs"},
    {u"Hint", u"Delphi", u"get current delphi's config as new project file", T::Hint,
     u"RzBitBtnDelphi7Project"},
    {u"Hint", u"Close", u"close current project file", T::Hint, u"RzBitBtnCloseProject"},
    {u"Hint", u"Apply", u"Apply current file as Delphi's config. You must restart Delphi to take effect",
     T::Hint, u"RzBitBtnApplyProject"},
    {u"Hint", u"Web", u"visit software's webpage", T::Hint, u"RzLabelWeb"},
    {u"Hint", u"Email", u"Send email to author", T::Hint, u"RzLabelEmail"},
    {u"Hint", u"Path", u"Delphi's main path", T::Hint, u"LabelDelphiPath"},
    {u"Hint", u"DefaultSearchPath", u"Default library file search path", T::Hint, u"LabelDefaultSearchPath"},
    {u"Hint", u"Recover",
     u"Clear all Delphi's config and load default config. It is useful when Delphi occur errors", T::Hint,
     u"RzBitBtnRecover"},
    {u"Hint", u"Import", u"Import registry file", T::Hint, u"RzBitBtnImportReg"},
    {u"Hint", u"Backup", u"Backup Delphi's regist to file", T::Hint, u"RzBitBtnBackupReg"},
    {u"Hint", u"Clear", u"Clear Delphi's all registry item", T::Hint, u"RzBitBtnClearReg"},
    {u"Hint", u"SelectLang", u"Select display language", T::Hint, u"RzButtonLang"},
    {u"Hint", u"SelectFont", u"Select diaplay font", T::Hint, u"RzBitBtnFont"},
    {u"Hint", u"CopyBPL", u"Copy Runtime BPL files from system directory to $(Delphi)\\Bin directory.",
     T::Hint, u"RzBitBtnCopyFiles"},
};

// The key of each variable, in the order of the UiText enumerators.
constexpr QStringView kVariableKeys[kUiTextCount] = {
    u"OK",
    u"Cancel",
    u"Saving",
    u"Loading",
    u"Day",
    u"CreatFileError",
    u"ProjectFile",
    u"Warn",
    u"Enable",
    u"MsgApply1",
    u"MsgApply2",
    u"MsgApply3",
    u"MsgFileReadOnly",
    u"MsgQuerySave",
    u"MsgRecover1",
    u"MsgRecover2",
    u"MsgImportReg",
    u"MsgBackupReg1",
    u"MsgBackupReg2",
    u"MsgClearReg",
    u"MsgClearStat",
    u"MsgClearProjectStat",
    u"MsgAlreadyExist",
    u"MsgDeleteConfirm",
    u"MsgModifyConfirm",
    u"CompFile",
    u"IncludePath",
    u"Registry",
    u"MsgUndoChoose",
    u"MsgUndoDone",
    u"MsgUndoAgain",
    u"MsgUndoNone",
    u"MsgUndoFailed",
    u"MsgBefore",
    u"MsgOpApply",
    u"MsgOpImport",
    u"MsgOpClear",
    u"MsgOpRecover",
    u"MsgOpRestore",
    u"MsgOpAssociate",
    u"MsgRunOnlyPackage",
};

constexpr bool sameText(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

constexpr qsizetype variableRow(int variable)
{
    for (qsizetype i = 0; i < qsizetype(std::size(kTable)); ++i) {
        if (kTable[i].target == T::Variable && sameText(kTable[i].key, kVariableKeys[variable]))
            return i;
    }
    return -1;
}

constexpr std::array<qsizetype, kUiTextCount> kVariableRows = [] {
    std::array<qsizetype, kUiTextCount> rows{};
    for (int v = 0; v < kUiTextCount; ++v)
        rows[size_t(v)] = variableRow(v);
    return rows;
}();

constexpr bool everyVariableHasItsRow()
{
    for (const qsizetype row : kVariableRows) {
        if (row < 0)
            return false;
    }
    return true;
}
static_assert(everyVariableHasItsRow(), "a UI text variable lacks its row in the key table");

} // namespace

std::span<const UiTextEntry> uiTextTable()
{
    return kTable;
}

const UiTextEntry& uiTextEntry(UiText text)
{
    return kTable[kVariableRows[size_t(text)]];
}

std::optional<UiText> uiTextFromKey(QStringView key)
{
    for (int i = 0; i < kUiTextCount; ++i) {
        if (uiTextEntry(UiText(i)).key == key)
            return UiText(i);
    }
    return std::nullopt;
}

void UiTexts::resetToEnglish()
{
    for (int i = 0; i < kUiTextCount; ++i)
        m_texts[size_t(i)] = english(UiText(i));
}

QString UiTexts::english(UiText text)
{
    return uiTextEntry(text).english.toString();
}

UiTexts& texts()
{
    static UiTexts instance;
    return instance;
}

} // namespace vx
