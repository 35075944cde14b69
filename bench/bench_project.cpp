// Reading and writing project files of 1,000 and 10,000 entries.

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

// A fifth experts, a fifth tools, the rest components spread over ten groups.
void fill(ConfigProject& p, int entries)
{
    const int experts = entries / 5;
    const int tools = entries / 5;
    const int comps = entries - experts - tools;
    for (int i = 0; i < experts; ++i)
        p.experts().add({u"Expert %1"_s.arg(i), u"$(Delphi)\\Experts\\expert%1.dll"_s.arg(i), u"note"_s, i % 3 != 0});
    std::vector<std::vector<EntryRow>> groups(10);
    for (int i = 0; i < comps; ++i)
        groups[size_t(i % 10)].push_back(ComponentListModel::toRow(
            {u"Package %1"_s.arg(i), u"$(Delphi)\\Projects\\Bpl\\pkg%1.bpl"_s.arg(i), u"$(Delphi)\\Source\\%1"_s.arg(i),
             {}, i % 4 != 0}));
    for (int g = 0; g < 10; ++g)
        p.addGroup(u"Group %1"_s.arg(g)).addRows(std::move(groups[size_t(g)]));
    for (int i = 0; i < tools; ++i)
        p.tools().add({u"Tool %1"_s.arg(i), u"C:\\Tools\\tool%1.exe"_s.arg(i), u"C:\\Tools\\"_s, u"-p %1"_s.arg(i), true});
    p.searchPath().addPaths({u"$(Delphi)\\Lib"_s, u"$(Delphi)\\Bin"_s});
    p.statistics().beginTime = kNow;
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

