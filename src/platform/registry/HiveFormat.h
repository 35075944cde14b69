#pragma once

// The text forms of Wine's hive files, shared by the reader and the writer: the header line, the
// C locale's character classes, escaped strings, hex numbers and UTF-16LE data.

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringView>

namespace vx::hive {

inline constexpr char kHeader[] = "WINE REGISTRY Version 2";
// 100 ns ticks between 1601-01-01 and 1970-01-01.
inline constexpr qint64 kTicks1601To1970 = 116444736000000000LL;

// The C locale's isspace/isxdigit, independent of the process locale.
inline bool isSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

inline bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

inline unsigned hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return unsigned(c - '0');
    if (c >= 'a' && c <= 'f')
        return unsigned(c - 'a' + 10);
    return unsigned(c - 'A' + 10);
}

inline const char* skipSpace(const char* p, const char* end)
{
    while (p < end && isSpace(*p))
        ++p;
    return p;
}

// A UTF-16 unit lowercased the way Wine compares key and value names.
inline char16_t lowerUnit(char16_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c;
    return QChar(c).toLower().unicode();
}

// strtoul(p, &end, 16) as glibc does it on a 64-bit system: blanks, a sign, an optional "0x",
// saturation at ULONG_MAX. `*stop` is `p` when no digit was read.
quint64 parseUnsignedHex(const char* p, const char* end, const char** stop);
// Reads an escaped string up to `endchar` the way Wine's loader does; `p` ends up after the
// delimiter. False when the line ends first.
bool parseEscaped(const char*& p, const char* end, char endchar, QString& out);
// A comma-separated list of hex bytes; false on a number above 0xff.
bool parseHexBytes(const char*& p, const char* end, QByteArray& out);

QByteArray toUtf16Le(QStringView s);
QString fromUtf16Le(const char* d, qsizetype units);

// `v` in lowercase hex, with leading zeros up to `minDigits`.
void appendHex(QByteArray& out, quint64 v, int minDigits);
// Wine's escaping: pure ASCII, `\x` for everything above 127 (four digits when a hex digit
// follows), C escapes or octal below 32, a backslash before '\' and the two quote characters.
// Returns the number of bytes written.
qsizetype appendEscaped(QByteArray& out, QStringView s, char16_t q1, char16_t q2);

} // namespace vx::hive
