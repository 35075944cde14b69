#include "platform/ini/IniDocument.h"

#include "platform/CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QVarLengthArray>
#include <limits>

namespace vx {

using ini::isAscii;
using ini::utf8Text;

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Removes blanks and tabs at both ends of a byte range.
QByteArrayView trimBlanks(QByteArrayView v)
{
    qsizetype b = 0;
    qsizetype e = v.size();
    while (b < e && isBlank(v[b]))
        ++b;
    while (e > b && isBlank(v[e - 1]))
        --e;
    return v.sliced(b, e - b);
}

bool isQuote(char c)
{
    return c == '"' || c == '\'';
}

// What a reader gets from the text after "=": blanks trimmed, then one pair of matching quotes.
QByteArrayView unquoted(QByteArrayView v)
{
    v = trimBlanks(v);
    if (v.size() >= 2 && isQuote(v.front()) && v.back() == v.front())
        return v.sliced(1, v.size() - 2);
    return v;
}

// How much more text than the file the written lines may hold in memory before a store reads
// what it wrote instead (outgrewText).
constexpr qsizetype kCompactSlack = 256 * 1024;

size_t hashKey(QByteArrayView key)
{
    size_t h = 1469598103934665603ull;
    for (char c : key) {
        h ^= uchar(c >= 'A' && c <= 'Z' ? c + 32 : c);
        h *= 1099511628211ull;
    }
    return h;
}

// The UTF-8 form of a key asked for by name, without a heap allocation for ordinary keys.
class KeyBytes
{
  public:
    explicit KeyBytes(QStringView key)
    {
        bool ascii = true;
        for (QChar c : key)
            ascii = ascii && c.unicode() < 0x80;
        if (ascii) {
            m_buf.resize(key.size());
            for (qsizetype i = 0; i < key.size(); ++i)
                m_buf[i] = char(key[i].unicode());
        } else {
            const QByteArray utf8 = key.toUtf8();
            m_buf.resize(utf8.size());
            std::copy(utf8.cbegin(), utf8.cend(), m_buf.begin());
        }
    }
    QByteArrayView view() const { return QByteArrayView(m_buf.constData(), m_buf.size()); }

  private:
    QVarLengthArray<char, 64> m_buf;
};

} // namespace

QString ini::singleLine(const QString& value)
{
    if (!value.contains(u'\n') && !value.contains(u'\r'))
        return value;
    QString s = value;
    s.replace(u'\r', u' ').replace(u'\n', u' ');
    return s;
}

bool ini::needsQuotes(QStringView value)
{
    if (value.isEmpty())
        return false;
    const QChar first = value.front();
    const QChar last = value.back();
    if (first == u' ' || first == u'\t' || last == u' ' || last == u'\t')
        return true;
    return value.size() >= 2 && (first == u'"' || first == u'\'') && last == first;
}

void IniDocument::parse(const QByteArray& bytes)
{
    m_sections.clear();
    m_largeIndexed = size_t(-1);
    m_lastSection = size_t(-1);
    m_sectionIndex.clear();
    m_legacyLines.clear();
    m_sections.emplace_back();
    // The lines point into the bytes read instead of each holding a copy (see parseLines): the
    // store shares them, and copies bytes it does not own (QByteArray::fromRawData).
    m_lineBlocks.clear();
    m_blockUsed = 0;
    m_blockSize = 0;
    m_blockTotal = 0;
    m_backing = bytes;
    if (!m_backing.isEmpty() && !m_backing.data_ptr().isMutable())
        m_backing = QByteArray(bytes.constData(), bytes.size());

    const QByteArrayView all(m_backing);
    m_encoding = ini::encodingOf(all);
    switch (m_encoding.kind) {
    case IniEncoding::Utf8Bom:
        parseLines(all.sliced(3), 0);
        break;
    case IniEncoding::Utf16LE:
    case IniEncoding::Utf16BE: {
        // A second mark after the first is text of the first line, as it was for the writer.
        QStringDecoder decoder(m_encoding.kind == IniEncoding::Utf16LE ? QStringConverter::Utf16LE
                                                                       : QStringConverter::Utf16BE,
                               QStringConverter::Flag::ConvertInitialBom);
        m_backing = QString(decoder.decode(all.sliced(2))).toUtf8();
        parseLines(m_backing, 0);
        break;
    }
    case IniEncoding::Utf8:
        parseLines(all, 0);
        break;
    case IniEncoding::CodePage:
        parseLines(all, m_encoding.codePage);
        break;
    }
}

