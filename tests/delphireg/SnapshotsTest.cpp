// Snapshots undo every registry change exactly, refuse damaged or overreaching files, are kept
// fifty deep, and the one transaction all registry commands run through keeps them true to what
// reached the hive files.

#include "delphireg/Snapshots.h"
#include "delphireg/DefaultConfig.h"
#include "delphireg/DelphiConfig.h"
#include "delphireg/RegImport.h"
#include "delphireg/RegistryTransaction.h"
#include "fixtures/Sandbox.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "platform/PathBridge.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "support/FakeWine.h"
#include "support/MemoryRegistryStore.h"
#include "support/RegistryContents.h"
#include "support/TestFiles.h"
#include "support/Thrown.h"

#include <QDir>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

constexpr auto HKCU = RegRoot::CurrentUser;
constexpr auto HKLM = RegRoot::LocalMachine;
const QString kD7 = u"Software\\Borland\\Delphi\\7.0"_s;

// A value of every form a snapshot writes: text (with what it must escape), DWORD, binary, and
// hex(N) for other types and for texts and DWORDs whose bytes the plain forms cannot hold.
const RegValue kValues[] = {
    RegValue::string(u"n \"q\" \\ [x]=;@ \u00e9\u4e2d\U0001F600\nnext\rline"_s,
                     u"C:\\P \"q\"\r\nline \u00fc"_s),
    RegValue::string({}, u"default"_s),
    RegValue::multiString(u"multi"_s, {u"a"_s, u"b c"_s, {}}),
    RegValue::dword(u"dword"_s, 0xfffffffe),
    {u"short dword"_s, REG_DWORD, QByteArray("\x01\x02\x03", 3)},
    {u"NUL inside"_s, REG_SZ, QByteArray("a\0b\0\0\0c\0\0\0", 10)},
    {u"odd size"_s, REG_SZ, QByteArray("odd", 3)},
    {u"unknown type"_s, 0x12345u, QByteArray("\0\xff\n", 3)},
    {u"binary"_s, REG_BINARY, QByteArray("\0\xff\x10\n", 4)},
};

class SnapshotsTest : public ::testing::Test
{
  protected:
    QTemporaryDir dir;
    QTemporaryDir state;
    fixtures::Sandbox sb =
        fixtures::makeSandbox(dir.filePath(u"it's"_s), {u"7.0"_s, u"7.0.4.453"_s, true, false});
    MemoryRegistryStore store;
    ManualClock clock{QDateTime(QDate(2026, 12, 6), QTime(14, 0), QTimeZone::utc())};
    ScopedClock scopedClock{clock};
    QByteArray savedState = qgetenv("XDG_STATE_HOME");

    SnapshotsTest() { qputenv("XDG_STATE_HOME", state.path().toUtf8()); }
    ~SnapshotsTest() override
    {
        setDurableWriteFaultHook({});
        qputenv("XDG_STATE_HOME", savedState);
    }

    // Every value form in each key the operations write and in two levels of subkeys (named with
    // what a key line must keep), and a key beside them that none covers. A covered key that is
    // missing (its parent there) when the snapshot is taken must be deleted again by the restore.
    void fill()
    {
        const QList<RegKeyRef> keys = keysWrittenBy(SnapshotOperation::Recover);
        for (qsizetype i = 0; i < keys.size(); ++i) {
            const RegKeyRef& k = keys[i];
            if (i == 4) {
                store.createKey(k.root, k.path.section(u'\\', 0, -2));
                continue;
            }
            const QString sub = k.path + u"\\Sub [a]=\"b\" \u00e9"_s;
            for (const QString& path : QStringList{k.path, sub, sub + u"\\x"_s}) {
                store.createKey(k.root, path);
                for (const RegValue& v : kValues)
                    store.setValue(k.root, path, v);
            }
        }
        store.createKey(HKCU, u"Software\\Other"_s);
        for (const RegValue& v : kValues)
            store.setValue(HKCU, u"Software\\Other"_s, v);
    }

