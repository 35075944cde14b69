#include "platform/IniFile.h"

#include "platform/FileOps.h"
#include "platform/TimeText.h"

#include <QFile>

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
    if (!m_path.isEmpty() && file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
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

QString IniFile::fold(const QString& name)
{
    // Only the ASCII letters fold: two names differing in the case of any other letter differ.
    QString s = name;
    for (QChar& c : s) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    }
    return s;
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
            const QString key = fold(s.name);
            m_sections.push_back(std::move(s));
            if (!m_sectionIndex.contains(key))
                m_sectionIndex.insert(key, qsizetype(m_sections.size() - 1));
        } else {
            Line l;
            l.raw = line.toByteArray();
            const qsizetype eq = t.startsWith(';') ? -1 : line.indexOf('=');
            if (eq > 0) {
                const QByteArrayView keyBytes = trimBlanks(line.first(eq));
                if (!keyBytes.isEmpty()) {
                    l.key = QString::fromUtf8(keyBytes);
                    l.valueOffset = eq + 1;
                }
            }
            Section& s = m_sections.back();
            if (l.valueOffset >= 0) {
                const QString k = fold(l.key);
                if (!s.keyIndex.contains(k))
                    s.keyIndex.insert(k, qsizetype(s.lines.size()));
            }
            s.lines.push_back(std::move(l));
        }
        pos = end + 1;
    }
}

const IniFile::Section* IniFile::findSection(const QString& section) const
{
    const auto it = m_sectionIndex.constFind(fold(section));
    return it == m_sectionIndex.cend() ? nullptr : &m_sections[size_t(*it)];
}

IniFile::Section* IniFile::findSection(const QString& section)
{
    const auto it = m_sectionIndex.constFind(fold(section));
    return it == m_sectionIndex.cend() ? nullptr : &m_sections[size_t(*it)];
}

const IniFile::Line* IniFile::findLine(const QString& section, const QString& key) const
{
    const Section* s = findSection(section);
    if (!s)
        return nullptr;
    const auto it = s->keyIndex.constFind(fold(key));
    return it == s->keyIndex.cend() ? nullptr : &s->lines[size_t(*it)];
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
        if (!s.deleted && m_sectionIndex.value(fold(s.name), -1) == qsizetype(i))
            names.append(s.name);
    }
    return names;
}

QStringList IniFile::keyNames(const QString& section) const
{
    QStringList names;
    if (const Section* s = findSection(section)) {
        for (qsizetype i = 0; i < qsizetype(s->lines.size()); ++i) {
            const Line& l = s->lines[size_t(i)];
            if (!l.deleted && l.valueOffset >= 0 && s->keyIndex.value(fold(l.key), -1) == i)
                names.append(l.key);
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

IniFile::Line IniFile::makeEntry(const QString& key, const QString& value)
{
    Line l;
    l.key = key;
    const QByteArray k = key.toUtf8();
    l.raw = k + '=' + singleLine(value).toUtf8();
    l.valueOffset = k.size() + 1;
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
    m_sectionIndex.insert(fold(section), qsizetype(m_sections.size() - 1));
    return m_sections.back();
}

void IniFile::touched()
{
    m_dirty = true;
    if (!m_batch) {
        writeFileAtomically(m_path, serialize());
        m_dirty = false;
    }
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value)
{
    Section& s = sectionForWrite(section);
    const QString k = fold(key);
    const auto it = s.keyIndex.constFind(k);
    if (it != s.keyIndex.cend()) {
        Line& l = s.lines[size_t(*it)];
        l = makeEntry(l.key, value); // keeps the key's spelling as it stands in the file
    } else {
        s.keyIndex.insert(k, qsizetype(s.lines.size()));
        s.lines.push_back(makeEntry(key, value));
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
    const QString k = fold(section);
    const auto it = m_sectionIndex.constFind(k);
    if (it == m_sectionIndex.cend())
        return;
    // Later sections of the same name (a hand-edited file may repeat one) go as well, so that the
    // erased name really reads as missing afterwards.
    for (size_t i = size_t(*it); i < m_sections.size(); ++i) {
        if (!m_sections[i].deleted && fold(m_sections[i].name) == k && i > 0) {
            m_sections[i].deleted = true;
            m_sections[i].lines.clear();
            m_sections[i].keyIndex.clear();
        }
    }
    m_sectionIndex.remove(k);
    touched();
}

void IniFile::deleteKey(const QString& section, const QString& key)
{
    Section* s = findSection(section);
    if (!s)
        return;
    const QString k = fold(key);
    if (!s->keyIndex.contains(k))
        return;
    s->keyIndex.remove(k);
    for (qsizetype i = 0; i < qsizetype(s->lines.size()); ++i) {
        Line& l = s->lines[size_t(i)];
        if (l.deleted || l.valueOffset < 0 || fold(l.key) != k)
            continue;
        l.deleted = true;
    }
    touched();
}

void IniFile::beginBatch()
{
    m_batch = true;
}

void IniFile::commit()
{
    m_batch = false;
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
