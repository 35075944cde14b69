#include "platform/registry/RegistryStore.h"
#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "support/HiveContents.h"
#include "support/MemoryRegistryStore.h"
#include "support/TestFiles.h"
#include "support/Thrown.h"

#include <QDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace vx;
using vx::test::errorOf;
using vx::test::readAll;
using vx::test::writeAll;

namespace {

constexpr auto HKCU = RegRoot::CurrentUser;
constexpr auto HKLM = RegRoot::LocalMachine;
constexpr auto HKCR = RegRoot::ClassesRoot;

const QByteArray kMachineHead =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";
const QByteArray kUserHead = "WINE REGISTRY Version 2\n;; All keys relative to "
                             "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n";

const QByteArray kWin64Machine =
    kMachineHead + "\n[Software\\\\Classes\\\\.pas] 1700000000\n#time=1da1747c66d0000\n@=\"DelphiUnit\"\n"
                   "\n[Software\\\\Wow6432Node\\\\Borland] 1700000000\n#time=1da1747c66d0000\n";

const QByteArray kWin64User =
    kUserHead + "\n[Software\\\\Wine] 1700000000\n#time=1da1747c66d0000\n\"Version\"=\"win7\"\n";

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// ---------------------------------------------------------------- semantics, both stores

class StoreSemantics : public ::testing::TestWithParam<bool>
{
  protected:
    QTemporaryDir prefix;
    std::unique_ptr<RegistryStore> store =
        GetParam() ? std::unique_ptr<RegistryStore>(new HiveRegistryStore(prefix.path()))
                   : std::unique_ptr<RegistryStore>(new MemoryRegistryStore());
};

TEST_P(StoreSemantics, PathsNamesAndEnumeration)
{
    EXPECT_FALSE(store->keyExists(HKCU, u"Software\\Borland"_s));
    EXPECT_FALSE(store->setValue(HKCU, u"Software\\Borland"_s, RegValue::dword(u"x"_s, 1)));
    ASSERT_TRUE(store->createKey(HKCU, u"\\Software\\Borland\\Delphi\\7.0\\"_s));
    EXPECT_TRUE(store->createKey(HKCU, u"SOFTWARE\\borland\\Delphi\\7.0\\Experts"_s));
    // Existing components keep their case, new ones get the given one.
    EXPECT_EQ(store->subKeyNames(HKCU, u"software\\borland"_s), QStringList{u"Delphi"_s});
    EXPECT_EQ(store->subKeyNames(HKCU, u"Software\\Borland\\Delphi\\7.0"_s), QStringList{u"Experts"_s});

    const QString d7 = u"Software\\Borland\\Delphi\\7.0\\"_s;
    EXPECT_TRUE(store->setValue(HKCU, d7, RegValue::string(u"RootDir"_s, u"C:\\D7\\"_s)));
    EXPECT_TRUE(store->setValue(HKCU, d7, RegValue::string(u"App"_s, u"x"_s)));
    EXPECT_TRUE(store->setValue(HKCU, u"software\\BORLAND\\delphi\\7.0"_s, RegValue::string(u"APP"_s, {})));
    EXPECT_TRUE(store->setValue(HKCU, d7, RegValue::string({}, u"default"_s)));
    EXPECT_EQ(store->valueNames(HKCU, d7), (QStringList{QString(), u"App"_s, u"RootDir"_s}));
    EXPECT_EQ(store->value(HKCU, d7, u"app"_s), RegValue::string(u"App"_s, {}));

    EXPECT_TRUE(store->deleteValue(HKCU, d7, u"rootdir"_s));
    EXPECT_FALSE(store->deleteKey(HKCU, u"Software\\Nope"_s)); // missing
    EXPECT_FALSE(store->deleteKey(HKCU, {}));                  // the root
    EXPECT_TRUE(store->deleteKey(HKCU, d7 + u"Experts"_s));
    EXPECT_TRUE(store->deleteTree(HKCU, u"Software\\Borland"_s));
    EXPECT_FALSE(store->keyExists(HKCU, u"Software\\Borland"_s));

    // HKEY_CLASSES_ROOT is the machine's Software\Classes; two roots are not held at all.
    EXPECT_TRUE(store->createKey(HKCR, u".pas"_s));
    EXPECT_TRUE(store->setValue(HKCR, u".PAS"_s, RegValue::string({}, u"DelphiUnit"_s)));
    EXPECT_EQ(store->value(HKLM, u"SOFTWARE\\Classes\\.pas"_s, {})->text(), u"DelphiUnit"_s);
    for (const RegRoot root : {RegRoot::Users, RegRoot::CurrentConfig}) {
        EXPECT_FALSE(store->createKey(root, u"X"_s));
        EXPECT_FALSE(store->keyExists(root, {}));
    }

    ASSERT_TRUE(store->hasChanges());
    store->commit();
    EXPECT_FALSE(store->hasChanges());
}

// The store remembers the key it found last; that must never outlive the key: a deleted and
// re-made key, a key of another hive under the same path, a copy of the store, hives read again.
TEST_P(StoreSemantics, TheKeyFoundLastIsNeverUsedAfterItChanged)
{
    const QString path = u"Software\\Borland\\Delphi\\7.0"_s;
    ASSERT_TRUE(store->createKey(HKCU, path));
    ASSERT_TRUE(store->setValue(HKCU, path, RegValue::dword(u"old"_s, 1)));
    ASSERT_TRUE(store->deleteTree(HKCU, path));
    EXPECT_FALSE(store->setValue(HKCU, path, RegValue::dword(u"lost"_s, 2)));
    EXPECT_FALSE(store->value(HKCU, path, u"old"_s));
    ASSERT_TRUE(store->createKey(HKCU, path));
    ASSERT_TRUE(store->setValue(HKCU, path, RegValue::dword(u"new"_s, 3)));
    EXPECT_EQ(store->valueNames(HKCU, path), QStringList{u"new"_s});

    // The same path under another root is another key.
    EXPECT_FALSE(store->value(HKLM, path, u"new"_s));
    ASSERT_TRUE(store->createKey(HKLM, path));
    ASSERT_TRUE(store->setValue(HKLM, path, RegValue::dword(u"machine"_s, 4)));
    EXPECT_EQ(store->valueNames(HKLM, path), QStringList{u"machine"_s});

    if (!GetParam())
        return;
    // Hives read again after their files changed show what the files hold; keys before it in the
    // file give every key another number than before.
    store->commit();
    QByteArray edited = "WINE REGISTRY Version 2\n";
    for (int i = 0; i < 20; ++i)
        edited += "\n[Software\\\\Filler" + QByteArray::number(i) + "]\n\"filler\"=dword:00000000\n";
    edited += "\n[Software\\\\Borland\\\\Delphi\\\\7.0]\n\"edited\"=dword:00000007\n";
    writeAll(prefix.filePath(u"user.reg"_s), edited);
    store->discardChanges();
    EXPECT_EQ(store->valueNames(HKCU, path), QStringList{u"edited"_s});
}

INSTANTIATE_TEST_SUITE_P(MemoryAndHive, StoreSemantics, ::testing::Bool());

// ---------------------------------------------------------------- the prefix's files

class HiveStoreTest : public ::testing::Test
{
  protected:
    QTemporaryDir dir;
    QString prefix = dir.path();
    QString user = prefix + u"/user.reg"_s;
    QString machine = prefix + u"/system.reg"_s;
    QString other = prefix + u"/user-other-name.reg"_s; // a hard link to user.reg, when there is one
    void TearDown() override { setDurableWriteFaultHook({}); }