    // Snapshot, change, restore: the whole registry is as before, value by value.
    void roundTrip(SnapshotOperation op, const std::function<SnapshotScope()>& scope,
                   const std::function<void()>& change)
    {
        store = MemoryRegistryStore();
        fill();
        const QStringList before = test::registryContents(store);
        const QByteArray snap = snapshotBytes(store, scope(), op, clock.now());
        change();
        ASSERT_NE(test::registryContents(store), before) << "the change changed nothing";
        // Read from an odd address, where the file's UTF-16 cannot be read in place.
        QByteArray buffer(snap.size() + 1, '\0');
        std::copy(snap.begin(), snap.end(), buffer.begin() + 1);
        const ParsedSnapshot parsed =
            parseSnapshot(QByteArray::fromRawData(buffer.constData() + 1, snap.size()), u"snap.reg"_s);
        EXPECT_EQ(parsed.operation, op);
        restoreSnapshot(parsed, store, u"snap.reg"_s);
        ASSERT_EQ(test::registryContents(store), before);
    }
};

TEST_F(SnapshotsTest, ApplyClearImportRecoverAreUndoneValueByValue)
{
    ConfigProject p;
    p.experts().add({u"E"_s, u"$(Delphi)\\Experts\\x.dll"_s, {}, true});
    p.addGroup(u"G"_s).add({u"Std"_s, u"$(Delphi)\\bin\\dclstd70.bpl"_s, u"C:\\Inc"_s, {}, true});
    p.searchPath().addPaths({u"C:\\A"_s});
    const auto trees = [](SnapshotOperation op) { return [op] { return SnapshotScope(keysWrittenBy(op)); }; };
    roundTrip(SnapshotOperation::Apply, trees(SnapshotOperation::Apply),
              [&] { applyProject(store, p, PathMacro(sb.delphiRoot), PathBridge(sb.prefix)); });
    roundTrip(SnapshotOperation::Clear, trees(SnapshotOperation::Clear), [&] { clearDelphiRegistry(store); });
    roundTrip(SnapshotOperation::Recover, trees(SnapshotOperation::Recover), [&] {
        writeDefaultConfiguration(store, {sb.delphiRoot, u"C:\\SDK\\MSHelp\\"_s, true, u"C:\\BDE\\"_s});
    });
    // An import: a tree it deletes, keys it makes, values it sets or deletes in keys that exist,
    // a value of a root key.
    const QByteArray file = "REGEDIT4\r\n[-HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0]\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Other\\New\\Deeper]\r\n\"v\"=dword:00000001\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Other]\r\n\"set\"=\"x\"\r\n@=-\r\n"
                            "[HKEY_CURRENT_USER]\r\n@=\"root\"\r\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Borland\\Delphi\\7.0\\X]\r\n@=\"d\"\r\n";
    const std::vector<RegOperation> ops = parseRegFile(file, u"f.reg"_s);
    roundTrip(
        SnapshotOperation::Import, [&] { return importScope(store, ops); },
        [&] { importRegFile(file, store, u"f.reg"_s); });
}

// Undoing an import puts back what it changed and nothing else: what others changed since, beside
// it, stays; a key of one part in the 32-bit view is Wow6432Node and no cover for its subkeys.
TEST_F(SnapshotsTest, UndoingAnImportLeavesWhatItDidNotChange)
{
    MemoryRegistryStore win64(WineHive::Arch::Win64);
    const QString other = u"Software\\Other"_s;
    win64.createKey(HKCU, other);
    win64.setValue(HKCU, other, RegValue::string(u"a"_s, u"1"_s));
    win64.setValue(HKCU, other, RegValue::string(u"b"_s, u"2"_s));
    const QByteArray file =
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"a\"=\"9\"\r\n"
        "[HKEY_CURRENT_USER\\Software\\Other\\New]\r\n[HKEY_CURRENT_USER]\r\n@=\"root\"\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n";
    const SnapshotScope scope = importScope(win64, parseRegFile(file, u"f.reg"_s));
    const QByteArray snap = snapshotBytes(win64, scope, SnapshotOperation::Import, clock.now());
    importRegFile(file, win64, u"f.reg"_s);
    win64.setValue(HKCU, other, RegValue::string(u"b"_s, u"3"_s));
    win64.createKey(HKCU, other + u"\\Later"_s);
    restoreSnapshot(parseSnapshot(snap, u"s.reg"_s), win64, u"s.reg"_s);
    EXPECT_EQ(win64.value(HKCU, other, u"a"_s)->text(), u"1"_s);
    EXPECT_EQ(win64.value(HKCU, other, u"b"_s)->text(), u"3"_s);
    EXPECT_EQ(win64.subKeyNames(HKCU, other), QStringList{u"Later"_s});
    EXPECT_TRUE(win64.keyExists(HKLM, u"Software\\Wow6432Node"_s));
}

