// Awkward values written by the CLI's JSON writer, read back by QJsonDocument.

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

void write(JsonWriter& w, const QJsonValue& v)
{
    switch (v.type()) {
    case QJsonValue::Object: {
        w.beginObject();
        const QJsonObject o = v.toObject();
        for (auto it = o.begin(); it != o.end(); ++it) { // in ascending key order
            const QByteArray key = it.key().toLatin1();
            w.key(QLatin1StringView(key));
            write(w, it.value());
        }
        w.endObject();
        break;
    }
    case QJsonValue::Array:
        w.beginArray();
        for (const QJsonValue& e : v.toArray())
            write(w, e);
        w.endArray();
        break;
    case QJsonValue::String:
        w.value(v.toString());
        break;
    case QJsonValue::Double:
        w.value(v.toInteger());
        break;
    case QJsonValue::Bool:
        w.value(v.toBool());
        break;
    default:
        w.null();
        break;
    }
}

QString units(std::u16string_view s)
{
    return QString(reinterpret_cast<const QChar*>(s.data()), qsizetype(s.size()));
}

TEST(JsonWriterTest, AwkwardValuesReadBackAsWritten)
{
    const QString pair = units(u"\U0001F600"sv); // one character, two UTF-16 units
    const std::pair<const char*, QJsonValue> cases[] = {
        {"empty string", u""_s},
        {"quote, backslash, slash", u"a \" b \\ c / d"_s},
        {"control characters", units(u"\b\f\n\r\t\x01\x1f\x7f \0 end"sv)},
        {"two- and three-byte UTF-8", units(u"\u00c4pfel \u20ac \u4e2d\u6587 \u07ff\u0800\ufffd\uffff"sv)},
        {"four-byte UTF-8", QString(pair + units(u" \U0010FFFF"sv))},
        {"lone high surrogate", units(u"\xd800x"sv)},
        {"lone low surrogate", units(u"y\xdc00"sv)},
        {"high surrogate at the end", units(u"z\xdbff"sv)},
        {"surrogates in the wrong order", QString(pair.mid(1) + pair.first(1))},
        {"long text over many pieces", QString(u"\u00e9\"\\"_s + pair + u"abc\n"_s).repeated(20000)},
        {"integers", QJsonArray{0, -1, 2147483647, qint64(-2147483648LL), std::numeric_limits<qint64>::max(),
                                std::numeric_limits<qint64>::min()}},
        {"booleans and null", QJsonArray{true, false, QJsonValue::Null}},
        {"empty containers", QJsonArray{QJsonArray(), QJsonObject(), QJsonArray{QJsonArray{}}}},
        {"nesting", QJsonObject{{u"a"_s, QJsonObject{{u"b"_s, QJsonArray{QJsonObject{{u"c"_s, pair}}, 1}}}},
                                {u"aa"_s, QJsonObject()},
                                {u"b"_s, QJsonValue::Null}}},
    };
    for (const auto& [name, value] : cases) {
        SCOPED_TRACE(name);
        // The value after a key, as a first and as a later element of an array.
        const QJsonObject document{{u"list"_s, QJsonArray{value, value}}, {u"value"_s, value}};
        QByteArray text;
        int pieces = 0;
        JsonWriter w([&](QByteArrayView piece) {
            text += piece;
            ++pieces;
        });
        write(w, document);
        w.finish();

        EXPECT_TRUE(QUtf8StringView(text).isValidUtf8());
        QJsonParseError error;
        const QJsonDocument read = QJsonDocument::fromJson(text, &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        EXPECT_EQ(read.object(), document);
        // The form every command has printed: QJsonDocument's indented text of the same content.
        EXPECT_EQ(text, QJsonDocument(document).toJson(QJsonDocument::Indented));
        if (text.size() > 200000) {
            EXPECT_GT(pieces, 2) << "a long text is handed over in pieces";
        }
    }
}

} // namespace
