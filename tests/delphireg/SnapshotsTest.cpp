#include "delphireg/DefaultConfig.h"
#include "delphireg/DelphiConfig.h"
#include "delphireg/RegImport.h"
#include "delphireg/RegistryTransaction.h"
#include "delphireg/Snapshots.h"
#include "fixtures/Sandbox.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "platform/PathBridge.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "support/MemoryRegistryStore.h"
#include "support/RegistryContents.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

// Random names with the characters the file form must escape or keep.
QString randomName(QRandomGenerator& rng, bool forKey)
{
    static const QString chars = u"abcXYZ09 _-.,;=@[]{}\"\\\u00e9\u4e2d\U0001F600"_s;
    QString s;
    const int n = 1 + int(rng.bounded(10));
    for (int i = 0; i < n; ++i) {
        const QChar c = chars[int(rng.bounded(chars.size()))];
        if (forKey && (c == u'\\' || c.isSurrogate()))
            continue;
        s += c;
    }
    if (!forKey && rng.bounded(6) == 0)
        s += u"\nnext\rline"_s;
    return s.trimmed().isEmpty() ? u"k"_s + QString::number(rng.bounded(1000)) : s.trimmed();
}

QByteArray randomBytes(QRandomGenerator& rng, int max)
{
    QByteArray b(int(rng.bounded(max + 1)), Qt::Uninitialized);
    for (char& c : b)
        c = char(rng.bounded(256));
    return b;
}

// A value of every kind the registry holds, including those the text forms cannot express.
RegValue randomValue(QRandomGenerator& rng, const QString& name)
{
    switch (rng.bounded(11)) {
    case 0: return RegValue::string(name, u"C:\\Path \"quoted\"\r\nsecond line \u00fc"_s);
    case 1: return RegValue::string(name, u"%SystemRoot%\\x"_s, REG_EXPAND_SZ);
    case 2: return RegValue::multiString(name, {u"a"_s, u"b c"_s, {}});
    case 3: return RegValue::dword(name, rng.generate());
    case 4: return {name, REG_DWORD, QByteArray("\x01\x02\x03", 3)};    // short DWORD
    case 5: return {name, REG_SZ, QByteArray("a\0b\0\0\0c\0\0\0", 10)}; // NUL inside
    case 6: return {name, REG_SZ, QByteArray("odd", 3)};                 // no NUL, odd size
    case 7: return {name, 11 /* REG_QWORD */, randomBytes(rng, 8)};
    case 8: return {name, REG_NONE, randomBytes(rng, 4)};
    case 9: return {name, 0x12345u, randomBytes(rng, 3)};
    default: return {name, REG_BINARY, randomBytes(rng, 200)};
    }
}

void fillTree(RegistryStore& s, QRandomGenerator& rng, RegRoot root, const QString& path, int depth)
{
    s.createKey(root, path);
    const int values = int(rng.bounded(6));
    for (int i = 0; i < values; ++i)
        s.setValue(root, path, randomValue(rng, i == 0 && rng.bounded(3) == 0 ? QString() : randomName(rng, false)));
    if (depth == 0)
        return;
    const int subs = int(rng.bounded(4));
    for (int i = 0; i < subs; ++i)
        fillTree(s, rng, root, path + u'\\' + randomName(rng, true), depth - 1);
}

class SnapshotsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QTemporaryDir state;
    fixtures::Sandbox sb = fixtures::makeSandbox(dir.filePath(u"p"_s), {u"7.0"_s, u"7.0.4.453"_s, true, false});
    MemoryRegistryStore store;
    ManualClock clock{QDateTime(QDate(2026, 12, 6), QTime(14, 0), QTimeZone::utc())};
    ScopedClock scopedClock{clock};
    QByteArray savedState = qgetenv("XDG_STATE_HOME");

    SnapshotsTest() { qputenv("XDG_STATE_HOME", state.path().toUtf8()); }
    ~SnapshotsTest() override { qputenv("XDG_STATE_HOME", savedState); }

    // Random trees in every key the operations write, and a key beside them that none covers.
    void fillRandom(quint32 seed)
    {
        QRandomGenerator rng(seed);
        for (const RegKeyRef& k : keysWrittenBy(SnapshotOperation::Recover))
            fillTree(store, rng, k.root, k.path, 3);
        fillTree(store, rng, RegRoot::CurrentUser, u"Software\\Other"_s, 1);
    }

    // Snapshot, change, restore: the whole registry is as before, value by value.
    template <typename Change>
    void roundTrip(SnapshotOperation op, const std::function<SnapshotScope()>& scope, Change&& change)
    {
        for (quint32 seed = 1; seed <= 8; ++seed) {
            for (RegRoot root : {RegRoot::CurrentUser, RegRoot::LocalMachine}) {
                for (const QString& sub : store.subKeyNames(root, {}))
                    store.deleteTree(root, sub);
            }
            fillRandom(seed);
            const QStringList before = test::registryContents(store);
            const QByteArray snap = snapshotBytes(store, scope(), op, clock.now());
            change();
            ASSERT_NE(test::registryContents(store), before) << "the change changed nothing (seed " << seed << ")";
            // Every other round reads the file from an odd address, where it cannot be read in place.
            QByteArray buffer(snap.size() + 1, '\0');
            std::copy(snap.begin(), snap.end(), buffer.begin() + 1);
            const QByteArray oddlyPlaced = QByteArray::fromRawData(buffer.constData() + 1, snap.size());
            restoreSnapshot(parseSnapshot(seed % 2 ? oddlyPlaced : snap, u"snap.reg"_s), store, u"snap.reg"_s);
            ASSERT_EQ(test::registryContents(store), before) << "seed " << seed;
        }
    }
};

TEST_F(SnapshotsTest, ApplyClearImportRecoverAreUndoneValueByValue)
{
    ConfigProject p;
    p.experts().add({u"E"_s, u"$(Delphi)\\Experts\\x.dll"_s, {}, true});
    p.addGroup(u"G"_s).add({u"Std"_s, u"$(Delphi)\\bin\\dclstd70.bpl"_s, u"C:\\Inc"_s, {}, true});
    p.searchPath().addPaths({u"C:\\A"_s});
    const PathMacro macro(sb.delphiRoot);
    const PathBridge bridge(sb.prefix);
    const auto trees = [](SnapshotOperation op) { return [op] { return SnapshotScope(keysWrittenBy(op)); }; };
    roundTrip(SnapshotOperation::Apply, trees(SnapshotOperation::Apply), [&] { applyProject(store, p, macro, bridge); });
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
    roundTrip(SnapshotOperation::Import, [&] { return importScope(store, ops); }, [&] { importRegFile(file, store, u"f.reg"_s); });
}

// Undoing an import puts back what it changed and nothing else: what others changed since, beside
// it, stays; a key of one part in the 32-bit view is Wow6432Node and no cover for its subkeys.
TEST_F(SnapshotsTest, UndoingAnImportLeavesWhatItDidNotChange)
{
    MemoryRegistryStore win64(WineHive::Arch::Win64);
    const QString other = u"Software\\Other"_s;
    win64.createKey(RegRoot::CurrentUser, other);
    win64.setValue(RegRoot::CurrentUser, other, RegValue::string(u"a"_s, u"1"_s));
    win64.setValue(RegRoot::CurrentUser, other, RegValue::string(u"b"_s, u"2"_s));
    const QByteArray file = "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"a\"=\"9\"\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Other\\New]\r\n[HKEY_CURRENT_USER]\r\n@=\"root\"\r\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n";
    const SnapshotScope scope = importScope(win64, parseRegFile(file, u"f.reg"_s));
    EXPECT_EQ(scope.trees.size(), 1) << "only the key the import makes is a tree";
    const QByteArray snap = snapshotBytes(win64, scope, SnapshotOperation::Import, clock.now());
    importRegFile(file, win64, u"f.reg"_s);
    win64.setValue(RegRoot::CurrentUser, other, RegValue::string(u"b"_s, u"3"_s));
    win64.createKey(RegRoot::CurrentUser, other + u"\\Later"_s);

    restoreSnapshot(parseSnapshot(snap, u"s.reg"_s), win64, u"s.reg"_s);
    EXPECT_EQ(win64.value(RegRoot::CurrentUser, other, u"a"_s)->text(), u"1"_s);
    EXPECT_EQ(win64.value(RegRoot::CurrentUser, other, u"b"_s)->text(), u"3"_s);
    EXPECT_EQ(win64.subKeyNames(RegRoot::CurrentUser, other), QStringList{u"Later"_s});
    EXPECT_FALSE(win64.value(RegRoot::CurrentUser, {}, {}));
    EXPECT_TRUE(win64.keyExists(RegRoot::LocalMachine, u"Software\\Wow6432Node"_s));
}

