#include "platform/registry/WineHive.h"

#include "platform/AsciiCase.h"
#include "platform/Clock.h"
#include "platform/Errors.h"

#include <QtEndian>
#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

using namespace Qt::StringLiterals;

namespace vx {

namespace {

constexpr char kHeader[] = "WINE REGISTRY Version 2";
// 100 ns ticks between 1601-01-01 and 1970-01-01.
constexpr qint64 kTicks1601To1970 = 116444736000000000LL;

// ---------------------------------------------------------------- characters

// The C locale's isspace/isxdigit, independent of the process locale.
bool isSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

unsigned hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return unsigned(c - '0');
    if (c >= 'a' && c <= 'f')
        return unsigned(c - 'a' + 10);
    return unsigned(c - 'A' + 10);
}

const char* skipSpace(const char* p, const char* end)
{
    while (p < end && isSpace(*p))
        ++p;
    return p;
}

char16_t lowerUnit(char16_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c;
    return QChar(c).toLower().unicode();
}

// strtoul(p, &end, 16) as glibc does it on a 64-bit system: blanks, a sign, an optional "0x",
// saturation at ULONG_MAX. `*stop` is `p` when no digit was read.
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

// Reads an escaped string up to `endchar` the way Wine's loader does; `p` ends up after the
// delimiter. False when the line ends first.
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
            case 'a': out += QChar(7); ++p; break;
            case 'b': out += QChar(8); ++p; break;
            case 'e': out += QChar(27); ++p; break;
            case 'f': out += QChar(12); ++p; break;
            case 'n': out += QChar(10); ++p; break;
            case 'r': out += QChar(13); ++p; break;
            case 't': out += QChar(9); ++p; break;
            case 'v': out += QChar(11); ++p; break;
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
            case '0': case '1': case '2': case '3': case '4': case '5': case '6': case '7': {
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

// A comma-separated list of hex bytes; false on a number above 0xff.
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

// ---------------------------------------------------------------- writing

constexpr char kHexDigits[] = "0123456789abcdef";

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

// Wine's escaping: pure ASCII, `\x` for everything above 127 (four digits when a hex digit
// follows), C escapes or octal below 32, a backslash before '\' and the two quote characters.
// Returns the number of bytes written.
qsizetype appendEscaped(QByteArray& out, QStringView s, char q1, char q2)
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
            if (c == '\\' || c == q1 || c == q2)
                out += '\\';
            out += char(c);
        }
    }
    return out.size() - before;
}

} // namespace

// ---------------------------------------------------------------- RegValue

RegValue RegValue::string(const QString& name, const QString& text, quint32 type)
{
    return {name, type, toUtf16Le(text) + QByteArray(2, '\0')};
}

RegValue RegValue::dword(const QString& name, quint32 number)
{
    QByteArray d(4, Qt::Uninitialized);
    qToLittleEndian<quint32>(number, d.data());
    return {name, REG_DWORD, d};
}

RegValue RegValue::multiString(const QString& name, const QStringList& items)
{
    QByteArray d;
    for (const QString& item : items)
        d += toUtf16Le(item) + QByteArray(2, '\0');
    d += QByteArray(2, '\0');
    return {name, REG_MULTI_SZ, d};
}

QString RegValue::text() const
{
    QString s = fromUtf16Le(data.constData(), data.size() / 2);
    const qsizetype nul = s.indexOf(QChar(0));
    if (nul >= 0)
        s.truncate(nul);
    return s;
}

std::optional<quint32> RegValue::number() const
{
    if (data.size() != 4)
        return std::nullopt;
    return qFromLittleEndian<quint32>(data.constData());
}

// ---------------------------------------------------------------- reading

namespace {

// Wine's line reader: a line ends with LF, one CR before it is dropped. A NUL byte ends what the
// reader sees of a physical line, and the next physical line is then appended to the same line.
class LineReader
{
public:
    explicit LineReader(const QByteArray& bytes) : m_data(bytes.constData()), m_size(bytes.size()) {}

    struct Line
    {
        qsizetype start = 0;
        qsizetype end = 0;
        QByteArray text;
    };

    // False at the end of the file; bytes consumed without giving a line are then in `line`'s span.
    bool next(Line& line)
    {
        line.start = m_pos;
        line.text.resize(0);
        while (m_pos < m_size) {
            const char* s = m_data + m_pos;
            const auto* nl = static_cast<const char*>(std::memchr(s, '\n', size_t(m_size - m_pos)));
            const qsizetype physEnd = nl ? (nl - m_data) + 1 : m_size;
            const auto* nul = static_cast<const char*>(std::memchr(s, '\0', size_t(physEnd - m_pos)));
            if (nul) {
                line.text.append(s, nul - s);
                m_pos = physEnd;
                continue;
            }
            if (nl) {
                line.text.append(s, nl - s);
                if (line.text.endsWith('\r'))
                    line.text.chop(1);
                m_pos = physEnd;
                line.end = m_pos;
                return true;
            }
            line.text.append(s, m_size - m_pos);
            m_pos = m_size;
        }
        // The file ended inside a line.
        line.end = m_pos;
        if (line.end > line.start) {
            m_openTailPos = line.start;
            m_openTailText = line.text;
        }
        return !line.text.isEmpty();
    }

