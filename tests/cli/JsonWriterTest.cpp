// Awkward strings written by the CLI's JSON writer inside nested containers: QJsonDocument must
// read back the same content and print the same indented text.

#include "cli/JsonWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUtf8StringView>
#include <gtest/gtest.h>
#include <limits>

using namespace Qt::StringLiterals;
using namespace std::string_view_literals;
using namespace vx;

namespace {

QString units(std::u16string_view s)
{
    return QString(reinterpret_cast<const QChar*>(s.data()), qsizetype(s.size()));
}

TEST(JsonWriterTest, EscapedStringsInNestedContainersReadBackAsWritten)
{
    const QString pair = units(u"\U0001F600"sv); // one character, two UTF-16 units
    const std::pair<const char*, QString> cases[] = {
        {"empty string", u""_s},
        {"quote, backslash, slash", u"a \" b \\ c / d"_s},
        {"control characters", units(u"\b\f\n\r\t\x01\x1f\x7f \0 end"sv)},
        {"two- and three-byte UTF-8", units(u"\u00c4pfel \u20ac \u4e2d\u6587 \u07ff\u0800\ufffd\uffff"sv)},
        {"four-byte UTF-8", QString(pair + units(u" \U0010FFFF"sv))},
        {"lone high surrogate", units(u"\xd800x"sv)},
        {"lone low surrogate", units(u"y\xdc00"sv)},
        {"high surrogate at the end", units(u"z\xdbff"sv)},
        {"long text over many pieces", QString(u"\u00e9\"\\"_s + pair + u"abc\n"_s).repeated(20000)},
    };
    constexpr qint64 kMin = std::numeric_limits<qint64>::min(), kMax = std::numeric_limits<qint64>::max();
    for (const auto& [name, s] : cases) {
        SCOPED_TRACE(name);
        QByteArray text;
        int pieces = 0;
        JsonWriter w([&](QByteArrayView piece) {
            text += piece;
            ++pieces;
        });
        // The string after a key, and as a first and a later element of arrays beside other values
        // and empty containers.
        w.beginObject();
        w.key("list"_L1).beginArray();
        w.value(s);
        w.beginObject();
        w.key("a"_L1).beginArray();
        w.endArray();
        w.key("b"_L1).value(s);
        w.endObject();
        w.value(kMin);
        w.value(kMax);
        w.value(-1);
        w.value(true);
        w.null();
        w.endArray();
        w.key("value"_L1).value(s);
        w.endObject();
        w.finish();
        const QJsonObject document{{u"list"_s, QJsonArray{s, QJsonObject{{u"a"_s, QJsonArray()}, {u"b"_s, s}},
                                                          kMin, kMax, -1, true, QJsonValue::Null}},
                                   {u"value"_s, s}};

        EXPECT_TRUE(QUtf8StringView(text).isValidUtf8());
        QJsonParseError error;
        const QJsonDocument read = QJsonDocument::fromJson(text, &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        EXPECT_EQ(read.object(), document);
        EXPECT_EQ(text, QJsonDocument(document).toJson(QJsonDocument::Indented));
        if (text.size() > 200000) {
            EXPECT_GT(pieces, 2) << "a long text is handed over in pieces";
        }
    }
}

} // namespace
