#pragma once

#include "prompter/DialogState.h"

#include <QFont>
#include <QString>
#include <QStringList>

class QAbstractItemModel;
class QWidget;

namespace vx {

class ConfigProject;
class PathBridge;
class PathMacro;

namespace editing {

// What the editing commands need from the window that shows the lists. The commands work on the
// project's models and ask the user through the prompter; the window answers for what only it
// knows: the selection of a list, the captions as the current language shows them, the tab the
// last press on the group tabs addressed, the message pane, the display font.
class EditingHost
{
  public:
    virtual ~EditingHost() = default;

    virtual QWidget* dialogParent() = 0;
    virtual ConfigProject& project() = 0;
    virtual const PathMacro& macro() const = 0;
    virtual const PathBridge& bridge() const = 0;
    virtual DialogStates& dialogs() = 0;
    // DelphiRoot's host directory.
    virtual QString hostRoot() const = 0;
    // Where the language files are: DelphiRoot, and for an installed program also its data folder.
    virtual QStringList languageFolders() const { return {hostRoot()}; }

    // The shown text of a control of the main window by its object name: a page's tab caption
    // ("TabSheetExperts"), a button's or label's caption.
    virtual QString caption(const QString& objectName) const = 0;

    // The selected row of the list that shows `list`, -1 when none is selected.
    virtual int selectedRow(const QAbstractItemModel& list) const = 0;
    // Selects a row of the list that shows `list` and scrolls it into view.
    virtual void selectRow(const QAbstractItemModel& list, int row) = 0;

    // Recounts the entries and checked entries shown by the page control (its page handler).
    virtual void notifyPageControl() = 0;

    // The group tab the last mouse press on the group tabs addressed, -1 for none.
    virtual int addressedGroup() const = 0;
    virtual void setAddressedGroup(int group) = 0;
    // Whether the window shows a list for the project's group `group` under its numbered name
    // ("ListViewComp" group+1). A window whose pages and groups went out of step answers false;
    // the package commands then stop with the "system error" box instead of changing rows.
    virtual bool hasGroupList(int /*group*/) const { return true; }

    // Makes a text the hint of the list that shows `list` and shows it in the status bar's
    // message pane at once (a click on a cell shows the cell's whole text there).
    virtual void setListHint(const QAbstractItemModel& list, const QString& text) = 0;

    // The interface language and the display font.
    virtual QString languageName() const = 0;
    virtual void loadLanguage(const QString& name) = 0;
    virtual QFont displayFont() const = 0;
    // Gives the font to the window (every control follows) and shows it beside the font button.
    virtual void setDisplayFont(const QFont& font) = 0;
};

} // namespace editing
} // namespace vx
