// File associations: the registry rows for each choice of the three boxes as Wine's shell sees
// them, a close that has nothing to change, a hive that cannot be written, and the desktop's MIME
// types, launchers and default handlers as the freedesktop tools see them.

#include "integration/Associations.h"
#include "fixtures/Sandbox.h"
#include "platform/FileOps.h"
#include "platform/Installation.h"
#include "platform/registry/RegistryStore.h"
#include "support/MemoryRegistryStore.h"
#include "support/ScopedXdgHome.h"
#include "support/TestFiles.h"
#include "support/WinePrefix.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;
using namespace vx::integration;

namespace {

constexpr auto HKCR = RegRoot::ClassesRoot;

// The ten rows as they read for a program at C:\D7\Vorlix7 and the IDE in C:\D7\, in order.
const QList<AssociationRow> kAllRows{
    {u".vx7"_s, u"Delphi7 Vorlix"_s},
    {u"Delphi7 Vorlix\\shell\\open\\command"_s, u"\"C:\\D7\\Vorlix7\" \"%1\""_s},
    {u".dpr"_s, u"delphi32.exe"_s},
    {u".dpk"_s, u"delphi32.exe"_s},
    {u".pas"_s, u"delphi32.exe"_s},
    {u".dfm"_s, u"delphi32.exe"_s},
    {u"delphi32.exe\\DefaultIcon"_s, u"C:\\D7\\bin\\Delphi32.exe,0"_s},
    {u"delphi32.exe\\shell\\open\\command"_s, u"\"C:\\D7\\bin\\Delphi32.exe\" \"%1\""_s},
    {u"delphi32.exe\\shell\\Open_With_Delphi7"_s, u"Open With Delphi7"_s},
    {u"delphi32.exe\\shell\\Open_With_Delphi7\\command"_s, u"\"C:\\D7\\bin\\Delphi32.exe\" \"%1\""_s},
};

QString defaultText(const RegistryStore& store, const QString& key)
{
    const auto v = store.value(HKCR, key, {});
    return v ? v->text() : u"<missing>"_s;
}

TEST(AssociationRows, EachChoiceWritesItsRowsInOrderAndUncheckingRemovesNothing)
{
    const struct
    {
        AssociationChoice choice;
        QList<int> rows; // numbers 1..10 of the rows written
    } cases[] = {
        {{true, true, true}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {{true, false, true}, {1, 2, 3, 4, 5, 6, 7, 8}},
        {{true, true, false}, {1, 2, 9, 10}},
        {{false, true, true}, {1, 2}}, // the sub-boxes count only under the master
    };
    MemoryRegistryStore store(WineHive::Arch::Win64);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.choice.associate << c.choice.explorer << c.choice.fileType);
        QList<AssociationRow> expected;
        for (int n : c.rows)
            expected << kAllRows[n - 1];
        EXPECT_EQ(associationRows(c.choice, u"C:\\D7\\Vorlix7"_s, u"C:\\D7\\"_s), expected);
        EXPECT_TRUE(writeAssociationRows(store, expected).isEmpty()); // the full choice first, then fewer
    }
    for (const AssociationRow& row : kAllRows)
        EXPECT_EQ(defaultText(store, row.key), row.value);
    // The 64-bit Software\Classes that Wine's shell reads, not the 32-bit programs' node.
    EXPECT_FALSE(store.keyExists(RegRoot::LocalMachine, u"Software\\Classes\\Wow6432Node\\.vx7"_s));
    EXPECT_TRUE(
        store.hiveBytes(HiveRegistryStore::HiveFile::Machine).contains("\n[Software\\\\Classes\\\\.vx7] "));
}

using AssociationsWineTest = test::WinePrefixTest;

