#include "delphireg/Snapshots.h"
#include "fixtures/Sandbox.h"
#include "platform/registry/RegistryStore.h"
#include "support/CliRunner.h"
#include "support/MemoryRegistryStore.h"
#include "support/RegistryContents.h"
#include "support/TestFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

using CliResult = test::CliRun;

class SnapshotCliTest : public test::SandboxCliTest
{
  protected:
    QJsonArray history() const
    {
        return QJsonDocument::fromJson(cli({u"history"_s, u"--json"_s}).out).array();
    }
    QStringList registry() const { return test::registryContents(HiveRegistryStore(sb.prefix)); }
};

TEST_F(SnapshotCliTest, ClearIsUndoneByTheNewestSnapshotOrById)
{
    const QStringList before = registry();
    EXPECT_EQ(history().size(), 0);

    CliResult r = cli({u"clear"_s});
    ASSERT_EQ(r.code, 0) << r.err.constData();
    const QJsonArray h = history();
    ASSERT_EQ(h.size(), 1);
    const QJsonObject first = h[0].toObject();
    EXPECT_EQ(first[u"operation"_s].toString(), u"clear"_s);
    EXPECT_TRUE(first[u"file"_s].toString().startsWith(dir.filePath(u"state/vorlix7/snapshots/prefix-"_s)));
    EXPECT_TRUE(first[u"file"_s].toString().endsWith(first[u"id"_s].toString() + u".reg"_s));
    EXPECT_TRUE(QRegularExpression(u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}[+-]\\d\\d:\\d\\d$"_s)
                    .match(first[u"time"_s].toString())
                    .hasMatch())
        << first[u"time"_s].toString().toStdString();

    // Without an id the newest snapshot is restored; that a restore is undone in turn, and what
    // comes back value by value, is the snapshots' own to prove.
    r = cli({u"restore"_s});
    ASSERT_EQ(r.code, 0) << r.err.constData();
    EXPECT_EQ(registry(), before);
    ASSERT_EQ(cli({u"restore"_s}).code, 0);
    // An earlier state by id.
    ASSERT_EQ(cli({u"restore"_s, first[u"id"_s].toString()}).code, 0);
    EXPECT_EQ(registry(), before);

    r = cli({u"history"_s});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains(QByteArray(first[u"id"_s].toString().toUtf8() + "  "))) << r.out.constData();
}

TEST_F(SnapshotCliTest, EveryWritingCommandTakesASnapshot)
{
    test::writeAll(dir.filePath(u"i.reg"_s),
                   "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Vorlix Test]\n\"a\"=\"b\"\n");
    ASSERT_EQ(cli({u"apply"_s, sb.sampleProject}).code, 0);
    ASSERT_EQ(cli({u"import"_s, dir.filePath(u"i.reg"_s)}).code, 0);
    ASSERT_EQ(cli({u"recover"_s, u"--no-bde"_s}).code, 0);
    QStringList ops;
    for (const QJsonValue& v : history())
        ops << v.toObject()[u"operation"_s].toString();
    EXPECT_EQ(ops, (QStringList{u"recover"_s, u"import"_s, u"apply"_s}));
}

TEST_F(SnapshotCliTest, RefusalsChangeNothing)
{
    // Which snapshots are damaged or overreaching is the snapshots' own to prove; here the
    // refusals reach stderr and the exit code.
    const QByteArray before = userReg();
    CliResult r = cli({u"restore"_s});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("No snapshot")) << r.err.constData();

    EXPECT_EQ(cli({u"restore"_s, u"no-such-id"_s}).code, 1);

    // A well-formed snapshot that would delete all of HKEY_CURRENT_USER\Software is refused; only
    // --force restores it.
    MemoryRegistryStore other;
    other.createKey(RegRoot::CurrentUser, u"Software\\Only"_s);
    const QString wide = dir.filePath(u"wide.reg"_s);
    test::writeAll(wide, snapshotBytes(other, QList<RegKeyRef>{{RegRoot::CurrentUser, u"Software"_s}},
                                       SnapshotOperation::Import, QDateTime::currentDateTime()));
    r = cli({u"restore"_s, wide});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("--force")) << r.err.constData();
    EXPECT_EQ(userReg(), before);
    ASSERT_EQ(cli({u"restore"_s, u"--force"_s, wide}).code, 0);
    EXPECT_EQ(HiveRegistryStore(sb.prefix).subKeyNames(RegRoot::CurrentUser, u"Software"_s),
              QStringList{u"Only"_s});
}

} // namespace
