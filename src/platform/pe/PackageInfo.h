#pragma once

#include "platform/pe/PeImports.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <vector>

namespace vx {

// Who compiled a package (bits 26-27 of its flags).
enum class PackageProducer { BeforeVersion4 = 0, Undefined = 1, CppBuilder = 2, Delphi = 3 };
// What kind of module the flags say the file is (bits 30-31).
enum class PackageModuleType { Exe = 0, PackageDll = 1, LibraryDll = 2, Undefined = 3 };

// A unit a package contains, with what its flag byte says.
struct PackageUnit
{
    QString name;
    quint8 flags = 0;          // the byte as stored
    bool mainUnit = false;     // bit 0
    bool packageUnit = false;  // bit 1: the package's own unit, from its source
    bool weakPackaged = false; // bit 2: may stand in several packages without a conflict
    bool originalWeak = false; // bit 3: the package a weak packaged unit was compiled in
    bool implicit = false;     // bit 4: pulled in without being listed among the contained units

    bool operator==(const PackageUnit&) const = default;
};

// What a package (.bpl) says about itself in its PACKAGEINFO and DESCRIPTION resources.
struct PackageInfo
{
    bool ok = false; // false: no PACKAGEINFO could be read; see `error`
    QString error;   // why (no file name: the caller adds it)

    quint32 flags = 0; // the flags as stored
    bool neverBuild = false;
    bool designOnly = false;
    bool runOnly = false;
    bool duplicateCheckOff = false; // bit 3: its units are not checked against loaded packages
    PackageProducer producer = PackageProducer::BeforeVersion4;
    PackageModuleType moduleType = PackageModuleType::Exe;
    QStringList requiredPackages; // as written, without extension ("rtl", "vcl")
    std::vector<PackageUnit> containedUnits;
    // The DESCRIPTION text; a package may have none.
    bool hasDescription = false;
    QString description;
};

// Names of the enums' values as the program prints them ("Delphi", "package DLL").
QString producerName(PackageProducer producer);
QString moduleTypeName(PackageModuleType type);

// Parses a 32-bit (PE32, i386) image held in memory; only its headers and resources are looked at.
// Every offset is bounds-checked: a truncated or hostile file gives ok == false with a reason,
// never a crash, and every loop is bounded by the resource's size. Names are read in the ANSI
// code page (ansiCodePage()), the description as UTF-16LE up to its NUL.
PackageInfo parsePackageInfo(QByteArrayView image);
// Reads the file at a host path through a memory map (at most its first 64 MiB) and parses it.
PackageInfo readPackageInfo(const QString& hostPath);

// What a package file says of what it loads: its import table and its package information, read
// through one map of the file.
struct PackageFile
{
    PeImports imports;
    PackageInfo info;
};
PackageFile readPackageFile(const QString& hostPath);

} // namespace vx