TEST_F(SnapshotsTest, CoveredKeysThatWereMissingAreDeletedAgain)
{
    const QByteArray snap = snapshotBytes(store, SnapshotScope(keysWrittenBy(SnapshotOperation::Recover)),
                                          SnapshotOperation::Recover, clock.now());
    const ParsedSnapshot parsed = parseSnapshot(snap, u"s.reg"_s);
    EXPECT_EQ(parsed.covered.size(), 6);
    EXPECT_EQ(parsed.operation, SnapshotOperation::Recover);
    writeDefaultConfiguration(store, {sb.delphiRoot, {}, true, u"C:\\BDE\\"_s});
    restoreSnapshot(parsed, store, u"s.reg"_s);
    for (const RegKeyRef& k : parsed.covered)
        EXPECT_FALSE(store.keyExists(k.root, k.path)) << k.path.toStdString();
}

TEST_F(SnapshotsTest, DamagedSnapshotsAreRefusedWithTheirLine)
{
    fillRandom(42);
    const QByteArray good = snapshotBytes(store, SnapshotScope(delphiTreeKeys()), SnapshotOperation::Clear, clock.now());
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(good.constData() + 2), (good.size() - 2) / 2);
    QStringList lines = text.split(u"\r\n"_s);
    const auto bytesOf = [](const QStringList& l) -> QByteArray {
        const QString t = l.join(u"\r\n"_s);
        return QByteArray("\xff\xfe", 2) + QByteArray(reinterpret_cast<const char*>(t.utf16()), t.size() * 2);
    };
    const auto firstLine = [&](auto&& pred) {
        for (int i = 0; i < lines.size(); ++i)
            if (pred(lines[i]))
                return i;
        return -1;
    };
    // Faults of form are found with the digest left aside (--force), so that each shows its line.
    const auto refusedAt = [&](const QStringList& changed, int line, bool force = true) {
        try {
            parseSnapshot(bytesOf(changed), u"s.reg"_s, force);
            ADD_FAILURE() << "accepted; expected a fault at line " << line;
        } catch (const OperationError& e) {
            EXPECT_TRUE(e.message().startsWith(u"s.reg, line "_s + QString::number(line) + u':'))
                << e.message().toStdString();
        }
    };
    ASSERT_NO_THROW(parseSnapshot(bytesOf(lines), u"s.reg"_s));
    const int closing = firstLine([](const QString& l) { return l.startsWith(u"; end of snapshot"_s); });

    const int value = firstLine([](const QString& l) { return l.startsWith(u'"') && l.contains(u"=dword:"_s); });
    ASSERT_GT(value, 0);
    QStringList edited = lines;
    edited[value].replace(u"=dword:"_s, u"=dwerd:"_s);
    refusedAt(edited, value + 1);

    edited = lines;
    const qsizetype digit = edited[value].indexOf(u"=dword:"_s) + 7;
    edited[value][digit] = edited[value][digit] == u'0' ? u'1' : u'0'; // an edit that keeps the form: the digest tells
    refusedAt(edited, closing + 1, false);
    EXPECT_NO_THROW(parseSnapshot(bytesOf(edited), u"s.reg"_s, true));

    edited = lines;
    edited.removeAt(value); // a value gone: the closing count no longer matches
    refusedAt(edited, closing);

    edited = lines.mid(0, value + 1); // cut short
    refusedAt(edited, int(edited.size()));

    const int key = firstLine([](const QString& l) { return l.startsWith(u"[HKEY"_s); });
    edited = lines;
    edited.insert(key + 1, u"[-HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Late]"_s);
    edited.insert(key + 2, lines[key]);
    refusedAt(edited, key + 2);

    edited = lines;
    edited.insert(key + 1, u"\"gone\"=-"_s); // a covered tree is written whole, never value by value
    refusedAt(edited, key + 2);

    // Trees a snapshot must never delete, whatever its digest says: a root's whole Software, Wine's
    // settings, or more than its operation writes.
    const struct
    {
        SnapshotOperation op;
        RegKeyRef tree;
    } overreaching[] = {
        {SnapshotOperation::Import, {RegRoot::CurrentUser, u"Software"_s}},
        {SnapshotOperation::Restore, {RegRoot::LocalMachine, u"software\\"_s}},
        {SnapshotOperation::Import, {RegRoot::CurrentUser, u"Software\\Wine"_s}},
        {SnapshotOperation::Clear, {RegRoot::CurrentUser, u"Software\\Other"_s}},
        {SnapshotOperation::Associate, {RegRoot::CurrentUser, u"Software\\Borland"_s}},
    };
    for (const auto& c : overreaching) {
        const QByteArray bytes = snapshotBytes(store, QList<RegKeyRef>{c.tree}, c.op, clock.now());
        EXPECT_THROW(parseSnapshot(bytes, u"s.reg"_s), OperationError) << c.tree.path.toStdString();
        EXPECT_NO_THROW(parseSnapshot(bytes, u"s.reg"_s, true));
    }

    // A plain REGEDIT4 backup is no snapshot.
    EXPECT_THROW(parseSnapshot("REGEDIT4\r\n", u"s.reg"_s), OperationError);
}

