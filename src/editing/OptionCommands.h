#pragma once

#include <QStringList>

namespace vx::editing {

class EditingHost;

// The language and display-font commands of the Option page.
class OptionCommands
{
  public:
    explicit OptionCommands(EditingHost& host) : m_host(host) {}

    void RzButtonLangClick();
    void RzBitBtnFontClick();

    // The languages offered: the base names of the entries (files and directories) of a host
    // folder that match "*.lng" as Windows matches it (letter case ignored), in text order.
    static QStringList languageNames(const QString& hostFolder);
    // The same over several folders, a name listed once.
    static QStringList languageNames(const QStringList& folders);

  private:
    EditingHost& m_host;
};

} // namespace vx::editing
