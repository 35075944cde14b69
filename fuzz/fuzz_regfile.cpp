// Arbitrary bytes as a .reg file: reading must end in a result or an OperationError, never in a
// crash, a hang or a sanitizer report. What parses is also applied to a store in memory, and the
// hives the store would write must read back.
#include "delphireg/RegImport.h"
#include "platform/Errors.h"
#include "support/MemoryRegistryStore.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    std::vector<vx::RegOperation> ops;
    try {
        ops = vx::parseRegFile(bytes, u"fuzz.reg"_s);
    } catch (const vx::OperationError&) {
        return 0;
    }
    int last = 1;
    for (const vx::RegOperation& op : ops) {
        if (op.line < last) {
            std::fprintf(stderr, "operation lines out of order: %d after %d\n", op.line, last);
            std::abort();
        }
        last = op.line;
    }

    vx::MemoryRegistryStore store;
    try {
        vx::importRegFile(bytes, store, u"fuzz.reg"_s);
    } catch (const vx::OperationError&) {
        // A root the store does not hold; what was applied before it stays and is checked below.
    }
    for (const auto file : {vx::HiveBackedStore::HiveFile::User, vx::HiveBackedStore::HiveFile::Machine}) {
        try {
            vx::WineHive::parse(store.hiveBytes(file), u"hive"_s);
        } catch (const vx::OperationError& e) {
            std::fprintf(stderr, "the store wrote a hive it cannot read: %s\n", e.what());
            std::abort();
        }
    }
    return 0;
}