TEST_F(SnapshotsTest, RestoringTakesASnapshotSoASecondUndoUndoesTheFirst)
{
    fillRandom(7);
    const QStringList original = test::registryContents(store);
    const SnapshotStore snaps(sb.prefix);
    EXPECT_TRUE(snaps.folder().startsWith(state.path() + u"/vorlix7/snapshots/p-"_s)) << snaps.folder().toStdString();
    EXPECT_TRUE(snaps.empty());

    runRegistryTransaction(store, sb.prefix, SnapshotOperation::Clear, keysWrittenBy(SnapshotOperation::Clear),
                           [&] { clearDelphiRegistry(store); }, OnFailure::KeepWritten);
    const QStringList cleared = test::registryContents(store);

    clock.advanceSeconds(1);
    const RestoreResult first = restoreSnapshotFile(snaps.newest()->file, store, sb.prefix);
    EXPECT_EQ(test::registryContents(store), original);
    ASSERT_TRUE(first.transaction.snapshot);
    EXPECT_EQ(first.transaction.snapshot->operation, SnapshotOperation::Restore);
    EXPECT_EQ(snaps.newest()->id, first.transaction.snapshot->id);

    clock.advanceSeconds(1);
    restoreSnapshotFile(snaps.newest()->file, store, sb.prefix);
    EXPECT_EQ(test::registryContents(store), cleared);

    const std::vector<SnapshotInfo> h = snaps.history();
    ASSERT_EQ(h.size(), 3u);
    EXPECT_EQ(h[2].operation, SnapshotOperation::Clear);
    EXPECT_GT(h[0].time, h[1].time);
    EXPECT_EQ(snaps.resolve(h[2].id), h[2].file);
    EXPECT_EQ(snaps.resolve(h[2].file), h[2].file);
    EXPECT_THROW(snaps.resolve(u"nonsense"_s), OperationError);
}

