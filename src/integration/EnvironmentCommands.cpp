#include "integration/EnvironmentCommands.h"

#include "delphireg/DefaultConfig.h"
#include "delphireg/DelphiConfig.h"
#include "delphireg/RegistryTransaction.h"
#include "editing/EditingHost.h"
#include "editing/EditingRules.h"
#include "editing/RuntimeFiles.h"
#include "i18n/UiTexts.h"
#include "integration/EnvironmentHelpers.h"
#include "integration/IntegrationHost.h"
#include "platform/Errors.h"
#include "platform/Installation.h"
#include "platform/WineLauncher.h"
#include "platform/registry/RegistryStore.h"
#include "prompter/Prompter.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vx::integration {

namespace {

// A plain box with an OK button and a fixed text.
void tell(IntegrationHost& host, const QString& text, Prompter::Icon icon = Prompter::Icon::None)
{
    Prompter::current().message(host.editingHost().dialogParent(), {icon, QString::fromUtf16(kProductName),
                                                                    text, Prompter::Ok, Prompter::Ok, false});
}

QString withFinalBackslash(QString folder)
{
    if (!folder.endsWith(u'\\'))
        folder += u'\\';
    return folder;
}

// The folder dialog titled for a helper folder; the chosen folder with a final backslash.
std::optional<QString> chooseHelperFolder(IntegrationHost& host, const QString& titlePrefix)
{
    editing::EditingHost& e = host.editingHost();
    // The title stays for the next user of the shared dialog.
    e.dialogs().folder.title = titlePrefix + e.caption(u"RzGroupBoxPath"_s);
    const std::optional<QString> folder = editing::chooseFolder(e);
    if (!folder)
        return std::nullopt;
    return withFinalBackslash(*folder);
}

} // namespace

void EnvironmentCommands::RzButtonWinSDKClick()
{
    if (const auto folder = chooseHelperFolder(m_host, u"Win32 SDK "_s)) {
        EnvironmentSettings s = m_host.environment();
        s.sdkHelp = *folder;
        m_host.setEnvironment(s);
    }
}

void EnvironmentCommands::RzButtonBDEpathClick()
{
    if (const auto folder = chooseHelperFolder(m_host, u"BDE "_s)) {
        EnvironmentSettings s = m_host.environment();
        s.bdePath = *folder;
        m_host.setEnvironment(s);
    }
}

void EnvironmentCommands::RzCheckBoxBDEenClick()
{
    // Showing the settings again puts the button and label in step with the switch.
    m_host.setEnvironment(m_host.environment());
}

void EnvironmentCommands::RzBitBtnBordbkClick()
{
    editing::EditingHost& e = m_host.editingHost();
    const Installation& inst = m_host.installation();
    OpenDialogState& open = e.dialogs().open;
    editing::resetOpenDialog(e, inst.delphiRoot + u"bin"_s);
    open.fileName = u"bordbk70.dll"_s;
    const std::optional<QString> chosen = editing::chooseOpenFile(e, u"bordbk70.dll|bordbk70.dll"_s);
    if (!chosen)
        return;
    EnvironmentSettings s = m_host.environment();
    s.bordbk = withFinalBackslash(chosen->left(chosen->lastIndexOf(u'\\') + 1));
    m_host.setEnvironment(s);
}

void EnvironmentCommands::RzButtonRegDebugClick()
{
    const RegistrationResult r = registerDebugger(m_host.installation(), m_host.environment().bordbk);
    if (!r.reason.isEmpty())
        m_host.showStatus(r.reason);
    tell(m_host, r.message);
}

void EnvironmentCommands::RzBitBtnCopyFilesClick()
{
    editing::EditingHost& e = m_host.editingHost();
    const Installation& inst = m_host.installation();
    const QString system = windowsSystemDirectory(inst.prefix());
    FileListDialogState& dialog = e.dialogs().fileList;
    dialog.okText = uiText(UiText::OK);
    dialog.cancelText = uiText(UiText::Cancel);
    dialog.label = runtimeCopyLabel(e.languageName(), system, inst.delphiRoot);
    if (!Prompter::current().fileList(e.dialogParent(), dialog))
        return;
    tell(m_host, copyRuntimeFiles(inst, system, editing::runtimeFileNames()).message);
}

void EnvironmentCommands::RzButtonShortcutClick()
{
    const Installation& inst = m_host.installation();
    const ShortcutReport r = createShortcuts(readShellFolders(HiveRegistryStore(inst.prefix())), inst,
                                             m_host.checkedShortcutPlaces(),
                                             LauncherFolders::forCurrentUser(), m_host.desktopIdentity());
    // The command shows no message; what could not be made is noted in the status bar.
    if (!r.skipped.isEmpty())
        m_host.showStatus(u"Shortcuts not made: "_s + r.skipped.join(u"; "_s));
}

void EnvironmentCommands::RzBitBtnDelShortcutClick()
{
    const Installation& inst = m_host.installation();
    const ShortcutReport r = deleteShortcuts(readShellFolders(HiveRegistryStore(inst.prefix())), inst,
                                             m_host.checkedShortcutPlaces(),
                                             LauncherFolders::forCurrentUser(), m_host.desktopIdentity());
    if (!r.skipped.isEmpty())
        m_host.showStatus(r.skipped.join(u"; "_s));
}

void EnvironmentCommands::RzBitBtnRecoverClick()
{
    editing::EditingHost& e = m_host.editingHost();
    const Installation& inst = m_host.installation();
    const Prompter::Message question{Prompter::Icon::Warning,      u"Warning"_s, uiText(UiText::MsgRecover1),
                                     Prompter::Yes | Prompter::No, Prompter::No, false};
    if (Prompter::current().message(e.dialogParent(), question) == Prompter::No)
        return;
    const EnvironmentSettings s = m_host.environment();
    HiveRegistryStore store(inst.prefix());
    // The registry is committed before the registration starts: regsvr32 brings up a wineserver,
    // after which the hive files must not be written.
    const TransactionResult r = runRegistryTransaction(
        store, inst.prefix(), SnapshotOperation::Recover, keysWrittenBy(SnapshotOperation::Recover),
        [&] {
            writeDefaultConfiguration(store, {inst.delphiRoot, s.sdkHelp, s.bde, s.bdePath});
        },
        OnFailure::KeepWritten);
    if (!r.ok()) {
        Prompter::error(e.dialogParent(), r.report());
        return;
    }
    RzButtonRegDebugClick();
    RzButtonShortcutClick();
    Prompter::current().message(e.dialogParent(),
                                {Prompter::Icon::Information, QString::fromUtf16(kProductName),
                                 uiText(UiText::MsgRecover2), Prompter::Ok, Prompter::Ok, false});
}

void EnvironmentCommands::RzBitBtnLaunchClick()
{
    const ProgramStart start = startDelphi(m_host.installation());
    // The start's result is otherwise ignored; a start that cannot happen is said in the status bar.
    if (!start.started)
        m_host.showStatus(start.error);
}

} // namespace vx::integration
