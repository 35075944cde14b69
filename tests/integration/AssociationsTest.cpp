// File associations: the registry rows for each choice of the three boxes, a close that has
// nothing to change, a hive that cannot be written, and the desktop's MIME types, launchers and
// default handlers as the freedesktop tools see them.

#include "fixtures/Sandbox.h"
#include "integration/Associations.h"
#include "platform/FileOps.h"
#include "platform/Installation.h"
#include "platform/registry/RegistryStore.h"
#include "support/MemoryRegistryStore.h"
#include "support/ScopedXdgHome.h"
#include "support/TestFiles.h"
#include "support/WinePrefix.h"

#include <QDir>
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

TEST(AssociationRows, EachChoiceWritesItsRowsInOrder)
{
    struct Case
    {
        AssociationChoice choice;
        QList<int> rows; // numbers 1..10 of the rows written
    };
    const Case cases[] = {
        {{true, true, true}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {{true, false, true}, {1, 2, 3, 4, 5, 6, 7, 8}},
        {{true, true, false}, {1, 2, 9, 10}},
        {{true, false, false}, {1, 2}},
        {{false, true, true}, {1, 2}}, // the sub-boxes count only under the master
        {{false, true, false}, {1, 2}},
        {{false, false, true}, {1, 2}},
        {{false, false, false}, {1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.choice.associate << c.choice.explorer << c.choice.fileType);
        QList<AssociationRow> expected;
        for (int n : c.rows)
            expected << kAllRows[n - 1];
        EXPECT_EQ(associationRows(c.choice, u"C:\\D7\\Vorlix7"_s, u"C:\\D7\\"_s), expected);

        MemoryRegistryStore store(WineHive::Arch::Win64);
        EXPECT_TRUE(writeAssociationRows(store, expected).isEmpty());
        for (qsizetype i = 0; i < kAllRows.size(); ++i) {
            const bool written = c.rows.contains(int(i) + 1);
            EXPECT_EQ(store.keyExists(HKCR, kAllRows[i].key), written) << kAllRows[i].key.toStdString();
            if (written) {
                EXPECT_EQ(defaultText(store, kAllRows[i].key), kAllRows[i].value);
            }
        }
        // The 64-bit Software\Classes that Wine's shell reads, not the 32-bit programs' node.
        EXPECT_FALSE(store.keyExists(RegRoot::LocalMachine, u"Software\\Classes\\Wow6432Node\\.vx7"_s));
        EXPECT_TRUE(store.hiveBytes(HiveRegistryStore::HiveFile::Machine).contains("\n[Software\\\\Classes\\\\.vx7] "));
    }
}

TEST(AssociationRows, UncheckingRemovesNothing)
{
    MemoryRegistryStore store(WineHive::Arch::Win64);
    writeAssociationRows(store, associationRows({true, true, true}, u"C:\\D7\\Vorlix7"_s, u"C:\\D7\\"_s));
    writeAssociationRows(store, associationRows({false, false, false}, u"C:\\D7\\Vorlix7"_s, u"C:\\D7\\"_s));
    for (const AssociationRow& row : kAllRows)
        EXPECT_EQ(defaultText(store, row.key), row.value);
}

// ------------------------------------------------------------------ a close on a sandbox

class AssociationsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        sb = fixtures::makeSandbox(dir.filePath(u"prefix"_s));
        inst = Installation::locate(sb.delphiHost);
        xdg = {dir.filePath(u"data"_s), dir.filePath(u"config"_s)};
        program = sb.delphiHost + u"/Vorlix7"_s;
    }
    QString close(const AssociationChoice& choice)
    {
        HiveRegistryStore store(sb.prefix);
        return writeFileAssociations(store, choice, program, inst, xdg);
    }
    QString systemReg() const { return sb.prefix + u"/system.reg"_s; }
    QString launcher(const char* name) const { return xdg.dataHome + u"/applications/"_s + QLatin1StringView(name); }
    static QString tool(const QString& name)
    {
        const QString path = QStandardPaths::findExecutable(name);
        EXPECT_FALSE(path.isEmpty()) << name.toStdString() << " is not installed (scripts/install-deps.sh installs it)";
        return path;
    }
    static QString run(const QString& program, const QStringList& args, int* exitCode = nullptr)
    {
        QProcess p;
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(60000)) << program.toStdString();
        if (exitCode)
            *exitCode = p.exitCode();
        return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
    }
    QByteArray golden(const QString& name) const
    {
        QByteArray g = test::readAll(QStringLiteral(VX_INTEGRATION_GOLDEN_DIR "/") + name);
        EXPECT_FALSE(g.isEmpty()) << name.toStdString();
        return g.replace("@DELPHI@", sb.delphiHost.toUtf8()).replace("@PREFIX@", sb.prefix.toUtf8());
    }

    QTemporaryDir dir;
    // The freedesktop tools run by the test look where the test wrote, never into the user's.
    test::ScopedXdgHome xdgHome{dir.path()};
    fixtures::Sandbox sb;
    Installation inst;
    XdgFolders xdg;
    QString program;
};