    qsizetype openTailPos() const { return m_openTailPos; }
    const QByteArray& openTailText() const { return m_openTailText; }

private:
    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    qsizetype m_openTailPos = -1;
    QByteArray m_openTailText;
};

} // namespace

class WineHive::Loader
{
public:
    Loader(WineHive& hive, const QString& fileName)
        : m_hive(hive), m_fileName(fileName), m_reader(hive.m_source)
    {
    }

    void run()
    {
        if (!m_reader.next(m_line) || m_line.text != kHeader)
            throw OperationError(u"%1 is not a Wine registry file: its first line is not \"%2\". It was left unchanged."_s
                                     .arg(m_fileName, QLatin1StringView(kHeader)));
        m_hive.m_chunks.push_back({0, 0, kNoKey});
        qsizetype blankStart = -1, blankEnd = -1;
        auto flushBlanks = [&] {
            if (blankStart >= 0 && m_key != kNoKey)
                addItem(ItemKind::Other, -1, blankStart, blankEnd);
            blankStart = -1;
        };
        while (m_reader.next(m_line)) {
            const char* end = m_line.text.constData() + m_line.text.size();
            const char* p = skipSpace(m_line.text.constData(), end);
            if (p == end) {
                if (blankStart < 0)
                    blankStart = m_line.start;
                blankEnd = m_line.end;
                continue;
            }
            if (*p == '[') {
                const qsizetype start = blankStart >= 0 ? blankStart : m_line.start;
                blankStart = -1;
                startSection(start, p + 1, end);
                continue;
            }
            flushBlanks();
            if (m_key == kNoKey) {
                if (*p == '#')
                    globalOption(p, end);
                continue;
            }
            switch (*p) {
            case '@':
            case '"':
                loadValue(p, end);
                break;
            case '#':
                if (end - p >= 6 && std::strncmp(p, "#time=", 6) == 0) {
                    addItem(ItemKind::Time, -1, m_line.start, m_line.end);
                } else {
                    if (end - p >= 5 && std::strncmp(p, "#link", 5) == 0)
                        m_hive.m_nodes[size_t(m_key)].link = true;
                    addItem(ItemKind::Option, -1, m_line.start, m_line.end);
                }
                break;
            default: // comments and lines Wine does not understand
                addItem(ItemKind::Other, -1, m_line.start, m_line.end);
                break;
            }
        }
        flushBlanks();
        Chunk& last = m_hive.m_chunks.back();
        last.len = m_hive.m_source.size() - last.pos;
        m_hive.m_openTailPos = m_reader.openTailPos();
        m_hive.m_openTailText = m_reader.openTailText();
    }

private:
    void addItem(ItemKind kind, int value, qsizetype start, qsizetype end)
    {
        m_hive.m_nodes[size_t(m_key)].items.push_back({kind, value, start, end - start});
    }

    void globalOption(const char* p, const char* end)
    {
        if (end - p < 6 || std::strncmp(p, "#arch=", 6) != 0)
            return;
        const QByteArrayView name(p + 6, end - (p + 6));
        Arch arch = Arch::Unspecified;
        if (name == "win32")
            arch = Arch::Win32;
        else if (name == "win64")
            arch = Arch::Win64;
        else
            throw OperationError(u"%1 names an unknown architecture (%2); Wine does not read such a file. It was left unchanged."_s
                                     .arg(m_fileName, QString::fromLatin1(name)));
        if (m_hive.m_arch != Arch::Unspecified && m_hive.m_arch != arch)
            throw OperationError(u"%1 names two different architectures; Wine does not read such a file. It was left unchanged."_s
                                     .arg(m_fileName));
        m_hive.m_arch = arch;
    }

    void startSection(qsizetype start, const char* p, const char* end)
    {
        Chunk& previous = m_hive.m_chunks.back();
        previous.len = start - previous.pos;
        m_key = loadKey(p, end);
        const int index = int(m_hive.m_chunks.size());
        m_hive.m_chunks.push_back({start, 0, m_key});
        if (m_key != kNoKey)
            m_hive.m_nodes[size_t(m_key)].chunks.push_back(index);
    }

