#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vx {

// The modules a PE file loads through its import table: the names in its import descriptors, as
// written in the file (usually "rtl70.bpl", "KERNEL32.dll"), each once (ASCII case ignored), in
// the order of the table. As in Wine's loader, the table ends at the first descriptor whose Name
// or FirstThunk is 0. Only the module names are read, never the imported functions, so
// forwarder chains and name tables cannot make the reader loop.
struct PeImports
{
    bool ok = false;   // false: not a PE file, or the import table is malformed; see `error`
    QString error;     // why the imports could not be read (no file name: the caller adds it)
    QStringList modules;
};

// Parses a 32-bit (PE32) or 64-bit (PE32+) image held in memory. Every offset is bounds-checked:
// a truncated file, descriptors or names outside the file, a table that never ends give ok ==
// false with a reason, never a crash. A file without an import table has ok and no modules.
PeImports parsePeImports(const QByteArray& image);
// Reads the file at a host path (at most 64 MiB) and parses it.
PeImports readPeImports(const QString& hostPath);

} // namespace vx
