#pragma once

namespace vx {
class ComponentListModel;
}

namespace vx::editing {

class EditingHost;

// The component groups and their packages: add, rename and delete groups (the group the last
// press on the tabs addressed), add, modify and delete packages of the active group, check or
// clear a group or all groups, the cell hint.
class GroupCommands
{
public:
    explicit GroupCommands(EditingHost& host) : m_host(host) {}

    void popAddGroupClick();
    void popModifyGroupClick();
    void popDelGroupClick();
    void popSelAllGrpClick();
    void popunSelAllGrpClick();

    void popAddCompClick();
    void popModifyCompClick();
    void popDelCompClick();
    void popSelAllCompClick();
    void popunSelAllCompClick();
    // A mouse press at x in a group's list.
    void componentMouseDown(const ComponentListModel& list, int x);

private:
    EditingHost& m_host;
};

} // namespace vx::editing
