#pragma once

#include <QString>
#include <QStringList>

namespace vx {

struct Installation;

namespace integration {

// How this program and the installation it serves appear on the Linux desktop: what the
// launchers start, their picture, and the tag that tells installations apart.
struct DesktopIdentity
{
    QString program;              // host path of the executable the launchers start
    QStringList programArguments; // given before anything else: "--root DIR" when installed
    QString icon;                 // Icon=: a theme name, or the path of an SVG file
    QString tag;                  // empty, or the installation's name when several are known

    // "<base>.desktop", or "<base>-<tag>.desktop".
    QString launcherName(QStringView base) const;
    // A launcher's Name=, with " (<tag>)" when tagged.
    QString displayName(const QString& name) const;
    // The program with its arguments, then `more`.
    QStringList exec(const QStringList& more = {}) const;
};

// The identity of `executable` serving `installation`.
// - Installed (the executable does not stand in the installation's folder), the launchers pass
//   "--root <folder>", so each starts the program for its own installation.
// - The icon is the theme's "vorlix7" where the installation put it (../share/icons beside the
//   executable); otherwise vorlix7.svg beside the executable, written there from the program's
//   own picture when missing, or under `dataHome`/icons when that folder cannot be written.
// - `knownPrefixes` are the prefixes of every installation known; with more than one, the tag
//   is the name of the installation's prefix folder, with a short hash of its path where two
//   folder names are alike.
DesktopIdentity desktopIdentity(const QString& executable, const Installation& installation,
                                const QStringList& knownPrefixes, const QString& dataHome);

// The same for this process's user: the prefixes of the installations the finder finds, and the
// user's data folder.
DesktopIdentity desktopIdentityForCurrentUser(const QString& executable, const Installation& installation);

} // namespace integration
} // namespace vx
