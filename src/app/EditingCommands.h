#pragma once

#include "editing/ExpertCommands.h"
#include "editing/GroupCommands.h"
#include "editing/OptionCommands.h"
#include "editing/SearchPathCommands.h"
#include "editing/ToolCommands.h"

namespace vx::app {

// The editing commands of the window, one object per list and one for the Option page.
struct EditingCommands
{
    explicit EditingCommands(editing::EditingHost& host)
        : experts(host), groups(host), tools(host), searchPath(host), options(host)
    {
    }
    editing::ExpertCommands experts;
    editing::GroupCommands groups;
    editing::ToolCommands tools;
    editing::SearchPathCommands searchPath;
    editing::OptionCommands options;
};

} // namespace vx::app