TEST_F(AssociationsTest, AnUnchangedCloseWritesNothingAndAnUnwritableHiveNeverStopsTheRest)
{
    // The hive cannot be written: the desktop side is still written, the hive keeps its bytes,
    // and the message names the file and promises a later attempt.
    const QByteArray before = test::readAll(systemReg());
    test::makeReadOnly(systemReg());
    const QString refused = close({true, true, true});
    EXPECT_TRUE(refused.contains(systemReg())) << refused.toStdString();
    EXPECT_TRUE(refused.contains(u"later close"_s)) << refused.toStdString();
    EXPECT_EQ(test::readAll(systemReg()), before);
    EXPECT_TRUE(QFileInfo::exists(launcher(kProgramLauncher)));

    QFile::setPermissions(systemReg(), QFile::permissions(systemReg()) | QFile::WriteOwner);
    EXPECT_EQ(close({true, true, true}), QString());
    const HiveRegistryStore written(sb.prefix);
    EXPECT_EQ(defaultText(written, u".vx7"_s), u"Delphi7 Vorlix"_s);
    EXPECT_EQ(defaultText(written, kAllRows[1].key), associationCommand(inst.bridge.toWindows(program)));

    // Everything in place: neither the hive nor any desktop file is rewritten, and a read-only
    // hive (as while a wineserver would refuse the write) brings no message.
    QStringList files{systemReg(), launcher(kProgramLauncher), launcher(kIdeLauncher),
                      xdg.configHome + u"/mimeapps.list"_s, xdg.dataHome + u"/mime/packages/vorlix7.xml"_s};
    std::vector<FileStamp> stamps;
    std::vector<QByteArray> bytes;
    for (const QString& f : files) {
        stamps.push_back(fileStamp(f));
        bytes.push_back(test::readAll(f));
        ASSERT_TRUE(stamps.back().exists) << f.toStdString();
    }
    test::makeReadOnly(systemReg());
    EXPECT_EQ(close({true, true, true}), QString());
    EXPECT_EQ(close({false, true, false}), QString()); // a smaller choice has nothing to add
    for (size_t i = 0; i < size_t(files.size()); ++i) {
        EXPECT_EQ(fileStamp(files[qsizetype(i)]), stamps[i]) << files[qsizetype(i)].toStdString();
        EXPECT_EQ(test::readAll(files[qsizetype(i)]), bytes[i]) << files[qsizetype(i)].toStdString();
    }
}

