#include "editing/SearchPathCommands.h"

#include "editing/EditingHost.h"


namespace vx::editing {

void SearchPathCommands::RzRapidFireButtonAddPathClick()
{
}

void SearchPathCommands::RzRapidFireButtonModifyPathClick()
{
}

void SearchPathCommands::RzRapidFireButtonDelPathClick()
{
}

void SearchPathCommands::RzListViewSearchPathMouseDown()
{
}

} // namespace vx::editing
