#include "delphireg/RegistryTransaction.h"
#include "fixtures/Sandbox.h"
#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "support/FakeWine.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

constexpr auto HKCU = RegRoot::CurrentUser;
constexpr auto HKLM = RegRoot::LocalMachine;
const QString kUserTree = u"Software\\Borland\\Delphi\\7.0"_s;
const QString kMachineTree = u"SOFTWARE\\Borland\\Delphi\\7.0"_s;

class RegistryTransactionTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QTemporaryDir state;
    fixtures::Sandbox sb = fixtures::makeSandbox(dir.filePath(u"p"_s), {u"7.0"_s, u"7.0.4.453"_s, true, false});
    QByteArray savedState = qgetenv("XDG_STATE_HOME");
    QString user = sb.prefix + u"/user.reg"_s;
    QString machine = sb.prefix + u"/system.reg"_s;

    RegistryTransactionTest() { qputenv("XDG_STATE_HOME", state.path().toUtf8()); }
    ~RegistryTransactionTest() override
    {
        setDurableWriteFaultHook({});
        qputenv("XDG_STATE_HOME", savedState);
    }
};

// Every way a registry change can end, through the one transaction all commands use: what the
// result says must be what the files show, and the newest snapshot must undo the last change
// that happened.
TEST_F(RegistryTransactionTest, TheResultAndTheSnapshotsTellWhatReachedTheFiles)
{
    const auto writeBoth = [](RegistryStore& s) {
        ASSERT_TRUE(s.createKey(HKCU, kUserTree + u"\\Vx"_s));
        ASSERT_TRUE(s.createKey(HKLM, kMachineTree + u"\\Vx"_s));
    };
    struct Case
    {
        const char* name;
        std::function<void(RegistryStore&)> change;
        OnFailure onFailure = OnFailure::KeepWritten;
        std::function<bool(DurableWriteStep, const QString&)> fault = {};
        bool wineRuns = false;
        bool readOnlySnapshots = false;
        bool changed = false;
        const char* error = ""; // a part of the report; empty when the change succeeds
    };
    const QString userPath = user;
    const Case cases[] = {
        {"all written", writeBoth, OnFailure::KeepWritten, {}, false, false, true, ""},
        {"nothing to write", [](RegistryStore&) {}, OnFailure::KeepWritten, {}, false, false, false, ""},
        {"Wine runs", writeBoth, OnFailure::KeepWritten, {}, true, false, false, "wineserver -k"},
        {"snapshot folder read-only", writeBoth, OnFailure::KeepWritten, {}, false, true, false, "is read-only"},
        {"change fails, what it wrote stays",
         [&](RegistryStore& s) {
             writeBoth(s);
             throw OperationError(u"Failed to set data for 'X'"_s);
         },
         OnFailure::KeepWritten, {}, false, false, true, "Failed to set data for 'X'"},
        {"change fails, all or nothing",
         [&](RegistryStore& s) {
             writeBoth(s);
             throw OperationError(u"bad line 4"_s);
         },
         OnFailure::WriteNothing, {}, false, false, false, "bad line 4"},
        {"commit fails before any hive is replaced", writeBoth, OnFailure::KeepWritten,
         [&](DurableWriteStep s, const QString& p) { return s == DurableWriteStep::Sync && p == userPath; }, false, false,
         false, "Unable to write to"},
        {"commit replaces one hive only", writeBoth, OnFailure::KeepWritten,
         [&](DurableWriteStep s, const QString& p) { return s == DurableWriteStep::Rename && p == userPath; }, false,
         false, true, " were not."},
    };

    const SnapshotStore snapshots(sb.prefix);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A change that happened before, whose snapshot is the newest until another change happens.
        HiveRegistryStore before(sb.prefix);
        const TransactionResult earlier =
            runRegistryTransaction(before, sb.prefix, SnapshotOperation::Clear, keysWrittenBy(SnapshotOperation::Clear),
                                   [&] { before.deleteTree(HKCU, kUserTree + u"\\Vx"_s); before.createKey(HKCU, u"Software\\Earlier"_s); },
                                   OnFailure::KeepWritten);
        ASSERT_TRUE(earlier.ok() && earlier.snapshot) << earlier.error.toStdString();
        before.deleteTree(HKCU, u"Software\\Earlier"_s);
        before.deleteTree(HKLM, kMachineTree + u"\\Vx"_s);
        before.commit();
        const QByteArray userBefore = test::readAll(user), machineBefore = test::readAll(machine);

        std::optional<test::FakeWineserver> server;
        if (c.wineRuns)
            server.emplace(HiveRegistryStore::serverDirectories(sb.prefix).first());
        if (c.readOnlySnapshots)
            QFile::setPermissions(snapshots.folder(), QFile::ReadOwner | QFile::ExeOwner);
        setDurableWriteFaultHook(c.fault);

        HiveRegistryStore store(sb.prefix);
        const TransactionResult r = runRegistryTransaction(store, sb.prefix, SnapshotOperation::Apply,
                                                           keysWrittenBy(SnapshotOperation::Apply),
                                                           [&] { c.change(store); }, c.onFailure);
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
        }
        EXPECT_EQ(bool(r.snapshot), c.changed);
        EXPECT_EQ(snapshots.newest()->id, c.changed ? r.snapshot->id : earlier.snapshot->id);
    }
}

} // namespace
