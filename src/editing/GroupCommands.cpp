#include "editing/GroupCommands.h"

#include "editing/EditingHost.h"


namespace vx::editing {

void GroupCommands::popAddGroupClick()
{
}

void GroupCommands::popModifyGroupClick()
{
}

void GroupCommands::popDelGroupClick()
{
}

void GroupCommands::popSelAllGrpClick()
{
}

void GroupCommands::popunSelAllGrpClick()
{
}

void GroupCommands::popAddCompClick()
{
}

void GroupCommands::popModifyCompClick()
{
}

void GroupCommands::popDelCompClick()
{
}

void GroupCommands::popSelAllCompClick()
{
}

void GroupCommands::popunSelAllCompClick()
{
}

void GroupCommands::componentMouseDown(const ComponentListModel& /*list*/, int /*x*/)
{
}

} // namespace vx::editing
