#include "integration/DesktopIdentity.h"

#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "platform/Installation.h"
#include "platform/InstallationFinder.h"
#include "project/ProgramPlace.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

// Q_INIT_RESOURCE cannot stand inside a namespace.
static void initIntegrationResources()
{
    Q_INIT_RESOURCE(integration);
}

namespace vx::integration {

namespace {

// Characters a desktop file's name and a menu may show as they are.
QString fileSafe(const QString& name)
{
    QString out;
    for (const QChar c : name) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                           c == u'_' || c == u'-';
        out += plain ? c : u'-';
    }
    while (out.startsWith(u'-'))
        out.remove(0, 1);
    return out.isEmpty() ? u"prefix"_s : out;
}

QString folderName(const QString& prefix)
{
    return fileSafe(QFileInfo(QDir::cleanPath(prefix)).fileName());
}

QString tagFor(const QString& prefix, const QStringList& knownPrefixes)
{
    const QString clean = QDir::cleanPath(prefix);
    QStringList distinct;
    for (const QString& p : knownPrefixes) {
        if (!distinct.contains(QDir::cleanPath(p)))
            distinct << QDir::cleanPath(p);
    }
    if (!distinct.contains(clean))
        distinct << clean;
    if (distinct.size() < 2)
        return {};
    const QString name = folderName(clean);
    int alike = 0;
    for (const QString& p : distinct)
        alike += folderName(p) == name;
    if (alike == 1)
        return name;
    const QByteArray hash = QCryptographicHash::hash(clean.toUtf8(), QCryptographicHash::Sha1).toHex();
    return name + u'-' + QString::fromLatin1(hash.left(6));
}

// The program's picture as a file: beside the program, else in the user's icon folder.
QString iconFile(const QString& programDir, const QString& dataHome)
{
    initIntegrationResources();
    const QByteArray svg = [] {
        QFile f(u":/integration/vorlix7.svg"_s);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    const QStringList places{programDir + u"/vorlix7.svg"_s,
                             dataHome + u"/icons/hicolor/scalable/apps/vorlix7.svg"_s};
    for (const QString& path : places) {
        QFile existing(path);
        if (existing.open(QIODevice::ReadOnly) && existing.readAll() == svg)
            return path;
        try {
            QDir().mkpath(QFileInfo(path).path());
            writeFileAtomically(path, svg);
            return path;
        } catch (const OperationError&) {
            // not writable there: the next place
        }
    }
    return {};
}

} // namespace

QString DesktopIdentity::launcherName(QStringView base) const
{
    return base.toString() + (tag.isEmpty() ? QString() : u'-' + tag) + u".desktop"_s;
}

QString DesktopIdentity::displayName(const QString& name) const
{
    return tag.isEmpty() ? name : name + u" ("_s + tag + u')';
}

QStringList DesktopIdentity::exec(const QStringList& more) const
{
    return QStringList{program} + programArguments + more;
}

DesktopIdentity desktopIdentity(const QString& executable, const Installation& installation,
                                const QStringList& knownPrefixes, const QString& dataHome)
{
    DesktopIdentity id;
    const QFileInfo exe(executable);
    id.program = exe.absoluteFilePath();
    const QString dir = exe.absolutePath();
    if (QDir(dir).canonicalPath() != QDir(installation.hostRoot).canonicalPath())
        id.programArguments = {u"--root"_s, installation.hostRoot};
    const bool themed = QFileInfo::exists(dir + u"/../share/icons/hicolor/scalable/apps/vorlix7.svg"_s);
    id.icon = themed ? u"vorlix7"_s : iconFile(dir, dataHome);
    id.tag = tagFor(installation.prefix(), knownPrefixes);
    return id;
}

DesktopIdentity desktopIdentityForCurrentUser(const QString& executable, const Installation& installation)
{
    const FinderEnvironment env = finderEnvironmentOfProcess();
    QStringList prefixes;
    for (const FoundInstallation& found : findInstallations(env))
        prefixes << found.prefix;
    return desktopIdentity(executable, installation, prefixes, env.dataHome());
}

} // namespace vx::integration
