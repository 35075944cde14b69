#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace vx {

class RegistryStore;
struct Installation;

namespace integration {

struct DesktopIdentity;

// The six places a shortcut can go: the IDE's and this program's, in the start menu, on the
// desktop and in the quick-launch bar, in the order the commands serve them.
enum class ShortcutPlace {
    IdeMenu,
    IdeDesktop,
    IdeQuickLaunch,
    ProgramMenu,
    ProgramDesktop,
    ProgramQuickLaunch
};

inline constexpr ShortcutPlace kAllShortcutPlaces[] = {
    ShortcutPlace::IdeMenu,     ShortcutPlace::IdeDesktop,     ShortcutPlace::IdeQuickLaunch,
    ShortcutPlace::ProgramMenu, ShortcutPlace::ProgramDesktop, ShortcutPlace::ProgramQuickLaunch,
};

// "ide-menu", "ide-desktop", "ide-quicklaunch", "program-menu", "program-desktop",
// "program-quicklaunch".
QString placeName(ShortcutPlace place);
std::optional<ShortcutPlace> placeFromName(const QString& name);

// The Windows shell's folders of Wine's user, in Windows form; empty where the registry has none.
struct ShellFolders
{
    QString programs;
    QString desktop;
    QString appData;
    // AppData + "\Microsoft\Internet Explorer\Quick Launch"; empty without AppData.
    QString quickLaunch() const;
};

// Reads "Shell Folders" of the current user's Explorer key.
ShellFolders readShellFolders(const RegistryStore& store);

// Where the Linux side of the shortcuts goes: the freedesktop launchers in the menu and on the
// desktop. Resolved from $XDG_DATA_HOME (else ~/.local/share) and the XDG desktop folder
// (user-dirs.dirs, else ~/Desktop).
struct LauncherFolders
{
    QString applications; // <data home>/applications
    QString desktop;
    static LauncherFolders forCurrentUser();
};

// What a create or delete did: the files written or removed (links and launchers), and the
// places skipped with the reason, "<place>: <reason>".
struct ShortcutReport
{
    QStringList written;
    QStringList removed;
    QStringList skipped;
};

// Creates the shortcuts of the places in order: for a menu place first the folders
// Programs\Delphi and Programs\Delphi\Delphi7 (one level each, failures ignored), then the
// ".lnk" (replacing one that exists); for menu and desktop places also the launcher. A link
// whose folder is unknown or cannot be written is skipped, never an error.
// `identity` says what the program's links and launchers start, their picture and names.
ShortcutReport createShortcuts(const ShellFolders& folders, const Installation& installation,
                               const QList<ShortcutPlace>& places, const LauncherFolders& launchers,
                               const DesktopIdentity& identity);

// Removes the links and launchers of the places that exist. The Delphi folders stay.
ShortcutReport deleteShortcuts(const ShellFolders& folders, const Installation& installation,
                               const QList<ShortcutPlace>& places, const LauncherFolders& launchers,
                               const DesktopIdentity& identity);

} // namespace integration
} // namespace vx
