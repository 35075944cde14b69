#include "cli/JsonWriter.h"

namespace vx {

namespace {

char hexDigit(uint v)
{
    return char(v < 10 ? '0' + v : 'a' + v - 10);
}

void appendUnicodeEscape(QByteArray& out, char16_t u)
{
    const char esc[6] = {'\\', 'u', hexDigit((u >> 12) & 0xf), hexDigit((u >> 8) & 0xf), hexDigit((u >> 4) & 0xf),
                         hexDigit(u & 0xf)};
    out.append(esc, 6);
}

} // namespace

JsonWriter::JsonWriter(Sink sink, qsizetype chunk) : m_sink(std::move(sink)), m_chunk(chunk)
{
    m_buf.reserve(m_chunk + 4096);
}

void JsonWriter::flushIfFull()
{
    if (m_buf.size() >= m_chunk) {
        m_sink(m_buf);
        m_buf.clear();
    }
}

void JsonWriter::beforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_counts.empty())
        return;
    m_buf.append(m_counts.back() > 0 ? ",\n" : "\n");
    ++m_counts.back();
    m_buf.append(QByteArray(4 * qsizetype(m_counts.size()), ' '));
}

void JsonWriter::key(QLatin1StringView name)
{
    beforeValue();
    m_buf.append('"');
    m_buf.append(name);
    m_buf.append("\": ");
    m_afterKey = true;
}

void JsonWriter::beginObject()
{
    beforeValue();
    m_buf.append('{');
    m_counts.push_back(0);
}

void JsonWriter::beginArray()
{
    beforeValue();
    m_buf.append('[');
    m_counts.push_back(0);
}

void JsonWriter::close(char bracket)
{
    // The last element's line ends; an empty container takes two lines as well.
    m_counts.pop_back();
    m_buf.append('\n');
    m_buf.append(QByteArray(4 * qsizetype(m_counts.size()), ' '));
    m_buf.append(bracket);
    flushIfFull();
}

void JsonWriter::endObject()
{
    close('}');
}

void JsonWriter::endArray()
{
    close(']');
}

void JsonWriter::value(const QString& text)
{
    beforeValue();
    m_buf.append('"');
    appendEscaped(text);
    m_buf.append('"');
    flushIfFull();
}

void JsonWriter::value(qint64 number)
{
    beforeValue();
    m_buf.append(QByteArray::number(number));
}

void JsonWriter::value(bool b)
{
    beforeValue();
    m_buf.append(b ? "true" : "false");
}

void JsonWriter::finish()
{
    m_buf.append('\n');
    m_sink(m_buf);
    m_buf.clear();
}

void JsonWriter::appendEscaped(const QString& text)
{
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* const end = p + text.size();
    while (p != end) {
        const char16_t u = *p++;
        if (u < 0x80) {
            if (u >= 0x20 && u != u'"' && u != u'\\') {
                m_buf.append(char(u));
                continue;
            }
            m_buf.append('\\');
            switch (u) {
            case u'"': m_buf.append('"'); break;
            case u'\\': m_buf.append('\\'); break;
            case 0x08: m_buf.append('b'); break;
            case 0x0c: m_buf.append('f'); break;
            case 0x0a: m_buf.append('n'); break;
            case 0x0d: m_buf.append('r'); break;
            case 0x09: m_buf.append('t'); break;
            default:
                m_buf.chop(1);
                appendUnicodeEscape(m_buf, u);
            }
        } else if (u < 0x800) {
            const char c[2] = {char(0xc0 | (u >> 6)), char(0x80 | (u & 0x3f))};
            m_buf.append(c, 2);
        } else if (QChar::isHighSurrogate(u) && p != end && QChar::isLowSurrogate(*p)) {
            const char32_t cp = QChar::surrogateToUcs4(u, *p++);
            const char c[4] = {char(0xf0 | (cp >> 18)), char(0x80 | ((cp >> 12) & 0x3f)),
                               char(0x80 | ((cp >> 6) & 0x3f)), char(0x80 | (cp & 0x3f))};
            m_buf.append(c, 4);
        } else if (QChar::isSurrogate(u)) {
            appendUnicodeEscape(m_buf, u);
        } else {
            const char c[3] = {char(0xe0 | (u >> 12)), char(0x80 | ((u >> 6) & 0x3f)), char(0x80 | (u & 0x3f))};
            m_buf.append(c, 3);
        }
    }
}

} // namespace vx