TEST_F(AssociationsWineTest, WinesShellSeesTheRows)
{
    {
        HiveRegistryStore store(prefix());
        ASSERT_TRUE(writeAssociationRows(
                        store, associationRows({}, u"C:\\Program Files\\Vx\\Vorlix7"_s, u"C:\\D 7\\"_s))
                        .isEmpty());
        store.commit();
    }
    const auto defaultOf = [](const QString& key) {
        return query(u"HKCR\\"_s + key, false).value(u"(Default)"_s);
    };
    EXPECT_EQ(defaultOf(u".vx7"_s), (QPair<QString, QString>{u"REG_SZ"_s, u"Delphi7 Vorlix"_s}));
    EXPECT_EQ(defaultOf(u"delphi32.exe\\shell\\Open_With_Delphi7\\command"_s).second,
              u"\"C:\\D 7\\bin\\Delphi32.exe\" \"%1\""_s);
}

// ------------------------------------------------------------------ a close on a sandbox

class AssociationsTest : public ::testing::Test
{
  protected:
    QString close(const AssociationChoice& choice)
    {
        HiveRegistryStore store(sb.prefix);
        return writeFileAssociations(store, choice, desktopIdentity(program, inst, {}, xdg.dataHome), inst,
                                     xdg);
    }
    QString launcher(const char* name) const
    {
        return xdg.dataHome + u"/applications/"_s + QLatin1StringView(name);
    }
    static QString run(const QString& program, const QStringList& args, int* exitCode = nullptr)
    {
        const QString path = QStandardPaths::findExecutable(program);
        EXPECT_FALSE(path.isEmpty()) << program.toStdString()
                                     << " is not installed (scripts/install-deps.sh installs it)";
        QProcess p;
        p.start(path, args);
        EXPECT_TRUE(p.waitForFinished(60000)) << program.toStdString();
        if (exitCode)
            *exitCode = p.exitCode();
        return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
    }
    QByteArray golden(const char* name) const
    {
        QByteArray g = test::readAll(QStringLiteral(VX_INTEGRATION_GOLDEN_DIR "/") + QLatin1StringView(name));
        EXPECT_FALSE(g.isEmpty()) << name;
        return g.replace("@DELPHI@", sb.delphiHost.toUtf8()).replace("@PREFIX@", sb.prefix.toUtf8());
    }

    QTemporaryDir dir;
    // The freedesktop tools run by the test look where the test wrote, never into the user's.
    test::ScopedXdgHome xdgHome{dir.path()};
    fixtures::Sandbox sb = fixtures::makeSandbox(dir.filePath(u"prefix"_s));
    Installation inst = Installation::locate(sb.delphiHost);
    XdgFolders xdg{dir.filePath(u"data"_s), dir.filePath(u"config"_s)};
    QString program = sb.delphiHost + u"/Vorlix7"_s;
    QString systemReg = sb.prefix + u"/system.reg"_s;
};

TEST_F(AssociationsTest, AnUnchangedCloseWritesNothingAndAnUnwritableHiveNeverStopsTheRest)
{
    // The hive cannot be written (as while a wineserver runs: the registry transaction refuses
    // alike, its own and Wine's tests): the desktop side is still written, and the message names
    // the file and promises a later attempt.
    test::makeReadOnly(systemReg);
    const QString refused = close({true, true, true});
    EXPECT_TRUE(refused.contains(systemReg) && refused.contains(u"later close"_s)) << refused.toStdString();
    EXPECT_TRUE(QFileInfo::exists(launcher(kProgramLauncher)));

    QFile::setPermissions(systemReg, QFile::permissions(systemReg) | QFile::WriteOwner);
    EXPECT_EQ(close({true, true, true}), QString());
    EXPECT_EQ(defaultText(HiveRegistryStore(sb.prefix), kAllRows[1].key),
              associationCommand(inst.bridge.toWindows(program)));

    // Everything in place: neither the hive nor any desktop file is rewritten, and a read-only
    // hive (as while a wineserver would refuse the write) brings no message.
    const QStringList files{systemReg, launcher(kProgramLauncher), launcher(kIdeLauncher),
                            xdg.configHome + u"/mimeapps.list"_s,
                            xdg.dataHome + u"/mime/packages/vorlix7.xml"_s};
    std::vector<std::pair<FileStamp, QByteArray>> stamps;
    for (const QString& f : files) {
        stamps.emplace_back(fileStamp(f), test::readAll(f));
        ASSERT_TRUE(stamps.back().first.exists) << f.toStdString();
    }
    test::makeReadOnly(systemReg);
    EXPECT_EQ(close({true, true, true}), QString());
    for (qsizetype i = 0; i < files.size(); ++i)
        EXPECT_EQ(std::make_pair(fileStamp(files[i]), test::readAll(files[i])), stamps[size_t(i)])
            << files[i].toStdString();
}