TEST_F(AssociationsTest, WhileAWineserverRunsTheHiveWaitsForALaterClose)
{
    // The usual case: the IDE, and so a wineserver, runs while the program closes.
    if (QStandardPaths::findExecutable(u"wineserver"_s).isEmpty())
        VX_WINE_UNAVAILABLE("Wine is not installed (no wineserver on PATH)");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"WINEPREFIX"_s, sb.prefix);
    const auto server = [&](const QString& option) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(u"wineserver"_s, {option});
        p.waitForFinished(30000);
    };
    server(u"-p"_s); // persistent, as a running IDE keeps it
    const QByteArray before = test::readAll(systemReg());
    const QString refused = close({true, true, true});
    EXPECT_EQ(test::readAll(systemReg()), before);
    server(u"-k"_s); // it saves the hives as it ends
    server(u"-w"_s);
    const QStringList dirs = HiveRegistryStore::serverDirectories(sb.prefix);
    for (qsizetype i = 1; i < dirs.size(); ++i) // Debian's Wine leaves its server folder behind
        QDir(QFileInfo(dirs[i]).path()).removeRecursively();
    EXPECT_TRUE(refused.contains(u"wineserver -k"_s)) << refused.toStdString();
    EXPECT_TRUE(refused.contains(u"later close"_s)) << refused.toStdString();
    EXPECT_TRUE(QFileInfo::exists(launcher(kProgramLauncher)));
    EXPECT_EQ(close({true, true, true}), QString()); // the server gone, the next close writes
    EXPECT_EQ(defaultText(HiveRegistryStore(sb.prefix), u".vx7"_s), u"Delphi7 Vorlix"_s);
}

