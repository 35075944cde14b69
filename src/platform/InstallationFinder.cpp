#include "platform/InstallationFinder.h"

#include "platform/AsciiCase.h"
#include "platform/Installation.h"
#include "platform/PathBridge.h"
#include "platform/pe/PeVersion.h"
#include "platform/registry/HiveFormat.h"
#include "platform/registry/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cstring>

using namespace Qt::StringLiterals;

namespace vx {

namespace {

QString xdgBase(const QString& value, const QString& home, const QString& belowHome)
{
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::cleanPath(home + belowHome);
}

// How a place gives prefixes.
enum class Reach : quint8 {
    Folder,         // the folder is a prefix
    Children,       // its sub-folders are prefixes
    FolderOrItsOwn, // the folder, or else its sub-folders (a folder the user added)
    LutrisGames,    // the "prefix:" lines of its *.yml game configurations
};

struct Place
{
    QString dir;
    PrefixPlace kind;
    Reach reach;

    QString text() const
    {
        switch (reach) {
        case Reach::Folder:
        case Reach::FolderOrItsOwn:
            return dir;
        case Reach::Children:
            return dir + u"/*"_s;
        case Reach::LutrisGames:
            return u"prefix: of "_s + dir + u"/*.yml"_s;
        }
        return dir;
    }
};

std::vector<Place> placesOf(const FinderEnvironment& env)
{
    const QString home = QDir::cleanPath(env.home);
    std::vector<Place> places;
    if (!env.winePrefix.isEmpty())
        places.push_back({absoluteCleanPath(env.winePrefix), PrefixPlace::Wine, Reach::Folder});
    places.push_back({home + u"/.wine"_s, PrefixPlace::Wine, Reach::Folder});
    places.push_back({env.dataHome() + u"/bottles/bottles"_s, PrefixPlace::Bottles, Reach::Children});
    places.push_back({home + u"/.var/app/com.usebottles.bottles/data/bottles/bottles"_s, PrefixPlace::Bottles,
                      Reach::Children});
    places.push_back({home + u"/.PlayOnLinux/wineprefix"_s, PrefixPlace::PlayOnLinux, Reach::Children});
    places.push_back({env.configHome() + u"/lutris/games"_s, PrefixPlace::Lutris, Reach::LutrisGames});
    places.push_back({env.dataHome() + u"/lutris/games"_s, PrefixPlace::Lutris, Reach::LutrisGames});
    places.push_back({home + u"/Games"_s, PrefixPlace::Lutris, Reach::Children});
    places.push_back({home + u"/.cxoffice"_s, PrefixPlace::CrossOver, Reach::Children});
    for (const QString& folder : env.userFolders) {
        if (!folder.trimmed().isEmpty())
            places.push_back({absoluteCleanPath(folder.trimmed()), PrefixPlace::User, Reach::FolderOrItsOwn});
    }
    return places;
}

bool isPrefix(const QString& dir)
{
    return QFileInfo(dir + u"/system.reg"_s).isFile() && QFileInfo(dir + u"/drive_c"_s).isDir();
}

QStringList subFolders(const QString& dir)
{
    QStringList out;
    for (const QString& name : QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        out << dir + u'/' + name;
    return out;
}

// The value of every "prefix:" line of Lutris's game configurations (YAML; the key sits under
// "game:"), quotes removed and a leading "~" made the home folder.
QStringList lutrisPrefixes(const QString& gamesDir, const QString& home)
{
    QStringList out;
    for (const QString& name : QDir(gamesDir).entryList({u"*.yml"_s}, QDir::Files, QDir::Name)) {
        QFile file(gamesDir + u'/' + name);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& raw : file.readAll().split('\n')) {
            const QByteArray line = raw.trimmed();
            if (!line.startsWith("prefix:"))
                continue;
            QString value = QString::fromUtf8(line.mid(7)).trimmed();
            if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
                value.back() == value.front())
                value = value.mid(1, value.size() - 2);
            if (value == u"~"_s || value.startsWith(u"~/"_s))
                value = home + value.mid(1);
            if (QDir::isAbsolutePath(value))
                out << QDir::cleanPath(value);
        }
    }
    return out;
}

QStringList prefixDirsOf(const Place& place, const QString& home)
{
    switch (place.reach) {
    case Reach::Folder:
        return {place.dir};
    case Reach::Children:
        return subFolders(place.dir);
    case Reach::FolderOrItsOwn:
        return isPrefix(place.dir) ? QStringList{place.dir} : subFolders(place.dir);
    case Reach::LutrisGames:
        return lutrisPrefixes(place.dir, home);
    }
    return {};
}

// The key of the IDE's machine settings as system.reg writes its name: backslashes doubled.
constexpr QByteArrayView kKey32 = "Software\\\\Borland\\\\Delphi\\\\7.0";
constexpr QByteArrayView kKey64 = "Software\\\\Wow6432Node\\\\Borland\\\\Delphi\\\\7.0";

// The "RootDir" value of a key's section, from the line after its "[...]" line to the next key.
std::optional<QString> rootDirOfSection(const char* p, const char* end)
{
    while (p < end) {
        const char* eol = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (!eol)
            eol = end;
        if (*p == '[')
            return std::nullopt;
        if (*p == '"') {
            const char* q = p + 1;
            QString name;
            // parseEscaped leaves `q` after the closing quote.
            if (hive::parseEscaped(q, eol, '"', name) &&
                equalsIgnoringAsciiCase(QStringView(name), u"RootDir") && q < eol && *q == '=') {
                ++q;
                if (eol - q >= 7 && std::memcmp(q, "str(2):", 7) == 0)
                    q += 7; // REG_EXPAND_SZ
                QString data;
                if (q < eol && *q == '"' && hive::parseEscaped(++q, eol, '"', data))
                    return data;
                return std::nullopt; // not a string
            }
        }
        p = eol + 1;
    }
    return std::nullopt;
}

} // namespace

