#pragma once

#include <QByteArrayView>
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
    bool ok = false; // false: not a PE file, or the import table is malformed; see `error`
    QString error;   // why the imports could not be read (no file name: the caller adds it)
    QStringList modules;
    // What the headers say, known whenever they could be read, also when the table cannot be.
    bool headersRead = false;
    quint16 machine = 0;   // the file header's Machine field
    bool pe32Plus = false; // a PE32+ (64-bit) optional header

    static constexpr quint16 kMachineI386 = 0x14C;
    // An image a 32-bit x86 process such as the IDE can load: Machine i386 and a PE32 header.
    bool isX86Image() const { return headersRead && machine == kMachineI386 && !pe32Plus; }
};

// Parses a 32-bit (PE32) or 64-bit (PE32+) image held in memory. Every offset is bounds-checked:
// a truncated file, descriptors or names outside the file, a table that never ends give ok ==
// false with a reason, never a crash. A file without an import table has ok and no modules.
PeImports parsePeImports(QByteArrayView image);
// Reads the file at a host path through a memory map (at most its first 64 MiB) and parses it.
PeImports readPeImports(const QString& hostPath);

} // namespace vx
