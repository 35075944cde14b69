// Finding the Delphi 7 installations of 50 Bottles prefixes whose system.reg files are about 3 MB
// each, as a prefix with a few programs installed has them; the IDE's key stands after most of
// the file, where Wow6432Node sorts.

#include "fixtures/Sandbox.h"
#include "platform/InstallationFinder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

constexpr int kPrefixes = 50;

// Keys like those of a real machine hive: COM classes with their servers, then the 32-bit view
// with the IDE's key among other programs' keys.
QByteArray paddedMachineHive(int prefixIndex)
{
    QByteArray hive =
        "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n\n";
    int n = 0;
    const auto clsidKey = [&](const char* root) {
        const QByteArray guid = QByteArray::number(0x10000000u + unsigned(n++ * 7919 + prefixIndex), 16);
        hive += "[" + QByteArray(root) + "\\\\CLSID\\\\{" + guid + "-0000-11d0-a1b5-00c04fb6c1f" +
                QByteArray::number(n % 10) + "}\\\\InprocServer32] 1700000000\n#time=1d9a2b3c4d5e6f7\n" +
                "@=\"C:\\\\windows\\\\system32\\\\component" + QByteArray::number(n) +
                ".dll\"\n\"ThreadingModel\"=\"Both\"\n\n";
    };
    while (hive.size() < 2'400'000)
        clsidKey("Software\\\\Classes");
    for (int i = 0; i < 40; ++i)
        hive += "[Software\\\\Wow6432Node\\\\Borland\\\\Common Files\\\\" + QByteArray::number(i) +
                "] 1700000000\n\"Path\"=\"C:\\\\Program Files\\\\Common Files\\\\Borland Shared\\\\\"\n\n";
    hive += "[Software\\\\Wow6432Node\\\\Borland\\\\Delphi\\\\7.0] 1700000000\n#time=1d9a2b3c4d5e6f7\n"
            "\"RootDir\"=\"C:\\\\Program Files\\\\Borland\\\\Delphi7\\\\\"\n\n";
    while (hive.size() < 3'000'000)
        clsidKey("Software\\\\Wow6432Node\\\\Classes");
    return hive;
}

struct ManyPrefixes
{
    QTemporaryDir dir;
    FinderEnvironment env;

    ManyPrefixes()
    {
        env.home = dir.filePath(u"home"_s);
        fixtures::SandboxOptions options;
        options.withSampleProject = false;
        options.withRegistry = false;
        for (int i = 0; i < kPrefixes; ++i) {
            const fixtures::Sandbox sb = fixtures::makeSandbox(
                env.home + u"/.local/share/bottles/bottles/Delphi %1"_s.arg(i), options);
            QFile hive(sb.prefix + u"/system.reg"_s);
            if (!hive.open(QIODevice::WriteOnly) || hive.write(paddedMachineHive(i)) < 0)
                throw std::runtime_error("cannot write the machine hive");
        }
    }
};

void BM_FindInstallations(benchmark::State& state)
{
    static const ManyPrefixes prefixes;
    std::size_t found = 0;
    for (auto _ : state) {
        found = findInstallations(prefixes.env).size();
        benchmark::DoNotOptimize(found);
    }
    if (found != kPrefixes)
        state.SkipWithError("not every installation was found");
    state.SetItemsProcessed(state.iterations() * kPrefixes);
}

} // namespace

BENCHMARK(BM_FindInstallations)->Unit(benchmark::kMillisecond);
