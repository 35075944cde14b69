#pragma once

#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>
#include <functional>
#include <string>

namespace vx {

// Writes JSON as it is produced, in the indented form every JSON output of vorlix7-cli has: four
// spaces per level, "key": value, an empty container as its brackets on two lines, the document
// ended by a line end; strings in UTF-8 with ", \ and control characters escaped, and a lone
// surrogate (which has no UTF-8 form) as \uXXXX. Only a small buffer is held, so a document costs
// no memory beyond what it is written from.
//
// Keys are written as given: callers give them in ascending order, the order the program's JSON
// has always had.
class JsonWriter
{
  public:
    // `sink` receives the text in pieces of about 64 KiB, and the rest at finish().
    using Sink = std::function<void(QByteArrayView)>;
    explicit JsonWriter(Sink sink);

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // Names the next value, inside an object. Names are plain ASCII and written as they are.
    JsonWriter& key(QLatin1StringView name);
    void value(const QString& text);
    void value(qint64 number);
    void value(int number) { value(qint64(number)); }
    void value(bool b);
    void value(const char*) = delete; // would be taken as a bool
    void null();
    // Ends the document with a line end and hands the rest to the sink.
    void finish();

  private:
    void beforeValue();
    void close(char bracket);
    void appendEscaped(const QString& text);
    void flushIfFull();

    Sink m_sink;
    std::string m_buf; // appended to directly: many small pieces, cheaper than a QByteArray
    int m_depth = 0;
    bool m_first = true;     // no element yet in the innermost open container
    bool m_afterKey = false; // a key was written; its value follows on the same line
};

} // namespace vx
