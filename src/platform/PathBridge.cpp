#include "platform/PathBridge.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace vx {

QString absoluteCleanPath(const QString& hostPath)
{
    return QDir::cleanPath(QFileInfo(hostPath).absoluteFilePath());
}

namespace {

// Joins without doubling the separator after "/" (the root of z:).
QString joinHost(const QString& dir, const QString& name)
{
    if (dir.endsWith(u'/'))
        return dir + name;
    return dir + u'/' + name;
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// The path with every symbolic link resolved: the deepest part that exists, made canonical, and
// the rest as it stands.
QString canonicalExisting(const QString& path)
{
    QString head = path;
    QString tail;
    while (!head.isEmpty() && head != u"/"_s) {
        const QString canonical = QFileInfo(head).canonicalFilePath();
        if (!canonical.isEmpty())
            return tail.isEmpty() ? canonical : joinHost(canonical, tail);
        const qsizetype slash = head.lastIndexOf(u'/');
        tail = tail.isEmpty() ? head.mid(slash + 1) : head.mid(slash + 1) + u'/' + tail;
        head = slash > 0 ? head.left(slash) : u"/"_s;
    }
    return path;
}

// True when `path` is `root` itself or lies below it.
bool isUnder(const QString& path, const QString& root)
{
    if (root == u"/")
        return path.startsWith(u'/');
    return path == root || (path.startsWith(root) && path.at(root.size()) == u'/');
}

// Host directory behind one `dosdevices` entry: the target of the link (a relative target counts
// from `dosdevices`), or the entry itself when someone put a real directory there. Empty when the
// target is missing or not a directory.
QString entryRoot(const QString& entryPath)
{
    const QFileInfo info(entryPath);
    QString root;
    if (info.isSymLink())
        root = QDir::cleanPath(info.symLinkTarget());
    else if (info.exists())
        root = QDir::cleanPath(info.absoluteFilePath());
    if (root.isEmpty() || !QFileInfo(root).isDir())
        return {};
    return root;
}

// Name of the entry in `dir` that stands for `component`: the exact name when present, else the
// case-insensitive match (the first in code-point order when several differ only in case). Empty
// when nothing matches. Lists the directory only when the exact name is absent.
QString matchEntry(const QString& dir, const QString& component)
{
    const QString exact = joinHost(dir, component);
    if (QFileInfo::exists(exact) || QFileInfo(exact).isSymLink())
        return component;
    QStringList names = QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    std::sort(names.begin(), names.end());
    const auto it = std::find_if(names.cbegin(), names.cend(), [&component](const QString& name) {
        return name.compare(component, Qt::CaseInsensitive) == 0;
    });
    return it == names.cend() ? QString() : *it;
}

struct Drive
{
    QChar letter; // upper case
    QString root; // link target as found
    QString canonicalRoot;
};

} // namespace

PathBridge::PathBridge(const QString& prefixDir)
    : m_prefix(prefixDir.isEmpty() ? QString() : absoluteCleanPath(prefixDir))
{
}

QString PathBridge::discoverPrefix(const QString& hostDir)
{
    // Walk up lexically: QDir::cdUp() would stop at the first directory that does not exist.
    QString dir = absoluteCleanPath(hostDir);
    while (true) {
        if (QFileInfo::exists(joinHost(dir, u"system.reg"_s)) ||
            QFileInfo(joinHost(dir, u"dosdevices"_s)).isDir())
            return dir;
        const QString parent = QFileInfo(dir).path();
        if (parent == dir)
            break;
        dir = parent;
    }
    const QString fromEnv = qEnvironmentVariable("WINEPREFIX");
    if (!fromEnv.isEmpty())
        return absoluteCleanPath(fromEnv);
    return QDir::cleanPath(QDir::homePath() + u"/.wine");
}

QString PathBridge::driveRoot(QChar letter) const
{
    const QChar lower = letter.toLower();
    const QString dosdevices = m_prefix.isEmpty() ? QString() : m_prefix + u"/dosdevices";
    if (!dosdevices.isEmpty() && QFileInfo(dosdevices).isDir()) {
        // Wine writes lower-case letters; an upper-case entry left by hand counts as well.
        for (const QChar c : {lower, letter.toUpper()}) {
            const QString root = entryRoot(dosdevices + u'/' + c + u':');
            if (!root.isEmpty())
                return root;
        }
        return {};
    }
    // A prefix that Wine has not set up yet: its own C: and the whole file system as Z:.
    if (lower == u'c' && !m_prefix.isEmpty() && QFileInfo(m_prefix + u"/drive_c").isDir())
        return m_prefix + u"/drive_c";
    if (lower == u'z')
        return u"/"_s;
    return {};
}

QString PathBridge::toHost(const QString& windowsPath) const
{
    QString path = windowsPath;
    path.replace(u'/', u'\\');
    if (path.startsWith(u"\\\\?\\"))
        path.remove(0, 4);
    // Anything else is relative, drive-relative ("C:foo"), UNC or a device path.
    if (path.size() < 2 || !isAsciiLetter(path.at(0)) || path.at(1) != u':')
        return {};
    if (path.size() > 2 && path.at(2) != u'\\')
        return {};

    const QString root = driveRoot(path.at(0));
    if (root.isEmpty())
        return {};

    // Lexical normalisation as Windows does it: "." vanishes, ".." stops at the drive root.
    QStringList components;
    const QStringList parts = path.mid(2).split(u'\\', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (part == u".")
            continue;
        if (part == u"..") {
            if (!components.isEmpty())
                components.removeLast();
            continue;
        }
        components.append(part);
    }

    QString host = root;
    qsizetype i = 0;
    for (; i < components.size(); ++i) {
        const QString name = matchEntry(host, components.at(i));
        if (name.isEmpty())
            break;
        host = joinHost(host, name);
    }
    // From the first missing component on, nothing exists to match against.
    for (; i < components.size(); ++i)
        host = joinHost(host, components.at(i));
    return host;
}

QString PathBridge::toWindows(const QString& hostPath) const
{
    if (hostPath.isEmpty())
        return {};
    QString path = absoluteCleanPath(hostPath);

    QList<Drive> drives;
    const auto addDrive = [this, &drives](QChar letter) {
        const QChar upper = letter.toUpper();
        if (std::any_of(drives.cbegin(), drives.cend(),
                        [upper](const Drive& d) { return d.letter == upper; }))
            return;
        const QString root = driveRoot(letter);
        if (!root.isEmpty())
            drives.append({upper, root, QFileInfo(root).canonicalFilePath()});
    };
    const QDir dosdevices(m_prefix + u"/dosdevices");
    if (!m_prefix.isEmpty() && dosdevices.exists()) {
        const QStringList names =
            dosdevices.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString& name : names) {
            if (name.size() == 2 && isAsciiLetter(name.at(0)) && name.at(1) == u':')
                addDrive(name.at(0));
        }
    } else {
        addDrive(u'c');
        addDrive(u'z');
    }

