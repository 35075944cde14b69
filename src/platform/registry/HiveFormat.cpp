#include "platform/registry/HiveFormat.h"

#include <QtEndian>
#include <limits>

namespace vx::hive {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// Length of the UTF-8 sequence at p when it is well formed (surrogates allowed, as Wine's
// loader allows them), 0 otherwise.
int utf8Sequence(const unsigned char* p, const unsigned char* end, char32_t* cp)
{
    const unsigned char c = p[0];
    int len = 0;
    char32_t value = 0;
    unsigned char lo = 0x80, hi = 0xbf;
    if (c >= 0xc2 && c <= 0xdf) {
        len = 2;
        value = c & 0x1f;
    } else if (c >= 0xe0 && c <= 0xef) {
        len = 3;
        value = c & 0x0f;
        if (c == 0xe0)
            lo = 0xa0;
    } else if (c >= 0xf0 && c <= 0xf4) {
        len = 4;
        value = c & 0x07;
        if (c == 0xf0)
            lo = 0x90;
        if (c == 0xf4)
            hi = 0x8f;
    } else {
        return 0;
    }
    if (end - p < len)
        return 0;
    for (int i = 1; i < len; ++i) {
        const unsigned char cc = p[i];
        if (cc < (i == 1 ? lo : 0x80) || cc > (i == 1 ? hi : 0xbf))
            return 0;
        value = (value << 6) | (cc & 0x3f);
    }
    *cp = value;
    return len;
}

void appendOctal(QByteArray& out, unsigned v, int minDigits)
{
    char buf[8];
    int n = 0;
    do {
        buf[n++] = char('0' + (v & 7));
        v >>= 3;
    } while (v);
    while (n < minDigits)
        buf[n++] = '0';
    while (n)
        out += buf[--n];
}

} // namespace

quint64 parseUnsignedHex(const char* p, const char* end, const char** stop)
{
    const char* const start = p;
    p = skipSpace(p, end);
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (end - p >= 3 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && isHex(p[2]))
        p += 2;
    if (p == end || !isHex(*p)) {
        *stop = start;
        return 0;
    }
    quint64 value = 0;
    bool overflow = false;
    for (; p < end && isHex(*p); ++p) {
        if (value > (std::numeric_limits<quint64>::max() >> 4))
            overflow = true;
        value = (value << 4) | hexValue(*p);
    }
    *stop = p;
    if (overflow)
        return std::numeric_limits<quint64>::max();
    return negative ? quint64(0) - value : value;
}

bool parseEscaped(const char*& p, const char* end, char endchar, QString& out)
{
    out.resize(0);
    while (p < end && *p != endchar) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == '\\') {
            if (++p == end)
                return false;
            const char e = *p;
            switch (e) {
            case 'a':
                out += QChar(7);
                ++p;
                break;
            case 'b':
                out += QChar(8);
                ++p;
                break;
            case 'e':
                out += QChar(27);
                ++p;
                break;
            case 'f':
                out += QChar(12);
                ++p;
                break;
            case 'n':
                out += QChar(10);
                ++p;
                break;
            case 'r':
                out += QChar(13);
                ++p;
                break;
            case 't':
                out += QChar(9);
                ++p;
                break;
            case 'v':
                out += QChar(11);
                ++p;
                break;
            case 'x':
                ++p;
                if (p == end || !isHex(*p)) {
                    out += u'x';
                } else {
                    unsigned v = 0;
                    for (int i = 0; i < 4 && p < end && isHex(*p); ++i)
                        v = v * 16 + hexValue(*p++);
                    out += QChar(char16_t(v));
                }
                break;
            case '0':
            case '1':
            case '2':
            case '3':
            case '4':
            case '5':
            case '6':
            case '7': {
                unsigned v = unsigned(*p++ - '0');
                for (int i = 0; i < 2 && p < end && *p >= '0' && *p <= '7'; ++i)
                    v = v * 8 + unsigned(*p++ - '0');
                out += QChar(char16_t(v));
                break;
            }
            default:
                out += QChar(char16_t(static_cast<unsigned char>(e)));
                ++p;
                break;
            }
        } else if (c < 0x80) {
            out += QChar(char16_t(c));
            ++p;
        } else {
            char32_t cp = 0;
            const int len = utf8Sequence(reinterpret_cast<const unsigned char*>(p),
                                         reinterpret_cast<const unsigned char*>(end), &cp);
            if (len == 0) { // Wine drops bytes that are not well-formed UTF-8
                ++p;
                continue;
            }
            p += len;
            if (cp > 0xffff) {
                out += QChar(QChar::highSurrogate(cp));
                out += QChar(QChar::lowSurrogate(cp));
            } else {
                out += QChar(char16_t(cp));
            }
        }
    }
    if (p == end)
        return false;
    ++p;
    return true;
}

bool parseHexBytes(const char*& p, const char* end, QByteArray& out)
{
    while (p < end && isHex(*p)) {
        const char* stop = nullptr;
        const auto v = static_cast<quint32>(parseUnsignedHex(p, end, &stop));
        if (stop == p || v > 0xff)
            return false;
        out.append(char(v));
        p = skipSpace(stop, end);
        if (p < end && *p == ',')
            ++p;
        p = skipSpace(p, end);
    }
    return true;
}

QByteArray toUtf16Le(QStringView s)
{
    QByteArray out(s.size() * 2, Qt::Uninitialized);
    char* d = out.data();
    for (qsizetype i = 0; i < s.size(); ++i)
        qToLittleEndian<quint16>(s[i].unicode(), d + 2 * i);
    return out;
}

QString fromUtf16Le(const char* d, qsizetype units)
{
    QString out(units, Qt::Uninitialized);
    QChar* o = out.data();
    for (qsizetype i = 0; i < units; ++i)
        o[i] = QChar(qFromLittleEndian<quint16>(d + 2 * i));
    return out;
}

void appendHex(QByteArray& out, quint64 v, int minDigits)
{
    char buf[16];
    int n = 0;
    do {
        buf[n++] = kHexDigits[v & 0xf];
        v >>= 4;
    } while (v);
    while (n < minDigits)
        buf[n++] = '0';
    while (n)
        out += buf[--n];
}

qsizetype appendEscaped(QByteArray& out, QStringView s, char16_t q1, char16_t q2)
{
    static constexpr char kEscapes[33] = ".......abtnvfr.............e....";
    const qsizetype before = out.size();
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        const bool hasNext = i + 1 < s.size();
        const char16_t next = hasNext ? s[i + 1].unicode() : 0;
        if (c > 127) {
            out += "\\x";
            appendHex(out, c, (hasNext && next < 128 && isHex(char(next))) ? 4 : 1);
        } else if (c < 32) {
            out += '\\';
            if (kEscapes[c] != '.')
                out += kEscapes[c];
            else
                appendOctal(out, c, (hasNext && next >= '0' && next <= '7') ? 3 : 1);
        } else {
            if (c == u'\\' || c == q1 || c == q2)
                out += '\\';
            out += char(c);
        }
    }
    return out.size() - before;
}

} // namespace vx::hive
