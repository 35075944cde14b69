#include "platform/InstallationFinder.h"
#include "fixtures/Sandbox.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

void makeLink(const QString& target, const QString& link)
{
    QDir().mkpath(QFileInfo(link).absolutePath());
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
}

QByteArray machineHive(const char* arch, const QByteArray& body)
{
    return QByteArray("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=") +
           arch + "\n\n[Software\\\\Classes\\\\.txt] 1700000000\n@=\"txtfile\"\n\n" + body;
}

// The Delphi directory of a sandbox moved to another folder of drive C.
QString moveDelphi(const fixtures::Sandbox& sb, const QString& relative)
{
    const QString to = sb.prefix + u"/drive_c/"_s + relative;
    QDir().mkpath(QFileInfo(to).absolutePath());
    EXPECT_TRUE(QDir().rename(sb.delphiHost, to));
    return to;
}

class FinderTest : public ::testing::Test
{
  protected:
    QTemporaryDir dir;
    FinderEnvironment env{dir.filePath(u"home"_s), {}, {}, {}, {}};

    QString home(const QString& relative) const { return env.home + u'/' + relative; }
};

struct PlaceCase
{
    const char* name;
    QString prefix; // below the test folder
    PrefixPlace place;
    std::function<void(FinderEnvironment&, const QString& root)> configure;
};

TEST_F(FinderTest, FindsAPrefixInEveryKindOfPlace)
{
    const PlaceCase cases[] = {
        {"WINEPREFIX", u"custom/d7"_s, PrefixPlace::Wine,
         [](FinderEnvironment& e, const QString& root) { e.winePrefix = root + u"/custom/d7"_s; }},
        {"Bottles below XDG_DATA_HOME", u"data/bottles/bottles/Delphi"_s, PrefixPlace::Bottles,
         [](FinderEnvironment& e, const QString& root) { e.xdgDataHome = root + u"/data"_s; }},
        {"Lutris game configuration (a relative XDG_CONFIG_HOME counts as unset)", u"elsewhere/d7"_s,
         PrefixPlace::Lutris,
         [](FinderEnvironment& e, const QString& root) {
             e.xdgConfigHome = u"relative/config"_s;
             test::writeAll(e.home + u"/.config/lutris/games/delphi-7-1700000000.yml"_s,
                            "game:\n  exe: " + QFile::encodeName(root) +
                                "/elsewhere/d7/drive_c/x.exe\n  prefix: '" + QFile::encodeName(root) +
                                "/elsewhere/d7'\nsystem: {}\nwine:\n  version: lutris-7.2\n");
         }},
        {"Lutris configuration under XDG_DATA_HOME, with ~", u"home/pfx/d7"_s, PrefixPlace::Lutris,
         [](FinderEnvironment& e, const QString& root) {
             e.xdgDataHome = root + u"/data"_s;
             test::writeAll(root + u"/data/lutris/games/d7.yml"_s, "game:\n  prefix: ~/pfx/d7\n");
         }},
        {"a folder of prefixes the user added", u"mine/d7"_s, PrefixPlace::User,
         [](FinderEnvironment& e, const QString& root) { e.userFolders = {root + u"/mine"_s}; }},
    };
    for (const PlaceCase& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root;
        FinderEnvironment e{root.filePath(u"home"_s), {}, {}, {}, {}};
        QDir().mkpath(e.home);
        c.configure(e, root.path());
        const fixtures::Sandbox sb = fixtures::makeSandbox(root.filePath(c.prefix));
        const std::vector<FoundInstallation> found = findInstallations(e);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].prefix, sb.prefix);
        EXPECT_EQ(placeName(found[0].place), placeName(c.place));
        EXPECT_EQ(found[0].hostRoot, sb.delphiHost);
    }
}

