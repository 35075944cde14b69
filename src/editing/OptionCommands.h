#pragma once

namespace vx::editing {

class EditingHost;

// The language and display-font commands of the Option page.
class OptionCommands
{
  public:
    explicit OptionCommands(EditingHost& host) : m_host(host) {}

    void RzButtonLangClick();
    void RzBitBtnFontClick();

  private:
    EditingHost& m_host;
};

} // namespace vx::editing
