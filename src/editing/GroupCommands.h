#pragma once

#include <QString>
#include <optional>

namespace vx {
class ComponentListModel;
}

namespace vx::editing {

class EditingHost;

// Why a project file could not hold a group name and read it back whole, or an empty text when
// it can. Every group is stored as a section named after it and as the value of a "Group" n key,
// so the name must survive both: no line break (it would cut the section header into lines, and
// the value writer turns it into a blank), no blank or tab at either end (the reader strips them
// from section names and values), and no half of a surrogate pair (it has no UTF-8 form). "[", "]", "=", ";",
// quotes and other control characters are kept: a section name runs to the last "]" of its line, a value is
// everything after the first "=", and a value in quotes is written inside another pair.
QString unstorableGroupNameReason(const QString& name);

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
    // Asks for a group name until one is valid (true, in `name`) or the user cancels (false).
    // `own` is the group being renamed (its own caption is no duplicate), -1 for a new group.
    bool askGroupName(const QString& title, const QString& invalidText, int own, QString& name);
    // Asks for a package file until one is chosen that no group holds yet (skipping `skipRow` of
    // group `skipGroup`) and that is not marked run-time only; nothing when cancelled or when a
    // group's list is missing (reported).
    // A package file chosen, and the default of its name and note prompts: the text of its
    // DESCRIPTION, else the file's name.
    struct ChosenPackage
    {
        QString file;
        QString defaultName;
    };
    std::optional<ChosenPackage> choosePackage(int skipGroup, int skipRow);
    void setAllInActiveGroup(bool selected);
    void setAllInAllGroups(bool selected);

    EditingHost& m_host;
};

} // namespace vx::editing
