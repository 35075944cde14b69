#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vx {

// A freedesktop launcher (".desktop" file) of type Application.
struct DesktopEntry
{
    QString name;
    QString comment;
    QString icon;          // a theme name or an absolute path; may be empty
    QStringList exec;      // program and arguments, each taken literally
    QString execFieldCode; // appended unquoted, e.g. "%f"; may be empty
    QString workingDir;    // Path=; may be empty
    QStringList mimeTypes;
    QStringList categories;
    bool noDisplay = false;
    bool terminal = false;
};

// One argument of an Exec line, quoted by the freedesktop rules where it needs it: inside double
// quotes '"', '`', '$' and '\' take a backslash, and a '%' is written "%%". The result still
// needs the string escaping of the file (see desktopEntryBytes), which doubles every backslash.
QString desktopExecArgument(const QString& argument);

// The whole file, UTF-8, "[Desktop Entry]" first; values escaped as the format's strings are.
QByteArray desktopEntryBytes(const DesktopEntry& entry);

} // namespace vx
