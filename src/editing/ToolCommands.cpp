#include "editing/ToolCommands.h"

#include "editing/EditingHost.h"


namespace vx::editing {

void ToolCommands::popAddToolClick()
{
}

void ToolCommands::popModifyToolClick()
{
}

void ToolCommands::popDelToolClick()
{
}

void ToolCommands::popSelAllToolClick()
{
}

void ToolCommands::popunSelAllToolClick()
{
}

void ToolCommands::RzListViewToolMouseDown(int /*x*/)
{
}

} // namespace vx::editing