    // Both hives as a win64 prefix holds them, user.reg hard-linked to `other` when asked.
    void writeHives(bool hardLinked = false)
    {
        QFile::remove(other);
        QFile::remove(user);
        writeAll(machine, kWin64Machine);
        writeAll(user, kWin64User);
        if (hardLinked) {
            ASSERT_EQ(::link(QFile::encodeName(user).constData(), QFile::encodeName(other).constData()), 0);
        }
    }
};

// The IDE is a 32-bit program: on a win64 prefix its HKLM\Software is Software\Wow6432Node, also
// before that node exists, and a 64-bit key of the same name is not its own.
TEST_F(HiveStoreTest, ProgramOf32BitsSeesWow6432Node)
{
    const QByteArray without =
        kMachineHead +
        "\n[Software\\\\Borland\\\\Delphi\\\\7.0] 1700000000\n#time=1da1747c66d0000\n\"RootDir\"=\"64\"\n";
    writeAll(machine, without);
    HiveRegistryStore store(prefix);
    const QString d7 = u"SOFTWARE\\Borland\\Delphi\\7.0"_s;
    EXPECT_FALSE(store.keyExists(HKLM, d7)) << "the 64-bit key is not the IDE's";
    ASSERT_TRUE(store.createKey(HKLM, d7));
    EXPECT_EQ(store.subKeyNames(HKLM, u"Software"_s), QStringList{u"Borland"_s})
        << "Software itself is the 32-bit view";
    // HKEY_CLASSES_ROOT is the 64-bit Software\Classes, where Wine's shell reads associations (and
    // HKLM's Software\Classes is the same key, see StoreSemantics); other keys are not redirected.
    EXPECT_EQ(store.hivePath(HKCR, u".vx7"_s), (QStringList{u"Software"_s, u"Classes"_s, u".vx7"_s}));
    EXPECT_EQ(store.hivePath(HKLM, u"System\\Vx"_s), (QStringList{u"System"_s, u"Vx"_s}));
    store.commit();
    EXPECT_TRUE(readAll(machine).startsWith(without)) << "the 64-bit key stays as it was";

    // A win32 prefix is not redirected.
    QByteArray win32 = kWin64Machine;
    writeAll(machine, win32.replace("win64", "win32"));
    EXPECT_EQ(HiveRegistryStore(prefix).hivePath(HKLM, u"Software\\Borland"_s)->size(), 2);
}

TEST_F(HiveStoreTest, MissingHivesAreCreatedInWinesFormat)
{
    HiveRegistryStore store(prefix);
    store.createKey(HKCU, u"Software\\Vx"_s);
    store.commit();
    EXPECT_TRUE(readAll(user).startsWith(QByteArray(kUserHead + "\n[Software\\\\Vx] ")));
    EXPECT_FALSE(QFile::exists(machine)); // nothing changed there

    // A machine hive made from nothing has Wine's layout for a win64 prefix.
    store.createKey(HKLM, u"Software\\Borland"_s);
    store.commit();
    const QByteArray made = readAll(machine);
    EXPECT_TRUE(made.startsWith(QByteArray(kMachineHead + "\n[Software\\\\Wow6432Node] ")))
        << made.constData();

    // A hive Wine would refuse is reported by name and never written; the other one still is.
    const QByteArray bom = "\xef\xbb\xbfWINE REGISTRY Version 2\n\n[Software\\\\A]\n";
    writeAll(user, bom);
    HiveRegistryStore refused(prefix);
    EXPECT_TRUE(errorOf<OperationError>([&] { refused.keyExists(HKCU, u"Software"_s); }).contains(user));
    EXPECT_TRUE(refused.createKey(HKLM, u"Software\\Vy"_s));
    refused.commit();
    EXPECT_EQ(readAll(user), bom);
    EXPECT_TRUE(readAll(machine).contains("[Software\\\\Wow6432Node\\\\Vy]"));
}

// One operation's changes to both hives.
void changeBoth(HiveRegistryStore& store, const QString& name)
{
    ASSERT_TRUE(store.createKey(HKLM, u"Software\\"_s + name));
    ASSERT_TRUE(store.createKey(HKCU, u"Software\\"_s + name));
}

TEST_F(HiveStoreTest, CommitWritesBothHivesOrNeither)
{
    writeHives();
    const QStringList before = entries(prefix);
    auto unchanged = [&] {
        EXPECT_EQ(readAll(machine), kWin64Machine);
        EXPECT_EQ(readAll(user), kWin64User);
        QStringList now = entries(prefix);
        now.removeAll(QLatin1StringView(HiveRegistryStore::kLockFileName));
        EXPECT_EQ(now, before) << "no temporary file is left";
    };

    // A read-only user hive keeps the machine hive from being written too.
    test::makeReadOnly(user);
    HiveRegistryStore store(prefix);
    changeBoth(store, u"Vx"_s);
    EXPECT_EQ(errorOf<FileWriteError>([&] { store.commit(); }), u"Unable to write to "_s + user);
    unchanged();
    EXPECT_TRUE(store.hasChanges());
    QFile::setPermissions(user, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);

    // Any step of either hive failing before the renames: neither is replaced.
    for (const QString& failing : {machine, user}) {
        for (const auto step :
             {DurableWriteStep::OpenTemporary, DurableWriteStep::Write, DurableWriteStep::Sync}) {
            SCOPED_TRACE(failing.toStdString() + ' ' + std::to_string(int(step)));
            setDurableWriteFaultHook(
                [&](DurableWriteStep s, const QString& path) { return s == step && path == failing; });
            EXPECT_THROW(store.commit(), FileWriteError);
            unchanged();
            EXPECT_TRUE(store.hasChanges());
        }
    }

    // The second rename failing: the message says which hive holds the changes and which not,
    // and a repeated commit writes the rest.
    setDurableWriteFaultHook([&](DurableWriteStep s, const QString& path) {
        return s == DurableWriteStep::Rename && path == user;
    });
    EXPECT_TRUE(errorOf<OperationError>([&] {
                    store.commit();
                }).contains(u"in "_s + machine + u" were written; those in "_s + user + u" were not"_s));
    EXPECT_EQ(readAll(user), kWin64User);
    ASSERT_TRUE(store.hasChanges());
    setDurableWriteFaultHook({});
    store.commit();
    EXPECT_TRUE(readAll(machine).contains("[Software\\\\Wow6432Node\\\\Vx]"));
    EXPECT_TRUE(readAll(user).contains("[Software\\\\Vx]"));
}

TEST_F(HiveStoreTest, SymbolicLinkedHiveStaysALink)
{
    // user.reg -> user-link.reg (relative) -> <elsewhere>/user-real.reg (absolute)
    QTemporaryDir elsewhere;
    const QString real = elsewhere.path() + u"/user-real.reg"_s;
    const QString hop = prefix + u"/user-link.reg"_s;
    writeAll(real, kWin64User);
    ASSERT_EQ(::symlink(QFile::encodeName(real).constData(), QFile::encodeName(hop).constData()), 0);
    ASSERT_EQ(::symlink("user-link.reg", QFile::encodeName(user).constData()), 0);

    HiveRegistryStore store(prefix);
    ASSERT_TRUE(store.createKey(HKCU, u"Software\\Vx"_s));
    store.commit();
    EXPECT_EQ(resolveSymbolicLinks(user), real) << "both links stay";
    EXPECT_TRUE(readAll(real).contains("\n[Software\\\\Vx] "));
    EXPECT_EQ(entries(elsewhere.path()), QStringList{u"user-real.reg"_s})
        << "the temporary file was renamed there";

    // Links that run in a circle are reported, not replaced by a file.
    QFile::remove(hop);
    ASSERT_EQ(::symlink("user.reg", QFile::encodeName(hop).constData()), 0);
    EXPECT_TRUE(errorOf<OperationError>([&] {
                    HiveRegistryStore(prefix).keyExists(HKCU, u"Software"_s);
                }).startsWith(user));
    EXPECT_TRUE(QFileInfo(user).isSymLink());
}

// A hard-linked user hive is overwritten in place, after the machine hive (the kill loop below
// checks what a finished or interrupted overwrite leaves). An overwrite that fails puts the old
// content back; the message is the one of a failed rename.
TEST_F(HiveStoreTest, HardLinkedHiveWhoseOverwriteFailsIsPutBack)
{
    writeHives(true);
    HiveRegistryStore store(prefix);
    changeBoth(store, u"Vx"_s);
    setDurableWriteFaultHook(
        [&](DurableWriteStep s, const QString&) { return s == DurableWriteStep::WriteInPlace; });
    EXPECT_THROW(store.commit(), PartialWriteError);
    EXPECT_EQ(readAll(user), kWin64User);
    EXPECT_FALSE(QFile::exists(user + u".vx-new"_s));
    EXPECT_FALSE(QFile::exists(store.journalPath()));
    EXPECT_TRUE(readAll(machine).contains("[Software\\\\Wow6432Node\\\\Vx]")) << "written first";
}

// A commit killed at each of its steps in turn, the hard-linked user hive torn half-way through
// its overwrite: the next store's first read leaves both hives old or both new, and whole.
TEST_F(HiveStoreTest, CommitKilledAtAnyStepIsCompletedOrForgottenByTheNextRead)
{
    for (const bool hardLinked : {false, true}) {
        bool finished = false;
        for (int killAt = 1; !finished; ++killAt) {
            SCOPED_TRACE((hardLinked ? "hard-linked, kill at step " : "kill at step ") +
                         std::to_string(killAt));
            ASSERT_LT(killAt, 40);
            writeHives(hardLinked);

            const pid_t child = ::fork();
            if (child == 0) {
                int step = 0;
                setDurableWriteFaultHook([&](DurableWriteStep s, const QString& path) {
                    if (++step == killAt) {
                        if (s == DurableWriteStep::WriteInPlace) {
                            const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
                            (void)!::pwrite(fd, "WINE REGISTRY Version 2\n[Torn", 29, 0);
                            ::close(fd);
                        }
                        ::_exit(9);
                    }
                    return false;
                });
                HiveRegistryStore store(prefix);
                changeBoth(store, u"Vx"_s);
                store.commit();
                ::_exit(0);
            }
            int status = 0;
            ::waitpid(child, &status, 0);
            ASSERT_TRUE(WIFEXITED(status));
            finished = WEXITSTATUS(status) == 0;

            const HiveRegistryStore next(prefix);
            const bool userNew = next.keyExists(HKCU, u"Software\\Vx"_s);
            const bool machineNew = next.keyExists(HKLM, u"Software\\Vx"_s);
            EXPECT_EQ(userNew, machineNew);
            EXPECT_TRUE(finished ? userNew : true);
            if (!userNew) {
                EXPECT_EQ(readAll(user), kWin64User);
                EXPECT_EQ(readAll(machine), kWin64Machine);
            }
            QStringList left = entries(prefix);
            left.removeAll(QLatin1StringView(HiveRegistryStore::kLockFileName));
            left.removeAll(u"user-other-name.reg"_s);
            EXPECT_EQ(left, (QStringList{u"system.reg"_s, u"user.reg"_s}));
            if (hardLinked) {
                EXPECT_EQ(readAll(other), readAll(user));
            }
        }
    }
}

TEST_F(HiveStoreTest, OthersChangesAndCommitsAreRespected)
{
    writeAll(machine, kWin64Machine);
    HiveRegistryStore store(prefix);
    store.createKey(HKLM, u"Software\\Vx"_s);
    writeAll(machine, kWin64Machine + "\n[Software\\\\Other]\n");
    EXPECT_THROW(store.commit(), OperationError);
    EXPECT_TRUE(readAll(machine).endsWith("[Software\\\\Other]\n"));

    // Another instance holding the commit lock.
    store.discardChanges();
    store.createKey(HKLM, u"Software\\Vx"_s);
    store.setLockWaitMs(0);
    const int fd = ::open(
        QFile::encodeName(prefix + u'/' + QLatin1StringView(HiveRegistryStore::kLockFileName)).constData(),
        O_RDWR | O_CREAT, 0644);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_THROW(store.commit(), OperationError);
    ::close(fd);
    store.commit();
    EXPECT_TRUE(readAll(machine).contains("[Software\\\\Wow6432Node\\\\Vx]"));
}

// A win64 machine hive where the 32-bit view's FontSubstitutes is one of Wine's link keys.
QByteArray machineWithLink()
{
    return kWin64Machine +
           "\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\FontSubstitutes] "
           "1700000000\n#time=1da1747c66d0000\n"
           "\"MS Shell Dlg\"=\"Tahoma\"\n"
           "\n[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\FontSubstitutes] "
           "1700000000\n#time=1da1747c66d0000\n#link\n" +
           test::linkValueLine(
               u"\\REGISTRY\\Machine\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes"_s);
}

} // namespace