// The usual folder, then RootDir elsewhere on drive C (win64: Wow6432Node) together with a second
// copy below Program Files (x86); a version other than 7 is none.
TEST_F(FinderTest, ChecksEveryFolderOfAPrefix)
{
    const auto found = [](const QString& prefix) {
        QStringList roots;
        for (const FoundInstallation& f : installationsIn({prefix, PrefixPlace::User}))
            roots << f.hostRoot;
        return roots;
    };
    const fixtures::Sandbox sb = fixtures::makeSandbox(home(u"prefix"_s));
    EXPECT_EQ(found(sb.prefix), QStringList{sb.delphiHost});
    const QString moved = moveDelphi(sb, u"Borland/D7"_s);
    fixtures::makeSandbox(sb.prefix); // writes the usual folder and the registry again
    const QString x86 = moveDelphi(sb, u"Program Files (x86)/Borland/Delphi7"_s);
    test::writeAll(sb.prefix + u"/system.reg"_s,
                   machineHive("win64", "[Software\\\\Wow6432Node\\\\Borland\\\\Delphi\\\\7.0] 1\n"
                                        "\"RootDir\"=\"C:\\\\Borland\\\\D7\\\\\"\n"));
    EXPECT_EQ(found(sb.prefix), (QStringList{moved, x86}));

    fixtures::SandboxOptions six;
    six.productVersion = u"6.0"_s;
    EXPECT_EQ(found(fixtures::makeSandbox(home(u"six"_s), six).prefix), QStringList{});
}

// A prefix reached twice counts once, at its first place; a folder without system.reg or drive_c,
// or a file, is no prefix.
TEST_F(FinderTest, APrefixReachedTwiceCountsOnceAndOnlyPrefixFoldersCount)
{
    const fixtures::Sandbox sb = fixtures::makeSandbox(home(u".local/share/bottles/bottles/D7"_s));
    makeLink(sb.prefix, home(u".wine"_s));
    env.winePrefix = sb.prefix + u"/"_s;
    env.userFolders = {home(u".local/share/bottles/bottles"_s)};
    fixtures::makeSandbox(home(u".cxoffice/no-hive"_s));
    QFile::remove(home(u".cxoffice/no-hive/system.reg"_s));
    test::writeAll(home(u".cxoffice/no-drive/system.reg"_s), machineHive("win64", {}));
    test::writeAll(home(u".cxoffice/cxbottle.conf"_s), "not a folder");
    const std::vector<PrefixCandidate> prefixes = findPrefixes(env);
    ASSERT_EQ(prefixes.size(), 1u);
    EXPECT_EQ(prefixes[0].path, sb.prefix) << "found first through WINEPREFIX";
    EXPECT_EQ(prefixes[0].place, PrefixPlace::Wine);
}

TEST_F(FinderTest, RegisteredRootIsReadFromTheKeysSectionOnly)
{
    const QString prefix = dir.filePath(u"p"_s);
    const struct
    {
        const char* name;
        QByteArray hive;
        std::optional<QString> root;
    } cases[] = {
        {"longer key name sharing the start",
         machineHive("win64",
                     "[Software\\\\Wow6432Node\\\\Borland\\\\Delphi\\\\7.0x] 1\n\"RootDir\"=\"C:\\\\x\"\n"),
         std::nullopt},
        {"unterminated string",
         machineHive("win64", "[Software\\\\Wow6432Node\\\\Borland\\\\Delphi\\\\7.0] 1\n"
                              "\"RootDir\"=\"C:\\\\D7\n"),
         std::nullopt},
        {"last line without a line end",
         machineHive("win64", "[Software\\\\Wow6432Node\\\\Borland\\\\Delphi\\\\7.0] 1\n"
                              "\"RootDir\"=\"C:\\\\D7\\\\\""),
         u"C:\\D7\\"_s},
        {"win32: the key without Wow6432Node, names ignoring case",
         machineHive("win32", "[SOFTWARE\\\\borland\\\\DELPHI\\\\7.0] 1\n"
                              "\"rootdir\"=str(2):\"C:\\\\D7\\\\\"\n"),
         u"C:\\D7\\"_s},
        {"win64: the 64-bit view is not the IDE's",
         machineHive("win64", "[Software\\\\Borland\\\\Delphi\\\\7.0] 1\n\"RootDir\"=\"C:\\\\D7\\\\\"\n"),
         std::nullopt},
        {"no #arch line: Wine's default win64",
         QByteArray("WINE REGISTRY Version 2\n\n") +
             "[Software\\\\Wow6432Node\\\\Borland\\\\Delphi\\\\7.0] 1\n"
             "\"Other\"=\"1\"\n\"RootDir\"=\"D:\\\\Delphi \\\"7\\\"\\\\\"\n",
         u"D:\\Delphi \"7\"\\"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeAll(prefix + u"/system.reg"_s, c.hive);
        EXPECT_EQ(registeredDelphiRoot(prefix), c.root);
    }
    EXPECT_EQ(registeredDelphiRoot(dir.filePath(u"none"_s)), std::nullopt);
}

} // namespace
