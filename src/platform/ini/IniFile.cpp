#include "platform/ini/IniFile.h"

#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "platform/TimeText.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QVarLengthArray>
#include <cstring>
#include <ctime>
#include <limits>

namespace vx {

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

// UTF-8 as text, a leading U+FEFF included: QString::fromUtf8 would take it for a byte-order mark
// and drop it, but inside a file it is text (a value, or the file's first line after its mark).
bool startsWithBom(QByteArrayView bytes)
{
    return bytes.size() >= 3 && bytes[0] == '\xEF' && bytes[1] == '\xBB' && bytes[2] == '\xBF';
}

QString utf8Text(QByteArrayView bytes)
{
    if (!startsWithBom(bytes))
        return QString::fromUtf8(bytes);
    QString text;
    while (startsWithBom(bytes)) {
        text.append(QChar(0xFEFF));
        bytes = bytes.sliced(3);
    }
    text.append(QString::fromUtf8(bytes));
    return text;
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

// A value that a reader would change (blanks at an end, or a matching pair of quotes around it)
// goes inside double quotes, which the reader removes again.
bool needsQuotes(QStringView value)
{
    if (value.isEmpty())
        return false;
    const QChar first = value.front();
    const QChar last = value.back();
    if (first == u' ' || first == u'\t' || last == u' ' || last == u'\t')
        return true;
    return value.size() >= 2 && (first == u'"' || first == u'\'') && last == first;
}

// A file's times are coarse (the kernel's clock tick; two seconds on FAT): a file rewritten with
// the same size this close to when we saw it may keep its stamp, so its content is compared.
constexpr qint64 kCoarseTimeNs = 2'000'000'000;

// How much more text than the file the written lines may hold in memory before a store reads
// what it wrote instead (IniFile::writeOut).
constexpr qsizetype kCompactSlack = 256 * 1024;

qint64 nowNs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

bool isAscii(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (uchar(c) >= 0x80)
            return false;
    }
    return true;
}

// Line breaks inside a value would split it into lines that read back as something else.
QString singleLine(const QString& value)
{
    if (!value.contains(u'\n') && !value.contains(u'\r'))
        return value;
    QString s = value;
    s.replace(u'\r', u' ').replace(u'\n', u' ');
    return s;
}

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

QString encodingName(const IniFileEncoding& encoding)
{
    switch (encoding.kind) {
    case IniEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case IniEncoding::Utf8Bom:
        return QStringLiteral("UTF-8 with BOM");
    case IniEncoding::Utf16LE:
        return QStringLiteral("UTF-16 LE");
    case IniEncoding::Utf16BE:
        return QStringLiteral("UTF-16 BE");
    case IniEncoding::CodePage:
        break;
    }
    return QStringLiteral("code page ") + QString::number(encoding.codePage);
}

IniFile::IniFile(QString path) : m_path(std::move(path))
{
    if (!m_path.isEmpty())
        removeStaleTemporaryFiles(QFileInfo(m_path).absolutePath());
    reload();
}

void IniFile::open(const QString& path)
{
    m_path = path;
    if (!m_path.isEmpty())
        removeStaleTemporaryFiles(QFileInfo(m_path).absolutePath());
    reload();
}

std::optional<IniFile::Snapshot> IniFile::readFile() const
{
    if (m_path.isEmpty())
        return Snapshot{};
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!QFileInfo::exists(m_path))
            return Snapshot{};
        return std::nullopt;
    }
    // The stamp of what is read, taken before reading: a rewrite while we read changes it.
    Snapshot snap;
    snap.stamp = fileStamp(file.handle());
    if (!snap.stamp.exists || QFileInfo(m_path).isDir())
        return std::nullopt;
    // Read into a buffer of the file's size: growing one while reading would allocate more.
    QByteArray bytes(snap.stamp.size, Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const qint64 n = file.read(bytes.data() + got, bytes.size() - got);
        if (n <= 0)
            break;
        got += qsizetype(n);
    }
    bytes.truncate(got);
    if (got == snap.stamp.size)
        bytes.append(file.readAll()); // a file that grew meanwhile
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    snap.bytes = std::move(bytes);
    return snap;
}