// What the IDE reads and writes through a link key is the target's; the link stays a link, and
// deleting it deletes the link alone.
TEST_F(HiveStoreTest, LinkKeysAreReadAndWrittenAtTheirTarget)
{
    writeAll(machine, machineWithLink());
    const QString subs = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes"_s;
    HiveRegistryStore store(prefix);
    EXPECT_EQ(store.value(HKLM, subs, u"MS Shell Dlg"_s)->text(), u"Tahoma"_s);
    ASSERT_TRUE(store.setValue(HKLM, subs, RegValue::string(u"Arial"_s, u"Liberation Sans"_s)));
    store.commit();
    const QByteArray saved = readAll(machine);
    const qsizetype link = saved.indexOf(
        "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\FontSubstitutes]");
    ASSERT_GE(link, 0);
    EXPECT_TRUE(saved.mid(link).contains("#link\n\"SymbolicLinkValue\"=hex(6):"));
    EXPECT_FALSE(saved.mid(link).contains("Liberation")) << "nothing is written into the link key";
    EXPECT_TRUE(saved.left(link).contains("\"Arial\"=\"Liberation Sans\""));

    EXPECT_TRUE(store.deleteTree(HKLM, subs));
    store.commit();
    const QByteArray afterDelete = readAll(machine);
    EXPECT_FALSE(
        afterDelete.contains("Wow6432Node\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\FontSubstitutes]"));
    EXPECT_TRUE(afterDelete.contains("\"Arial\"=\"Liberation Sans\"")) << "the target stays";
}
