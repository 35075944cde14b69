// libFuzzer target for the hive reader and writer. Any input that reads must come back unchanged
// when nothing was edited, and written anew (every key in Wine's form, and again after an edit)
// must read back with the same keys and values.
#include "platform/Errors.h"
#include "platform/registry/WineHive.h"
#include "support/HiveContents.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;
using vx::WineHive;

namespace {

std::optional<WineHive> read(const QByteArray& bytes)
{
    try {
        return WineHive::parse(bytes, u"fuzz.reg"_s);
    } catch (const vx::OperationError&) {
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    std::optional<WineHive> hive = read(bytes);
    if (!hive)
        return 0;
    if (hive->save() != bytes)
        std::abort();

    const QStringList before = vx::test::hiveContents(*hive);
    const std::optional<WineHive> rewritten = read(hive->save(WineHive::SaveMode::RewriteAll));
    if (!rewritten || vx::test::hiveContents(*rewritten) != before)
        std::abort();

    // An edit: a new key at the end of the tree, a value on the first key there is.
    const WineHive::KeyId added = hive->createKey({u"zzzz"_s, u"fuzz"_s});
    hive->setValue(added, vx::RegValue::dword(u"n"_s, 1));
    const QStringList first = hive->subKeyNames(WineHive::root());
    if (!first.isEmpty())
        hive->setValue(hive->findSubKey(WineHive::root(), first.front()),
                       vx::RegValue::string({}, u"\u00e9\\\""_s));
    const std::optional<WineHive> edited = read(hive->save());
    if (!edited || vx::test::hiveContents(*edited) != vx::test::hiveContents(*hive))
        std::abort();
    return 0;
}