    KeyId loadKey(const char* p, const char* end)
    {
        if (!parseEscaped(p, end, ']', m_text))
            return kNoKey;
        if (m_text.isEmpty())
            return root();
        if (m_text.front() == u'\\') // Wine refuses a path that starts with a separator
            return kNoKey;
        KeyId key = root();
        const QStringView path(m_text);
        qsizetype i = 0;
        while (i < path.size()) {
            qsizetype j = path.indexOf(u'\\', i);
            if (j < 0)
                j = path.size();
            if (j > i) {
                const QStringView name = path.mid(i, j - i);
                const KeyId child = m_hive.findSubKey(key, name);
                key = child != kNoKey ? child : m_hive.addNode(key, name);
            }
            i = j + 1;
        }
        return key;
    }

    void loadValue(const char* p, const char* end)
    {
        const qsizetype start = m_line.start;
        QString name;
        const char* q = p + 1;
        if (*p == '"' && !parseEscaped(q, end, '"', name)) {
            addItem(ItemKind::Other, -1, start, m_line.end); // a name Wine cannot read: line ignored
            return;
        }
        q = skipSpace(q, end);
        if (q == end || *q != '=') {
            addItem(ItemKind::Other, -1, start, m_line.end);
            return;
        }
        q = skipSpace(q + 1, end);

        int index = m_hive.findValue(m_key, name);
        const bool repeated = index >= 0;
        if (!repeated) {
            index = m_hive.addValue(m_key, RegValue{name, REG_NONE, {}});
        }

        quint32 type = REG_NONE;
        QByteArray data;
        bool openEnd = false;
        const bool ok = parseData(q, end, &type, &data, &openEnd);
        ValueRec& rec = m_hive.m_values[size_t(index)];
        rec.type = ok ? type : REG_NONE;
        rec.data = ok ? data : QByteArray();
        rec.openEnd = openEnd;
        if (repeated) {
            // The later line wins, at the place of the first one.
            rec.pos = -1;
            addItem(ItemKind::Dropped, -1, start, m_line.end);
        } else {
            rec.pos = start;
            rec.len = m_line.end - start;
            rec.placed = true;
            addItem(ItemKind::Value, index, start, m_line.end);
        }
    }

    // The data part of a value line; continuation lines are read from the file as needed.
    bool parseData(const char* p, const char* end, quint32* type, QByteArray* data, bool* openEnd)
    {
        enum { Text, Number, Bytes } parseAs;
        auto startsWith = [&](const char* tag) {
            const auto n = qsizetype(std::strlen(tag));
            return end - p >= n && std::memcmp(p, tag, size_t(n)) == 0;
        };
        if (startsWith("\"")) {
            *type = REG_SZ, parseAs = Text, p += 1;
        } else if (startsWith("str:\"")) {
            *type = REG_SZ, parseAs = Text, p += 5;
        } else if (startsWith("str(2):\"")) {
            *type = REG_EXPAND_SZ, parseAs = Text, p += 8;
        } else if (startsWith("str(7):\"")) {
            *type = REG_MULTI_SZ, parseAs = Text, p += 8;
        } else if (startsWith("hex:")) {
            *type = REG_BINARY, parseAs = Bytes, p += 4;
        } else if (startsWith("dword:")) {
            *type = REG_DWORD, parseAs = Number, p += 6;
        } else if (startsWith("hex(")) {
            const char* stop = nullptr;
            *type = static_cast<quint32>(parseUnsignedHex(p + 4, end, &stop));
            if (end - stop < 2 || stop[0] != ')' || stop[1] != ':')
                return false;
            parseAs = Bytes, p = stop + 2;
        } else {
            return false;
        }

        switch (parseAs) {
        case Text:
            if (!parseEscaped(p, end, '"', m_text))
                return false;
            *data = toUtf16Le(m_text) + QByteArray(2, '\0');
            return true;
        case Number: {
            const char* stop = nullptr;
            *data = RegValue::dword({}, static_cast<quint32>(parseUnsignedHex(p, end, &stop))).data;
            return true;
        }
        case Bytes:
            for (;;) {
                if (!parseHexBytes(p, end, *data))
                    return false;
                p = skipSpace(p, end);
                if (p == end)
                    return true;
                if (*p != '\\')
                    return false;
                if (!m_reader.next(m_line)) {
                    *openEnd = true;
                    return false;
                }
                end = m_line.text.constData() + m_line.text.size();
                p = skipSpace(m_line.text.constData(), end);
            }
        }
        return false;
    }

    WineHive& m_hive;
    const QString& m_fileName;
    LineReader m_reader;
    LineReader::Line m_line;
    KeyId m_key = kNoKey;
    QString m_text;
};

// ---------------------------------------------------------------- writing

class WineHive::Writer
{
public:
    Writer(const WineHive& hive, SaveMode mode)
        : m_hive(hive), m_mode(mode), m_nowMs(Clock::current().nowMSecsSinceEpoch())
    {
    }

