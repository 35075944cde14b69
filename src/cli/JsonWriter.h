#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <string>
#include <vector>

namespace vx {

// Writes JSON as it is produced, in exactly the form QJsonDocument::toJson(Indented) gives: four
// spaces per level, "key": value, an empty container as its brackets on two lines, strings in
// UTF-8 with ", \ and control characters escaped, a lone surrogate as \uXXXX. Unlike building a
// QJsonDocument, nothing but a small buffer is held: a project of any size costs no more memory
// than the project itself. QJsonObject orders its keys; callers give keys in that order
// (ascending by UTF-16 code units).
class JsonWriter
{
public:
    // `sink` receives the text in pieces of about `chunk` bytes, and the rest at finish().
    using Sink = std::function<void(const QByteArray&)>;
    explicit JsonWriter(Sink sink, qsizetype chunk = 64 * 1024);

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // Names the next value, inside an object. Names are plain ASCII and written as they are.
    void key(QLatin1StringView name);
    void value(const QString& text);
    void value(qint64 number);
    void value(int number) { value(qint64(number)); }
    void value(bool b);
    void null();
    // Ends the document with a line end and hands the rest to the sink.
    void finish();

private:
    void beforeValue();
    void close(char bracket);
    void appendEscaped(const QString& text);
    void flushIfFull();
    void handOver(); // gives the buffer to the sink and empties it

    Sink m_sink;
    qsizetype m_chunk;
    std::string m_buf; // appended to directly: many small pieces

    std::vector<int> m_counts; // elements written so far in each open container
    bool m_afterKey = false;
};

} // namespace vx
