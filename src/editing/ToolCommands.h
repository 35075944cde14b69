#pragma once

namespace vx::editing {

class EditingHost;

// The commands of the Tools-menu list: add, modify, delete, check or clear all, the cell hint.
class ToolCommands
{
  public:
    explicit ToolCommands(EditingHost& host) : m_host(host) {}

    void popAddToolClick();
    void popModifyToolClick();
    void popDelToolClick();
    void popSelAllToolClick();
    void popunSelAllToolClick();
    void RzListViewToolMouseDown(int x);

  private:
    EditingHost& m_host;
};

} // namespace vx::editing
