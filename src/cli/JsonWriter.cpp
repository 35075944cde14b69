#include "cli/JsonWriter.h"

#include <charconv>

namespace vx {

namespace {

constexpr size_t kChunk = 64 * 1024;

char hexDigit(uint v)
{
    return char(v < 10 ? '0' + v : 'a' + v - 10);
}

} // namespace

JsonWriter::JsonWriter(Sink sink) : m_sink(std::move(sink))
{
    m_buf.reserve(kChunk + 4096);
}

void JsonWriter::flushIfFull()
{
    if (m_buf.size() < kChunk)
        return;
    m_sink(QByteArrayView(m_buf.data(), qsizetype(m_buf.size())));
    m_buf.clear(); // keeps the capacity
}

// A value opens a line of its own, after the comma that ends the one before, unless it follows
// its key.
void JsonWriter::beforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_depth == 0)
        return;
    m_buf.append(m_first ? "\n" : ",\n");
    m_buf.append(4 * size_t(m_depth), ' ');
    m_first = false;
}

JsonWriter& JsonWriter::key(QLatin1StringView name)
{
    beforeValue();
    m_buf += '"';
    m_buf.append(name.data(), size_t(name.size()));
    m_buf.append("\": ", 3);
    m_afterKey = true;
    return *this;
}

void JsonWriter::beginObject()
{
    beforeValue();
    m_buf += '{';
    ++m_depth;
    m_first = true;
}

void JsonWriter::beginArray()
{
    beforeValue();
    m_buf += '[';
    ++m_depth;
    m_first = true;
}

// The last element's line ends; an empty container takes two lines as well. The container just
// closed is an element of the one around it, so that one is not empty.
void JsonWriter::close(char bracket)
{
    --m_depth;
    m_buf += '\n';
    m_buf.append(4 * size_t(m_depth), ' ');
    m_buf += bracket;
    m_first = false;
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
    m_buf += '"';
    appendEscaped(text);
    m_buf += '"';
    flushIfFull();
}

void JsonWriter::value(qint64 number)
{
    beforeValue();
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    m_buf.append(digits, end);
}

void JsonWriter::value(bool b)
{
    beforeValue();
    m_buf.append(b ? "true" : "false");
}

void JsonWriter::null()
{
    beforeValue();
    m_buf.append("null");
}

void JsonWriter::finish()
{
    m_buf += '\n';
    m_sink(QByteArrayView(m_buf.data(), qsizetype(m_buf.size())));
    m_buf.clear();
}

void JsonWriter::appendEscaped(const QString& text)
{
    // Room for the worst case (six bytes per UTF-16 unit), written through a pointer, then cut.
    const size_t start = m_buf.size();
    m_buf.resize(start + 6 * size_t(text.size()));
    char* out = m_buf.data() + start;
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* const end = p + text.size();
    const auto escape = [&out](char16_t u) {
        *out++ = '\\';
        *out++ = 'u';
        *out++ = hexDigit((u >> 12) & 0xf);
        *out++ = hexDigit((u >> 8) & 0xf);
        *out++ = hexDigit((u >> 4) & 0xf);
        *out++ = hexDigit(u & 0xf);
    };
    while (p != end) {
        const char16_t u = *p++;
        if (u < 0x80) {
            if (u >= 0x20 && u != u'"' && u != u'\\') {
                *out++ = char(u);
                continue;
            }
            char shortForm = 0;
            switch (u) {
            case u'"':
                shortForm = '"';
                break;
            case u'\\':
                shortForm = '\\';
                break;
            case 0x08:
                shortForm = 'b';
                break;
            case 0x0c:
                shortForm = 'f';
                break;
            case 0x0a:
                shortForm = 'n';
                break;
            case 0x0d:
                shortForm = 'r';
                break;
            case 0x09:
                shortForm = 't';
                break;
            default:
                break;
            }
            if (shortForm) {
                *out++ = '\\';
                *out++ = shortForm;
            } else {
                escape(u);
            }
        } else if (u < 0x800) {
            *out++ = char(0xc0 | (u >> 6));
            *out++ = char(0x80 | (u & 0x3f));
        } else if (QChar::isHighSurrogate(u) && p != end && QChar::isLowSurrogate(*p)) {
            const char32_t cp = QChar::surrogateToUcs4(u, *p++);
            *out++ = char(0xf0 | (cp >> 18));
            *out++ = char(0x80 | ((cp >> 12) & 0x3f));
            *out++ = char(0x80 | ((cp >> 6) & 0x3f));
            *out++ = char(0x80 | (cp & 0x3f));
        } else if (QChar::isSurrogate(u)) {
            escape(u); // a lone surrogate has no UTF-8 form
        } else {
            *out++ = char(0xe0 | (u >> 12));
            *out++ = char(0x80 | ((u >> 6) & 0x3f));
            *out++ = char(0x80 | (u & 0x3f));
        }
    }
    m_buf.resize(size_t(out - m_buf.data()));
}

} // namespace vx
