// Reading and writing project files of 1,000 and 10,000 entries.

#include "cli/ProjectJson.h"
#include "fixtures/LargeProject.h"
#include "platform/ini/IniFile.h"
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

// A project file of `entries` entries written once per benchmark.
struct ProjectOnDisk
{
    QTemporaryDir dir;
    QString path = dir.filePath(u"p.vx7"_s);
    explicit ProjectOnDisk(int entries) { fixtures::writeLargeProject(path, entries, kNow); }
};

const PathMacro kMacro(u"C:\\Program Files\\Borland\\Delphi7\\"_s);

// The JSON of `show --json` for a project already read, into a sink that drops it.
void BM_ProjectJson(benchmark::State& state)
{
    ConfigProject p;
    fill(p, int(state.range(0)));
    qint64 bytes = 0;
    for (auto _ : state) {
        JsonWriter w([&](QByteArrayView piece) { bytes += piece.size(); });
        writeProjectJson(p, w);
        w.finish();
    }
    state.SetBytesProcessed(bytes);
}

// `show --json` in process as the CLI does it: read the file (releasing it part by part), build the
// project, render the JSON.
void BM_ShowJson(benchmark::State& state)
{
    const ProjectOnDisk file(int(state.range(0)));
    for (auto _ : state) {
        ConfigProject p;
        {
            IniFile store(file.path);
            readProjectReleasing(store, p, kMacro, {nullptr, kNow, {}});
        }
        JsonWriter w([](QByteArrayView piece) { benchmark::DoNotOptimize(piece.data()); });
        writeProjectJson(p, w);
        w.finish();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// `save-as` in process as the CLI does it: read the file, write it to a new one (with the backup of
// the one before).
void BM_SaveAs(benchmark::State& state)
{
    const ProjectOnDisk file(int(state.range(0)));
    const QString target = file.dir.filePath(u"copy.vx7"_s);
    for (auto _ : state) {
        ConfigProject p;
        {
            IniFile store(file.path);
            readProjectReleasing(store, p, kMacro, {nullptr, kNow, {}});
        }
        IniFile out;
        out.openForReplacement(target);
        p.setFileName(target);
        saveProject(p, out, kNow);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The INI store alone reading the file.
void BM_IniParse(benchmark::State& state)
{
    const ProjectOnDisk file(int(state.range(0)));
    for (auto _ : state) {
        IniFile store(file.path);
        benchmark::DoNotOptimize(store.hasSection(u"ConfigData"_s));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_ProjectJson)->Arg(0)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowJson)->Arg(0)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveAs)->Arg(0)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IniParse)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadProject)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteProject)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
