#include "platform/IniFile.h"

#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "platform/TimeText.h"

#include <QFile>
#include <QFileInfo>
#include <QVarLengthArray>

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

bool sameKey(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x + 32);
        if (y >= 'A' && y <= 'Z')
            y = char(y + 32);
        if (x != y)
            return false;
    }
    return true;
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

IniFile::IniFile(QString path) : m_path(std::move(path))
{
    reload();
}

void IniFile::open(const QString& path)
{
    m_path = path;
    reload();
}

void IniFile::reload()
{
    QByteArray bytes;
    QFile file(m_path);
    m_unreadable = false;
    if (!m_path.isEmpty() && QFileInfo::exists(m_path)) {
        if (file.open(QIODevice::ReadOnly) && !QFileInfo(m_path).isDir())
            bytes = file.readAll();
        else
            m_unreadable = true;
    }
    parse(bytes);
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
    m_sectionIndex.clear();
    m_sections.emplace_back();
    m_dirty = false;

    qsizetype pos = 0;
    const qsizetype n = bytes.size();
    while (pos < n) {
        qsizetype end = bytes.indexOf('\n', pos);
        if (end < 0)
            end = n;
        qsizetype lineEnd = end;
        if (lineEnd > pos && bytes[lineEnd - 1] == '\r')
            --lineEnd;
        const QByteArrayView line(bytes.constData() + pos, lineEnd - pos);
        const QByteArrayView t = trimBlanks(line);

        if (t.startsWith('[') && t.indexOf(']') > 0) {
            Section s;
            s.header = line.toByteArray();
            s.name = QString::fromUtf8(trimBlanks(t.sliced(1, t.indexOf(']') - 1)));
            const QString name = s.name;
            m_sections.push_back(std::move(s));
            m_sectionIndex.try_emplace(name, qsizetype(m_sections.size() - 1)); // the first one wins
        } else {
            Line l;
            l.raw = line.toByteArray();
            const qsizetype eq = t.startsWith(';') ? -1 : line.indexOf('=');
            if (eq > 0) {
                const QByteArrayView keyBytes = trimBlanks(line.first(eq));
                if (!keyBytes.isEmpty()) {
                    l.keyStart = keyBytes.data() - line.data();
                    l.keyLength = keyBytes.size();
                    l.valueOffset = eq + 1;
                }
            }
            Section& s = m_sections.back();
            s.lines.push_back(std::move(l));
        }
        pos = end + 1;
    }
}

const IniFile::Section* IniFile::findSection(const QString& section) const
{
    const auto it = m_sectionIndex.find(QStringView(section));
    return it == m_sectionIndex.end() ? nullptr : &m_sections[size_t(it->second)];
}

IniFile::Section* IniFile::findSection(const QString& section)
{
    const auto it = m_sectionIndex.find(QStringView(section));
    return it == m_sectionIndex.end() ? nullptr : &m_sections[size_t(it->second)];
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

void IniFile::Section::dropIndex() const
{
    indexed = false;
    table.clear();
}

qsizetype IniFile::Section::find(QByteArrayView key) const
{
    const size_t mask = table.size() - 1;
    for (size_t i = hashKey(key) & mask;; i = (i + 1) & mask) {
        const qint32 at = table[i];
        if (at < 0)
            return -1;
        if (sameKey(lines[size_t(at)].keyBytes(), key))
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
        if (sameKey(lines[size_t(at)].keyBytes(), key))
            return false;
    }
}

const IniFile::Line* IniFile::findLine(const QString& section, const QString& key) const
{
    const Section* s = findSection(section);
    if (!s)
        return nullptr;
    s->ensureIndex();
    const KeyBytes k(key);
    if (s->cursor < s->lines.size()) {
        const Line& l = s->lines[s->cursor];
        if (l.firstOfKey && !l.deleted && sameKey(l.keyBytes(), k.view())) {
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
        s->ensureIndex();
        for (const Line& l : s->lines) {
            if (l.firstOfKey && !l.deleted)
                names.append(QString::fromUtf8(l.keyBytes()));
        }
    }
    return names;
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const
{
    const Line* l = findLine(section, key);
    if (!l)
        return std::nullopt;
    QByteArrayView v = trimBlanks(QByteArrayView(l->raw).sliced(l->valueOffset));
    // A UTF-16 unit never needs more than four bytes, so this much input always covers the
    // characters that survive the cut; a huge value is never decoded as a whole.
    constexpr qsizetype kDecodeLimit = (kMaxValueLength + 1) * 4;
    if (v.size() > kDecodeLimit)
        v = v.first(kDecodeLimit);
    QString s = QString::fromUtf8(v);
    if (s.size() > kMaxValueLength) {
        s.truncate(kMaxValueLength);
        if (s.back().isHighSurrogate())
            s.chop(1);
    }
    return s;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& def) const
{
    return value(section, key).value_or(def);
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
    return readInteger(section, key, def ? 1 : 0) != 0;
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
    l.raw.reserve(key.size() + 1 + value.size());
    l.raw.append(key).append('=').append(singleLine(value).toUtf8());
    l.keyLength = key.size();
    l.valueOffset = key.size() + 1;
    return l;
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

void IniFile::refuseUnread() const
{
    if (m_unreadable)
        throw OperationError(QStringLiteral("Unable to read ") + m_path + QStringLiteral("; it was not changed"));
}

void IniFile::touched()
{
    refuseUnread();
    m_dirty = true;
    if (!m_batch) {
        writeFileAtomically(m_path, serialize());
        m_dirty = false;
    }
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    Section& s = sectionForWrite(section);
    s.ensureIndex();
    const KeyBytes k(key);
    const qsizetype at = s.find(k.view());
    if (at >= 0) {
        Line& l = s.lines[size_t(at)];
        const QByteArray spelling = l.keyBytes().toByteArray(); // the key keeps its spelling in the file
        l = makeEntry(spelling, value);
        l.firstOfKey = true;
    } else {
        s.lines.push_back(makeEntry(k.view(), value));
        s.lines.back().firstOfKey = s.insert(qsizetype(s.lines.size() - 1));
    }
    touched();
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
    const auto it = m_sectionIndex.find(QStringView(section));
    if (it == m_sectionIndex.end())
        return;
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
    touched();
}

void IniFile::deleteKey(const QString& section, const QString& key)
{
    Section* s = findSection(section);
    if (!s)
        return;
    if (!findLine(section, key))
        return;
    const KeyBytes k(key);
    for (Line& l : s->lines) {
        if (l.isEntry() && sameKey(l.keyBytes(), k.view()))
            l.deleted = true;
    }
    s->dropIndex();
    touched();
}

void IniFile::beginBatch()
{
    m_batch = true;
}

void IniFile::commit()
{
    m_batch = false;
    refuseUnread();
    if (m_dirty) {
        writeFileAtomically(m_path, serialize());
        m_dirty = false;
    }
}

QByteArray IniFile::serialize() const
{
    qsizetype total = 0;
    for (const Section& s : m_sections) {
        if (s.deleted)
            continue;
        total += s.header.size() + 2;
        for (const Line& l : s.lines)
            total += l.raw.size() + 2;
    }
    QByteArray out;
    out.reserve(total);
    for (const Section& s : m_sections) {
        if (s.deleted)
            continue;
        if (!s.header.isEmpty())
            out.append(s.header).append("\r\n");
        for (const Line& l : s.lines) {
            if (!l.deleted)
                out.append(l.raw).append("\r\n");
        }
    }
    return out;
}

} // namespace vx
