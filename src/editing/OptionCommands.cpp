#include "editing/OptionCommands.h"

#include "editing/EditingHost.h"
#include "i18n/LanguageLoader.h"
#include "prompter/Prompter.h"

namespace vx::editing {

void OptionCommands::RzButtonLangClick()
{
    const QStringList names = availableLanguages(m_host.languageFolders());
    const std::optional<QString> chosen =
        Prompter::current().selectLanguage(m_host.dialogParent(), m_host.dialogs().language, names);
    if (!chosen || chosen->isEmpty())
        return;
    m_host.loadLanguage(*chosen);
}

void OptionCommands::RzBitBtnFontClick()
{
    const std::optional<QFont> chosen = Prompter::current().font(m_host.dialogParent(), m_host.displayFont());
    if (!chosen)
        return;
    m_host.setDisplayFont(*chosen);
    DialogStates& dialogs = m_host.dialogs();
    dialogs.input.font = *chosen;
    dialogs.language.font = *chosen;
    dialogs.fileList.font = *chosen;
}

} // namespace vx::editing