    QByteArray run()
    {
        const auto& nodes = m_hive.m_nodes;
        const int chunkCount = int(m_hive.m_chunks.size());
        constexpr int kEnd = INT_MAX;

        // Live keys, depth first, a key before its subkeys.
        std::vector<KeyId> order;
        order.reserve(nodes.size());
        std::vector<KeyId> stack{root()};
        while (!stack.empty()) {
            const KeyId k = stack.back();
            stack.pop_back();
            order.push_back(k);
            m_hive.sortNames(k);
            const auto& children = nodes[size_t(k)].children;
            for (auto it = children.rbegin(); it != children.rend(); ++it)
                stack.push_back(*it);
        }

        // The first section of the file found in each subtree.
        std::vector<int> firstInTree(nodes.size(), kEnd);
        for (auto it = order.rbegin(); it != order.rend(); ++it) {
            const Node& n = nodes[size_t(*it)];
            int first = n.chunks.empty() ? kEnd : n.chunks.front();
            for (const KeyId c : n.children)
                first = std::min(first, firstInTree[size_t(c)]);
            firstInTree[size_t(*it)] = first;
        }

        // Keys without a section of their own that need one go before the first section that
        // follows them in depth-first order.
        std::vector<int> following(nodes.size(), kEnd);
        std::vector<std::pair<int, KeyId>> pending;
        m_rewrite.assign(nodes.size(), false);
        for (const KeyId k : order) {
            const Node& n = nodes[size_t(k)];
            int next = following[size_t(k)];
            for (auto it = n.children.rbegin(); it != n.children.rend(); ++it) {
                following[size_t(*it)] = next;
                if (firstInTree[size_t(*it)] != kEnd)
                    next = firstInTree[size_t(*it)];
            }
            if (n.chunks.empty()) {
                if (!n.values.empty() || n.children.empty())
                    pending.emplace_back(firstInTree[size_t(k)] != kEnd ? firstInTree[size_t(k)] : following[size_t(k)], k);
            } else {
                m_rewrite[size_t(k)] = n.changed || m_mode == SaveMode::RewriteAll;
            }
        }
        std::stable_sort(pending.begin(), pending.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });

        // A value whose continuation ran into the end of the file would swallow what is written
        // after it: its key is then written anew.
        if (!pending.empty() && pending.back().first == kEnd && chunkCount > 0) {
            const KeyId lastKey = m_hive.m_chunks.back().key;
            if (lastKey != kNoKey && nodes[size_t(lastKey)].alive) {
                for (const Item& item : nodes[size_t(lastKey)].items)
                    if (item.kind == ItemKind::Value && m_hive.m_values[size_t(item.value)].openEnd)
                        m_rewrite[size_t(lastKey)] = true;
            }
        }

        m_out.reserve(m_hive.m_source.size() + 4096);
        size_t next = 0;
        for (int ci = 0; ci < chunkCount; ++ci) {
            while (next < pending.size() && pending[next].first <= ci)
                writeSection(pending[next++].second);
            const Chunk& c = m_hive.m_chunks[size_t(ci)];
            if (c.key == kNoKey) {
                emitRaw(c.pos, c.len);
                continue;
            }
            const Node& n = nodes[size_t(c.key)];
            if (!n.alive)
                continue;
            if (!m_rewrite[size_t(c.key)])
                emitRaw(c.pos, c.len);
            else if (n.chunks.front() == ci)
                writeSection(c.key);
        }
        while (next < pending.size())
            writeSection(pending[next++].second);

        // The file's last line ended without a line feed: when something follows it now, it is
        // written as the line Wine read, so that it does not run into the next one.
        if (m_tailAt >= 0 && m_tailAt + m_tailLen < m_out.size()) {
            QByteArray fixed = m_hive.m_openTailText;
            fixed += fixed.endsWith('\r') ? "\r\n" : "\n";
            m_out.replace(m_tailAt, m_tailLen, fixed);
        }
        return m_out;
    }

