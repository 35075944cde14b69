// The window's side of the environment commands: which button runs which command, and the
// settings of the Option page they read and change.
#include "app/AboutPage.h"
#include "app/HelpWindow.h"
#include "app/MainWindow.h"
#include "integration/Associations.h"
#include "integration/EnvironmentCommands.h"
#include "platform/WineLauncher.h"

#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace vx::app {

void TFormMain::connectEnvironment()
{
    m_environment = std::make_unique<integration::EnvironmentCommands>(*this);
    integration::EnvironmentCommands* c = m_environment.get();
    const std::pair<QAbstractButton*, std::function<void()>> buttons[] = {
        {m_ui.RzButtonWinSDK, [c] { c->RzButtonWinSDKClick(); }},
        {m_ui.RzButtonBDEpath, [c] { c->RzButtonBDEpathClick(); }},
        {m_ui.RzCheckBoxBDEen, [c] { c->RzCheckBoxBDEenClick(); }},
        {m_ui.RzCheckBoxValid, [c] { c->RzCheckBoxBDEenClick(); }},
        {m_ui.RzBitBtnBordbk, [c] { c->RzBitBtnBordbkClick(); }},
        {m_ui.RzButtonRegDebug, [c] { c->RzButtonRegDebugClick(); }},
        {m_ui.RzBitBtnCopyFiles, [c] { c->RzBitBtnCopyFilesClick(); }},
        {m_ui.RzButtonShortcut, [c] { c->RzButtonShortcutClick(); }},
        {m_ui.RzBitBtnDelShortcut, [c] { c->RzBitBtnDelShortcutClick(); }},
        {m_ui.RzBitBtnRecover, [c] { c->RzBitBtnRecoverClick(); }},
        {m_ui.RzBitBtnLaunch, [c] { c->RzBitBtnLaunchClick(); }},
    };
    for (const auto& [button, run] : buttons)
        connectCommand(button, &QAbstractButton::clicked, run);

    // The About page: its links and the logo's animation.
    for (ClickLabel* l : {m_ui.RzLabelWeb, m_ui.Image6})
        connect(l, &ClickLabel::clicked, this, &RzLabelWebClick);
    for (ClickLabel* l : {m_ui.RzLabelEmail, m_ui.Image2})
        connect(l, &ClickLabel::clicked, this, &RzLabelEmailClick);
    m_logoAnimation = new LogoAnimation(m_ui.ImageLogo, m_ui.ImageEgg, m_ui.TimerEgg, this);
    connectCommand(m_ui.RzRapidFireButtonHelp, &QAbstractButton::clicked,
                   [this] { RzRapidFireButtonHelpClick(); });
}

void TFormMain::RzRapidFireButtonHelpClick()
{
    // The help file of the installation in Wine's help viewer, when there is one to show it with;
    // otherwise the guide built into the program, so that Help always answers.
    const QString hlp = m_installation.delphiRoot + u"Vorlix.hlp"_s;
    if (m_installation.bridge.fileExists(hlp) && !QStandardPaths::findExecutable(u"wine"_s).isEmpty()) {
        const ProgramStart start = startWindowsProgram(m_installation.prefix(), {u"winhlp32"_s, hlp});
        if (start.started)
            return;
        showStatus(start.error);
    }
    auto* help = new HelpWindow(this);
    help->show();
}

integration::EnvironmentSettings TFormMain::environment() const
{
    return {m_ui.RzLabelWinSDK->text(), m_ui.RzCheckBoxBDEen->isChecked(), m_ui.LabelBDEpath->text(),
            m_ui.LabelBordbk->text()};
}

void TFormMain::setEnvironment(const integration::EnvironmentSettings& s)
{
    const auto setPathLabel = [](QLabel* l, const QString& text) {
        l->setText(text);
        l->setStatusTip(text);
    };
    setPathLabel(m_ui.RzLabelWinSDK, s.sdkHelp);
    setPathLabel(m_ui.LabelBDEpath, s.bdePath);
    setPathLabel(m_ui.LabelBordbk, s.bordbk);
    m_ui.RzCheckBoxBDEen->setChecked(s.bde);
    // The folder of the database engine is kept while the switch is off, only not offered.
    m_ui.RzButtonBDEpath->setEnabled(s.bde);
    m_ui.LabelBDEpath->setEnabled(s.bde);
}

integration::DesktopIdentity TFormMain::desktopIdentity() const
{
    return integration::desktopIdentityForCurrentUser(m_executablePath, m_installation);
}

QList<integration::ShortcutPlace> TFormMain::checkedShortcutPlaces() const
{
    const QCheckBox* boxes[] = {m_ui.RzCheckBoxShortcutMenu,        m_ui.RzCheckBoxShortcutDesktop,
                                m_ui.RzCheckBoxShortcutQuickLaunch, m_ui.RzCheckBoxShortcutMenuD,
                                m_ui.RzCheckBoxShortcutDesktopD,    m_ui.RzCheckBoxShortcutQuickLaunchD};
    QList<integration::ShortcutPlace> places;
    for (int i = 0; i < 6; ++i) {
        if (boxes[i]->isChecked())
            places << integration::kAllShortcutPlaces[i];
    }
    return places;
}

void TFormMain::showStatus(const QString& text)
{
    m_ui.RzStatusPaneMsg->setText(text);
}

} // namespace vx::app
