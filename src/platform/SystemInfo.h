#pragma once

#include <QString>

namespace vx {

// The operating-system line of the About page: "%s %d.%d(Build %d) %s, %d CPU of %d" with the
// kernel's name, its major and minor version and the patch level as the build, the
// distribution's PRETTY_NAME in place of the service pack, the processor count and the processor
// type code in Windows' numbering (586 for 32-bit x86, 8664 for x86-64).
QString operatingSystemReport();

struct OsFacts
{
    QString system;  // "Linux"
    QString release; // "6.1.0-18-amd64"
    QString pretty;  // "Debian GNU/Linux 12 (bookworm)"
    QString machine; // "x86_64"
    int cpus = 1;
};
OsFacts currentOsFacts();
QString formatOperatingSystemReport(const OsFacts& facts);

// "Memory Available %.0nKB/%.0nKB": available and total physical memory in KiB with the locale's
// thousands separators. From /proc/meminfo when given (tests pass their own text).
QString memoryReport();
QString formatMemoryReport(qint64 availableKiB, qint64 totalKiB);
bool parseMemInfo(const QByteArray& meminfo, qint64* availableKiB, qint64* totalKiB);

} // namespace vx
