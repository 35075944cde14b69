#pragma once

#include "app/CommandHost.h"
#include "app/MainUi.h"
#include "app/Statistics.h"
#include "editing/EditingHost.h"
#include "i18n/LanguageLoader.h"
#include "integration/IntegrationHost.h"
#include "platform/Installation.h"
#include "platform/ini/IniFile.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "project/Settings.h"
#include "prompter/DialogState.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class QAbstractItemView;

namespace vx::integration {
class EnvironmentCommands;
}

namespace vx::app {

class ProjectCommands;
class RegistryCommands;
class EntryListView;
class LogoAnimation;
struct EditingCommands;

// The main window. It builds the pages, wires the controls to their handlers and holds the
// program's state; the work of each handler belongs to the class of its subsystem.
class TFormMain : public QMainWindow,
                  public CommandHost,
                  public editing::EditingHost,
                  public integration::IntegrationHost
{
    Q_OBJECT
  public:
    enum class StartResult { Ok, WrongVersion, SettingsRefused };

    // `settingsPath` is the program's settings file (the executable's path with ".wv7").
    TFormMain(Installation installation, QString settingsPath, QWidget* parent = nullptr);
    ~TFormMain() override;

    // The creation steps: version check, settings, statistics, options, the project to open,
    // geometry, font, page and language. On a refusal the message has been shown and the window
    // must not be used; nothing is saved at close.
    StartResult FormCreate(const QStringList& arguments);

    MainUi& ui() { return m_ui; }
    ConfigProject& project() override { return m_project; }
    IniFile& projectStore() override { return m_projectStore; }
    const Installation& installation() const override { return m_installation; }
    const PathMacro& macro() const override { return m_macro; }
    const QString& settingsPath() const { return m_settingsPath; }
    // The program's own executable on the host, which the file associations start; the running
    // executable unless set.
    void setExecutablePath(const QString& path) { m_executablePath = path; }
    const QString& executablePath() const { return m_executablePath; }
    // Where the language files are looked up, the first folder holding a name winning; DelphiRoot
    // unless set (an installed program adds its data folder).
    void setLanguageFolders(const QStringList& folders) { m_languageFolders = folders; }
    ProjectCommands& commands() { return *m_commands; }
    RegistryCommands& registry() { return *m_registry; }
    EditingCommands& editing() { return *m_editing; }

    // What the editing commands ask of the window.
    QWidget* dialogParent() override { return this; }
    const PathBridge& bridge() const override { return m_installation.bridge; }
    DialogStates& dialogs() override { return m_dialogs; }
    QString hostRoot() const override { return m_installation.hostRoot; }
    QStringList languageFolders() const override;
    QString caption(const QString& objectName) const override;
    int selectedRow(const QAbstractItemModel& list) const override;
    void selectRow(const QAbstractItemModel& list, int row) override;
    void notifyPageControl() override { RzPageControlTabClick(); }
    void setAddressedGroup(int group) override { m_addressedGroup = group; }
    bool hasGroupList(int group) const override;
    void setListHint(const QAbstractItemModel& list, const QString& text) override;
    QString languageName() const override { return m_languageName; }
    QFont displayFont() const override { return font(); }
    void setDisplayFont(const QFont& font) override;

    // What the project and registry commands ask of the window.
    bool verifyFilesOnLoad() const override { return m_ui.RzCheckBoxValid->isChecked(); }
    void setInputEnabled(bool enabled) override { setEnabled(enabled); }
    QString title() const override { return windowTitle(); }
    void setTitle(const QString& title) override { setWindowTitle(title); }
    void showProjectFigures(const ProjectFigures& figures) override;
    QString shownProjectFile() const override { return m_ui.RzLabelProject->text(); }
    void showProjectFile(const QString& file) override { m_ui.RzLabelProject->setText(file); }
    void setButtonEnabled(Button button, bool enabled) override;
    void showPage(Page page) override { m_ui.showPage(page); }
    void skipNextTick() override { m_stats.resetSkip(); }

    // What the environment commands ask of the window.
    editing::EditingHost& editingHost() override { return *this; }
    integration::EnvironmentSettings environment() const override;
    void setEnvironment(const integration::EnvironmentSettings& settings) override;
    QList<integration::ShortcutPlace> checkedShortcutPlaces() const override;
    integration::DesktopIdentity desktopIdentity() const override;
    void showStatus(const QString& text) override;

    // The product name as shown by LabelLogoName ("Vorlix" in English).
    QString productName() const override;
    // Window caption without a project: "Delphi 7 Vorlix".
    void setNoProjectCaption() override;

    // True while a long operation lets window events through (loading a project): the commands
    // ignore clicks meanwhile, so that none of them starts inside another.
    bool isBusy() const { return m_busy > 0; }

    // Progress facility of long operations.
    void progressBegin() override;
    void progressStep(int percent, const QString& text) override;
    void progressEnd() override;

    // Loads a language by name and applies it to every control.
    void loadLanguage(const QString& name) override;
    // The group tab under the pointer at the last mouse press on the group tabs, -1 for none: the
    // group commands act on it rather than on the active group.
    int addressedGroup() const override { return m_addressedGroup; }

    // Copies the column widths shown into the lists' models, before their layout is written.
    void storeListLayouts() override;
    // Builds the tab and list of a group at the end of RzPageControlComp.
    void addGroupPage(int group);

  public Q_SLOTS:
    void RzPageControlTabClick();
    // The association sub-boxes are enabled exactly when the master box is checked.
    void RzCheckBoxAssociateClick();
    void TimerCountTimer();
    void TimerAnimateTimer();
    void RzLabelRunTimesDblClick();
    void RzLabelProjectRunsDblClick();
    void RzListViewExpertCheckStateChange();
    void RzPageControlCompMouseDown(const QPoint& pos);
    // Help: the installation's help file through Wine's viewer, else the built-in guide.
    void RzRapidFireButtonHelpClick();
    // The hint of a place in the window: the status tip of the widget or of the nearest enclosing
    // one that has a hint, else the window's own.
    QString hintAt(const QWidget* widget) const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The first start (no stored position): a size that fits every page, centred on the screen.
    void fitFirstStart();
    void FormClose();
    bool FormCloseQuery();
    // Writing the file associations into the registry belongs to the associations subsystem;
    // this is its place in the close sequence.
    void writeFileAssociations();
    void showProgramStatistics();
    void readOptions(const AppSettings& s);
    AppSettings collectSettings(const QDateTime& now) const;
    void applyLanguageTexts(const LanguageTexts& texts);
    void rebuildGroupPages();
    void connectHandlers();
    // The buttons of the project, registry and check commands.
    void connectCommands();
    // Connects a control's signal to a command, which runs only while no long operation is going
    // on (a project still loading), so that no command starts inside another.
    template <typename Sender, typename Signal>
    void connectCommand(Sender* sender, Signal signal, std::function<void()> run)
    {
        connect(sender, signal, this, [this, run = std::move(run)] {
            if (!isBusy())
                run();
        });
    }
    // The editing commands: popup menus, keys and buttons of the lists, language and font.
    void connectEditing();
    void connectListKeys(EntryListView* view, QMenu* menu);
    void connectEnvironment();
    // The list that shows a model, or nullptr.
    QAbstractItemView* viewOf(const QAbstractItemModel& model) const;
    // A group's tab went: its page goes, and the pages after it take the numbers one lower.
    void removeGroupPage(int group);

    Installation m_installation;
    PathMacro m_macro;
    QString m_settingsPath;
    QString m_executablePath;
    QStringList m_languageFolders; // empty: DelphiRoot's host directory
    IniFile m_settings;
    IniFile m_projectStore;
    ConfigProject m_project;
    UsageStatistics m_stats;
    MainUi m_ui;
    std::unique_ptr<ProjectCommands> m_commands;
    std::unique_ptr<RegistryCommands> m_registry;
    DialogStates m_dialogs;
    std::unique_ptr<EditingCommands> m_editing;
    std::unique_ptr<integration::EnvironmentCommands> m_environment;
    LogoAnimation* m_logoAnimation = nullptr; // a child of the logo
    QString m_languageName = QStringLiteral("English");
    LanguageTexts m_languageTexts;
    bool m_saveAtClose = false;
    bool m_closed = false;
    int m_animateTicks = 0;
    int m_addressedGroup = -1;
    int m_busy = 0;
    int m_fontCharset = 1; // the font's character set as stored, written back unchanged
};

} // namespace vx::app
