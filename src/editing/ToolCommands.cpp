#include "editing/ToolCommands.h"

#include "editing/EditingHost.h"
#include "editing/EditingRules.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "prompter/Prompter.h"

using namespace Qt::StringLiterals;

namespace vx::editing {

namespace {

constexpr int kProgramColumn = 1;
constexpr int kWorkDirColumn = 2;
constexpr int kParamsColumn = 3;

const QString kFilter = u"EXE(*.exe)|*.exe"_s;

// Shows the open-file dialog until the user picks a program that no other row holds (`skipRow`
// may keep its own) or cancels.
std::optional<QString> chooseNewProgram(EditingHost& host, int skipRow)
{
    const ToolListModel& list = host.project().tools();
    while (true) {
        const std::optional<QString> chosen = chooseOpenFile(host, kFilter);
        if (!chosen)
            return std::nullopt;
        if (findSameFile(list, *chosen, host.macro(), skipRow) < 0)
            return chosen;
        warnOk(host, alreadyExistText(*chosen));
    }
}

// Title, working directory and parameters of a chosen program, asked in that order; an empty
// title means the program's name, empty parameters are no parameters.
ToolEntry askToolDetails(EditingHost& host, const QString& program)
{
    ToolEntry tool;
    tool.title = askText(host, u"Tool's Name"_s, kInputAcceptsEmpty, baseName(program));
    tool.program = host.macro().shorten(program);
    tool.image = host.macro().entryImageIndex(tool.program, nullptr);
    // The folder dialog starts at the program's folder; cancelling it leaves no working directory.
    if (const std::optional<QString> folder = chooseFolder(host, folderOf(program)))
        tool.workingDir = shortenWorkingDir(*folder, host.macro());
    // Parameters may be empty on purpose: OK stores what was typed, even nothing.
    InputDialogState& input = host.dialogs().input;
    input.prepare(u"Params"_s, true, kInputAcceptsEmpty);
    const Prompter::InputAnswer params = Prompter::current().input(host.dialogParent(), input);
    tool.params = params.ok ? params.text : QString();
    tool.selected = true;
    return tool;
}

bool confirmAll(EditingHost& host, const QString& text)
{
    return Prompter::askYesNo(host.dialogParent(), text, u"Confirm"_s);
}

} // namespace

void ToolCommands::popAddToolClick()
{
    resetOpenDialog(m_host, m_host.macro().delphiRoot() + u"Tools\\"_s);
    const std::optional<QString> chosen = chooseNewProgram(m_host, -1);
    if (!chosen)
        return;
    ToolListModel& list = m_host.project().tools();
    // Added checked: the check-state handler runs as for a click on the box.
    const int row = list.add(askToolDetails(m_host, *chosen));
    m_host.dialogs().open.lastUse = OpenDialogState::LastUse::Tools;
    m_host.selectRow(list, row);
}

void ToolCommands::popModifyToolClick()
{
    ToolListModel& list = m_host.project().tools();
    const int row = m_host.selectedRow(list);
    if (row < 0)
        return;
    OpenDialogState& open = m_host.dialogs().open;
    if (open.lastUse != OpenDialogState::LastUse::Tools) {
        open.lastUse = OpenDialogState::LastUse::Tools;
        resetOpenDialog(m_host, m_host.macro().delphiRoot() + u"Tools\\"_s);
    }
    const std::optional<QString> chosen = chooseNewProgram(m_host, row);
    if (!chosen)
        return;
    const ToolEntry tool = askToolDetails(m_host, *chosen);
    // Only this row changes; its check box stays as it was.
    list.setCaption(row, tool.title);
    list.setText(row, kProgramColumn, tool.program);
    list.setImage(row, tool.image);
    list.setText(row, kWorkDirColumn, tool.workingDir);
    list.setText(row, kParamsColumn, tool.params);
    m_host.project().markModified();
    open.lastUse = OpenDialogState::LastUse::Tools;
}

void ToolCommands::popDelToolClick()
{
    deleteSelectedRow(m_host, m_host.project().tools());
}

// Neither select command marks the project itself: the changed check boxes run the check-state
// handler, which does while a project is open.
void ToolCommands::popSelAllToolClick()
{
    if (confirmAll(m_host, u"Select all components will make Delphi run very slowly.\r\n\r\nAre you sure?"_s))
        m_host.project().tools().setAllSelected(true);
}

void ToolCommands::popunSelAllToolClick()
{
    if (confirmAll(m_host, u"Unselect all components, are you sure?"_s))
        m_host.project().tools().setAllSelected(false);
}

void ToolCommands::RzListViewToolMouseDown(int x)
{
    // A press right of the second column shows the working directory, also over the parameters.
    showCellHint(m_host, m_host.project().tools(), x, kWorkDirColumn);
}

} // namespace vx::editing
