#pragma once

#include "platform/registry/WineHive.h"

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace vx::test {

// Every key (as depth and name, depth first) and value of a hive, in enumeration order: two hives
// that give the same list hold the same registry. Used by the hive tests and the hive fuzzer.
inline QStringList hiveContents(const WineHive& hive)
{
    QStringList out;
    std::vector<std::pair<WineHive::KeyId, int>> stack{{WineHive::root(), 0}};
    while (!stack.empty()) {
        const auto [key, depth] = stack.back();
        stack.pop_back();
        out << QString::number(depth) + u' ' + hive.keyName(key);
        for (const QString& name : hive.valueNames(key)) {
            const RegValue v = *hive.value(key, name);
            out << v.name + u'|' + QString::number(v.type) + u'|' + QString::fromLatin1(v.data.toHex());
        }
        const QStringList names = hive.subKeyNames(key);
        for (auto it = names.rbegin(); it != names.rend(); ++it)
            stack.emplace_back(hive.findSubKey(key, *it), depth + 1);
    }
    return out;
}

} // namespace vx::test
