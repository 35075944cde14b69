#include "editing/ExpertCommands.h"

#include "editing/EditingHost.h"


namespace vx::editing {

void ExpertCommands::popAddExpertClick()
{
}

void ExpertCommands::popModifyExpertClick()
{
}

void ExpertCommands::popDelExpertClick()
{
}

void ExpertCommands::popSelAllExpertClick()
{
}

void ExpertCommands::popunSelAllExpertClick()
{
}

void ExpertCommands::RzListViewExpertMouseDown(int /*x*/)
{
}

} // namespace vx::editing