TEST_F(AssociationsTest, DesktopFilesMatchTheGoldenOnesAndTheToolsAnswerWhatWeSet)
{
    ASSERT_EQ(close({true, true, true}), QString());
    EXPECT_EQ(test::readAll(xdg.dataHome + u"/mime/packages/vorlix7.xml"_s), golden(u"vorlix7.xml"_s));
    EXPECT_EQ(test::readAll(xdg.dataHome + u"/mime/packages/vorlix7-delphi7.xml"_s), golden(u"vorlix7-delphi7.xml"_s));
    EXPECT_EQ(test::readAll(launcher(kProgramLauncher)), golden(u"vorlix7-open.desktop"_s));
    EXPECT_EQ(test::readAll(launcher(kIdeLauncher)), golden(u"vorlix7-delphi7-open.desktop"_s));

    int code = -1;
    const QString validation = run(tool(u"desktop-file-validate"_s), {launcher(kProgramLauncher), launcher(kIdeLauncher)}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(validation, QString());

    const QString xdgMime = tool(u"xdg-mime"_s);
    ASSERT_FALSE(tool(u"mimetype"_s).isEmpty()) << "xdg-mime ignores our types without it";
    const QString files = dir.filePath(u"files/"_s);
    const std::pair<const char16_t*, const char16_t*> types[] = {
        {u"a.vx7", u"application/x-vorlix7-project"},  {u"a.pas", u"text/x-pascal"},
        {u"a.dpr", u"text/x-vorlix7-delphi-project"}, {u"a.dpk", u"text/x-vorlix7-delphi-package"},
        {u"a.dfm", u"text/x-vorlix7-delphi-form"},
    };
    for (const auto& [name, type] : types) {
        test::writeAll(files + QString::fromUtf16(name), "[Project]\nName=x\n");
        EXPECT_EQ(run(xdgMime, {u"query"_s, u"filetype"_s, files + QString::fromUtf16(name)}), QString::fromUtf16(type));
        EXPECT_EQ(run(xdgMime, {u"query"_s, u"default"_s, QString::fromUtf16(type)}),
                  QString::fromLatin1(QString::fromUtf16(type).contains(u"vorlix7-project"_s) ? kProgramLauncher : kIdeLauncher));
    }
}

TEST_F(AssociationsTest, TheIdeBecomesTheDefaultOnlyWithBothSubBoxes)
{
    // Explorer alone: the IDE's launcher is offered, but is no default handler.
    ASSERT_EQ(close({true, true, false}), QString());
    EXPECT_TRUE(QFileInfo::exists(launcher(kIdeLauncher)));
    const QByteArray list = test::readAll(xdg.configHome + u"/mimeapps.list"_s);
    EXPECT_EQ(list, "[Default Applications]\napplication/x-vorlix7-project=vorlix7-open.desktop;\n");
    // Without the master, only the project type is the program's.
    QTemporaryDir other;
    xdg = {other.filePath(u"data"_s), other.filePath(u"config"_s)};
    ASSERT_EQ(close({false, true, true}), QString());
    EXPECT_FALSE(QFileInfo::exists(launcher(kIdeLauncher)));
    EXPECT_FALSE(QFileInfo::exists(xdg.dataHome + u"/mime/packages/vorlix7-delphi7.xml"_s));
    EXPECT_TRUE(QFileInfo::exists(launcher(kProgramLauncher)));
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
    EXPECT_EQ(test::readAll(launcher(kProgramLauncher)), golden(u"vorlix7-open.desktop"_s));
    EXPECT_EQ(test::readAll(list), "[Added Associations]\ntext/plain=editor.desktop;\n");
    const HiveRegistryStore written(sb.prefix);
    EXPECT_EQ(defaultText(written, u".vx7"_s), u"Delphi7 Vorlix"_s);
}

TEST(MimeAppsList, OtherProgramsEntriesCommentsAndOddLinesSurvive)
{
    const QList<std::pair<QString, QString>> defaults{{u"application/x-vorlix7-project"_s, u"vorlix7-open.desktop"_s},
                                                      {u"text/x-pascal"_s, u"vorlix7-delphi7-open.desktop"_s}};
    // An empty or missing file gets the group.
    EXPECT_EQ(editMimeAppsList({}, defaults), "[Default Applications]\n"
                                              "application/x-vorlix7-project=vorlix7-open.desktop;\n"
                                              "text/x-pascal=vorlix7-delphi7-open.desktop;\n");

    // Ours goes first in a type's list and the others stay after it; a key repeated in the group
    // becomes one; comments, unknown groups, a line without '=',
    // a key before any group and a missing final line end are kept. A repeated group gives up
    // its line of the type (GLib would read it last) to the first.
    const QByteArray hostile = "stray=before-any-group\n"
                               "# my defaults\n"
                               "[Default Applications]\n"
                               "text/x-pascal = lazarus.desktop;vorlix7-delphi7-open.desktop;;\n"
                               "garbage line\n"
                               "text/html=firefox.desktop;\n"
                               "text/x-pascal=geany.desktop\n"
                               "\n"
                               "[X-Unknown Group]\n"
                               "application/x-vorlix7-project=other.desktop;\n"
                               "[Added Associations]\n"
                               "text/plain=gedit.desktop;\n"
                               "[Default Applications]\n"
                               "text/x-pascal=kate.desktop;";
    const QByteArray edited = editMimeAppsList(hostile, defaults);
    EXPECT_EQ(edited, "stray=before-any-group\n"
                      "# my defaults\n"
                      "[Default Applications]\n"
                      "text/x-pascal=vorlix7-delphi7-open.desktop;lazarus.desktop;geany.desktop;kate.desktop;\n"
                      "garbage line\n"
                      "text/html=firefox.desktop;\n"
                      "application/x-vorlix7-project=vorlix7-open.desktop;\n"
                      "\n"
                      "[X-Unknown Group]\n"
                      "application/x-vorlix7-project=other.desktop;\n"
                      "[Added Associations]\n"
                      "text/plain=gedit.desktop;\n"
                      "[Default Applications]\n");
    EXPECT_EQ(editMimeAppsList(edited, defaults), edited) << "a second edit changes nothing";

    // Windows line ends stay; a file already right is returned as it was, final line end or not.
    const QByteArray crlf = "[Added Associations]\r\ntext/plain=gedit.desktop;\r\n";
    EXPECT_EQ(editMimeAppsList(crlf, defaults), crlf + "\r\n[Default Applications]\r\n"
                                                       "application/x-vorlix7-project=vorlix7-open.desktop;\r\n"
                                                       "text/x-pascal=vorlix7-delphi7-open.desktop;\r\n");
    const QByteArray done = "[Default Applications]\ntext/x-pascal=vorlix7-delphi7-open.desktop;\n"
                            "application/x-vorlix7-project=vorlix7-open.desktop;";
    EXPECT_EQ(editMimeAppsList(done, defaults), done);
}

} // namespace