TEST_F(AssociationsTest, DesktopFilesMatchTheGoldenOnesAndTheToolsAnswerWhatWeSet)
{
    ASSERT_EQ(close({true, true, true}), QString());
    // The user's definition of the project type is the one the package installs.
    EXPECT_EQ(test::readAll(xdg.dataHome + u"/mime/packages/vorlix7.xml"_s),
              test::readAll(QStringLiteral(VX_SOURCE_DIR "/data/desktop/vorlix7.xml")));
    EXPECT_EQ(test::readAll(xdg.dataHome + u"/mime/packages/vorlix7-delphi7.xml"_s),
              golden("vorlix7-delphi7.xml"));
    EXPECT_EQ(test::readAll(launcher(kProgramLauncher)), golden("vorlix7-open.desktop"));
    EXPECT_EQ(test::readAll(launcher(kIdeLauncher)), golden("vorlix7-delphi7-open.desktop"));
    int code = -1;
    EXPECT_EQ(run(u"desktop-file-validate"_s, {launcher(kProgramLauncher), launcher(kIdeLauncher)}, &code),
              QString());
    EXPECT_EQ(code, 0);
    ASSERT_FALSE(QStandardPaths::findExecutable(u"mimetype"_s).isEmpty())
        << "xdg-mime ignores our types without it";
    const std::pair<const char16_t*, const char16_t*> types[] = {
        {u"a.vx7", u"application/x-vorlix7-project"},
        {u"a.pas", u"text/x-pascal"},
        {u"a.dpr", u"text/x-vorlix7-delphi-project"},
    };
    for (const auto& [name, type] : types) {
        const QString file = dir.filePath(u"files/"_s + QString::fromUtf16(name)),
                      mime = QString::fromUtf16(type);
        test::writeAll(file, "[Project]\nName=x\n");
        EXPECT_EQ(run(u"xdg-mime"_s, {u"query"_s, u"filetype"_s, file}), mime);
        EXPECT_EQ(run(u"xdg-mime"_s, {u"query"_s, u"default"_s, mime}),
                  QString::fromLatin1(mime.contains(u"vorlix7-project"_s) ? kProgramLauncher : kIdeLauncher));
    }
}

// A Lazarus user's default for Pascal files stays; the IDE is offered beside it. Unchecking the
// boxes takes back our own entries, and only ours.
TEST_F(AssociationsTest, TheUsersDefaultsStayAndUncheckingTakesBackOnlyOurs)
{
    test::writeAll(
        xdg.dataHome + u"/applications/lazarus.desktop"_s,
        "[Desktop Entry]\nType=Application\nName=Lazarus\nExec=lazarus %f\nMimeType=text/x-pascal;\n");
    const QString list = xdg.configHome + u"/mimeapps.list"_s;
    test::writeAll(list, "[Default Applications]\ntext/x-pascal=lazarus.desktop;\n");
    ASSERT_EQ(close({true, true, true}), QString());
    const auto defaultFor = [](const char* type) {
        return run(u"xdg-mime"_s, {u"query"_s, u"default"_s, QString::fromLatin1(type)});
    };
    EXPECT_EQ(defaultFor("text/x-pascal"), u"lazarus.desktop"_s);
    EXPECT_EQ(defaultFor("text/x-vorlix7-delphi-project"), QString::fromLatin1(kIdeLauncher));
    const auto defaults = [&] { return test::readAll(list).split('[').value(1); }; // the user's group
    EXPECT_TRUE(defaults().contains(kIdeLauncher));

    ASSERT_EQ(close({true, true, false}), QString()); // offered, no longer the default
    EXPECT_FALSE(defaults().contains(kIdeLauncher)) << test::readAll(list).constData();
    ASSERT_EQ(close({true, false, true}), QString());
    EXPECT_FALSE(test::readAll(list).contains(kIdeLauncher));
    EXPECT_TRUE(test::readAll(list).startsWith("[Default Applications]\ntext/x-pascal=lazarus.desktop;\n"));
    EXPECT_EQ(defaultFor(kProjectMimeType), QString::fromLatin1(kProgramLauncher));
}