void IniDocument::becomeUtf8()
{
    m_encoding = {IniEncoding::Utf8, 0};
    m_legacyLines.clear();
}

bool IniDocument::outgrewText() const
{
    return m_blockTotal > 2 * m_backing.size() + kCompactSlack;
}

void IniDocument::parseLines(QByteArrayView bytes, int legacyCodePage)
{
    // Line ends never occur inside a character of a code page (their trail bytes are 0x40 and up),
    // so a legacy file splits into lines on its bytes; each line is read in the code page.
    std::optional<CodePageCodec> codec;
    if (legacyCodePage > 0)
        codec.emplace(legacyCodePage);

    const qsizetype n = bytes.size();
    reserveLines(bytes);
    // A line that is in the UTF-8 form as read refers to those bytes (m_backing) without a copy;
    // the first write to it makes it a line of its own.
    const bool shared =
        bytes.data() >= m_backing.constData() && bytes.data() + n <= m_backing.constData() + m_backing.size();
    const auto keep = [&](QByteArrayView line, QByteArrayView legacy) {
        return shared && legacy.isEmpty() ? line.data() : keepInBlocks(line);
    };
    qsizetype pos = 0;
    QByteArray decoded;
    while (pos < n) {
        qsizetype end = bytes.indexOf('\n', pos);
        if (end < 0)
            end = n;
        qsizetype lineEnd = end;
        if (lineEnd > pos && bytes[lineEnd - 1] == '\r')
            --lineEnd;
        QByteArrayView line(bytes.data() + pos, lineEnd - pos);
        QByteArrayView legacy;
        if (codec && !isAscii(line)) {
            legacy = line;
            decoded = codec->decode(line).toUtf8();
            line = decoded;
        }
        const QByteArrayView t = trimBlanks(line);

        const qsizetype close = t.startsWith('[') ? t.lastIndexOf(']') : -1;
        if (close > 0) {
            // The name ends at the last "]" of the line: "[Tools [old]]" is "Tools [old]".
            Section s;
            s.header = line.toByteArray();
            if (!legacy.isEmpty())
                m_legacyLines.emplace(legacyKey(m_sections.size(), -1), legacy.toByteArray());
            s.name = utf8Text(trimBlanks(t.sliced(1, close - 1)));
            const QString name = s.name;
            if (m_sections.size() < m_lineHints.size())
                s.lines.reserve(m_lineHints[m_sections.size()]);
            m_sections.push_back(std::move(s));
            m_sectionIndex.try_emplace(name, qsizetype(m_sections.size() - 1)); // the first one wins
        } else {
            Line l;
            l.data = keep(line, legacy);
            l.size = line.size();
            if (!legacy.isEmpty())
                m_legacyLines.emplace(
                    legacyKey(m_sections.size() - 1, qsizetype(m_sections.back().lines.size())),
                    legacy.toByteArray());
            const qsizetype eq = t.startsWith(';') ? -1 : line.indexOf('=');
            if (eq > 0) {
                if (!trimBlanks(line.first(eq)).isEmpty() && line.size() < std::numeric_limits<qint32>::max())
                    l.valueOffset = qint32(eq + 1);
            }
            Section& s = m_sections.back();
            s.lines.push_back(l);
        }
        pos = end + 1;
    }
}

void IniDocument::reserveLines(QByteArrayView bytes)
{
    // A first pass over the bytes counts the lines of each section, so that the sections' line
    // vectors are allocated once. It is a hint: a legacy line whose bytes look different once
    // decoded only makes a vector grow as usual.
    std::vector<size_t> counts(1, 0);
    qsizetype pos = 0;
    const qsizetype n = bytes.size();
    while (pos < n) {
        qsizetype end = bytes.indexOf('\n', pos);
        if (end < 0)
            end = n;
        const QByteArrayView t = trimBlanks(bytes.sliced(pos, end - pos));
        if (t.startsWith('[') && t.lastIndexOf(']') > 0)
            counts.push_back(0);
        else
            ++counts.back();
        pos = end + 1;
    }
    m_sections.reserve(m_sections.size() + counts.size() - 1);
    m_sections.back().lines.reserve(counts[0]);
    m_lineHints = std::move(counts);
}

