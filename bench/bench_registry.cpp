// Apply of a 1,000-package project and its preview, export and import of 10,000 registry values, import of
// 10,000 and 100,000 values in shuffled order into one key.

#include "delphireg/ApplyPreview.h"
#include "delphireg/DelphiConfig.h"
#include "delphireg/RegImport.h"
#include "delphireg/RegistryTransaction.h"
#include "fixtures/Sandbox.h"
#include "platform/PathBridge.h"
#include "platform/registry/RegistryStore.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "support/MemoryRegistryStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <malloc.h>
#include <numeric>
#include <random>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

const QString kD7 = u"Software\\Borland\\Delphi\\7.0"_s;

// A sandbox with `packages` package files in DelphiRoot's Projects\Bpl and a project listing them
// all, in ten groups, each with an include path of its own.
struct LargeApply
{
    QTemporaryDir dir;
    fixtures::Sandbox sb;
    ConfigProject project;

    explicit LargeApply(int packages)
    {
        fixtures::SandboxOptions options;
        options.withSampleProject = false;
        sb = fixtures::makeSandbox(dir.filePath(u"p"_s), options);
        QDir().mkpath(sb.delphiHost + u"/Projects/Bpl"_s);
        for (int g = 0; g < 10; ++g) {
            std::vector<EntryRow> rows;
            for (int i = g; i < packages; i += 10) {
                const QString file = u"pkg%1.bpl"_s.arg(i);
                QFile f(sb.delphiHost + u"/Projects/Bpl/"_s + file);
                f.open(QIODevice::WriteOnly);
                rows.push_back(ComponentListModel::toRow({u"Package %1"_s.arg(i),
                                                          u"$(Delphi)\\Projects\\Bpl\\"_s + file,
                                                          u"$(Delphi)\\Source\\%1"_s.arg(i),
                                                          {},
                                                          true}));
            }
            project.addGroup(u"Group %1"_s.arg(g)).addRows(std::move(rows));
        }
        project.searchPath().addPaths({u"$(Delphi)\\Lib"_s, u"$(Delphi)\\Bin"_s});
    }
};

void BM_ApplyProject(benchmark::State& state)
{
    const LargeApply a(int(state.range(0)));
    const PathBridge bridge(a.sb.prefix);
    const PathMacro macro(a.sb.delphiRoot);
    // The second argument 1: through the registry transaction, as the window and the CLI apply
    // (a snapshot of the trees Apply writes, read back, then the commit).
    const bool transaction = state.range(1) != 0;
    qputenv("XDG_STATE_HOME", a.dir.filePath(u"state"_s).toUtf8());
    for (auto _ : state) {
        HiveRegistryStore store(a.sb.prefix);
        if (transaction) {
            const TransactionResult r = runRegistryTransaction(
                store, a.sb.prefix, SnapshotOperation::Apply, keysWrittenBy(SnapshotOperation::Apply),
                [&] { applyProject(store, a.project, macro, bridge); }, OnFailure::KeepWritten);
            if (!r.ok())
                state.SkipWithError(r.error.toUtf8().constData());
        } else {
            applyProject(store, a.project, macro, bridge);
            store.commit();
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Apply's preview as the window and `apply --dry-run` work it out: the hives read, the trees Apply
// writes read before and after applying in memory, compared. Against the sandbox's registry (every
// package is new), and against one where the project was applied already (nothing changes).
void BM_PreviewApply(benchmark::State& state)
{
    const LargeApply a(int(state.range(0)));
    const PathBridge bridge(a.sb.prefix);
    const PathMacro macro(a.sb.delphiRoot);
    if (state.range(1) != 0) {
        HiveRegistryStore store(a.sb.prefix);
        applyProject(store, a.project, macro, bridge);
        store.commit();
    }
    size_t changes = 0;
    for (auto _ : state) {
        HiveRegistryStore scratch(a.sb.prefix);
        changes = previewApply(scratch, a.project, macro, bridge).size();
        benchmark::DoNotOptimize(changes);
    }
    state.counters["changes"] = double(changes);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// A store whose Delphi tree holds `count` string values spread over `keys` keys.
void fillValues(RegistryStore& store, int count, int keys = 100)
{
    for (int i = 0; i < count; ++i) {
        const QString key = kD7 + u"\\Bench\\Key%1"_s.arg(i % keys);
        if (i < keys)
            store.createKey(RegRoot::CurrentUser, key);
        store.setValue(RegRoot::CurrentUser, key,
                       RegValue::string(u"Value %1"_s.arg(i),
                                        u"C:\\Program Files\\Borland\\Delphi7\\Lib\\file%1.dcu"_s.arg(i)));
    }
}

void BM_ExportRegistry(benchmark::State& state)
{
    MemoryRegistryStore store(WineHive::Arch::Win64);
    fillValues(store, int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(backupDelphiRegistry(store));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ImportRegistry(benchmark::State& state)
{
    MemoryRegistryStore source(WineHive::Arch::Win64);
    fillValues(source, int(state.range(0)), int(state.range(1)));
    const QByteArray file = backupDelphiRegistry(source);
    for (auto _ : state) {
        MemoryRegistryStore target(WineHive::Arch::Win64);
        importRegFile(file, target, u"bench.reg"_s);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// A REGEDIT4 file setting `count` string values of one key, in a fixed shuffled order. The
// import ends with the key listed, so ordering work left for later is counted too.
//
// With glibc's default settings each 100,000-value iteration hands its memory back to the system
// and faults it in again, which the 10,000-value one does not (its memory stays with the process
// from one iteration to the next). So that both sizes are measured on equal terms, the process
// keeps freed memory while this benchmark runs, as
//   GLIBC_TUNABLES=glibc.malloc.trim_threshold=1000000000:glibc.malloc.mmap_threshold=33554432
// would make it.
class KeepFreedMemory
{
  public:
    KeepFreedMemory()
    {
        ::mallopt(M_TRIM_THRESHOLD, 1000000000);
        ::mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    }
    ~KeepFreedMemory()
    {
        ::mallopt(M_TRIM_THRESHOLD, 128 * 1024); // the defaults
        ::mallopt(M_MMAP_THRESHOLD, 128 * 1024);
        ::malloc_trim(0);
    }
};

void BM_ImportShuffledValues(benchmark::State& state)
{
    const KeepFreedMemory keep;
    const int count = int(state.range(0));
    std::vector<int> order(size_t(count), 0);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(2024));
    QByteArray file = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Bench]\r\n";
    file.reserve(qsizetype(count) * 64);
    for (const int i : order)
        file += "\"Value " + QByteArray::number(i) + "\"=\"C:\\\\D7\\\\Lib\\\\file" + QByteArray::number(i) +
                ".dcu\"\r\n";
    for (auto _ : state) {
        MemoryRegistryStore target(WineHive::Arch::Win64);
        importRegFile(file, target, u"bench.reg"_s);
        benchmark::DoNotOptimize(target.valueNames(RegRoot::CurrentUser, kD7 + u"\\Bench"_s).size());
    }
    state.SetItemsProcessed(state.iterations() * count);
}

} // namespace

BENCHMARK(BM_ApplyProject)->Args({1000, 0})->Args({1000, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewApply)->Args({1000, 0})->Args({1000, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportRegistry)->Arg(10000)->Unit(benchmark::kMillisecond);
// 10,000 values in 100 keys, and all in one key.
BENCHMARK(BM_ImportRegistry)->Args({10000, 100})->Args({10000, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportShuffledValues)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
