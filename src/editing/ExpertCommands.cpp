#include "editing/ExpertCommands.h"

#include "editing/EditingHost.h"
#include "editing/EditingRules.h"
#include "i18n/UiTexts.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"

using namespace Qt::StringLiterals;

namespace vx::editing {

namespace {

constexpr int kFileColumn = 1;
constexpr int kNoteColumn = 2;

QString expertsFolder(EditingHost& host)
{
    return host.macro().delphiRoot() + u"Experts\\"_s;
}

QString columnCaption(const EntryListModel& list, int column)
{
    return list.headerData(column, Qt::Horizontal).toString();
}

// Shows the open-file dialog until the user picks a file that no other row holds (`skipRow` is
// the row being modified, which may keep its own file) or cancels. A duplicate is refused with a
// warning built by `refusal` from the chosen path.
std::optional<QString> chooseNewExpertFile(EditingHost& host, const QString& filter, int skipRow,
                                           QString (*refusal)(const QString&))
{
    const ExpertListModel& list = host.project().experts();
    while (true) {
        const std::optional<QString> chosen = chooseOpenFile(host, filter);
        if (!chosen)
            return std::nullopt;
        if (findSameFile(list, *chosen, host.macro(), skipRow) < 0)
            return chosen;
        warnOk(host, refusal(*chosen));
    }
}

QString modifyRefusal(const QString& path)
{
    return path + u' ' + uiText(UiText::MsgAlreadyExist);
}

} // namespace

void ExpertCommands::popAddExpertClick()
{
    ExpertListModel& list = m_host.project().experts();
    resetOpenDialog(m_host, expertsFolder(m_host));
    const QString filter = columnCaption(list, kFileColumn) + u"(*.dll)|*.dll"_s;
    const std::optional<QString> chosen = chooseNewExpertFile(m_host, filter, -1, &alreadyExistText);
    if (!chosen)
        return;

    const QString base = baseName(*chosen);
    const QString name = askText(m_host, m_host.caption(u"TabSheetExperts"_s), 4, base);
    const QString note = askText(m_host, columnCaption(list, kNoteColumn), 4, base);

    // The row arrives complete and checked; adding it runs the check-state handler as a click
    // on its check box would.
    const QString file = m_host.macro().shorten(*chosen);
    const int row = list.add({name, file, note, true, m_host.macro().entryImageIndex(file, nullptr)});
    m_host.project().markModified();
    m_host.dialogs().open.lastUse = OpenDialogState::LastUse::Experts;
    m_host.selectRow(list, row);
}

void ExpertCommands::popModifyExpertClick()
{
    ExpertListModel& list = m_host.project().experts();
    const int row = m_host.selectedRow(list);
    if (row < 0)
        return;
    const QString question = uiText(UiText::MsgModifyConfirm) + u" ["_s + list.text(row, 0) + u"] ?"_s;
    if (!askQuestion(m_host, question, u"Confirm Modify"_s))
        return;

    OpenDialogState& open = m_host.dialogs().open;
    if (open.lastUse != OpenDialogState::LastUse::Experts) {
        resetOpenDialog(m_host, expertsFolder(m_host));
        open.lastUse = OpenDialogState::LastUse::Experts;
    }
    const QString filter = m_host.caption(u"TabSheetExperts"_s) + u"(*.dll)|*.dll"_s;
    const std::optional<QString> chosen = chooseNewExpertFile(m_host, filter, row, &modifyRefusal);
    if (!chosen)
        return;

    const QString base = baseName(*chosen);
    const QString name = askText(m_host, u"专家名称"_s, 4, base);
    const QString note = askText(m_host, u"专家说明"_s, 4, base);

    // Only this row changes; its check box stays as it was.
    const QString file = m_host.macro().shorten(*chosen);
    list.setCaption(row, name);
    list.setText(row, kFileColumn, file);
    list.setImage(row, m_host.macro().entryImageIndex(file, nullptr));
    list.setText(row, kNoteColumn, note);
    m_host.project().markModified();
    open.lastUse = OpenDialogState::LastUse::Experts;
}

void ExpertCommands::popDelExpertClick()
{
    deleteSelectedRow(m_host, m_host.project().experts());
}

void ExpertCommands::popSelAllExpertClick()
{
    // One pass over the rows; the check-state handler runs once for all changed boxes.
    m_host.project().experts().setAllSelected(true);
    m_host.project().markModified();
}

void ExpertCommands::popunSelAllExpertClick()
{
    m_host.project().experts().setAllSelected(false);
    m_host.project().markModified();
}

void ExpertCommands::RzListViewExpertMouseDown(int x)
{
    showCellHint(m_host, m_host.project().experts(), x, kNoteColumn);
}

} // namespace vx::editing
