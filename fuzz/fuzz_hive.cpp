// libFuzzer target for the hive reader and writer. Any input that reads must come back unchanged
// when nothing was edited, and written anew (every key in Wine's form, and again after an edit)
// must read back with the same keys and values.
#include "platform/Errors.h"
#include "platform/WineHive.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;
using vx::WineHive;

namespace {

// Keys as depth and name, depth first, with their values, in enumeration order.
QStringList contents(const WineHive& hive)
{
    QStringList out;
    std::vector<std::pair<WineHive::KeyId, int>> stack{{WineHive::root(), 0}};
    while (!stack.empty()) {
        const auto [key, depth] = stack.back();
        stack.pop_back();
        out << QString::number(depth) + u' ' + hive.keyName(key);
        for (const QString& name : hive.valueNames(key)) {
            const vx::RegValue v = *hive.value(key, name);
            out << v.name + u'|' + QString::number(v.type) + u'|' + QString::fromLatin1(v.data.toHex());
        }
        const QStringList names = hive.subKeyNames(key);
        for (auto it = names.rbegin(); it != names.rend(); ++it)
            stack.emplace_back(hive.findSubKey(key, *it), depth + 1);
    }
    return out;
}

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

    const QStringList before = contents(*hive);
    const std::optional<WineHive> rewritten = read(hive->save(WineHive::SaveMode::RewriteAll));
    if (!rewritten || contents(*rewritten) != before)
        std::abort();

    // An edit: a new key at the end of the tree, a value on the first key there is.
    const WineHive::KeyId added = hive->createKey({u"zzzz"_s, u"fuzz"_s});
    hive->setValue(added, vx::RegValue::dword(u"n"_s, 1));
    const QStringList first = hive->subKeyNames(WineHive::root());
    if (!first.isEmpty())
        hive->setValue(hive->findSubKey(WineHive::root(), first.front()), vx::RegValue::string({}, u"\u00e9\\\""_s));
    const std::optional<WineHive> edited = read(hive->save());
    if (!edited || contents(*edited) != contents(*hive))
        std::abort();
    return 0;
}