std::optional<std::pair<FileStamp, IniFileEncoding>> IniFile::readForm() const
{
    const IniFileEncoding empty = encodingOf({});
    if (m_path.isEmpty())
        return std::pair{FileStamp{}, empty};
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!QFileInfo::exists(m_path))
            return std::pair{FileStamp{}, empty};
        return std::nullopt;
    }
    const FileStamp stamp = fileStamp(file.handle());
    if (!stamp.exists || QFileInfo(m_path).isDir())
        return std::nullopt;
    // The file is valid UTF-8 when every piece is, each piece ending where a character starts:
    // the bytes of a character that a read cut off go with the next piece.
    constexpr qint64 kPiece = 64 * 1024;
    QByteArray piece;
    qsizetype carried = 0;
    bool first = true;
    bool valid = true;
    for (;;) {
        piece.resize(carried + kPiece);
        const qint64 n = file.read(piece.data() + carried, kPiece);
        if (n < 0)
            return std::nullopt;
        piece.truncate(carried + qsizetype(n));
        const bool atEnd = n == 0;
        if (first && (piece.size() >= 3 || atEnd)) {
            first = false;
            const IniFileEncoding e = encodingOf(QByteArrayView(piece).first(std::min<qsizetype>(piece.size(), 3)));
            if (e.kind != IniEncoding::Utf8 && e.kind != IniEncoding::CodePage)
                return std::pair{stamp, e};
        }
        if (first) {
            carried = piece.size(); // fewer than three bytes so far: the mark is not decided yet
            continue;
        }
        qsizetype cut = piece.size();
        if (!atEnd) {
            // Back to the start of the last character (at most four bytes back).
            while (cut > 0 && piece.size() - cut < 4 && (uchar(piece[cut - 1]) & 0xC0) == 0x80)
                --cut;
            if (cut > 0)
                --cut;
        }
        if (!QByteArrayView(piece).first(cut).isValidUtf8()) {
            valid = false;
            break;
        }
        carried = piece.size() - cut;
        if (atEnd)
            break;
        std::memmove(piece.data(), piece.constData() + cut, size_t(carried));
    }
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return std::pair{stamp, valid ? IniFileEncoding{IniEncoding::Utf8, 0} : IniFileEncoding{IniEncoding::CodePage, ansiCodePage()}};
}

void IniFile::remember(const FileStamp& stamp, const QByteArray& bytes)
{
    m_stamp = stamp;
    m_seenContent.reset();
    if (stamp.exists && nowNs() - stamp.modifiedNs < kCoarseTimeNs)
        m_seenContent = bytes; // shared, not copied
}

void IniFile::reload()
{
    m_operations.clear();
    const auto snap = readFile();
    m_unreadable = !snap.has_value();
    if (snap) {
        parse(snap->bytes);
        remember(snap->stamp, snap->bytes);
    } else {
        parse({});
        m_stamp = {};
        m_seenContent.reset();
    }
}

std::optional<IniFile::Snapshot> IniFile::changedContent() const
{
    if (m_path.isEmpty())
        return std::nullopt;
    if (m_contentUnread) {
        // Opened for a replacement: the lines were never read, so the file counts as changed.
        auto snap = readFile();
        if (!snap)
            throw OperationError(QStringLiteral("Unable to read ") + m_path + QStringLiteral("; it was not changed"));
        return snap;
    }
    const FileStamp now = fileStamp(m_path);
    const bool sameStamp = now == m_stamp;
    if (sameStamp && (!now.exists || !m_seenContent))
        return std::nullopt;
    auto snap = readFile();
    if (!snap)
        throw OperationError(QStringLiteral("Unable to read ") + m_path + QStringLiteral("; it was not changed"));
    if (sameStamp && snap->stamp == m_stamp && snap->bytes == *m_seenContent)
        return std::nullopt;
    return snap;
}

void IniFile::setContent(const QByteArray& bytes)
{
    parse(bytes);
}

void IniFile::clearContent()
{
    parse({});
}

