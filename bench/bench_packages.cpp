// The project check of 1,000 checked packages that carry real PACKAGEINFO resources of 20 units
// each: every file is read for its imports and its units, and every unit is held against the
// units loaded before it.

#include "fixtures/PeBuilder.h"
#include "fixtures/Sandbox.h"
#include "integration/HealthCheck.h"
#include "platform/PathBridge.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "support/PackageFixture.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

constexpr int kPackages = 1000;
constexpr int kUnits = 20;

struct ManyPackages
{
    QTemporaryDir dir;
    fixtures::Sandbox box;
    ConfigProject project;

    ManyPackages()
    {
        fixtures::SandboxOptions o;
        o.withRegistry = false;
        o.withSampleProject = false;
        box = fixtures::makeSandbox(dir.path(), o);
        ComponentListModel& group = project.addGroup(u"All"_s);
        // Every package requires rtl (in DelphiRoot's Bin) and the package before it (checked).
        test::writeAll(box.delphiHost + u"/Bin/rtl.bpl"_s,
                       fixtures::buildPeWithRcData({{u"PACKAGEINFO"_s, test::packageInfoBlob(2, {}, {})}}));
        for (int p = 0; p < kPackages; ++p) {
            std::vector<test::FixtureUnit> units;
            for (int u = 0; u < kUnits; ++u)
                units.push_back({"Unit" + QByteArray::number(p) + "_" + QByteArray::number(u), 0x02});
            const QString name = u"pkg%1"_s.arg(p);
            QList<QByteArray> requires_{"rtl"};
            if (p > 0)
                requires_.append("pkg" + QByteArray::number(p - 1));
            test::writeAll(
                box.prefix + u"/drive_c/Pkgs/"_s + name + u".bpl"_s,
                fixtures::buildPeWithRcData({{u"PACKAGEINFO"_s, test::packageInfoBlob(2, requires_, units)},
                                             {u"DESCRIPTION"_s, test::descriptionBlob(name)}}));
            group.add({name, u"C:\\Pkgs\\"_s + name + u".bpl"_s, {}, {}, true});
        }
    }
};

void BM_CheckThousandPackages(benchmark::State& state)
{
    static const ManyPackages packages;
    const PathMacro macro(packages.box.delphiRoot);
    const PathBridge bridge(packages.box.prefix);
    std::size_t findings = 0;
    for (auto _ : state) {
        findings = integration::checkProjectHealth(packages.project, macro, bridge,
                                                   {u"C:\\windows\\syswow64"_s, u"C:\\windows"_s})
                       .size();
        benchmark::DoNotOptimize(findings);
    }
    if (findings != 0)
        state.SkipWithError("the packages gave findings");
    state.SetItemsProcessed(state.iterations() * kPackages);
}

} // namespace

BENCHMARK(BM_CheckThousandPackages)->Unit(benchmark::kMillisecond);
