// diff of two projects of 1,000 and 10,000 entries, and the health check of projects of 1,000
// and 10,000 packages whose files exist (every package's import table read).

#include "cli/ProjectJson.h"
#include "fixtures/LargeProject.h"
#include "fixtures/PeBuilder.h"
#include "fixtures/Sandbox.h"
#include "integration/HealthCheck.h"
#include "platform/PathBridge.h"
#include "platform/ini/IniFile.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "project/ProjectDiff.h"
#include "project/ProjectFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

const QDateTime kNow(QDate(2026, 12, 6), QTime(12, 0));
const PathMacro kMacro(u"C:\\Program Files\\Borland\\Delphi7\\"_s);

// B differs from A in every seventh entry of each list (unchecked or checked), every eleventh
// package is gone and as many are new, so the diff has work of every kind.
void changeSome(ConfigProject& p)
{
    for (int r = 0; r < p.experts().count(); r += 7)
        p.experts().setSelected(r, !p.experts().row(r).selected);
    for (int r = 0; r < p.tools().count(); r += 7)
        p.tools().setSelected(r, !p.tools().row(r).selected);
    for (int g = 0; g < p.groupCount(); ++g) {
        ComponentListModel& list = p.group(g);
        for (int r = 0; r < list.count(); r += 7)
            list.setSelected(r, !list.row(r).selected);
        int removed = 0;
        for (int r = list.count() - 1; r >= 0; r -= 11, ++removed)
            list.removeRowAt(r);
        for (int i = 0; i < removed; ++i)
            list.add({u"New "_s + QString::number(i),
                      u"C:\\New\\"_s + QString::number(g) + u'_' + QString::number(i) + u".bpl"_s,
                      {},
                      {},
                      true});
    }
}

void BM_DiffProjects(benchmark::State& state)
{
    ConfigProject a, b;
    fixtures::fillLargeProject(a, int(state.range(0)), kNow);
    fixtures::fillLargeProject(b, int(state.range(0)), kNow);
    changeSome(b);
    size_t changes = 0;
    for (auto _ : state) {
        const ProjectDiff d = diffProjects(a, b, kMacro);
        changes = d.count();
        benchmark::DoNotOptimize(changes);
    }
    state.counters["changes"] = double(changes);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Two project files of `size` rows each that differ as changeSome makes them differ.
void saveProjectPair(int size, const QString& pathA, const QString& pathB)
{
    ConfigProject a, b;
    fixtures::fillLargeProject(a, size, kNow);
    fixtures::fillLargeProject(b, size, kNow);
    changeSome(b);
    IniFile storeA(pathA), storeB(pathB);
    saveProject(a, storeA, kNow);
    saveProject(b, storeB, kNow);
}

// As `vorlix7-cli diff A.vx7 B.vx7` does it: both files read, then compared.
void BM_DiffProjectFiles(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString pathA = dir.filePath(u"a.vx7"_s), pathB = dir.filePath(u"b.vx7"_s);
    saveProjectPair(int(state.range(0)), pathA, pathB);
    for (auto _ : state) {
        ConfigProject a, b;
        IniFile storeA(pathA), storeB(pathB);
        readProject(storeA, a, kMacro, {nullptr, kNow, {}});
        readProject(storeB, b, kMacro, {nullptr, kNow, {}});
        benchmark::DoNotOptimize(diffProjects(a, b, kMacro).count());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// As `vorlix7-cli diff A.vx7 B.vx7 --json` does it: both files read (releasing them part by part),
// compared, and the changes rendered as JSON.
void BM_DiffJson(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString pathA = dir.filePath(u"a.vx7"_s), pathB = dir.filePath(u"b.vx7"_s);
    saveProjectPair(int(state.range(0)), pathA, pathB);
    qint64 bytes = 0;
    for (auto _ : state) {
        ConfigProject a, b;
        IniFile storeA(pathA), storeB(pathB);
        readProjectReleasing(storeA, a, kMacro, {nullptr, kNow, {}});
        readProjectReleasing(storeB, b, kMacro, {nullptr, kNow, {}});
        JsonWriter w([&](QByteArrayView piece) { bytes += piece.size(); });
        writeDiffJson(diffProjects(a, b, kMacro), w);
        w.finish();
    }
    state.SetBytesProcessed(bytes);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// A sandbox prefix with `packages` package files in C:\Pkgs, each importing a package in
// DelphiRoot's Bin and one of its neighbours, and a project listing them all.
struct PackageSandbox
{
    QTemporaryDir dir;
    fixtures::Sandbox box;
    ConfigProject project;

    explicit PackageSandbox(int packages)
    {
        fixtures::SandboxOptions o;
        o.withRegistry = false;
        o.withSampleProject = false;
        box = fixtures::makeSandbox(dir.path(), o);
        const QString folder = box.prefix + u"/drive_c/Pkgs"_s;
        QDir().mkpath(folder);
        ComponentListModel& list = project.addGroup(u"All"_s);
        for (int i = 0; i < packages; ++i) {
            const QString name = u"p"_s + QString::number(i) + u".bpl"_s;
            QFile f(folder + u'/' + name);
            if (!f.open(QIODevice::WriteOnly))
                std::abort();
            f.write(fixtures::buildPeWithImports({u"KERNEL32.dll"_s, u"dclstd70.bpl"_s,
                                                  u"p"_s + QString::number((i + 1) % packages) + u".bpl"_s}));
            list.add({u"Package "_s + QString::number(i), u"C:\\Pkgs\\"_s + name, {}, {}, true});
        }
    }
};

void BM_CheckPackages(benchmark::State& state)
{
    PackageSandbox s(int(state.range(0)));
    const PathBridge bridge(s.box.prefix);
    const PathMacro macro(s.box.delphiRoot);
    const integration::HealthCheckPlaces places{u"C:\\windows\\system32"_s, u"C:\\windows"_s};
    size_t findings = 0;
    for (auto _ : state) {
        findings = integration::checkProjectHealth(s.project, macro, bridge, places).size();
        benchmark::DoNotOptimize(findings);
    }
    if (findings != 0)
        state.SkipWithError("the package sandbox should check clean");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_DiffProjects)
    ->Arg(1000)
    ->Arg(2000)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiffProjectFiles)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiffJson)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckPackages)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);
