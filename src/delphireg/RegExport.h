#pragma once

#include "platform/RegistryStore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vx {

// Writing key trees as a REGEDIT4 file: "REGEDIT4", then per key an empty line and
// "[ROOT\path]", then one line "\"name\"=\"data\"" per value; CR LF line ends.

// The REGEDIT4 name of a root ("HKEY_CURRENT_USER", ...).
QString regRootName(RegRoot root);

// Doubles every backslash and puts a backslash before every double quote. Line breaks inside a
// text become "\n" and "\r", as the import reads them, so that they cannot split a value line.
QString escapeRegText(const QString& text);

// The data text of a value: strings escaped (up to their first NUL); a 32-bit integer in signed
// decimal; binary data as two upper-case hex digits and a blank per byte; anything else empty.
QString regDataText(const RegValue& value);

// Appends the lines of one key tree, depth first, each key's values before its subkeys, in the
// store's enumeration order. A key that does not exist contributes only its key line.
void exportTree(const RegistryStore& store, RegRoot root, const QString& path, QStringList& lines);

// The file's bytes: the lines joined with CR LF (after the last too), UTF-8.
QByteArray regFileBytes(const QStringList& lines);

} // namespace vx