const IniDocument::Section* IniDocument::findSection(const QString& section) const
{
    // Readers ask for one section many times in a row: a comparison answers without hashing.
    if (m_lastSection < m_sections.size() && equalsIgnoringAsciiCase(m_sections[m_lastSection].name, section))
        return &m_sections[m_lastSection];
    const auto it = m_sectionIndex.find(QStringView(section));
    if (it == m_sectionIndex.end())
        return nullptr;
    m_lastSection = size_t(it->second);
    return &m_sections[m_lastSection];
}

IniDocument::Section* IniDocument::findSection(const QString& section)
{
    return const_cast<Section*>(std::as_const(*this).findSection(section));
}

void IniDocument::Section::ensureIndex() const
{
    if (indexed)
        return;
    size_t size = 16;
    while (size < lines.size() * 2)
        size *= 2;
    table.assign(size, -1);
    indexed = true;
    cursor = 0;
    for (size_t i = 0; i < lines.size(); ++i)
        lines[i].firstOfKey = lines[i].isEntry() && insert(qsizetype(i));
}

void IniDocument::indexSection(const Section& s) const
{
    if (s.indexed)
        return;
    // One large table at a time: readers go through a large file section by section, and the
    // tables of all of them together would take a good part of the file's size again.
    const size_t at = size_t(&s - m_sections.data());
    if (s.lines.size() > kSmallSection) {
        if (m_largeIndexed < m_sections.size() && m_largeIndexed != at)
            m_sections[m_largeIndexed].dropIndex();
        m_largeIndexed = at;
    }
    s.ensureIndex();
}

void IniDocument::Section::dropIndex() const
{
    indexed = false;
    std::vector<qint32>().swap(table); // its memory goes as well
}

qsizetype IniDocument::Section::find(QByteArrayView key) const
{
    const size_t mask = table.size() - 1;
    for (size_t i = hashKey(key) & mask;; i = (i + 1) & mask) {
        const qint32 at = table[i];
        if (at < 0)
            return -1;
        if (equalsIgnoringAsciiCase(lines[size_t(at)].keyBytes(), key))
            return at;
    }
}

bool IniDocument::Section::insert(qsizetype lineIndex) const
{
    if (!indexed)
        return true;
    if (size_t(lineIndex + 1) * 2 > table.size()) {
        // Grow and rebuild: keeps the table at most half full.
        dropIndex();
        ensureIndex();
        return lines[size_t(lineIndex)].firstOfKey;
    }
    const QByteArrayView key = lines[size_t(lineIndex)].keyBytes();
    const size_t mask = table.size() - 1;
    for (size_t i = hashKey(key) & mask;; i = (i + 1) & mask) {
        const qint32 at = table[i];
        if (at < 0) {
            table[i] = qint32(lineIndex);
            return true;
        }
        if (equalsIgnoringAsciiCase(lines[size_t(at)].keyBytes(), key))
            return false;
    }
}

const IniDocument::Line* IniDocument::findLine(const QString& section, QStringView key) const
{
    const Section* s = findSection(section);
    if (!s)
        return nullptr;
    indexSection(*s);
    const KeyBytes k(key);
    if (s->cursor < s->lines.size()) {
        const Line& l = s->lines[s->cursor];
        if (l.firstOfKey && !l.deleted && equalsIgnoringAsciiCase(l.keyBytes(), k.view())) {
            ++s->cursor;
            return &l;
        }
    }
    const qsizetype at = s->find(k.view());
    if (at < 0)
        return nullptr;
    s->cursor = size_t(at) + 1;
    return &s->lines[size_t(at)];
}

bool IniDocument::hasSection(const QString& section) const
{
    return findSection(section) != nullptr;
}

bool IniDocument::hasKey(const QString& section, QStringView key) const
{
    return findLine(section, key) != nullptr;
}

