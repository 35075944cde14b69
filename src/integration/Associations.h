#pragma once

#include "integration/DesktopIdentity.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace vx {

class RegistryStore;
struct Installation;

namespace integration {

// The three check boxes of the Associate group: the master switch, the Explorer command
// "Open With Delphi7" and the IDE's file types. The sub-boxes count even while disabled.
struct AssociationChoice
{
    bool associate = true;
    bool explorer = true;
    bool fileType = true;

    bool ideFileTypes() const { return associate && fileType; }
    bool explorerCommand() const { return associate && explorer; }
};

// One association entry: the default (unnamed) string value of a key of HKEY_CLASSES_ROOT.
struct AssociationRow
{
    QString key;
    QString value;
    bool operator==(const AssociationRow&) const = default;
};

// `"<exe>" "%1"`: how Windows' shell starts a program on a file.
QString associationCommand(const QString& windowsExe);

// The rows the choice asks for, in their fixed order: ".vx7" and the program's open command
// always; the IDE's four file types with its icon and open command when the master and the file
// types are checked; the Explorer command when the master and Explorer are checked.
// `programWindows` is this program's executable and `delphiRoot` the IDE's directory (trailing
// backslash), both in Windows form.
QList<AssociationRow> associationRows(const AssociationChoice& choice, const QString& programWindows,
                                      const QString& delphiRoot);

// Writes the rows into HKEY_CLASSES_ROOT of the store (not committed), each key created when
// missing; a value already in place is left alone, so a store with nothing to change stays
// unchanged. Returns the keys that could not be created or written (their rows are skipped).
QStringList writeAssociationRows(RegistryStore& store, const QList<AssociationRow>& rows);

// The user's XDG base directories: $XDG_DATA_HOME (else ~/.local/share) and $XDG_CONFIG_HOME
// (else ~/.config); a relative value counts as unset, as the base directory rules say.
struct XdgFolders
{
    QString dataHome;
    QString configHome;
    static XdgFolders forCurrentUser();
};

// The freedesktop side of the associations.
inline constexpr char kProjectMimeType[] = "application/x-vorlix7-project";
// The launchers' names: "<base>.desktop", or "<base>-<tag>.desktop" when several installations are
// known (DesktopIdentity).
inline constexpr char16_t kProgramLauncherBase[] = u"vorlix7-open";
inline constexpr char16_t kIdeLauncherBase[] = u"vorlix7-delphi7-open";
inline constexpr char kProgramLauncher[] = "vorlix7-open.desktop";
inline constexpr char kIdeLauncher[] = "vorlix7-delphi7-open.desktop";
// The program's option that starts the IDE with the files after it instead of opening the window.
inline constexpr char kDelphiOption[] = "--delphi";
// The IDE's file types as the desktop knows them: ".pas" has freedesktop's own type, the others
// are ours.
QStringList ideMimeTypes();

// One file of the desktop side and the content it must have.
struct DesktopFile
{
    QString path;
    QByteArray content;
};

// The files the choice asks for (without mimeapps.list): the project type's definition and the
// program's launcher always; with the Explorer command the IDE's types and launcher.
// `identity` says what the launchers start, their picture and names; the IDE's launcher starts
// the IDE through the program (`kDelphiOption`).
QList<DesktopFile> desktopAssociationFiles(const AssociationChoice& choice, const DesktopIdentity& identity,
                                           const XdgFolders& folders);

// What the associations want of one launcher for one MIME type in mimeapps.list.
struct MimeHandler
{
    enum class Want {
        Nothing, // not listed: our own entries for the type go, nobody else's
        Offered, // listed among the type's applications, never its default
        Default, // offered, and the default where the type has none yet
    };
    QString type;
    QString launcher;
    Want want = Want::Nothing;

    bool operator==(const MimeHandler&) const = default;
};

// The launchers the choice wants: the project type's always as its default; the IDE's with the
// master and Explorer offered for its types, and with the file types as well their default.
QList<MimeHandler> desktopHandlers(const AssociationChoice& choice, const DesktopIdentity& identity);

// mimeapps.list with each handler as it wants: offered in [Added Associations], the default in
// [Default Applications] only where the type has no default, and removed from both where it is
// not wanted. A default another program or the user chose is never replaced, and only our own
// launchers are ever removed. Every other line (other types, other groups, comments, lines this
// editor does not understand, the line ends) stays as it was.
QByteArray editMimeAppsList(const QByteArray& original, const QList<MimeHandler>& handlers);

// What a close did on the desktop side: the files written and the problems, each naming its file.
struct DesktopReport
{
    QStringList written;
    QStringList errors;
};

// Writes the desktop side: each file whose content differs (a symbolic link in its place is
// replaced, never followed: these names belong to the associations alone), mimeapps.list when an
// entry is missing, then update-mime-database and update-desktop-database for the folders that
// changed, where those tools are installed. Nothing is removed.
DesktopReport writeDesktopAssociations(const AssociationChoice& choice, const DesktopIdentity& identity,
                                       const XdgFolders& folders);

// The whole write of a close: the registry rows into the store, committed only when a row
// changed, then the desktop side. Never throws: returns the message to show the user once when
// something could not be written (empty when all is in place). The message names the files and
// says that the associations will be written at a later close.
QString writeFileAssociations(RegistryStore& store, const AssociationChoice& choice,
                              const DesktopIdentity& identity, const Installation& installation,
                              const XdgFolders& folders);

} // namespace integration
} // namespace vx