TEST_F(SnapshotsTest, DamagedOrOverreachingSnapshotsAreRefused)
{
    fill();
    const QByteArray good =
        snapshotBytes(store, SnapshotScope(delphiTreeKeys()), SnapshotOperation::Clear, clock.now());
    const QStringList lines = QString(QStringDecoder(QStringConverter::Utf16LE)(good)).split(u"\r\n"_s);
    const auto bytesOf = [](const QStringList& l) -> QByteArray {
        return QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)(l.join(u"\r\n"_s));
    };
    const auto firstLine = [&](auto&& pred) {
        return int(std::find_if(lines.begin(), lines.end(), pred) - lines.begin());
    };
    const int closing = firstLine([](const QString& l) { return l.startsWith(u"; end of snapshot"_s); });
    const int value =
        firstLine([](const QString& l) { return l.startsWith(u'"') && l.contains(u"=dword:"_s); });
    const int key = firstLine([](const QString& l) { return l.startsWith(u"[HKEY"_s); });
    const auto edited = [&](const std::function<void(QStringList&)>& edit) {
        QStringList l = lines;
        edit(l);
        return l;
    };
    const qsizetype digit = lines[value].indexOf(u"=dword:"_s) + 7;
    const struct
    {
        const char* what;
        QStringList lines;
        int line;          // where the fault is reported
        bool force = true; // faults of form are found with the digest left aside, each at its line
    } cases[] = {
        {"unknown data form", edited([&](QStringList& l) { l[value].replace(u"=dword:"_s, u"=dwerd:"_s); }),
         value + 1},
        // An edit that keeps the form: only the digest tells.
        {"one digit changed",
         edited([&](QStringList& l) { l[value][digit] = l[value][digit] == u'0' ? u'1' : u'0'; }),
         closing + 1, false},
        {"cut short", lines.mid(0, value + 1), value + 1},
        {"a deletion after the first key", edited([&](QStringList& l) {
             l.insert(key + 1, u"[-HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Late]"_s);
             l.insert(key + 2, lines[key]);
         }),
         key + 2},
        // A covered tree is written whole, never value by value.
        {"a value deletion in a covered tree",
         edited([&](QStringList& l) { l.insert(key + 1, u"\"gone\"=-"_s); }), key + 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QString error =
            test::errorOf<OperationError>([&] { parseSnapshot(bytesOf(c.lines), u"s.reg"_s, c.force); });
        EXPECT_TRUE(error.startsWith(u"s.reg, line %1:"_s.arg(c.line))) << error.toStdString();
    }
    EXPECT_NO_THROW(parseSnapshot(bytesOf(cases[1].lines), u"s.reg"_s, true))
        << "--force leaves the digest aside";

    // Trees a snapshot must not delete unless forced, whatever its digest says: a root's whole
    // Software, Wine's settings, or more than its operation writes.
    const std::pair<SnapshotOperation, RegKeyRef> overreaching[] = {
        {SnapshotOperation::Import, {HKCU, u"Software"_s}},
        {SnapshotOperation::Import, {HKCU, u"Software\\Wine"_s}},
        {SnapshotOperation::Clear, {HKCU, u"Software\\Other"_s}},
    };
    for (const auto& [op, tree] : overreaching) {
        const QByteArray bytes = snapshotBytes(store, QList<RegKeyRef>{tree}, op, clock.now());
        EXPECT_THROW(parseSnapshot(bytes, u"s.reg"_s), OperationError) << tree.path.toStdString();
    }
    EXPECT_THROW(parseSnapshot("REGEDIT4\r\n", u"s.reg"_s), OperationError)
        << "a plain backup is no snapshot";
}

TEST_F(SnapshotsTest, RestoringTakesASnapshotSoASecondUndoUndoesTheFirst)
{
    fill();
    const QStringList original = test::registryContents(store);
    const SnapshotStore snaps(sb.prefix);
    runRegistryTransaction(
        store, sb.prefix, SnapshotOperation::Clear, keysWrittenBy(SnapshotOperation::Clear),
        [&] { clearDelphiRegistry(store); }, OnFailure::KeepWritten);
    const QStringList cleared = test::registryContents(store);

    clock.advanceSeconds(1);
    restoreSnapshotFile(snaps.newest()->file, store, sb.prefix);
    EXPECT_EQ(test::registryContents(store), original);
    clock.advanceSeconds(1);
    restoreSnapshotFile(snaps.newest()->file, store, sb.prefix);
    EXPECT_EQ(test::registryContents(store), cleared);

    const std::vector<SnapshotInfo> h = snaps.history();
    ASSERT_EQ(h.size(), 3u);
    EXPECT_EQ(h[0].operation, SnapshotOperation::Restore);
}

