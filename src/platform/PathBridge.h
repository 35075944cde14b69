#pragma once

#include <QString>

namespace vx {

// A host path made absolute (against the current directory) and clean ("a/./b/../c" is "a/c").
QString absoluteCleanPath(const QString& hostPath);

// The one place where Windows-form paths (what the IDE and the registry see, "C:\Program Files\...")
// and host paths (what this program opens) meet. Windows to host goes through the prefix's
// `dosdevices` drive links, resolving every component case-insensitively as Windows does; host to
// Windows picks the drive whose root is the deepest ancestor of the path (`z:` maps `/`).
class PathBridge
{
  public:
    // `prefixDir` is the host directory of the Wine prefix; it need not exist.
    explicit PathBridge(const QString& prefixDir = {});

    // The prefix that belongs to a program standing in `hostDir`: the nearest ancestor (the
    // directory itself included) holding `system.reg` or `dosdevices`; otherwise $WINEPREFIX;
    // otherwise ~/.wine. Always an absolute, clean path.
    static QString discoverPrefix(const QString& hostDir);

    const QString& prefix() const { return m_prefix; }

    // Host path of a Windows path ("C:\a\b", "c:/a/b", "\\?\C:\a"). Existing components are matched
    // ignoring case; the remaining ones are appended as written. Empty when the drive letter is not
    // mapped or the text is not an absolute Windows path.
    QString toHost(const QString& windowsPath) const;

    // Windows form of a host path: drive letter in upper case, backslashes, no trailing backslash
    // (except for a drive root, "C:\"). Relative paths are made absolute against the current
    // directory first. A path outside every drive maps through Z:.
    QString toWindows(const QString& hostPath) const;

    // Windows form of a host directory with exactly one trailing backslash (DelphiRoot's form).
    QString toWindowsDir(const QString& hostDir) const;

    // True when a regular file (not a directory) exists at the Windows path.
    bool fileExists(const QString& windowsPath) const;
    // True when a directory exists at the Windows path.
    bool dirExists(const QString& windowsPath) const;

  private:
    QString driveRoot(QChar letter) const; // host directory a drive letter maps to, or empty
    QString m_prefix;
};

} // namespace vx
