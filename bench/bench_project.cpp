// Reading and writing project files of 1,000 and 10,000 entries.

#include "fixtures/LargeProject.h"
#include "platform/IniFile.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "project/ProjectFile.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

const QDateTime kNow(QDate(2026, 12, 6), QTime(12, 0));

void fill(ConfigProject& p, int entries)
{
    fixtures::fillLargeProject(p, entries, kNow);
}

void BM_ReadProject(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"p.vx7"_s);
    {
        ConfigProject p;
        fill(p, int(state.range(0)));
        IniFile store(path);
        saveProject(p, store, kNow);
    }
    const PathMacro macro(u"C:\\Program Files\\Borland\\Delphi7\\"_s);
    for (auto _ : state) {
        IniFile store(path);
        ConfigProject p;
        readProject(store, p, macro, {nullptr, kNow, {}});
        benchmark::DoNotOptimize(p.componentCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_WriteProject(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"p.vx7"_s);
    ConfigProject p;
    fill(p, int(state.range(0)));
    IniFile store(path);
    for (auto _ : state)
        saveProject(p, store, kNow);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_ReadProject)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteProject)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