TEST_F(SnapshotsTest, KeepsTheNewestFiftyWhateverTheClockSays)
{
    const SnapshotStore snaps(sb.prefix);
    quint32 changes = 0;
    const auto takeAndKeep = [&] { // a change through the transaction, which keeps the newest
        HiveRegistryStore hive(sb.prefix);
        const TransactionResult r = runRegistryTransaction(
            hive, sb.prefix, SnapshotOperation::Apply, delphiTreeKeys(),
            [&] { hive.setValue(HKCU, kD7, RegValue::dword(u"N"_s, ++changes)); }, OnFailure::KeepWritten);
        EXPECT_TRUE(r.ok() && r.snapshot) << r.error.toStdString();
        return r.snapshot.value_or(SnapshotInfo{});
    };
    for (int i = 0; i < SnapshotStore::kKeep + 5; ++i) {
        takeAndKeep();
        if (i % 2)
            clock.advanceMSecs(1);
    }
    std::vector<SnapshotInfo> h = snaps.history();
    ASSERT_EQ(int(h.size()), SnapshotStore::kKeep);
    // Two in one millisecond: the second is numbered and listed first.
    EXPECT_EQ(h[2].id + u"-2"_s, h[1].id);
    EXPECT_EQ(h.back().time, clock.now().addMSecs(-(SnapshotStore::kKeep / 2)));

    // The clock is set back a day: what is taken now is the newest, and is not the one pruned.
    clock.advanceSeconds(-86400);
    const SnapshotInfo now = takeAndKeep();
    h = snaps.history();
    EXPECT_EQ(h.front().id, now.id);
    EXPECT_EQ(int(h.size()), SnapshotStore::kKeep);
}

