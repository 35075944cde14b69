#pragma once

namespace vx::editing {

class EditingHost;

// The commands of the experts list: add, modify, delete, check or clear all, the cell hint.
class ExpertCommands
{
  public:
    explicit ExpertCommands(EditingHost& host) : m_host(host) {}

    void popAddExpertClick();
    void popModifyExpertClick();
    void popDelExpertClick();
    void popSelAllExpertClick();
    void popunSelAllExpertClick();
    // A mouse press at x (relative to the list): the pressed row's cell becomes the list's hint.
    void RzListViewExpertMouseDown(int x);

  private:
    EditingHost& m_host;
};

} // namespace vx::editing