    // The deepest root wins; on equal depth the earlier letter.
    std::sort(drives.begin(), drives.end(),
              [](const Drive& a, const Drive& b) { return a.letter < b.letter; });
    const Drive* best = nullptr;
    QString bestRoot;
    const auto match = [&](const QString& candidate) {
        best = nullptr;
        bestRoot.clear();
        for (const Drive& drive : std::as_const(drives)) {
            for (const QString& root : {drive.canonicalRoot, drive.root}) {
                if (!root.isEmpty() && isUnder(candidate, root) &&
                    (best == nullptr || root.size() > bestRoot.size())) {
                    best = &drive;
                    bestRoot = root;
                }
            }
        }
    };
    match(path);
    // A path that reaches a drive through a link (the prefix's dosdevices\c:, or any link into
    // it) is that drive's path, not one of the root drive's.
    if (best == nullptr || bestRoot == u"/"_s) {
        const QString resolved = canonicalExisting(path);
        if (resolved != path) {
            const Drive* plain = best;
            const QString plainRoot = bestRoot;
            match(resolved);
            if (best != nullptr && bestRoot != u"/"_s)
                path = resolved;
            else
                best = plain, bestRoot = plainRoot;
        }
    }

    QChar letter = u'Z';
    QString rest = path;
    if (best != nullptr) {
        letter = best->letter;
        rest = path.mid(bestRoot.size());
    }
    if (rest.startsWith(u'/'))
        rest.remove(0, 1);
    rest.replace(u'/', u'\\');
    return letter + u":\\" + rest;
}

QString PathBridge::toWindowsDir(const QString& hostDir) const
{
    const QString windows = toWindows(hostDir);
    if (windows.isEmpty() || windows.endsWith(u'\\'))
        return windows;
    return windows + u'\\';
}

bool PathBridge::fileExists(const QString& windowsPath) const
{
    const QString host = toHost(windowsPath);
    return !host.isEmpty() && QFileInfo(host).isFile();
}

bool PathBridge::dirExists(const QString& windowsPath) const
{
    const QString host = toHost(windowsPath);
    return !host.isEmpty() && QFileInfo(host).isDir();
}

} // namespace vx
