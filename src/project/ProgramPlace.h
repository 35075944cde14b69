#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace vx {

struct FinderEnvironment;

// Where the program keeps its own files. Copied beside the IDE (or run from its build with --root)
// it keeps them there, as it always did. Installed as a Linux program (its language files in
// <prefix>/share/vorlix7/lang beside the executable's bin folder) and not standing in the IDE's
// folder, it keeps one settings file per installation below $XDG_CONFIG_HOME/vorlix7/ and reads
// the language files of DelphiRoot and of its data folder.

// <executable's folder>/../share/vorlix7/lang when that folder exists, else empty.
QString installedLanguageFolder(const QString& executablePath);

// <configHome>/vorlix7/<prefix folder's name without leading dots>-<first 8 hex digits of the SHA-256 of the
// prefix's absolute path, a line feed and DelphiRoot's host folder>.wv7: two prefixes, or two IDEs in one
// prefix, never share a file.
QString installationSettingsPath(const QString& configHome, const QString& prefix, const QString& hostRoot);

struct ProgramFiles
{
    QString settingsFile;
    // Where the language files are looked up, the first folder holding a name winning.
    QStringList languageFolders;
    bool installed = false; // the settings are kept per installation
};

// `besideName` is the settings file's name where the program keeps it beside the IDE
// ("Vorlix7.wv7").
ProgramFiles programFilesFor(const QString& executablePath, const QString& besideName, const QString& prefix,
                             const QString& hostRoot, const QString& configHome);

// The program's own configuration: <configHome>/vorlix7/vorlix7.conf, a profile file:
//   [Installations]
//   Prefixes=/a/prefix:/a/folder/of/prefixes   folders the finder searches besides the usual places
//   ChosenPrefix=...  ChosenFolder=...         the installation chosen last among several
QString programConfigPath(const QString& configHome);

// The folders of Prefixes, split at ':' (as PATH is); empty parts dropped, "~/" made the home folder.
QStringList configuredPrefixFolders(const QString& configPath, const QString& home);

// The finder's environment of this process, with the folders of the configuration added.
FinderEnvironment finderEnvironmentOfProcess();

struct ChosenInstallation
{
    QString prefix;
    QString hostRoot;
};
std::optional<ChosenInstallation> chosenInstallation(const QString& configPath);
// Remembers the choice; nullopt forgets it. Throws FileWriteError when the file cannot be written.
void rememberChosenInstallation(const QString& configPath, const std::optional<ChosenInstallation>& chosen);

} // namespace vx
