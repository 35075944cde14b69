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

// The "SymbolicLinkValue" line of a link key that points at `target`, as Wine writes it: hex(6)
// of the UTF-16 text, broken over lines.
inline QByteArray linkValueLine(const QString& target)
{
    QByteArray line = "\"SymbolicLinkValue\"=hex(6):";
    int n = 0;
    for (const QChar c : target) {
        for (const int b : {c.unicode() & 0xff, c.unicode() >> 8}) {
            if (n > 0)
                line += ',';
            if (++n % 20 == 0)
                line += "\\\n  ";
            line += QByteArray::number(b, 16).rightJustified(2, '0');
        }
    }
    return line + '\n';
}

} // namespace vx::test
