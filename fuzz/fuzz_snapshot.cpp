// Arbitrary bytes as a registry snapshot: reading must end in a snapshot or an OperationError
// naming a line, never in a crash, a hang or a sanitizer report. What reads is restored into a
// store in memory; a new snapshot of the same trees must read back and restore to the same keys
// and values.
#include "delphireg/Snapshots.h"
#include "platform/Errors.h"
#include "support/MemoryRegistryStore.h"

#include <QDateTime>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

QStringList contents(const vx::RegistryStore& s, vx::RegRoot root, const QString& path)
{
    QStringList out;
    if (!s.keyExists(root, path))
        return out;
    out << path.toLower();
    for (const QString& n : s.valueNames(root, path)) {
        const vx::RegValue v = *s.value(root, path, n);
        out << v.name + u'|' + QString::number(v.type) + u'|' + QString::fromLatin1(v.data.toHex());
    }
    for (const QString& sub : s.subKeyNames(root, path))
        out += contents(s, root, path + u'\\' + sub);
    return out;
}

QStringList all(const vx::RegistryStore& s, const QList<vx::RegKeyRef>& keys)
{
    QStringList out;
    for (const vx::RegKeyRef& k : keys)
        out += contents(s, k.root, k.path);
    out.sort();
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    vx::ParsedSnapshot parsed;
    try {
        parsed = vx::parseSnapshot(bytes, u"fuzz.reg"_s, true);
    } catch (const vx::OperationError& e) {
        if (!e.message().startsWith(u"fuzz.reg, line "_s)) {
            std::fprintf(stderr, "refusal without a line: %s\n", e.what());
            std::abort();
        }
        return 0;
    }
    vx::MemoryRegistryStore store;
    try {
        vx::restoreSnapshot(parsed, store, u"fuzz.reg"_s);
    } catch (const vx::OperationError&) {
        return 0; // a key the store refuses (a name too long for Windows)
    }
    const QStringList first = all(store, parsed.covered);
    QByteArray again;
    try {
        again = vx::snapshotBytes(store, vx::SnapshotScope(parsed.covered), vx::SnapshotOperation::Restore,
                                  QDateTime::fromSecsSinceEpoch(0));
    } catch (const vx::OperationError&) {
        return 0; // a name no registry file can hold (a NUL in a value name): refused before writing
    }
    vx::MemoryRegistryStore second;
    try {
        vx::restoreSnapshot(vx::parseSnapshot(again, u"again.reg"_s, true), second, u"again.reg"_s);
    } catch (const vx::OperationError& e) {
        std::fprintf(stderr, "a snapshot we wrote does not read back: %s\n", e.what());
        std::abort();
    }
    if (all(second, parsed.covered) != first) {
        std::fprintf(stderr, "a snapshot we wrote restores to other keys or values\n");
        std::abort();
    }
    return 0;
}
