#pragma once

namespace vx::editing {

class EditingHost;

// The library search path buttons: add, modify and delete a folder, and the list's hint.
class SearchPathCommands
{
  public:
    explicit SearchPathCommands(EditingHost& host) : m_host(host) {}

    void RzRapidFireButtonAddPathClick();
    void RzRapidFireButtonModifyPathClick();
    void RzRapidFireButtonDelPathClick();
    void RzListViewSearchPathMouseDown();

  private:
    EditingHost& m_host;
};

} // namespace vx::editing
