#pragma once

#include "platform/registry/RegistryStore.h"

#include <QStringList>

namespace vx::test {

// Every key ("root|path") and value ("root|path|name|type|hex") below a key, depth first.
inline void appendRegistryContents(const RegistryStore& s, RegRoot root, const QString& path,
                                   QStringList& out)
{
    if (!s.keyExists(root, path))
        return;
    const QString key = QString::number(int(root)) + u'|' + path.toLower();
    out << key;
    for (const QString& n : s.valueNames(root, path)) {
        const RegValue v = *s.value(root, path, n);
        out << key + u'|' + v.name + u'|' + QString::number(v.type) + u'|' +
                   QString::fromLatin1(v.data.toHex());
    }
    for (const QString& sub : s.subKeyNames(root, path))
        appendRegistryContents(s, root, path.isEmpty() ? sub : path + u'\\' + sub, out);
}

// The whole of HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, sorted: two stores that give the same list
// hold the same keys and values, whatever order they enumerate them in.
inline QStringList registryContents(const RegistryStore& s)
{
    QStringList out;
    appendRegistryContents(s, RegRoot::CurrentUser, {}, out);
    appendRegistryContents(s, RegRoot::LocalMachine, {}, out);
    out.sort();
    return out;
}

} // namespace vx::test
