#include "editing/OptionCommands.h"

#include "editing/EditingHost.h"


namespace vx::editing {

void OptionCommands::RzButtonLangClick()
{
}

void OptionCommands::RzBitBtnFontClick()
{
}

QStringList OptionCommands::languageNames(const QString& /*hostFolder*/)
{
    return {};
}

} // namespace vx::editing