void IniFile::parse(const QByteArray& bytes)
{
    m_sections.clear();
    m_largeIndexed = size_t(-1);
    m_lastSection = size_t(-1);
    m_released = false;
    m_sectionIndex.clear();
    m_legacyLines.clear();
    m_sections.emplace_back();
    m_dirty = false;
    // The lines point into the bytes read instead of each holding a copy (see parseLines): the
    // store shares them, and copies bytes it does not own (QByteArray::fromRawData).
    m_lineBlocks.clear();
    m_blockUsed = 0;
    m_blockSize = 0;
    m_blockTotal = 0;
    m_contentUnread = false;
    m_backing = bytes;
    if (!m_backing.isEmpty() && !m_backing.data_ptr().isMutable())
        m_backing = QByteArray(bytes.constData(), bytes.size());

    const QByteArrayView all(m_backing);
    m_encoding = encodingOf(all);
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

IniFileEncoding IniFile::encodingOf(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return {IniEncoding::Utf8Bom, 0};
    if (bytes.startsWith("\xFF\xFE"))
        return {IniEncoding::Utf16LE, 0};
    if (bytes.startsWith("\xFE\xFF"))
        return {IniEncoding::Utf16BE, 0};
    if (bytes.isValidUtf8())
        return {IniEncoding::Utf8, 0};
    return {IniEncoding::CodePage, ansiCodePage()};
}

void IniFile::openForReplacement(const QString& path)
{
    m_path = path;
    if (!m_path.isEmpty())
        removeStaleTemporaryFiles(QFileInfo(m_path).absolutePath());
    m_operations.clear();
    parse({});
    // Only the form is read, in pieces: a write outside a replacement reads the file again first.
    const auto form = readForm();
    m_unreadable = !form.has_value();
    m_stamp = {};
    m_seenContent.reset();
    if (form) {
        m_stamp = form->first;
        m_encoding = form->second;
        m_contentUnread = form->first.exists;
    }
}

void IniFile::parseLines(QByteArrayView bytes, int legacyCodePage)
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
    const bool shared = bytes.data() >= m_backing.constData() && bytes.data() + n <= m_backing.constData() + m_backing.size();
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
                m_legacyLines.emplace(legacyKey(m_sections.size() - 1, qsizetype(m_sections.back().lines.size())),
                                      legacy.toByteArray());
            const qsizetype eq = t.startsWith(';') ? -1 : line.indexOf('=');
            if (eq > 0) {
                if (!trimBlanks(line.first(eq)).isEmpty() && line.size() < std::numeric_limits<qint32>::max())
                    l.valueOffset = qint32(eq + 1);
            }
            Section& s = m_sections.back();
            s.lines.push_back(std::move(l));
        }
        pos = end + 1;
    }
}

void IniFile::reserveLines(QByteArrayView bytes)
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

const IniFile::Section* IniFile::findSection(const QString& section) const
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

IniFile::Section* IniFile::findSection(const QString& section)
{
    return const_cast<Section*>(std::as_const(*this).findSection(section));
}

void IniFile::Section::ensureIndex() const
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

void IniFile::indexSection(const Section& s) const
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

void IniFile::Section::dropIndex() const
{
    indexed = false;
    std::vector<qint32>().swap(table); // its memory goes as well
}

qsizetype IniFile::Section::find(QByteArrayView key) const
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

bool IniFile::Section::insert(qsizetype lineIndex) const
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

const IniFile::Line* IniFile::findLine(const QString& section, QStringView key) const
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

bool IniFile::hasSection(const QString& section) const
{
    return findSection(section) != nullptr;
}

bool IniFile::hasKey(const QString& section, const QString& key) const
{
    return findLine(section, key) != nullptr;
}

QStringList IniFile::sectionNames() const
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

QStringList IniFile::keyNames(const QString& section) const
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