TEST_F(AssociationsTest, ForeignFilesInOurPlacesLoseNothing)
{
    // A launcher of ours that is a link to another program's launcher: the link is replaced, the
    // other launcher stays as it was.
    const QString foreign = xdg.dataHome + u"/applications/editor.desktop"_s;
    const QByteArray editor = "[Desktop Entry]\nType=Application\nName=Editor\nExec=editor %f\n";
    test::writeAll(foreign, editor);
    ASSERT_TRUE(QFile::link(foreign, launcher(kProgramLauncher)));
    // mimeapps.list read-only: reported with its name, everything else is written.
    const QString list = xdg.configHome + u"/mimeapps.list"_s;
    test::writeAll(list, "[Added Associations]\ntext/plain=editor.desktop;\n");
    test::makeReadOnly(list);
    const QString message = close({true, true, true});
    EXPECT_TRUE(message.contains(list)) << message.toStdString();
    EXPECT_EQ(test::readAll(foreign), editor);
    EXPECT_FALSE(QFileInfo(launcher(kProgramLauncher)).isSymLink());
    EXPECT_EQ(test::readAll(list), "[Added Associations]\ntext/plain=editor.desktop;\n");
    EXPECT_EQ(defaultText(HiveRegistryStore(sb.prefix), u".vx7"_s), u"Delphi7 Vorlix"_s);
}

// Taking our entries back, and our default where none was, are the close's tests above, judged by
// xdg-mime.
TEST(MimeAppsList, OursIsOfferedAndDefaultOnlyWhereNoneIsWithOddLinesKept)
{
    const struct
    {
        const char* what;
        QByteArray before, after;
    } cases[] = {
        {"another program's default stays", "[Default Applications]\ntext/x-pascal=lazarus.desktop;\n",
         "[Default Applications]\ntext/x-pascal=lazarus.desktop;\n\n[Added "
         "Associations]\ntext/x-pascal=ours.desktop;\n"},
        {"odd lines, comments, other groups and CR LF ends stay",
         "stray=before-any-group\r\n# mine\r\n[Default Applications]\r\ngarbage line\r\n"
         "text/x-pascal = lazarus.desktop;;\r\n[X-Unknown]\r\ntext/x-pascal=other.desktop;\r\n",
         "stray=before-any-group\r\n# mine\r\n[Default Applications]\r\ngarbage line\r\n"
         "text/x-pascal = lazarus.desktop;;\r\n[X-Unknown]\r\ntext/x-pascal=other.desktop;\r\n\r\n"
         "[Added Associations]\r\ntext/x-pascal=ours.desktop;\r\n"},
        {"a file already right keeps its missing final line end",
         "[Added Associations]\ntext/x-pascal=ours.desktop;\n[Default "
         "Applications]\ntext/x-pascal=x.desktop;",
         "[Added Associations]\ntext/x-pascal=ours.desktop;\n[Default "
         "Applications]\ntext/x-pascal=x.desktop;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QList<MimeHandler> handlers{
            {u"text/x-pascal"_s, u"ours.desktop"_s, MimeHandler::Want::Default}};
        const QByteArray edited = editMimeAppsList(c.before, handlers);
        EXPECT_EQ(edited, c.after);
        EXPECT_EQ(editMimeAppsList(edited, handlers), edited) << "a second edit changes nothing";
    }
}

} // namespace