private:
    void emitRaw(qsizetype pos, qsizetype len)
    {
        if (len <= 0)
            return;
        ensureLineStart();
        const qsizetype tail = m_hive.m_openTailPos;
        if (tail >= 0 && pos <= tail && pos + len == m_hive.m_source.size()) {
            m_tailAt = m_out.size() + (tail - pos);
            m_tailLen = m_hive.m_source.size() - tail;
        }
        m_out.append(m_hive.m_source.constData() + pos, len);
    }

    void ensureLineStart()
    {
        if (m_out.isEmpty() || m_out.endsWith('\n'))
            return;
        if (m_tailAt >= 0 && m_out.size() == m_tailAt + m_tailLen)
            return; // the tail is repaired at the end
        m_out += '\n';
    }

    void writeSection(KeyId k)
    {
        const Node& n = m_hive.m_nodes[size_t(k)];
        ensureLineStart();
        m_out += "\n[";
        writePath(k);
        const qint64 ms = n.changed ? n.modifiedMs : m_nowMs;
        const qint64 ticks = ms * 10000 + kTicks1601To1970;
        m_out += "] ";
        m_out += QByteArray::number(static_cast<quint32>(ms >= 0 ? ms / 1000 : 0));
        m_out += "\n#time=";
        appendHex(m_out, quint64(ticks) >> 32, 1);
        appendHex(m_out, quint64(ticks) & 0xffffffffu, 8);
        m_out += '\n';

        // New values (in Wine's order) go before the first line's value that sorts after them;
        // the rest after the last value or option line, before trailing comments and blanks.
        std::vector<int> added;
        for (const int v : n.values)
            if (!m_hive.m_values[size_t(v)].placed)
                added.push_back(v);
        size_t nextAdded = 0;
        size_t lastKept = 0;
        for (size_t i = 0; i < n.items.size(); ++i)
            if (n.items[i].kind != ItemKind::Other && n.items[i].kind != ItemKind::Dropped)
                lastKept = i + 1;
        for (size_t i = 0; i <= n.items.size(); ++i) {
            if (i == lastKept)
                while (nextAdded < added.size())
                    writeValue(m_hive.m_values[size_t(added[nextAdded++])]);
            if (i == n.items.size())
                break;
            const Item& item = n.items[i];
            switch (item.kind) {
            case ItemKind::Time:
            case ItemKind::Dropped:
                break;
            case ItemKind::Option:
            case ItemKind::Other:
                emitRaw(item.pos, item.len);
                break;
            case ItemKind::Value: {
                const ValueRec& v = m_hive.m_values[size_t(item.value)];
                while (nextAdded < added.size()
                       && compareNames(m_hive.m_values[size_t(added[nextAdded])].name, v.name) < 0)
                    writeValue(m_hive.m_values[size_t(added[nextAdded++])]);
                if (m_mode == SaveMode::KeepUntouched && v.pos >= 0 && !v.openEnd)
                    emitRaw(v.pos, v.len);
                else
                    writeValue(v);
                break;
            }
            }
        }
    }

    void writePath(KeyId k)
    {
        std::vector<KeyId> chain;
        for (KeyId i = k; i != root(); i = m_hive.m_nodes[size_t(i)].parent)
            chain.push_back(i);
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            if (it != chain.rbegin())
                m_out += "\\\\";
            appendEscaped(m_out, m_hive.m_nodes[size_t(*it)].name, '[', ']');
        }
    }

    void writeValue(const ValueRec& v)
    {
        ensureLineStart();
        qsizetype count = 0;
        if (v.name.isEmpty()) {
            m_out += "@=";
            count = 2;
        } else {
            m_out += '"';
            count = 1 + appendEscaped(m_out, v.name, '"', '"');
            m_out += "\"=";
            count += 2;
        }
        const qsizetype len = v.data.size();
        switch (v.type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
        case REG_MULTI_SZ:
            // Only a string with an even size that ends in a NUL is written as a string.
            if (len >= 2 && len % 2 == 0 && v.data[len - 1] == 0 && v.data[len - 2] == 0) {
                if (v.type != REG_SZ) {
                    m_out += "str(";
                    appendHex(m_out, v.type, 1);
                    m_out += "):";
                }
                m_out += '"';
                appendEscaped(m_out, fromUtf16Le(v.data.constData(), len / 2 - 1), '"', '"');
                m_out += "\"\n";
                return;
            }
            break;
        case REG_DWORD:
            if (len == 4) {
                m_out += "dword:";
                appendHex(m_out, qFromLittleEndian<quint32>(v.data.constData()), 8);
                m_out += '\n';
                return;
            }
            break;
        default:
            break;
        }
        const qsizetype before = m_out.size();
        if (v.type == REG_BINARY) {
            m_out += "hex:";
        } else {
            m_out += "hex(";
            appendHex(m_out, v.type, 1);
            m_out += "):";
        }
        count += m_out.size() - before;
        for (qsizetype i = 0; i < len; ++i) {
            appendHex(m_out, static_cast<unsigned char>(v.data[i]), 2);
            count += 2;
            if (i < len - 1) {
                m_out += ',';
                if (++count > 76) {
                    m_out += "\\\n  ";
                    count = 2;
                }
            }
        }
        m_out += '\n';
    }

    const WineHive& m_hive;
    SaveMode m_mode;
    qint64 m_nowMs;
    QByteArray m_out;
    std::vector<bool> m_rewrite;
    qsizetype m_tailAt = -1;
    qsizetype m_tailLen = 0;
};

// ---------------------------------------------------------------- WineHive

WineHive::WineHive()
{
    m_nodes.emplace_back();
}

