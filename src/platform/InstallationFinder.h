#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace vx {

// Where the Wine prefixes of a user live, and the Delphi 7 installations inside them, for a program
// that does not stand in the IDE's directory (installed as a Linux program).

// The kind of place a prefix was found in.
enum class PrefixPlace : quint8 { Wine, Bottles, PlayOnLinux, Lutris, CrossOver, User };

// "wine", "bottles", "playonlinux", "lutris", "crossover", "user".
QString placeName(PrefixPlace place);

// What the search depends on, passed in rather than read from the process so that tests can
// fake it. An XDG variable that is empty or relative counts as unset (its default below HOME).
struct FinderEnvironment
{
    QString home;
    QString winePrefix;    // $WINEPREFIX
    QString xdgDataHome;   // $XDG_DATA_HOME
    QString xdgConfigHome; // $XDG_CONFIG_HOME
    // Folders the user added: each is a prefix, or a folder whose sub-folders are prefixes.
    QStringList userFolders;

    // HOME, WINEPREFIX, XDG_DATA_HOME and XDG_CONFIG_HOME of this process; no user folders.
    static FinderEnvironment fromProcess();

    QString dataHome() const;   // xdgDataHome, else ~/.local/share
    QString configHome() const; // xdgConfigHome, else ~/.config
};

struct PrefixCandidate
{
    QString path; // absolute, clean; as first reached (links not resolved)
    PrefixPlace place;
};

// A Delphi 7 installation that passes the start-up check: bin\Delphi32.exe exists and its
// product version begins with '7'.
struct FoundInstallation
{
    QString prefix;
    PrefixPlace place;
    QString hostRoot;   // absolute host directory, no trailing slash
    QString delphiRoot; // Windows form with a trailing backslash
    QString productVersion;

    // "prefix — folder — version", the chooser's row.
    QString label() const;
};

// The places searched, as the user may look them up: folders, and patterns ending in "/*".
QStringList searchedPlaces(const FinderEnvironment& env);

// Every prefix (a folder holding system.reg and drive_c) of the places, in the order of
// searchedPlaces; a prefix reached twice (through links, or named by two places) counts once, at
// its first place.
std::vector<PrefixCandidate> findPrefixes(const FinderEnvironment& env);

// The installations of one prefix: the folder named by RootDir of the machine hive's 32-bit view
// of Software\Borland\Delphi\7.0, then the usual folders below Program Files and Program Files
// (x86). A folder reached twice counts once.
std::vector<FoundInstallation> installationsIn(const PrefixCandidate& prefix);

// Both of the above: every installation of every prefix found.
std::vector<FoundInstallation> findInstallations(const FinderEnvironment& env);

// What a program away from the IDE searched and found: with a prefix named (--prefix) only that
// prefix, else every place of the environment.
struct InstallationSearch
{
    std::vector<FoundInstallation> found;
    QStringList searched; // the places, for a message that nothing was found
};
InstallationSearch searchInstallations(const FinderEnvironment& env, const QString& namedPrefix);

// The "RootDir" string of the machine hive's Delphi 7 key in the 32-bit view (Wow6432Node in a
// win64 prefix), read by scanning system.reg's lines for the key's section only. Nothing when the
// file, the key or the value is missing.
std::optional<QString> registeredDelphiRoot(const QString& prefixDir);

} // namespace vx
