#pragma once

#include "platform/CodePage.h"
#include "platform/registry/RegistryStore.h"

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

// The header of the Unicode form of a registry file, which is UTF-16LE with a byte-order mark.
inline constexpr char16_t kRegUnicodeHeader[] = u"Windows Registry Editor Version 5.00";

// The file's bytes: the lines joined with CR LF (after the last too). Registry editors read a
// REGEDIT4 file in the system's ANSI code page, so the text is written in `codePage` when every
// character fits; when one does not, a first line "REGEDIT4" becomes the Unicode header and the
// file is UTF-16LE with its byte-order mark, which they read without loss.
QByteArray regFileBytes(const QStringList& lines, int codePage = ansiCodePage());

} // namespace vx
