#pragma once

#include "platform/FileOps.h"

#include <QByteArrayView>
#include <QString>
#include <optional>
#include <utility>

namespace vx {

// How a profile file is stored on disk. Windows reads all of these; a file keeps its form when
// written back, except that a legacy file becomes UTF-8 when a written character does not fit its
// code page.
enum class IniEncoding {
    Utf8,     // no byte-order mark (also a new file, and an ASCII-only one)
    Utf8Bom,  // EF BB BF first
    Utf16LE,  // FF FE first: what a Windows editor saves as "Unicode"
    Utf16BE,  // FE FF first
    CodePage, // not valid UTF-8: a legacy file in the prefix's ANSI code page
};
struct IniFileEncoding
{
    IniEncoding kind = IniEncoding::Utf8;
    int codePage = 0; // the code page of a CodePage file; 0 for the others
    bool operator==(const IniFileEncoding&) const = default;
};
// "UTF-8", "UTF-8 with BOM", "UTF-16 LE", "UTF-16 BE", "code page 936".
QString encodingName(const IniFileEncoding& encoding);

namespace ini {

// The form of a file's bytes: a byte-order mark, else UTF-8 when valid, else the code page.
IniFileEncoding encodingOf(QByteArrayView bytes);
// The stamp and form of the file at `path` now, read in pieces without keeping its bytes; nullopt
// when it exists but cannot be read. A missing file (or an empty path) has the form of an empty one.
std::optional<std::pair<FileStamp, IniFileEncoding>> fileForm(const QString& path);

// UTF-8 as text, a leading U+FEFF included: QString::fromUtf8 would take it for a byte-order mark
// and drop it, but inside a file it is text (a value, or the file's first line after its mark).
QString utf8Text(QByteArrayView bytes);
bool isAscii(QByteArrayView bytes);

} // namespace ini

} // namespace vx