QStringList IniDocument::sectionNames() const
{
    QStringList names;
    for (size_t i = 1; i < m_sections.size(); ++i) {
        const Section& s = m_sections[i];
        const auto it = m_sectionIndex.find(QStringView(s.name));
        if (!s.deleted && it != m_sectionIndex.end() && it->second == qsizetype(i))
            names.append(s.name);
    }
    return names;
}

QStringList IniDocument::keyNames(const QString& section) const
{
    QStringList names;
    if (const Section* s = findSection(section)) {
        indexSection(*s);
        for (const Line& l : s->lines) {
            if (l.firstOfKey && !l.deleted)
                names.append(utf8Text(l.keyBytes()));
        }
    }
    return names;
}

std::optional<QString> IniDocument::value(const QString& section, QStringView key) const
{
    const Line* l = findLine(section, key);
    if (!l)
        return std::nullopt;
    return utf8Text(unquoted(l->bytes().sliced(l->valueOffset)));
}

IniDocument::Line IniDocument::makeEntry(QByteArrayView key, const QString& value)
{
    Line l;
    const QString text = ini::singleLine(value);
    const QByteArray utf8 = text.toUtf8();
    const bool quoted = ini::needsQuotes(text);
    const qsizetype size = key.size() + 1 + utf8.size() + (quoted ? 2 : 0);
    // Written lines share a few large blocks instead of each allocating its own (m_lineBlocks).
    char* out = blockSpace(size);
    l.data = out;
    l.size = size;
    l.writtenKey = true;
    out = std::copy(key.begin(), key.end(), out);
    *out++ = '=';
    if (quoted)
        *out++ = '"';
    out = std::copy(utf8.cbegin(), utf8.cend(), out);
    if (quoted)
        *out++ = '"';
    l.valueOffset = qint32(key.size() + 1);
    return l;
}

QByteArrayView IniDocument::Line::keyBytes() const
{
    if (valueOffset < 1)
        return {};
    const QByteArrayView key = bytes().first(valueOffset - 1);
    return writtenKey ? key : trimBlanks(key);
}

const char* IniDocument::keepInBlocks(QByteArrayView bytes)
{
    char* at = blockSpace(bytes.size());
    std::copy(bytes.begin(), bytes.end(), at);
    return at;
}

char* IniDocument::blockSpace(qsizetype size)
{
    constexpr qsizetype kBlock = 64 * 1024;
    if (m_lineBlocks.empty() || m_blockSize - m_blockUsed < size) {
        m_blockSize = std::max(kBlock, size);
        m_lineBlocks.emplace_back(
            new char[size_t(m_blockSize)]); // not zeroed: every byte is written before use
        m_blockTotal += m_blockSize;
        m_blockUsed = 0;
    }
    char* at = m_lineBlocks.back().get() + m_blockUsed;
    m_blockUsed += size;
    return at;
}

IniDocument::Section& IniDocument::sectionForWrite(const QString& section)
{
    if (Section* s = findSection(section))
        return *s;
    Section s;
    s.name = section;
    s.header = '[' + section.toUtf8() + ']';
    m_sections.push_back(std::move(s));
    m_sectionIndex.try_emplace(section, qsizetype(m_sections.size() - 1));
    return m_sections.back();
}

bool IniDocument::releaseSection(const QString& section)
{
    const auto it = m_sectionIndex.find(QStringView(section));
    if (it == m_sectionIndex.end())
        return false;
    for (size_t i = size_t(it->second); i < m_sections.size(); ++i) {
        Section& s = m_sections[i];
        if (i > 0 && equalsIgnoringAsciiCase(s.name, section)) {
            std::vector<Line>().swap(s.lines);
            s.dropIndex();
            s.cursor = 0;
        }
    }
    return true;
}

void IniDocument::write(const QString& section, const QString& key, const QString& value)
{
    Section& s = sectionForWrite(section);
    indexSection(s);
    const KeyBytes k(key);
    const qsizetype at = s.find(k.view());
    if (at >= 0) {
        Line& l = s.lines[size_t(at)];
        const QByteArray spelling = l.keyBytes().toByteArray(); // the key keeps its spelling in the file
        l = makeEntry(spelling, value);
        l.firstOfKey = true;
        if (!m_legacyLines.empty())
            m_legacyLines.erase(legacyKey(size_t(&s - m_sections.data()), at));
    } else {
        s.lines.push_back(makeEntry(k.view(), value));
        s.lines.back().firstOfKey = s.insert(qsizetype(s.lines.size() - 1));
    }
}

