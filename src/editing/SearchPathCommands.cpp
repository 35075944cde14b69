#include "editing/SearchPathCommands.h"

#include "editing/EditingHost.h"
#include "editing/EditingRules.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"

using namespace Qt::StringLiterals;

namespace vx::editing {

namespace {

// The folder dialog opens where any command last left it; the chosen folder is stored in macro
// form when it lies below DelphiRoot. DelphiRoot itself comes back without its final backslash
// and so stays a full path.
std::optional<QString> chooseSearchFolder(EditingHost& host)
{
    const std::optional<QString> folder = chooseFolder(host);
    if (!folder)
        return std::nullopt;
    return host.macro().shorten(*folder);
}

} // namespace

void SearchPathCommands::RzRapidFireButtonAddPathClick()
{
    const std::optional<QString> path = chooseSearchFolder(m_host);
    if (!path)
        return;
    // No duplicate check: a folder already listed is listed twice. The list keeps caption order.
    SearchPathModel& list = m_host.project().searchPath();
    const int row = list.addPath(*path);
    m_host.selectRow(list, row);
    m_host.project().markModified();
}

void SearchPathCommands::RzRapidFireButtonModifyPathClick()
{
    SearchPathModel& list = m_host.project().searchPath();
    const int row = m_host.selectedRow(list);
    if (row < 0)
        return;
    const std::optional<QString> path = chooseSearchFolder(m_host);
    if (!path)
        return;
    m_host.selectRow(list, list.setPath(row, *path));
    m_host.project().markModified();
}

void SearchPathCommands::RzRapidFireButtonDelPathClick()
{
    SearchPathModel& list = m_host.project().searchPath();
    const int row = m_host.selectedRow(list);
    if (row < 0)
        return;
    const QString question = u"Do you really want delete path \""_s + list.at(row) + u"\" ?"_s;
    if (!askQuestion(m_host, question, u"Confirm"_s))
        return;
    list.removeRowAt(row);
    selectAfterRemoval(m_host, list, row);
    m_host.project().markModified();
}

void SearchPathCommands::RzListViewSearchPathMouseDown()
{
    const SearchPathModel& list = m_host.project().searchPath();
    const int row = m_host.selectedRow(list);
    if (row >= 0)
        m_host.setListHint(list, list.at(row));
}

} // namespace vx::editing