// A snapshot that cannot be written stops the change before it starts, naming the folder, file or
// key, and leaves nothing behind. Windows programs make names a registry file cannot hold: they are
// refused now rather than written and refused when the snapshot is needed.
TEST_F(SnapshotsTest, ASnapshotThatCannotBeWrittenIsRefusedNamingWhyAndLeavesNothing)
{
    const QString folder = SnapshotStore(sb.prefix).folder(), stateFile = state.filePath(u"file"_s);
    test::writeAll(stateFile, "x");
    const struct
    {
        const char* what;
        std::function<void()> fault = {};
        QString key = {}, value = {}; // a name no registry file can hold
        QString named = {};
    } cases[] = {
        {.what = "state home is a file",
         .fault = [&] { qputenv("XDG_STATE_HOME", stateFile.toUtf8()); },
         .named = stateFile + u"/vorlix7/snapshots/it's-"_s},
        {.what = "disk full",
         .fault = [] { setWriteFaultHook([](const QString&) { return true; }); },
         .named = folder + u'/'},
        {.what = "line break in a key", .key = kD7 + u"\\Line\nBreak"_s, .named = u"Line\\nBreak"_s},
        {.what = "NUL in a value name",
         .key = kD7 + u"\\Plain"_s,
         .value = u"nul"_s + QChar(0) + u"inside"_s,
         .named = u"nul\\0inside"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryRegistryStore s;
        if (!c.key.isEmpty())
            s.createKey(HKCU, c.key);
        if (!c.value.isEmpty())
            s.setValue(HKCU, c.key, RegValue::string(c.value, u"x"_s));
        if (c.fault)
            c.fault();
        const QString error = test::errorOf<OperationError>([&] {
            SnapshotStore(sb.prefix).take(s, SnapshotOperation::Apply,
                                          keysWrittenBy(SnapshotOperation::Apply));
        });
        EXPECT_TRUE(error.contains(c.named)) << error.toStdString();
        qputenv("XDG_STATE_HOME", state.path().toUtf8());
        setWriteFaultHook({});
        EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
    QDir(folder).removeRecursively(); // deleted under us: made again
    EXPECT_NO_THROW(SnapshotStore(sb.prefix).take(store, SnapshotOperation::Clear, delphiTreeKeys()));
}

// Every way a registry change can end, through the one transaction all commands use: what the
// result says must be what the files show, and the newest snapshot must undo the last change
// that happened.
TEST_F(SnapshotsTest, TheTransactionsResultAndSnapshotsTellWhatReachedTheFiles)
{
    const QString user = sb.prefix + u"/user.reg"_s, machine = sb.prefix + u"/system.reg"_s;
    const auto writeBoth = [](RegistryStore& s) {
        ASSERT_TRUE(s.createKey(HKCU, kD7 + u"\\Vx"_s));
        ASSERT_TRUE(s.createKey(HKLM, u"SOFTWARE\\Borland\\Delphi\\7.0\\Vx"_s));
    };
    const auto failing = [&](RegistryStore& s) {
        writeBoth(s);
        throw OperationError(u"Failed to set data for 'X'"_s);
    };
    const auto faultAt = [&](DurableWriteStep step) {
        return [&, step](DurableWriteStep s, const QString& p) { return s == step && p == user; };
    };
    const struct
    {
        const char* name;
        std::function<void(RegistryStore&)> change = {};
        OnFailure onFailure = OnFailure::KeepWritten;
        std::function<bool(DurableWriteStep, const QString&)> fault = {};
        bool wineRuns = false, readOnlySnapshots = false, changed = false;
        const char* error = ""; // a part of the report; empty when the change succeeds
    } cases[] = {
        {.name = "all written", .change = writeBoth, .changed = true},
        {.name = "nothing to write", .change = [](RegistryStore&) {}},
        {.name = "Wine runs", // the command to stop it quotes the prefix for a shell
         .change = writeBoth,
         .wineRuns = true,
         .error = "/it'\\''s' wineserver -k"},
        {.name = "snapshot folder read-only",
         .change = writeBoth,
         .readOnlySnapshots = true,
         .error = "is read-only"},
        {.name = "change fails, what it wrote stays",
         .change = failing,
         .changed = true,
         .error = "Failed to set data for 'X'"},
        {.name = "change fails, all or nothing",
         .change = failing,
         .onFailure = OnFailure::WriteNothing,
         .error = "Failed to set data for 'X'"},
        {.name = "commit fails before any hive is replaced",
         .change = writeBoth,
         .fault = faultAt(DurableWriteStep::Sync),
         .error = "Unable to write to"},
        {.name = "commit replaces one hive only",
         .change = writeBoth,
         .fault = faultAt(DurableWriteStep::Rename),
         .changed = true,
         .error = " were not."},
    };
    const SnapshotStore snapshots(sb.prefix);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Without the keys the change writes; the newest snapshot is the previous case's.
        HiveRegistryStore before(sb.prefix);
        before.deleteTree(HKCU, kD7 + u"\\Vx"_s);
        before.deleteTree(HKLM, u"SOFTWARE\\Borland\\Delphi\\7.0\\Vx"_s);
        before.commit();
        const std::optional<SnapshotInfo> newestBefore = snapshots.newest();
        const QByteArray userBefore = test::readAll(user), machineBefore = test::readAll(machine);

        std::optional<test::FakeWineserver> server;
        if (c.wineRuns)
            server.emplace(HiveRegistryStore::serverDirectories(sb.prefix).first());
        if (c.readOnlySnapshots)
            QFile::setPermissions(snapshots.folder(), QFile::ReadOwner | QFile::ExeOwner);
        setDurableWriteFaultHook(c.fault);
        clock.advanceSeconds(1);
        HiveRegistryStore hive(sb.prefix);
        const TransactionResult r = runRegistryTransaction(
            hive, sb.prefix, SnapshotOperation::Apply, keysWrittenBy(SnapshotOperation::Apply),
            [&] { c.change(hive); }, c.onFailure);
        setDurableWriteFaultHook({});
        server.reset();
        QFile::setPermissions(snapshots.folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        EXPECT_EQ(r.changed, c.changed);
        EXPECT_EQ(test::readAll(user) != userBefore || test::readAll(machine) != machineBefore, c.changed)
            << "the result must say what the files show";
        EXPECT_EQ(r.ok(), *c.error == 0) << r.error.toStdString();
        EXPECT_TRUE(r.report().contains(QString::fromUtf8(c.error))) << r.report().toStdString();
        if (!c.changed && !r.ok()) {
            EXPECT_TRUE(r.report().endsWith(u"The registry was not changed."_s));
            EXPECT_FALSE(hive.hasChanges()) << "what was not written may not stay pending for a later commit";
        } else if (!r.ok() && r.snapshot) {
            EXPECT_TRUE(r.report().endsWith(r.snapshot->id + u" puts it back as it was before."_s));
        }
        EXPECT_EQ(bool(r.snapshot), c.changed);
        EXPECT_EQ(snapshots.newest()->id, c.changed ? r.snapshot->id : newestBefore->id);
    }
}

} // namespace