WineHive WineHive::createNew(const QByteArray& relativeTo, Arch arch)
{
    QByteArray bytes = QByteArray(kHeader) + "\n;; All keys relative to " + relativeTo + '\n';
    if (arch != Arch::Unspecified)
        bytes += arch == Arch::Win64 ? "\n#arch=win64\n" : "\n#arch=win32\n";
    if (arch == Arch::Win64 && relativeTo == kMachineRelativeTo) {
        // Written as the writer writes a new key, then read like any file: the hive is
        // unmodified, and the section stays as it is unless the key changes.
        WineHive layout = parse(bytes, {});
        layout.createKey({u"Software"_s, u"Wow6432Node"_s});
        bytes = layout.save();
    }
    return parse(bytes, {});
}

WineHive WineHive::parse(const QByteArray& bytes, const QString& fileName)
{
    WineHive hive;
    hive.m_source = bytes;
    // Wine's own files hold about one key per three lines and one value per two.
    const qsizetype lines = bytes.count('\n');
    hive.m_nodes.reserve(size_t(lines / 3 + 1));
    hive.m_values.reserve(size_t(lines / 2 + 1));
    hive.m_chunks.reserve(size_t(lines / 3 + 1));
    Loader(hive, fileName).run();
    return hive;
}

QByteArray WineHive::save(SaveMode mode) const
{
    if (mode == SaveMode::KeepUntouched && !m_modified)
        return m_source;
    return Writer(*this, mode).run();
}

int WineHive::compareNames(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const int d = int(lowerUnit(a[i].unicode())) - int(lowerUnit(b[i].unicode()));
        if (d)
            return d;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

namespace {

// Sorts ids by name in Wine's order. The names are folded once into one buffer first: comparing
// those is a plain comparison of UTF-16 units (shorter first on a common start), and a large key
// is then sorted without chasing every name through memory at each comparison.
template <typename Id, typename NameOf>
void sortByName(std::vector<Id>& ids, NameOf nameOf)
{
    struct Entry
    {
        qsizetype at;
        qsizetype len;
        Id id;
    };
    std::vector<Entry> entries;
    entries.reserve(ids.size());
    std::u16string folded;
    for (const Id id : ids) {
        const QString& name = nameOf(id);
        entries.push_back({qsizetype(folded.size()), name.size(), id});
        for (const QChar c : name)
            folded += lowerUnit(c.unicode());
    }
    const std::u16string_view all(folded);
    std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        return all.substr(size_t(a.at), size_t(a.len)) < all.substr(size_t(b.at), size_t(b.len));
    });
    for (size_t i = 0; i < ids.size(); ++i)
        ids[i] = entries[i].id;
}

} // namespace

namespace {

// The folded name, four units per step (ASCII ones folded all at once), then mixed with the key
// (splitmix64's finalizer).
quint64 nameHash(int key, QStringView name)
{
    constexpr quint64 kMul = 0x9e3779b97f4a7c15ULL;
    quint64 h = quint64(name.size()) * kMul;
    auto step = [&h](const char16_t* units, qsizetype n) {
        quint64 w = 0;
        std::memcpy(&w, units, size_t(n) * sizeof(char16_t));
        if (w & 0xFF80FF80FF80FF80ULL) {
            char16_t folded[4] = {};
            for (qsizetype i = 0; i < n; ++i)
                folded[i] = lowerUnit(units[i]);
            std::memcpy(&w, folded, sizeof w);
        } else {
            w = foldAsciiLanes(w);
        }
        h = (h ^ w) * kMul;
        h ^= h >> 29;
    };
    const char16_t* p = name.utf16();
    qsizetype n = name.size();
    for (; n >= 4; n -= 4, p += 4)
        step(p, 4);
    if (n > 0)
        step(p, n);
    h ^= quint64(quint32(key)) * kMul;
    h ^= h >> 30;
    h *= 0xbf58476d1ce4e5b9ULL;
    h ^= h >> 27;
    h *= 0x94d049bb133111ebULL;
    return h ^ (h >> 31);
}

} // namespace

template <typename Matches>
int WineHive::NameTable::find(QStringView name, Matches matches) const
{
    if (m_slots.empty())
        return -1;
    const quint32 hash = quint32(nameHash(0, name));
    const size_t mask = m_slots.size() - 1;
    for (size_t s = hash & mask;; s = (s + 1) & mask) {
        const Slot& slot = m_slots[s];
        if (slot.id == kEmpty)
            return -1;
        if (slot.id >= 0 && slot.hash == hash && matches(slot.id))
            return slot.id;
    }
}

void WineHive::NameTable::place(quint32 hash, int id)
{
    const size_t mask = m_slots.size() - 1;
    size_t s = hash & mask;
    while (m_slots[s].id != kEmpty)
        s = (s + 1) & mask;
    m_slots[s] = {hash, id};
}

