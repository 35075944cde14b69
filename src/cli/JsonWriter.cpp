#include "cli/JsonWriter.h"

#include <algorithm>
#include <cstdio>

namespace vx {

namespace {

char hexDigit(uint v)
{
    return char(v < 10 ? '0' + v : 'a' + v - 10);
}

void appendIndent(std::string& out, size_t depth)
{
    out.append(4 * depth, ' ');
}

} // namespace

JsonWriter::JsonWriter(Sink sink, qsizetype chunk) : m_sink(std::move(sink)), m_chunk(chunk)
{
    m_buf.reserve(size_t(m_chunk) + 4096);
}

void JsonWriter::flushIfFull()
{
    if (qsizetype(m_buf.size()) >= m_chunk)
        handOver();
}

void JsonWriter::handOver()
{
    m_sink(QByteArray::fromRawData(m_buf.data(), qsizetype(m_buf.size())));
    m_buf.clear();
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
    appendIndent(m_buf, m_counts.size());
}

void JsonWriter::key(QLatin1StringView name)
{
    beforeValue();
    m_buf += '"';
    m_buf.append(name.data(), size_t(name.size()));
    m_buf.append("\": ", 3);
    m_afterKey = true;
}

void JsonWriter::beginObject()
{
    beforeValue();
    m_buf += '{';
    m_counts.push_back(0);
}

void JsonWriter::beginArray()
{
    beforeValue();
    m_buf += '[';
    m_counts.push_back(0);
}

void JsonWriter::close(char bracket)
{
    // The last element's line ends; an empty container takes two lines as well.
    m_counts.pop_back();
    m_buf += '\n';
    appendIndent(m_buf, m_counts.size());
    m_buf += bracket;
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
    const int n = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(number));
    m_buf.append(digits, size_t(n));
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
    handOver();
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
            char short_ = 0;
            switch (u) {
            case u'"': short_ = '"'; break;
            case u'\\': short_ = '\\'; break;
            case 0x08: short_ = 'b'; break;
            case 0x0c: short_ = 'f'; break;
            case 0x0a: short_ = 'n'; break;
            case 0x0d: short_ = 'r'; break;
            case 0x09: short_ = 't'; break;
            default: break;
            }
            if (short_) {
                *out++ = '\\';
                *out++ = short_;
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