QString placeName(PrefixPlace place)
{
    switch (place) {
    case PrefixPlace::Wine:
        return u"wine"_s;
    case PrefixPlace::Bottles:
        return u"bottles"_s;
    case PrefixPlace::PlayOnLinux:
        return u"playonlinux"_s;
    case PrefixPlace::Lutris:
        return u"lutris"_s;
    case PrefixPlace::CrossOver:
        return u"crossover"_s;
    case PrefixPlace::User:
        return u"user"_s;
    }
    return {};
}

FinderEnvironment FinderEnvironment::fromProcess()
{
    FinderEnvironment env;
    env.home = QDir::homePath();
    env.winePrefix = qEnvironmentVariable("WINEPREFIX");
    env.xdgDataHome = qEnvironmentVariable("XDG_DATA_HOME");
    env.xdgConfigHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    return env;
}

QString FinderEnvironment::dataHome() const
{
    return xdgBase(xdgDataHome, home, u"/.local/share"_s);
}

QString FinderEnvironment::configHome() const
{
    return xdgBase(xdgConfigHome, home, u"/.config"_s);
}

QString FoundInstallation::label() const
{
    return prefix + u" \u2014 "_s + delphiRoot + u" \u2014 "_s + productVersion;
}

QStringList searchedPlaces(const FinderEnvironment& env)
{
    QStringList out;
    for (const Place& place : placesOf(env))
        out << place.text();
    return out;
}

std::vector<PrefixCandidate> findPrefixes(const FinderEnvironment& env)
{
    std::vector<PrefixCandidate> out;
    QSet<QString> seen;
    for (const Place& place : placesOf(env)) {
        for (const QString& dir : prefixDirsOf(place, QDir::cleanPath(env.home))) {
            if (!isPrefix(dir))
                continue;
            const QString canonical = QFileInfo(dir).canonicalFilePath();
            if (canonical.isEmpty() || seen.contains(canonical))
                continue;
            seen.insert(canonical);
            out.push_back({absoluteCleanPath(dir), place.kind});
        }
    }
    return out;
}

std::optional<QString> registeredDelphiRoot(const QString& prefixDir)
{
    QFile file(prefixDir + u"/system.reg"_s);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Mapped, not read: the file is megabytes and only a few lines of it matter.
    QByteArray copy;
    const char* data = nullptr;
    qsizetype size = qsizetype(file.size());
    if (size <= 0)
        return std::nullopt;
    if (uchar* mapped = file.map(0, size)) {
        data = reinterpret_cast<const char*>(mapped);
    } else {
        copy = file.readAll();
        data = copy.constData();
        size = copy.size();
    }
    const QByteArrayView key = prefixArch(prefixDir) == WineHive::Arch::Win32 ? kKey32 : kKey64;
    const char* end = data + size;
    for (const char* p = data; p < end;) {
        const char* eol = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (!eol)
            eol = end;
        if (*p == '[' && eol - p > key.size() + 1 && p[key.size() + 1] == ']' &&
            equalsIgnoringAsciiCase(QByteArrayView(p + 1, key.size()), key))
            return rootDirOfSection(eol + 1, end);
        p = eol + 1;
    }
    return std::nullopt;
}

std::vector<FoundInstallation> installationsIn(const PrefixCandidate& prefix)
{
    const PathBridge bridge(prefix.path);
    QStringList folders;
    if (const std::optional<QString> root = registeredDelphiRoot(prefix.path))
        folders << bridge.toHost(*root);
    for (const QString& programs : {u"Program Files"_s, u"Program Files (x86)"_s}) {
        const QString host = bridge.toHost(u"C:\\"_s + programs + u"\\Borland\\Delphi7"_s);
        folders << (host.isEmpty() ? prefix.path + u"/drive_c/"_s + programs + u"/Borland/Delphi7"_s : host);
    }
    std::vector<FoundInstallation> out;
    QSet<QString> seen;
    for (const QString& folder : folders) {
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            continue;
        const QString canonical = QFileInfo(folder).canonicalFilePath();
        if (seen.contains(canonical))
            continue;
        seen.insert(canonical);
        const Installation inst = Installation::locate(folder, prefix.path);
        if (!inst.hasDelphiExe())
            continue;
        const PeVersionInfo version = readPeVersion(inst.delphiExeHost());
        if (!version.hasVersionResource || !ideVersionOk(version.productVersion))
            continue;
        out.push_back({prefix.path, prefix.place, inst.hostRoot, inst.delphiRoot, version.productVersion});
    }
    return out;
}

std::vector<FoundInstallation> findInstallations(const FinderEnvironment& env)
{
    std::vector<FoundInstallation> out;
    for (const PrefixCandidate& prefix : findPrefixes(env)) {
        for (FoundInstallation& found : installationsIn(prefix))
            out.push_back(std::move(found));
    }
    return out;
}

InstallationSearch searchInstallations(const FinderEnvironment& env, const QString& namedPrefix)
{
    if (namedPrefix.isEmpty())
        return {findInstallations(env), searchedPlaces(env)};
    const QString prefix = absoluteCleanPath(namedPrefix);
    return {installationsIn({prefix, PrefixPlace::User}), {prefix}};
}

} // namespace vx
