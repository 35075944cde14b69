#include "project/ProgramPlace.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

TEST(ProgramPlaceTest, InstalledProgramsKeepTheirFilesPerInstallation)
{
    QTemporaryDir dir;
    const QString root = dir.path();
    const QString ide = root + u"/prefix/drive_c/Program Files/Borland/Delphi7"_s;
    const QString config = root + u"/config"_s;
    QDir().mkpath(ide);
    QDir().mkpath(root + u"/usr/share/vorlix7/lang"_s);
    const QString installedSettings = installationSettingsPath(config, root + u"/prefix"_s, ide);
    const auto filesFor = [&](const QString& executable) {
        return programFilesFor(executable, u"Vorlix7.wv7"_s, root + u"/prefix"_s, ide, config);
    };
    const ProgramFiles beside = filesFor(ide + u"/Vorlix7"_s); // copied beside the IDE
    EXPECT_EQ(beside.settingsFile, ide + u"/Vorlix7.wv7"_s);
    EXPECT_EQ(beside.languageFolders, QStringList{ide});
    EXPECT_FALSE(beside.installed);
    const ProgramFiles installed = filesFor(root + u"/usr/bin/vorlix7"_s);
    EXPECT_EQ(installed.settingsFile, installedSettings);
    EXPECT_EQ(installed.languageFolders, (QStringList{ide, root + u"/usr/share/vorlix7/lang"_s}));
    EXPECT_TRUE(installed.installed);
    EXPECT_TRUE(installedSettings.startsWith(config + u"/vorlix7/prefix-"_s))
        << installedSettings.toStdString();
    // Another IDE of the prefix has its own file; the same folders written otherwise share it.
    const QString second =
        installationSettingsPath(config, root + u"/prefix"_s, root + u"/prefix/drive_c/D7"_s);
    EXPECT_NE(second, installedSettings);
    EXPECT_EQ(
        installationSettingsPath(config, root + u"/prefix/"_s, root + u"/prefix/./drive_c/../drive_c/D7"_s),
        second);
}

TEST(ProgramPlaceTest, ConfigurationKeepsPrefixFoldersAndTheChoice)
{
    QTemporaryDir dir;
    const QString path = programConfigPath(dir.filePath(u"config"_s));

    test::writeAll(path, "; mine\n[installations]\nprefixes = /srv/wine::~/pfx : ~\n");
    EXPECT_EQ(configuredPrefixFolders(path, u"/home/u"_s),
              (QStringList{u"/srv/wine"_s, u"/home/u/pfx"_s, u"/home/u"_s}));

    // Remembering a choice (read back by the startup test) and forgetting it keep the user's lines.
    rememberChosenInstallation(path, ChosenInstallation{u"/p"_s, u"/p/drive_c/D7"_s});
    rememberChosenInstallation(path, std::nullopt);
    EXPECT_EQ(chosenInstallation(path), std::nullopt);
    EXPECT_EQ(configuredPrefixFolders(path, u"/home/u"_s).size(), 3) << "the folders stay";
    EXPECT_TRUE(test::readAll(path).startsWith("; mine")) << "the user's lines stay";
}

} // namespace