void WineHive::NameTable::insert(QStringView name, int id)
{
    // At most three quarters of the slots in use, removed ones counted: a lookup always meets
    // an empty slot soon. Growing drops the removed ones.
    if ((m_used + 1) * 4 > m_slots.size() * 3) {
        size_t capacity = 16;
        while (capacity * 3 < (m_live + 1) * 8)
            capacity *= 2;
        std::vector<Slot> old = std::exchange(m_slots, std::vector<Slot>(capacity, Slot{0, kEmpty}));
        for (const Slot& slot : old) {
            if (slot.id >= 0)
                place(slot.hash, slot.id);
        }
        m_used = m_live;
    }
    place(quint32(nameHash(0, name)), id);
    ++m_live;
    ++m_used;
}

void WineHive::NameTable::remove(QStringView name, int id)
{
    if (m_slots.empty())
        return;
    const quint32 hash = quint32(nameHash(0, name));
    const size_t mask = m_slots.size() - 1;
    for (size_t s = hash & mask; m_slots[s].id != kEmpty; s = (s + 1) & mask) {
        if (m_slots[s].id == id) {
            m_slots[s].id = kGone;
            --m_live;
            return;
        }
    }
}

void WineHive::sortNames(KeyId key) const
{
    const Node& n = m_nodes[size_t(key)];
    if (n.childrenUnsorted) {
        sortByName(n.children, [this](KeyId c) -> const QString& { return m_nodes[size_t(c)].name; });
        n.childrenUnsorted = false;
    }
    if (n.valuesUnsorted) {
        sortByName(n.values, [this](int v) -> const QString& { return m_values[size_t(v)].name; });
        n.valuesUnsorted = false;
    }
}

bool WineHive::isValid(KeyId key) const
{
    return key >= 0 && size_t(key) < m_nodes.size() && m_nodes[size_t(key)].alive;
}

WineHive::KeyId WineHive::findSubKey(KeyId parent, QStringView name) const
{
    if (!isValid(parent))
        return kNoKey;
    const Node& n = m_nodes[size_t(parent)];
    if (n.childrenHashed)
        return n.childIndex.find(name, [&](KeyId c) {
            const Node& child = m_nodes[size_t(c)];
            return child.parent == parent && child.alive && compareNames(child.name, name) == 0;
        });
    for (const KeyId c : n.children)
        if (compareNames(m_nodes[size_t(c)].name, name) == 0)
            return c;
    return kNoKey;
}

WineHive::KeyId WineHive::findKey(const QStringList& path, KeyId from) const
{
    KeyId key = isValid(from) ? from : kNoKey;
    for (const QString& name : path) {
        if (key == kNoKey)
            break;
        if (!name.isEmpty())
            key = findSubKey(key, name);
    }
    return key;
}

WineHive::KeyId WineHive::addNode(KeyId parent, QStringView name)
{
    const KeyId id = KeyId(m_nodes.size());
    Node node;
    node.name = name.toString();
    node.parent = parent;
    m_nodes.push_back(std::move(node));
    Node& p = m_nodes[size_t(parent)];
    if (!p.children.empty() && compareNames(m_nodes[size_t(p.children.back())].name, name) > 0)
        p.childrenUnsorted = true;
    p.children.push_back(id);
    if (p.childrenHashed) {
        p.childIndex.insert(name, id);
    } else if (p.children.size() >= kHashFrom) {
        p.childrenHashed = true;
        for (const KeyId c : p.children)
            p.childIndex.insert(m_nodes[size_t(c)].name, c);
    }
    return id;
}

void WineHive::touch(KeyId key)
{
    Node& n = m_nodes[size_t(key)];
    n.changed = true;
    n.modifiedMs = Clock::current().nowMSecsSinceEpoch();
    m_modified = true;
}

WineHive::KeyId WineHive::createKey(const QStringList& path, KeyId from)
{
    KeyId key = isValid(from) ? from : kNoKey;
    if (key == kNoKey)
        return kNoKey;
    QStringList names;
    for (const QString& component : path) // a backslash can only separate names
        names += component.split(u'\\', Qt::SkipEmptyParts);
    for (const QString& name : std::as_const(names))
        if (name.size() > kMaxKeyNameLength)
            return kNoKey;
    for (const QString& name : std::as_const(names)) {
        const KeyId child = findSubKey(key, name);
        if (child != kNoKey) {
            key = child;
            continue;
        }
        const KeyId created = addNode(key, name);
        touch(key); // Wine stamps the parent when a subkey appears
        touch(created);
        key = created;
    }
    return key;
}

QString WineHive::keyName(KeyId key) const
{
    return isValid(key) ? m_nodes[size_t(key)].name : QString();
}

QStringList WineHive::subKeyNames(KeyId key) const
{
    QStringList names;
    if (!isValid(key))
        return names;
    sortNames(key);
    const auto& children = m_nodes[size_t(key)].children;
    names.reserve(qsizetype(children.size()));
    for (const KeyId c : children)
        names.append(m_nodes[size_t(c)].name);
    return names;
}