std::optional<QString> IniFile::value(const QString& section, QStringView key) const
{
    const Line* l = findLine(section, key);
    if (!l)
        return std::nullopt;
    return utf8Text(unquoted(l->bytes().sliced(l->valueOffset)));
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const
{
    return value(section, QStringView(key));
}

QString IniFile::readString(const QString& section, QStringView key, const QString& def) const
{
    return value(section, key).value_or(def);
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const
{
    return value(section, QStringView(key)).value_or(def);
}

std::optional<int> IniFile::parseInteger(QStringView text)
{
    bool ok = false;
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        const QStringView digits = text.sliced(2);
        if (digits.size() > 8 || digits.startsWith(u'-') || digits.startsWith(u'+'))
            return std::nullopt;
        const uint v = digits.toUInt(&ok, 16);
        return ok ? std::optional<int>(int(v)) : std::nullopt;
    }
    if (text.startsWith(u' ') || text.endsWith(u' '))
        return std::nullopt;
    const int v = text.toInt(&ok, 10);
    return ok ? std::optional<int>(v) : std::nullopt;
}

int IniFile::readInteger(const QString& section, const QString& key, int def) const
{
    const auto v = value(section, key);
    if (!v)
        return def;
    return parseInteger(*v).value_or(def);
}

bool IniFile::readBool(const QString& section, const QString& key, bool def) const
{
    return readBool(section, QStringView(key), def);
}

bool IniFile::readBool(const QString& section, QStringView key, bool def) const
{
    const auto v = value(section, key);
    if (!v)
        return def;
    return parseInteger(*v).value_or(def ? 1 : 0) != 0;
}

qint64 IniFile::readTime(const QString& section, const QString& key, qint64 defMs) const
{
    const auto v = value(section, key);
    if (!v)
        return defMs;
    return parseTimeText(*v).value_or(defMs);
}

QDateTime IniFile::readDateTime(const QString& section, const QString& key, const QDateTime& def) const
{
    const auto v = value(section, key);
    if (!v)
        return def;
    return parseDateTimeText(*v).value_or(def);
}

IniFile::Line IniFile::makeEntry(QByteArrayView key, const QString& value)
{
    Line l;
    const QString text = singleLine(value);
    const QByteArray utf8 = text.toUtf8();
    const bool quoted = needsQuotes(text);
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

QByteArrayView IniFile::Line::keyBytes() const
{
    if (valueOffset < 1)
        return {};
    const QByteArrayView key = bytes().first(valueOffset - 1);
    return writtenKey ? key : trimBlanks(key);
}

const char* IniFile::keepInBlocks(QByteArrayView bytes)
{
    char* at = blockSpace(bytes.size());
    std::copy(bytes.begin(), bytes.end(), at);
    return at;
}

char* IniFile::blockSpace(qsizetype size)
{
    constexpr qsizetype kBlock = 64 * 1024;
    if (m_lineBlocks.empty() || m_blockSize - m_blockUsed < size) {
        m_blockSize = std::max(kBlock, size);
        m_lineBlocks.emplace_back(new char[size_t(m_blockSize)]); // not zeroed: every byte is written before use
        m_blockTotal += m_blockSize;
        m_blockUsed = 0;
    }
    char* at = m_lineBlocks.back().get() + m_blockUsed;
    m_blockUsed += size;
    return at;
}

IniFile::Section& IniFile::sectionForWrite(const QString& section)
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

void IniFile::releaseSection(const QString& section)
{
    const auto it = m_sectionIndex.find(QStringView(section));
    if (it == m_sectionIndex.end())
        return;
    m_released = true;
    for (size_t i = size_t(it->second); i < m_sections.size(); ++i) {
        Section& s = m_sections[i];
        if (i > 0 && equalsIgnoringAsciiCase(s.name, section)) {
            std::vector<Line>().swap(s.lines);
            s.dropIndex();
            s.cursor = 0;
        }
    }
}

void IniFile::refuseUnread() const
{
    if (m_unreadable || m_released)
        throw OperationError(QStringLiteral("Unable to read ") + m_path + QStringLiteral("; it was not changed"));
}

bool IniFile::prepareWrite(Operation::Kind kind, const QString& section, const QString& key, const QString& value)
{
    if (m_batch) {
        // A replacement does not care what the file holds meanwhile: nothing to replay.
        if (!m_replacing) {
            refuseUnread();
            m_operations.push_back({kind, section, key, value});
        }
        return false;
    }
    refuseUnread();
    // As Windows does: the write goes to what the file holds now.
    if (const auto current = changedContent()) {
        parse(current->bytes);
        remember(current->stamp, current->bytes);
    }
    return true;
}

bool IniFile::apply(const Operation& op)
{
    switch (op.kind) {
    case Operation::Kind::Write:
        applyWrite(op.section, op.key, op.value);
        return true;
    case Operation::Kind::EraseSection:
        return applyErase(op.section);
    case Operation::Kind::DeleteKey:
        return applyDelete(op.section, op.key);
    }
    return false;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    const bool now = prepareWrite(Operation::Kind::Write, section, key, value);
    applyWrite(section, key, value);
    if (now)
        writeOut({});
    else
        m_dirty = true;
}

void IniFile::applyWrite(const QString& section, const QString& key, const QString& value)
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

void IniFile::writeInteger(const QString& section, const QString& key, qint64 value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::writeTime(const QString& section, const QString& key, qint64 ms)
{
    writeString(section, key, timeText(ms));
}

void IniFile::writeDateTime(const QString& section, const QString& key, const QDateTime& value)
{
    writeString(section, key, dateTimeText(value));
}

void IniFile::eraseSection(const QString& section)
{
    const bool now = prepareWrite(Operation::Kind::EraseSection, section, {}, {});
    if (applyErase(section)) {
        if (now)
            writeOut({});
        else
            m_dirty = true;
    }
}

bool IniFile::applyErase(const QString& section)
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

void IniFile::deleteKey(const QString& section, const QString& key)
{
    const bool now = prepareWrite(Operation::Kind::DeleteKey, section, key, {});
    if (applyDelete(section, key)) {
        if (now)
            writeOut({});
        else
            m_dirty = true;
    }
}

bool IniFile::applyDelete(const QString& section, const QString& key)
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

void IniFile::beginBatch()
{
    m_batch = true;
    m_replacing = false;
    m_operations.clear();
}

void IniFile::beginReplacement(const QString& backupPath)
{
    refreshReplacedForm();
    const IniFileEncoding encoding = m_encoding;
    parse({});
    m_encoding = encoding;
    m_batch = true;
    m_replacing = true;
    m_backupPath = backupPath;
    m_operations.clear();
    m_dirty = true;
}

void IniFile::refreshReplacedForm()
{
    // The new content keeps the form of the file it replaces, as that file is now.
    if (!m_path.isEmpty() && fileStamp(m_path) != m_stamp) {
        if (const auto form = readForm()) {
            m_encoding = form->second;
            m_unreadable = false;
        }
    }
}

void IniFile::writeReplacement(const QString& backupPath, const std::function<void(IniWriter&)>& produce)
{
    Q_ASSERT(!m_batch);
    refreshReplacedForm();
    const IniFileEncoding encoding = m_encoding;
    // What the store held is not needed for a replacement: it goes before the new lines are made.
    parse({});
    m_encoding = encoding;
    bool fellBack = false;
    FileStamp written;
    try {
        writeFileAtomically(
            m_path,
            [&](ContentSink& sink) {
                fellBack = false;
                {
                    IniWriter writer(sink, encoding);
                    produce(writer);
                    if (!writer.needsUtf8())
                        return;
                }
                // As commit does for a legacy file whose text no longer fits: all of it in UTF-8.
                fellBack = true;
                sink.restart();
                IniWriter writer(sink, IniFileEncoding{IniEncoding::Utf8, 0});
                produce(writer);
            },
            {backupPath, &written});
    } catch (...) {
        reload(); // the store reflects what is on disk again
        throw;
    }
    m_dirty = false;
    m_unreadable = false;
    m_operations.clear();
    m_stamp = written;
    m_seenContent.reset();
    m_contentUnread = true;
    if (fellBack) {
        m_encoding = {IniEncoding::Utf8, 0};
        if (m_onFallback)
            m_onFallback(m_path, encoding.codePage);
    }
}

IniWriter::IniWriter(ContentSink& sink, const IniFileEncoding& encoding)
    : m_sink(sink),
      m_encoding(encoding),
      m_utf16(encoding.kind == IniEncoding::Utf16BE ? QStringConverter::Utf16BE : QStringConverter::Utf16LE)
{
    switch (m_encoding.kind) {
    case IniEncoding::Utf8Bom:
        m_sink.write("\xEF\xBB\xBF");
        break;
    case IniEncoding::Utf16LE:
        m_sink.write("\xFF\xFE");
        break;
    case IniEncoding::Utf16BE:
        m_sink.write("\xFE\xFF");
        break;
    case IniEncoding::CodePage:
        m_codec = std::make_unique<CodePageCodec>(m_encoding.codePage);
        break;
    case IniEncoding::Utf8:
        break;
    }
}

IniWriter::~IniWriter() = default;

bool IniWriter::needsUtf8() const
{
    // Bytes that happen to form valid UTF-8 would be read as UTF-8 next time (see encode).
    return m_encoding.kind == IniEncoding::CodePage && (!m_fits || (!m_ascii && m_validUtf8));
}

void IniWriter::putLine(QByteArray& line)
{
    switch (m_encoding.kind) {
    case IniEncoding::Utf8:
    case IniEncoding::Utf8Bom:
        line.append("\r\n");
        m_sink.write(line);
        return;
    case IniEncoding::Utf16LE:
    case IniEncoding::Utf16BE:
        m_sink.write(QByteArray(m_utf16.encode(utf8Text(line) + u"\r\n")));
        return;
    case IniEncoding::CodePage:
        break;
    }
    // A line break is ASCII and never part of a character: the file is ASCII, or valid UTF-8,
    // exactly when each of its lines is.
    if (!m_fits)
        return;
    if (isAscii(line)) {
        line.append("\r\n");
        m_sink.write(line);
    } else if (auto bytes = m_codec->encode(utf8Text(line))) {
        m_ascii = m_ascii && isAscii(*bytes);
        m_validUtf8 = m_validUtf8 && bytes->isValidUtf8();
        bytes->append("\r\n");
        m_sink.write(*bytes);
    } else {
        m_fits = false;
    }
}

namespace {

// Appends the text in UTF-8 as QString::toUtf8 gives it. False (nothing appended) when the text
// is not plain ASCII without line breaks: the caller takes the general way then.
bool appendPlainAscii(QByteArray& out, QStringView text)
{
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char* to = out.data() + start;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x80 || u == u'\r' || u == u'\n') {
            out.truncate(start);
            return false;
        }
        *to++ = char(u);
    }
    return true;
}

} // namespace

void IniWriter::section(QStringView name)
{
    m_line.truncate(0);
    m_line.append('[').append(name.toUtf8()).append(']');
    putLine(m_line);
}

void IniWriter::entry(QStringView key, const QString& value)
{
    // The form makeEntry gives a written line: the key as given, the value on one line, quoted
    // where a reader would change it.
    m_line.truncate(0);
    if (!appendPlainAscii(m_line, key))
        m_line.append(key.toUtf8());
    m_line.append('=');
    const QString text = singleLine(value);
    const bool quoted = needsQuotes(text);
    if (quoted)
        m_line.append('"');
    if (!appendPlainAscii(m_line, text))
        m_line.append(text.toUtf8());
    if (quoted)
        m_line.append('"');
    putLine(m_line);
}

void IniWriter::integerEntry(QStringView key, qint64 value)
{
    entry(key, QString::number(value));
}

void IniWriter::boolEntry(QStringView key, bool value)
{
    entry(key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::abandonBatch()
{
    m_batch = false;
    m_replacing = false;
    m_backupPath.clear();
    m_operations.clear();
}

void IniFile::commit()
{
    const bool replacing = m_replacing;
    const QString backup = m_backupPath;
    const std::vector<Operation> operations = std::move(m_operations);
    abandonBatch();
    if (replacing) {
        writeOut(backup);
        return;
    }
    refuseUnread();
    if (const auto current = changedContent()) {
        // Someone wrote the file during the batch: the batch's writes go onto what it holds now.
        parse(current->bytes);
        remember(current->stamp, current->bytes);
        for (const Operation& op : operations) {
            if (apply(op))
                m_dirty = true;
        }
    }
    if (m_dirty)
        writeOut({});
}

void IniFile::writeOut(const QString& backupPath)
{
    bool fellBack = false;
    const QByteArray bytes = encode(&fellBack);
    FileStamp written;
    writeFileAtomically(m_path, bytes, {backupPath, &written});
    m_dirty = false;
    m_unreadable = false;
    remember(written, bytes);
    if (fellBack) {
        const int codePage = m_encoding.codePage;
        m_encoding = {IniEncoding::Utf8, 0};
        m_legacyLines.clear();
        if (m_onFallback)
            m_onFallback(m_path, codePage);
    }
    // Lines written one after another each leave their text in the blocks, also when written over
    // again: once the blocks outgrow the file, what was just written becomes the content.
    if (m_blockTotal > 2 * m_backing.size() + kCompactSlack)
        parse(bytes);
}

QByteArray IniFile::serialize() const
{
    return encode(nullptr);
}

QByteArray IniFile::encode(bool* fellBack) const
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
