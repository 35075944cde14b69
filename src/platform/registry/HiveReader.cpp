#include "platform/registry/WineHive.h"

#include "platform/Errors.h"
#include "platform/registry/HiveFormat.h"

#include <cstring>

using namespace Qt::StringLiterals;

namespace vx {

using namespace hive;

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
            throw OperationError(
                u"%1 is not a Wine registry file: its first line is not \"%2\". It was left unchanged."_s.arg(
                    m_fileName, QLatin1StringView(kHeader)));
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
            throw OperationError(
                u"%1 names an unknown architecture (%2); Wine does not read such a file. It was left unchanged."_s
                    .arg(m_fileName, QString::fromLatin1(name)));
        if (m_hive.m_arch != Arch::Unspecified && m_hive.m_arch != arch)
            throw OperationError(
                u"%1 names two different architectures; Wine does not read such a file. It was left unchanged."_s
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

} // namespace vx