int WineHive::subKeyCount(KeyId key) const
{
    return isValid(key) ? int(m_nodes[size_t(key)].children.size()) : 0;
}

bool WineHive::isLink(KeyId key) const
{
    return isValid(key) && m_nodes[size_t(key)].link;
}

bool WineHive::deleteKey(KeyId key)
{
    if (!isValid(key) || key == root() || !m_nodes[size_t(key)].children.empty())
        return false;
    return deleteTree(key);
}

bool WineHive::deleteTree(KeyId key)
{
    if (!isValid(key) || key == root())
        return false;
    const KeyId parent = m_nodes[size_t(key)].parent;
    std::vector<KeyId> stack{key};
    while (!stack.empty()) {
        const KeyId k = stack.back();
        stack.pop_back();
        Node& n = m_nodes[size_t(k)];
        n.alive = false;
        if (m_nodes[size_t(n.parent)].childrenHashed)
            m_nodes[size_t(n.parent)].childIndex.remove(n.name, k);
        n.childIndex = {};
        n.valueIndex = {};
        stack.insert(stack.end(), n.children.begin(), n.children.end());
        n.children = {};
        n.items = {};
        n.values = {};
    }
    auto& siblings = m_nodes[size_t(parent)].children;
    siblings.erase(std::find(siblings.begin(), siblings.end(), key));
    touch(parent);
    return true;
}

int WineHive::findValue(KeyId key, QStringView name) const
{
    const Node& n = m_nodes[size_t(key)];
    if (n.valuesHashed)
        return n.valueIndex.find(name, [&](int v) {
            return m_values[size_t(v)].key == key && compareNames(m_values[size_t(v)].name, name) == 0;
        });
    for (const int v : n.values)
        if (compareNames(m_values[size_t(v)].name, name) == 0)
            return v;
    return -1;
}

int WineHive::addValue(KeyId key, const RegValue& value)
{
    const int index = int(m_values.size());
    m_values.push_back({value.name, value.type, key, value.data, -1, 0, false, false});
    Node& n = m_nodes[size_t(key)];
    if (!n.values.empty() && compareNames(m_values[size_t(n.values.back())].name, value.name) > 0)
        n.valuesUnsorted = true;
    n.values.push_back(index);
    if (n.valuesHashed) {
        n.valueIndex.insert(value.name, index);
    } else if (n.values.size() >= kHashFrom) {
        n.valuesHashed = true;
        for (const int v : n.values)
            n.valueIndex.insert(m_values[size_t(v)].name, v);
    }
    return index;
}

void WineHive::forgetValue(KeyId key, int index)
{
    Node& n = m_nodes[size_t(key)];
    n.values.erase(std::find(n.values.begin(), n.values.end(), index));
    if (n.valuesHashed)
        n.valueIndex.remove(m_values[size_t(index)].name, index);
}

QStringList WineHive::valueNames(KeyId key) const
{
    QStringList names;
    if (!isValid(key))
        return names;
    sortNames(key);
    const auto& values = m_nodes[size_t(key)].values;
    names.reserve(qsizetype(values.size()));
    for (const int v : values)
        names.append(m_values[size_t(v)].name);
    return names;
}

std::optional<RegValue> WineHive::value(KeyId key, QStringView name) const
{
    if (!isValid(key))
        return std::nullopt;
    const int index = findValue(key, name);
    if (index < 0)
        return std::nullopt;
    const ValueRec& v = m_values[size_t(index)];
    return RegValue{v.name, v.type, v.data};
}

bool WineHive::setValue(KeyId key, const RegValue& value)
{
    if (!isValid(key) || value.name.size() > kMaxValueNameLength)
        return false;
    const int index = findValue(key, value.name);
    if (index >= 0) {
        ValueRec& v = m_values[size_t(index)];
        if (v.type == value.type && v.data == value.data)
            return true;
        v.type = value.type;
        v.data = value.data;
        v.pos = -1;
        v.openEnd = false;
        touch(key);
        return true;
    }
    // Appended; the writer puts it at its sorted place among the key's lines.
    addValue(key, value);
    touch(key);
    return true;
}

bool WineHive::deleteValue(KeyId key, QStringView name)
{
    if (!isValid(key))
        return false;
    const int index = findValue(key, name);
    if (index < 0)
        return false;
    Node& n = m_nodes[size_t(key)];
    if (m_values[size_t(index)].placed)
        n.items.erase(std::find_if(n.items.begin(), n.items.end(), [&](const Item& item) {
            return item.kind == ItemKind::Value && item.value == index;
        }));
    forgetValue(key, index);
    touch(key);
    return true;
}

} // namespace vx
