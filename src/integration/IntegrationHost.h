#pragma once

#include "integration/DesktopIdentity.h"

#include "integration/Shortcuts.h"

#include <QList>
#include <QString>

namespace vx {

struct Installation;

namespace editing {
class EditingHost;
}

namespace integration {

// The folders and the switch the environment helpers keep, as the Option page shows them.
struct EnvironmentSettings
{
    QString sdkHelp;
    bool bde = false;
    QString bdePath;
    QString bordbk;
};

// What the environment commands need from the window: its dialogs (through the editing host),
// the installation, the settings the Option page shows, the checked shortcut places, the status
// bar.
class IntegrationHost
{
  public:
    virtual ~IntegrationHost() = default;

    virtual editing::EditingHost& editingHost() = 0;
    virtual const Installation& installation() const = 0;
    virtual EnvironmentSettings environment() const = 0;
    // Shows the settings on the Option page (captions and hints of the labels, the check box and
    // the enabled state of the database engine's button and label).
    virtual void setEnvironment(const EnvironmentSettings& settings) = 0;
    virtual QList<ShortcutPlace> checkedShortcutPlaces() const = 0;
    // What this program's links and launchers start, their picture and names.
    virtual DesktopIdentity desktopIdentity() const = 0;
    virtual void showStatus(const QString& text) = 0;
};

} // namespace integration
} // namespace vx