TEST_F(SnapshotsTest, KeepsTheNewestFiftyWhateverTheClockSays)
{
    const SnapshotStore snaps(sb.prefix);
    const auto takeAndKeep = [&] {
        const SnapshotInfo s = snaps.take(store, SnapshotOperation::Apply, delphiTreeKeys());
        snaps.prune(s);
        return s;
    };
    for (int i = 0; i < SnapshotStore::kKeep + 5; ++i) {
        takeAndKeep();
        if (i % 2)
            clock.advanceMSecs(1);
    }
    std::vector<SnapshotInfo> h = snaps.history();
    ASSERT_EQ(int(h.size()), SnapshotStore::kKeep);
    EXPECT_EQ(QDir(snaps.folder()).entryList(QDir::Files).size(), SnapshotStore::kKeep);
    // Two in one millisecond: the second is numbered and listed first.
    EXPECT_TRUE(h[1].id.endsWith(u"-apply-2"_s)) << h[1].id.toStdString();
    EXPECT_EQ(h[2].id + u"-2"_s, h[1].id);
    for (size_t i = 1; i < h.size(); ++i)
        EXPECT_GE(h[i - 1].time, h[i].time);
    EXPECT_EQ(h.back().time, clock.now().addMSecs(-(SnapshotStore::kKeep / 2)));

    // The clock is set back a day: what is taken now is the newest, and is never the one pruned.
    clock.advanceSeconds(-86400);
    for (int i = 0; i < 3; ++i) {
        const SnapshotInfo now = takeAndKeep();
        h = snaps.history();
        EXPECT_EQ(h.front().id, now.id);
        EXPECT_EQ(snaps.newest()->id, now.id);
        EXPECT_EQ(int(h.size()), SnapshotStore::kKeep);
        clock.advanceMSecs(1);
    }
}

// Windows programs make names a registry file cannot hold; the snapshot is refused before the
// change, naming the key, rather than written and refused when it is needed.
TEST_F(SnapshotsTest, NamesNoRegistryFileCanHoldStopTheSnapshot)
{
    const QString d7 = u"Software\\Borland\\Delphi\\7.0"_s;
    const struct
    {
        QString key;
        QString value;
        const char* named;
    } cases[] = {
        {d7 + u"\\Line\nBreak"_s, {}, "Line\\nBreak"},
        {d7 + u"\\Car\rReturn"_s, {}, "Car\\rReturn"},
        {d7 + u"\\Plain"_s, u"nul"_s + QChar(0) + u"inside"_s, "nul\\0inside"},
    };
    const SnapshotStore snaps(sb.prefix);
    for (const auto& c : cases) {
        MemoryRegistryStore s;
        ASSERT_TRUE(s.createKey(RegRoot::CurrentUser, c.key));
        if (!c.value.isEmpty())
            s.setValue(RegRoot::CurrentUser, c.key, RegValue::string(c.value, u"x"_s));
        try {
            snaps.take(s, SnapshotOperation::Apply, keysWrittenBy(SnapshotOperation::Apply));
            ADD_FAILURE() << "taken: " << c.named;
        } catch (const OperationError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.named))) << e.message().toStdString();
        }
        EXPECT_TRUE(QDir(snaps.folder()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}

TEST_F(SnapshotsTest, ASnapshotThatCannotBeWrittenStopsTheChange)
{
    {
        // The state home is a file: the folder cannot be made.
        QFile f(state.filePath(u"file"_s));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.close();
        qputenv("XDG_STATE_HOME", f.fileName().toUtf8());
        const SnapshotStore snaps(sb.prefix);
        try {
            snaps.take(store, SnapshotOperation::Clear, delphiTreeKeys());
            ADD_FAILURE() << "no error";
        } catch (const OperationError& e) {
            EXPECT_TRUE(e.message().contains(snaps.folder())) << e.message().toStdString();
        }
        qputenv("XDG_STATE_HOME", state.path().toUtf8());
    }
    const SnapshotStore snaps(sb.prefix);
    ASSERT_TRUE(QDir().mkpath(snaps.folder()));
    QFile::setPermissions(snaps.folder(), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_THROW(snaps.take(store, SnapshotOperation::Clear, delphiTreeKeys()), OperationError);
    QFile::setPermissions(snaps.folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    // A full disk: nothing is left behind, and the message names the file.
    setWriteFaultHook([](const QString&) { return true; });
    try {
        snaps.take(store, SnapshotOperation::Clear, delphiTreeKeys());
        ADD_FAILURE() << "no error";
    } catch (const OperationError& e) {
        EXPECT_TRUE(e.message().contains(snaps.folder() + u'/')) << e.message().toStdString();
    }
    setWriteFaultHook({});
    EXPECT_TRUE(QDir(snaps.folder()).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // Deleted under us: made again.
    QDir(snaps.folder()).removeRecursively();
    EXPECT_NO_THROW(snaps.take(store, SnapshotOperation::Clear, delphiTreeKeys()));
}

} // namespace
