#include "project/ProgramPlace.h"

#include "platform/PathBridge.h"

#include "platform/InstallationFinder.h"
#include "platform/ini/IniFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vx {

namespace {

const QString kSection = u"Installations"_s;

bool sameFolder(const QString& a, const QString& b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return ca.isEmpty() ? absoluteCleanPath(a) == absoluteCleanPath(b)
                        : ca == QFileInfo(b).canonicalFilePath();
}

} // namespace

QString installedLanguageFolder(const QString& executablePath)
{
    const QString folder =
        QDir::cleanPath(QFileInfo(executablePath).absolutePath() + u"/../share/vorlix7/lang"_s);
    return QFileInfo(folder).isDir() ? folder : QString();
}

QString installationSettingsPath(const QString& configHome, const QString& prefix, const QString& hostRoot)
{
    const QString absolutePrefix = absoluteCleanPath(prefix);
    const QByteArray hash = QCryptographicHash::hash(
        (absolutePrefix + u'\n' + absoluteCleanPath(hostRoot)).toUtf8(), QCryptographicHash::Sha256);
    // The folder's name without leading dots, so that ~/.wine's file is not hidden.
    QString name = QFileInfo(absolutePrefix).fileName();
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    return QDir::cleanPath(configHome) + u"/vorlix7/"_s + name + u'-' +
           QString::fromLatin1(hash.first(4).toHex()) + u".wv7"_s;
}

ProgramFiles programFilesFor(const QString& executablePath, const QString& besideName, const QString& prefix,
                             const QString& hostRoot, const QString& configHome)
{
    const QString languages = installedLanguageFolder(executablePath);
    if (languages.isEmpty() || sameFolder(QFileInfo(executablePath).absolutePath(), hostRoot))
        return {hostRoot + u'/' + besideName, {hostRoot}, false};
    return {installationSettingsPath(configHome, prefix, hostRoot), {hostRoot, languages}, true};
}

QString programConfigPath(const QString& configHome)
{
    return QDir::cleanPath(configHome) + u"/vorlix7/vorlix7.conf"_s;
}

QStringList configuredPrefixFolders(const QString& configPath, const QString& home)
{
    if (!QFileInfo(configPath).isFile())
        return {};
    const IniFile ini(configPath);
    QStringList out;
    for (QString folder : ini.readString(kSection, u"Prefixes"_s).split(u':', Qt::SkipEmptyParts)) {
        folder = folder.trimmed();
        if (folder == u"~"_s || folder.startsWith(u"~/"_s))
            folder = home + folder.mid(1);
        if (!folder.isEmpty())
            out << folder;
    }
    return out;
}

FinderEnvironment finderEnvironmentOfProcess()
{
    FinderEnvironment env = FinderEnvironment::fromProcess();
    env.userFolders = configuredPrefixFolders(programConfigPath(env.configHome()), env.home);
    return env;
}

std::optional<ChosenInstallation> chosenInstallation(const QString& configPath)
{
    if (!QFileInfo(configPath).isFile())
        return std::nullopt;
    const IniFile ini(configPath);
    ChosenInstallation chosen{ini.readString(kSection, u"ChosenPrefix"_s),
                              ini.readString(kSection, u"ChosenFolder"_s)};
    if (chosen.prefix.isEmpty() || chosen.hostRoot.isEmpty())
        return std::nullopt;
    return chosen;
}

void rememberChosenInstallation(const QString& configPath, const std::optional<ChosenInstallation>& chosen)
{
    if (!chosen && !QFileInfo(configPath).isFile())
        return;
    QDir().mkpath(QFileInfo(configPath).absolutePath());
    IniFile ini(configPath);
    ini.beginBatch();
    if (chosen) {
        ini.writeString(kSection, u"ChosenPrefix"_s, chosen->prefix);
        ini.writeString(kSection, u"ChosenFolder"_s, chosen->hostRoot);
    } else {
        ini.deleteKey(kSection, u"ChosenPrefix"_s);
        ini.deleteKey(kSection, u"ChosenFolder"_s);
    }
    ini.commit();
}

} // namespace vx
