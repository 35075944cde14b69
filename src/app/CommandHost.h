#pragma once

#include "app/Page.h"

#include <QString>

class QWidget;

namespace vx {

class ConfigProject;
class IniFile;
class PathMacro;
struct Installation;

namespace app {

// The texts of the open project's figures on the Projects page.
struct ProjectFigures
{
    QString file, runs, timeSum, beginTime, lastTime, lastRun;
};

// What the project, registry and check commands need from the window. The commands work on the
// project, its file and the Wine prefix and ask the user through the prompter; the window shows
// what they report: figures, title, progress, the page, which of its buttons can be pressed.
class CommandHost
{
  public:
    enum class Button { SaveProject, CloseProject, UndoRegistry };

    virtual ~CommandHost() = default;

    virtual QWidget* dialogParent() = 0;
    virtual ConfigProject& project() = 0;
    // The file the open project is read from and saved to.
    virtual IniFile& projectStore() = 0;
    virtual const Installation& installation() const = 0;
    virtual const PathMacro& macro() const = 0;
    // The shown text of a control of the main window by its object name (a page's tab caption).
    virtual QString caption(const QString& objectName) const = 0;
    // Whether loading checks that the project's files exist ("verify files valid").
    virtual bool verifyFilesOnLoad() const = 0;
    // Copies the column widths shown into the lists' models, before their layout is written.
    virtual void storeListLayouts() = 0;

    // A long operation: the progress bar and the message pane follow it, and no other command
    // starts meanwhile. With input disabled the window takes no clicks at all.
    virtual void progressBegin() = 0;
    virtual void progressStep(int percent, const QString& text) = 0;
    virtual void progressEnd() = 0;
    virtual void setInputEnabled(bool enabled) = 0;

    // The window's title; the product name as the current language shows it ("Vorlix").
    virtual QString title() const = 0;
    virtual void setTitle(const QString& title) = 0;
    virtual QString productName() const = 0;
    // The title without a project: "Delphi 7 Vorlix".
    virtual void setNoProjectCaption() = 0;

    // Empties every project label of the Projects page (the counts too) and shows `figures`.
    virtual void showProjectFigures(const ProjectFigures& figures) = 0;
    // The project file the Projects page names (Save As names its file while it writes).
    virtual QString shownProjectFile() const = 0;
    virtual void showProjectFile(const QString& file) = 0;

    virtual void setButtonEnabled(Button button, bool enabled) = 0;
    virtual void showStatus(const QString& text) = 0;
    virtual void showPage(Page page) = 0;
    // Recounts the entries and checked entries shown by the page control.
    virtual void notifyPageControl() = 0;
    // The next tick of the run-time figures is skipped (after a load or a capture).
    virtual void skipNextTick() = 0;
};

} // namespace app
} // namespace vx