bool IniDocument::eraseSection(const QString& section)
{
    const auto it = m_sectionIndex.find(QStringView(section));
    if (it == m_sectionIndex.end())
        return false;
    m_lastSection = size_t(-1);
    // Later sections of the same name (a hand-edited file may repeat one) go as well, so that the
    // erased name really reads as missing afterwards.
    for (size_t i = size_t(it->second); i < m_sections.size(); ++i) {
        if (i > 0 && !m_sections[i].deleted && equalsIgnoringAsciiCase(m_sections[i].name, section)) {
            m_sections[i].deleted = true;
            m_sections[i].lines.clear();
            m_sections[i].dropIndex();
        }
    }
    m_sectionIndex.erase(it);
    return true;
}

bool IniDocument::deleteKey(const QString& section, const QString& key)
{
    Section* s = findSection(section);
    if (!s || !findLine(section, key))
        return false;
    const KeyBytes k(key);
    for (Line& l : s->lines) {
        if (l.isEntry() && equalsIgnoringAsciiCase(l.keyBytes(), k.view()))
            l.deleted = true;
    }
    s->dropIndex();
    return true;
}

QByteArray IniDocument::encode(bool* fellBack) const
{
    if (fellBack)
        *fellBack = false;
    qsizetype total = 0;
    for (const Section& s : m_sections) {
        if (s.deleted)
            continue;
        total += s.header.size() + 2;
        for (const Line& l : s.lines)
            total += l.size + 2;
    }
    QByteArray out;

    if (m_encoding.kind == IniEncoding::CodePage) {
        // Lines nobody wrote go back as they were read; written ones in the code page, unless a
        // character does not fit it: then the whole file is written in UTF-8 (it reads the same).
        CodePageCodec codec(m_encoding.codePage);
        out.reserve(total);
        bool fits = true;
        const auto put = [&](QByteArrayView raw, quint64 key) {
            const auto legacy = m_legacyLines.find(key);
            if (legacy != m_legacyLines.end())
                out.append(legacy->second);
            else if (isAscii(raw))
                out.append(raw);
            else if (const auto bytes = codec.encode(utf8Text(raw)))
                out.append(*bytes);
            else
                fits = false;
            out.append("\r\n");
        };
        for (size_t i = 0; i < m_sections.size() && fits; ++i) {
            const Section& s = m_sections[i];
            if (s.deleted)
                continue;
            if (!s.header.isEmpty())
                put(s.header, legacyKey(i, -1));
            for (size_t j = 0; j < s.lines.size(); ++j) {
                if (!s.lines[j].deleted)
                    put(s.lines[j].bytes(), legacyKey(i, qsizetype(j)));
            }
        }
        // Bytes that happen to form valid UTF-8 would be read as UTF-8 next time, and so as other
        // characters: such a file is written in UTF-8 right away.
        if (fits && (isAscii(out) || !out.isValidUtf8()))
            return out;
        if (fellBack)
            *fellBack = true;
        out.clear();
    }

    const bool bom = m_encoding.kind == IniEncoding::Utf8Bom;
    out.reserve(total + (bom ? 3 : 0));
    if (bom)
        out.append("\xEF\xBB\xBF");
    for (const Section& s : m_sections) {
        if (s.deleted)
            continue;
        if (!s.header.isEmpty())
            out.append(s.header).append("\r\n");
        for (const Line& l : s.lines) {
            if (!l.deleted)
                out.append(l.bytes()).append("\r\n");
        }
    }
    if (m_encoding.kind == IniEncoding::Utf16LE || m_encoding.kind == IniEncoding::Utf16BE) {
        const bool little = m_encoding.kind == IniEncoding::Utf16LE;
        QStringEncoder encoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        return QByteArray(little ? "\xFF\xFE" : "\xFE\xFF") + QByteArray(encoder.encode(utf8Text(out)));
    }
    return out;
}

} // namespace vx
