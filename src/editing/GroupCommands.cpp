#include "editing/GroupCommands.h"

#include "editing/EditingHost.h"
#include "editing/EditingRules.h"
#include "i18n/UiTexts.h"
#include "platform/AsciiCase.h"
#include "platform/PathBridge.h"
#include "platform/ini/IniFile.h"
#include "platform/pe/PackageInfo.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "prompter/Prompter.h"

using namespace Qt::StringLiterals;

namespace vx::editing {

namespace {

// The project file's own sections; a group of such a name would overwrite one of them.
constexpr QStringView kReservedNames[] = {u"DelphiExperts", u"ConfigData", u"DelphiTools",
                                          u"DelphiCompGroups"};

// Group names prompt in mode 1: OK and Cancel, OK only with some text.
constexpr int kGroupNameMode = 1;
// The package name prompt of Add: OK and Cancel, an empty text accepted (it means the file's name).
constexpr int kPackageNameMode = kInputAcceptsEmpty;

bool isReservedName(const QString& name)
{
    for (QStringView reserved : kReservedNames) {
        if (equalsIgnoringAsciiCase(name, reserved))
            return true;
    }
    return false;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// A warning box whose only button is Yes, as the group-name refusals show it.
void warnYes(EditingHost& host, const QString& text)
{
    const Prompter::Message m{Prompter::Icon::Warning, u"Warning"_s,  text,
                              Prompter::Yes,           Prompter::Yes, false};
    Prompter::current().message(host.dialogParent(), m);
}

QString groupListName(int group)
{
    return u"ListViewComp"_s + QString::number(group + 1);
}

void reportMissingList(EditingHost& host, int group)
{
    const ConfigProject& p = host.project();
    const QString text = u"occur system error, please restart.\n\n"_s + groupListName(group) +
                         u" (group <"_s + p.groupName(group) + u">) was not found."_s;
    const Prompter::Message m{Prompter::Icon::Error, u"system error"_s, text,
                              Prompter::Ok,          Prompter::Ok,      false};
    Prompter::current().message(host.dialogParent(), m);
}

// The package file filter: the CompFile text, then "(*.bpl)" and the pattern.
QString packageFilter()
{
    return uiText(UiText::CompFile) + u"(*.bpl)|*.bpl"_s;
}

// The title of the note prompt: the note column's header of the experts list.
QString noteTitle(EditingHost& host)
{
    return host.project().experts().headerData(2, Qt::Horizontal).toString();
}

// The include path of a package: the folder chosen starting at the package's folder, by the path
// rule; empty when the dialog is cancelled.
QString askIncludePath(EditingHost& host, const QString& package)
{
    const std::optional<QString> folder = chooseFolder(host, folderOf(package));
    return folder ? host.macro().shorten(*folder) : QString();
}

} // namespace

QString unstorableGroupNameReason(const QString& name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (c == u'\r' || c == u'\n')
            return u"a project file cannot keep a line break in a group name"_s;
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            return u"the name holds half of a character (a lone surrogate), which a project file cannot keep"_s;
    }
    if (!name.isEmpty() && (isBlank(name.front()) || isBlank(name.back())))
        return u"a project file drops blanks at the start and end of a group name"_s;
    return {};
}

bool GroupCommands::askGroupName(const QString& title, const QString& invalidText, int own, QString& name)
{
    ConfigProject& p = m_host.project();
    for (;;) {
        InputDialogState& input = m_host.dialogs().input;
        input.prepare(title, true, kGroupNameMode);
        const Prompter::InputAnswer a = Prompter::current().input(m_host.dialogParent(), input);
        if (!a.ok || a.text.isEmpty())
            return false;
        const QString& text = a.text;
        if (text.startsWith(u' ') || isReservedName(text)) {
            warnYes(m_host, invalidText);
            continue;
        }
        if (const QString why = unstorableGroupNameReason(text); !why.isEmpty()) {
            // A name of thousands of characters is named by its start.
            const QString shown = text.size() > 80 ? text.left(80) + u"..."_s : text;
            warnOk(m_host, u"Group name <"_s + shown + u"> is refused: "_s + why + u'.');
            continue;
        }
        bool duplicate = false;
        for (int g = 0; g < p.groupCount() && !duplicate; ++g)
            duplicate = g != own && equalsIgnoringAsciiCase(p.groupName(g), text);
        if (duplicate) {
            warnOk(m_host, u'<' + text + u"> "_s + uiText(UiText::MsgAlreadyExist));
            continue;
        }
        name = text;
        return true;
    }
}

void GroupCommands::popAddGroupClick()
{
    QString name;
    if (!askGroupName(u"Input Group Name"_s, u"Group name is not vavil."_s, -1, name))
        return;
    ConfigProject& p = m_host.project();
    p.addGroup(name);
    p.setActiveGroup(p.groupCount() - 1);
    p.checkStateChange();
}

void GroupCommands::popModifyGroupClick()
{
    ConfigProject& p = m_host.project();
    const int g = m_host.addressedGroup();
    if (g < 0 || g >= p.groupCount())
        return;
    QString name;
    if (!askGroupName(u"Group Name"_s, u"Group name is not avail"_s, g, name))
        return;
    p.renameGroup(g, name);
    p.checkStateChange();
}

void GroupCommands::popDelGroupClick()
{
    ConfigProject& p = m_host.project();
    const int k = m_host.addressedGroup();
    if (p.groupCount() == 0 || k < 0 || k >= p.groupCount())
        return;
    const Prompter::Message m{Prompter::Icon::Warning,
                              u"Warning"_s,
                              uiText(UiText::MsgDeleteConfirm) + u" ["_s + p.groupName(k) + u']',
                              Prompter::Yes | Prompter::No,
                              Prompter::No,
                              false};
    if (Prompter::current().message(m_host.dialogParent(), m) != Prompter::Yes)
        return;
    const int a = p.activeGroup();
    p.removeGroup(k);
    const int remaining = p.groupCount();
    if (remaining > 0) {
        // The page that was active stays active when it still exists (one place earlier when it
        // stood after the deleted one); when the active page itself went, the one that took its
        // place, or the last page.
        int target = a;
        if (a >= remaining)
            target = remaining - 1;
        else if (a > k)
            target = a - 1;
        p.setActiveGroup(target);
    }
    // The remembered tab may be gone or now be another group's: the current one is addressed.
    m_host.setAddressedGroup(remaining > 0 ? p.activeGroup() : -1);
    p.checkStateChange();
}

void GroupCommands::setAllInAllGroups(bool selected)
{
    ConfigProject& p = m_host.project();
    for (int g = 0; g < p.groupCount(); ++g)
        p.group(g).setAllSelected(selected);
}

void GroupCommands::setAllInActiveGroup(bool selected)
{
    ConfigProject& p = m_host.project();
    const int g = p.activeGroup();
    if (g < 0 || g >= p.groupCount())
        return;
    p.group(g).setAllSelected(selected);
}

void GroupCommands::popSelAllGrpClick()
{
    setAllInAllGroups(true);
}

void GroupCommands::popunSelAllGrpClick()
{
    setAllInAllGroups(false);
}

void GroupCommands::popSelAllCompClick()
{
    setAllInActiveGroup(true);
}

void GroupCommands::popunSelAllCompClick()
{
    setAllInActiveGroup(false);
}

std::optional<GroupCommands::ChosenPackage> GroupCommands::choosePackage(int skipGroup, int skipRow)
{
    ConfigProject& p = m_host.project();
    for (;;) {
        const std::optional<QString> chosen = chooseOpenFile(m_host, packageFilter());
        if (!chosen)
            return std::nullopt;
        bool duplicate = false;
        for (int g = 0; g < p.groupCount() && !duplicate; ++g) {
            if (!m_host.hasGroupList(g)) {
                reportMissingList(m_host, g);
                return std::nullopt;
            }
            duplicate = findSameFile(p.group(g), *chosen, m_host.macro(), g == skipGroup ? skipRow : -1) >= 0;
        }
        if (duplicate) {
            warnOk(m_host, alreadyExistText(*chosen));
            continue;
        }
        // The IDE refuses to install a run-time only package: better refused here than after Apply.
        const PackageInfo info = readPackageInfo(m_host.bridge().toHost(*chosen));
        if (info.ok && info.runOnly) {
            warnOk(m_host, u'[' + *chosen + u"] "_s + uiText(UiText::MsgRunOnlyPackage));
            continue;
        }
        return ChosenPackage{*chosen,
                             info.ok && !info.description.isEmpty() ? info.description : baseName(*chosen)};
    }
}

void GroupCommands::popAddCompClick()
{
    ConfigProject& p = m_host.project();
    const int g = p.activeGroup();
    if (p.groupCount() == 0 || g < 0 || g >= p.groupCount())
        return;
    resetOpenDialog(m_host, m_host.macro().delphiRoot() + u"Components\\"_s + p.groupName(g));
    const std::optional<ChosenPackage> package = choosePackage(-1, -1);
    if (!package)
        return;
    ComponentEntry e;
    e.name = askText(m_host, m_host.caption(u"TabSheetComponents"_s), kPackageNameMode, package->defaultName);
    e.file = m_host.macro().shorten(package->file);
    e.image = m_host.macro().entryImageIndex(e.file, nullptr);
    e.includePath = askIncludePath(m_host, package->file);
    e.note = askText(m_host, noteTitle(m_host), kInputAcceptsEmpty, package->defaultName);
    // Added checked, which runs the check-state handler as a click on its box would.
    e.selected = true;
    ComponentListModel& list = p.group(g);
    const int row = list.add(e);
    m_host.dialogs().open.lastUse = OpenDialogState::LastUse::Components;
    m_host.selectRow(list, row);
}

void GroupCommands::popModifyCompClick()
{
    ConfigProject& p = m_host.project();
    const int g = p.activeGroup();
    if (p.groupCount() == 0 || g < 0 || g >= p.groupCount())
        return;
    ComponentListModel& list = p.group(g);
    const int selected = m_host.selectedRow(list);
    if (list.count() == 0 || selected < 0)
        return;
    OpenDialogState& open = m_host.dialogs().open;
    if (open.lastUse != OpenDialogState::LastUse::Components) {
        open.lastUse = OpenDialogState::LastUse::Components;
        resetOpenDialog(m_host, m_host.macro().delphiRoot() + u"Components\\"_s);
    }
    const std::optional<ChosenPackage> package = choosePackage(g, selected);
    if (!package)
        return;
    // The caption may move the row in the caption-sorted list; the rest follows it there.
    int r = list.setCaption(
        selected, askText(m_host, uiText(UiText::CompFile), kInputAcceptsEmpty, package->defaultName));
    const QString file = m_host.macro().shorten(package->file);
    list.setText(r, 1, file);
    list.setImage(r, m_host.macro().entryImageIndex(file, nullptr));
    list.setText(r, 2, askIncludePath(m_host, package->file));
    list.setText(r, 3, askText(m_host, noteTitle(m_host), kInputAcceptsEmpty, package->defaultName));
    list.setSelected(r, true);
    p.markModified();
    open.lastUse = OpenDialogState::LastUse::Components;
}

void GroupCommands::popDelCompClick()
{
    ConfigProject& p = m_host.project();
    const int g = p.activeGroup();
    if (g >= 0 && g < p.groupCount())
        deleteSelectedRow(m_host, p.group(g));
}

void GroupCommands::componentMouseDown(const ComponentListModel& list, int x)
{
    showCellHint(m_host, list, x, list.columnCount() - 1);
}

} // namespace vx::editing
