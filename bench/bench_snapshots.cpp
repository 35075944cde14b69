// Snapshots of the IDE's trees holding 10,000 and 100,000 values of mixed types: taking one (read
// from the store, written to the state folder), and reading one back and restoring it.

#include "delphireg/RegImport.h"
#include "delphireg/Snapshots.h"
#include "platform/registry/RegistryStore.h"
#include "support/MemoryRegistryStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <optional>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

// `count` values in keys of 100 values each, spread over the three trees: strings, DWORDs,
// expandable strings, multi-strings and binary data in turn.
void fill(RegistryStore& store, int count)
{
    const QList<RegKeyRef> trees = delphiTreeKeys();
    for (int i = 0; i < count; ++i) {
        const RegKeyRef& t = trees[i % 3];
        const QString key = t.path + u"\\Key "_s + QString::number(i / 100);
        if (i % 100 < 3)
            store.createKey(t.root, key);
        const QString name = u"Value "_s + QString::number(i);
        switch (i % 5) {
        case 0:
            store.setValue(t.root, key,
                           RegValue::string(name, u"C:\\Program Files\\Borland\\Delphi7\\Lib\\"_s + name));
            break;
        case 1:
            store.setValue(t.root, key, RegValue::dword(name, quint32(i)));
            break;
        case 2:
            store.setValue(t.root, key, RegValue::string(name, u"%SystemRoot%\\x"_s, REG_EXPAND_SZ));
            break;
        case 3:
            store.setValue(t.root, key, RegValue::multiString(name, {u"one"_s, u"two"_s}));
            break;
        default:
            store.setValue(t.root, key, RegValue{name, REG_BINARY, QByteArray(24, char(i))});
            break;
        }
    }
}

void BM_TakeSnapshot(benchmark::State& state)
{
    QTemporaryDir dir;
    qputenv("XDG_STATE_HOME", dir.filePath(u"state"_s).toUtf8());
    MemoryRegistryStore store;
    fill(store, int(state.range(0)));
    const SnapshotStore snapshots(dir.filePath(u"prefix"_s));
    for (auto _ : state)
        snapshots.prune(
            snapshots.take(store, SnapshotOperation::Clear, keysWrittenBy(SnapshotOperation::Clear)));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// As `vorlix7-cli restore` does it: parse the snapshot and restore it into hives freshly read
// from a prefix (not into a store that earlier rounds filled with deleted keys). Reading the
// hives and freeing them stay outside the timing; nothing is committed.
void BM_ReadAndRestoreSnapshot(benchmark::State& state)
{
    QTemporaryDir prefix;
    MemoryRegistryStore filled;
    fill(filled, int(state.range(0)));
    for (const auto file : {HiveBackedStore::HiveFile::User, HiveBackedStore::HiveFile::Machine}) {
        QFile f(prefix.filePath(file == HiveBackedStore::HiveFile::User ? u"user.reg"_s : u"system.reg"_s));
        if (!f.open(QIODevice::WriteOnly) || f.write(filled.hiveBytes(file)) < 0)
            std::abort();
    }
    const QByteArray bytes =
        snapshotBytes(filled, delphiTreeKeys(), SnapshotOperation::Clear, QDateTime::currentDateTime());
    std::optional<HiveRegistryStore> store;
    for (auto _ : state) {
        state.PauseTiming();
        store.emplace(prefix.path());
        store->keyExists(RegRoot::CurrentUser, QString());
        store->keyExists(RegRoot::LocalMachine, QString());
        state.ResumeTiming();
        const ParsedSnapshot parsed = parseSnapshot(bytes, u"snapshot.reg"_s);
        restoreSnapshot(parsed, *store, u"snapshot.reg"_s);
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_TakeSnapshot)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndRestoreSnapshot)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
