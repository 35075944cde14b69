// Reading and writing a machine hive of the size a fresh Wine prefix has (about 1.7 MB, 15,000
// keys, 40,000 values of mixed types).

#include "delphireg/DefaultConfig.h"
#include "fixtures/Sandbox.h"
#include "platform/registry/RegistryStore.h"
#include "platform/registry/WineHive.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

// A deterministic system.reg in Wine's form: 300 applications with 50 setting keys each, holding
// strings, numbers, binary data (some long enough to wrap), expandable and multi-strings, QWORDs
// and non-ASCII text.
QByteArray syntheticMachineHive()
{
    quint32 seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    auto hex = [](quint32 v, int digits) { return QByteArray::number(v, 16).rightJustified(digits, '0'); };
    auto bytes = [&](int n) {
        QByteArray text;
        for (int b = 0; b < n; ++b)
            text += hex(next() & 0xff, 2) + (b == n - 1 ? "\n" : (b % 25 == 22 ? ",\\\n  " : ","));
        return text;
    };
    QByteArray out = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";
    out.reserve(1800 * 1024);
    int i = 0;
    for (int app = 0; app < 300; ++app) {
        for (int k = 0; k < 50; ++k, ++i) {
            out += "\n[Software\\\\A" + QByteArray::number(app) + "\\\\K" + QByteArray::number(k) +
                   "] 1700000000\n#time=1da1747c66d0000\n";
            out += "\"Name\"=\"" + QByteArray::number(i) + "\"\n";
            if (i % 4 != 3)
                out += "\"On\"=dword:" + hex(next() & 1, 8) + "\n";
            if (i % 3 == 0)
                out += "\"Data\"=hex:" + bytes(i % 50 == 0 ? 100 : 8);
            else if (i % 3 == 1)
                out += "\"Path\"=str(2):\"%ProgramFiles%\\\\" + QByteArray::number(k) + "\"\n";
            if (i % 10 == 0)
                out += "\"Caf\\xe9\"=\"na\\xefve \\\"" + QByteArray::number(i) +
                       "\\\"\"\n\"List\"=str(7):\"one\\0two\\0\"\n"
                       "\"Big\"=hex(b):" +
                       bytes(8);
        }
    }
    return out;
}

const QByteArray& hiveBytes()
{
    static const QByteArray bytes = syntheticMachineHive();
    return bytes;
}

void BM_HiveLoad(benchmark::State& state)
{
    const QByteArray& bytes = hiveBytes();
    for (auto _ : state)
        benchmark::DoNotOptimize(WineHive::parse(bytes, u"system.reg"_s));
    state.SetBytesProcessed(state.iterations() * bytes.size());
    state.counters["file_kb"] = double(bytes.size()) / 1024;
    state.counters["keys"] = double(bytes.count("\n["));
    state.counters["values"] = double(bytes.count("\n\"") + bytes.count("\n@="));
}
BENCHMARK(BM_HiveLoad)->Unit(benchmark::kMillisecond);

// What a commit does: one changed value, the rest of the file kept as it was.
void BM_HiveSaveOneChange(benchmark::State& state)
{
    const QByteArray& bytes = hiveBytes();
    WineHive hive = WineHive::parse(bytes, u"system.reg"_s);
    const WineHive::KeyId key = hive.createKey({u"Software"_s, u"Borland"_s, u"Delphi"_s, u"7.0"_s});
    quint32 n = 0;
    for (auto _ : state) {
        hive.setValue(key, RegValue::dword(u"Counter"_s, ++n));
        benchmark::DoNotOptimize(hive.save());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_HiveSaveOneChange)->Unit(benchmark::kMillisecond);

void BM_HiveRewriteAll(benchmark::State& state)
{
    const QByteArray& bytes = hiveBytes();
    const WineHive hive = WineHive::parse(bytes, u"system.reg"_s);
    for (auto _ : state)
        benchmark::DoNotOptimize(hive.save(WineHive::SaveMode::RewriteAll));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_HiveRewriteAll)->Unit(benchmark::kMillisecond);

// The IDE's default configuration written into a prefix whose system.reg has a fresh prefix's
// size: both hives read, the trees replaced, both committed to disk.
void BM_RecoverDefaultConfiguration(benchmark::State& state)
{
    QTemporaryDir dir;
    const fixtures::Sandbox sb = fixtures::makeSandbox(dir.filePath(u"prefix"_s));
    QByteArray user;
    {
        QFile f(sb.prefix + u"/user.reg"_s);
        f.open(QIODevice::ReadOnly);
        user = f.readAll();
    }
    const auto put = [](const QString& path, const QByteArray& data) {
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(data);
    };
    const DefaultConfigInputs in{sb.delphiRoot, sb.delphiRoot + u"MSHelp"_s, true, u"C:\\BDE\\"_s};
    for (auto _ : state) {
        state.PauseTiming();
        put(sb.prefix + u"/system.reg"_s, hiveBytes());
        put(sb.prefix + u"/user.reg"_s, user);
        state.ResumeTiming();
        HiveRegistryStore store(sb.prefix);
        writeDefaultConfiguration(store, in);
        store.commit();
    }
    state.counters["system_kb"] = double(hiveBytes().size()) / 1024;
}
BENCHMARK(BM_RecoverDefaultConfiguration)->Unit(benchmark::kMillisecond);

} // namespace
