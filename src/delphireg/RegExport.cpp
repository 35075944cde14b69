#include "delphireg/RegExport.h"

#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace vx {

QString regRootName(RegRoot root)
{
    switch (root) {
    case RegRoot::ClassesRoot:
        return u"HKEY_CLASSES_ROOT"_s;
    case RegRoot::CurrentUser:
        return u"HKEY_CURRENT_USER"_s;
    case RegRoot::LocalMachine:
        return u"HKEY_LOCAL_MACHINE"_s;
    case RegRoot::Users:
        return u"HKEY_USERS"_s;
    case RegRoot::CurrentConfig:
        return u"HKEY_CURRENT_CONFIG"_s;
    }
    return {};
}

QString escapeRegText(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        if (c == u'\\')
            out += u"\\\\"_s;
        else if (c == u'"')
            out += u"\\\""_s;
        else if (c == u'\n') // a raw line break would cut the value line in two
            out += u"\\n"_s;
        else if (c == u'\r')
            out += u"\\r"_s;
        else
            out += c;
    }
    return out;
}

QString regDataText(const RegValue& value)
{
    switch (value.type) {
    case REG_SZ:
        return escapeRegText(value.text());
    case REG_DWORD: {
        quint32 v = 0;
        for (int i = 0; i < 4 && i < value.data.size(); ++i)
            v |= quint32(uchar(value.data[i])) << (8 * i);
        return QString::number(qint32(v)); // a short value reads as its bytes present
    }
    case REG_BINARY: {
        static constexpr char16_t hex[] = u"0123456789ABCDEF";
        QString s;
        s.reserve(value.data.size() * 3);
        for (char b : value.data) {
            s += QChar(hex[uchar(b) >> 4]);
            s += QChar(hex[uchar(b) & 15]);
            s += u' ';
        }
        return s;
    }
    default:
        return {};
    }
}

namespace {

void exportKey(const RegistryStore& store, RegRoot root, const QString& path, QStringList& lines)
{
    if (!store.keyExists(root, path))
        return;
    for (const QString& name : store.valueNames(root, path)) {
        const auto v = store.value(root, path, name);
        if (!v)
            continue;
        lines.append(u'"' + escapeRegText(name) + u"\"=\""_s + regDataText(*v) + u'"');
    }
    for (const QString& sub : store.subKeyNames(root, path)) {
        const QString child = path + u'\\' + sub;
        lines.append(QString());
        lines.append(u'[' + regRootName(root) + u'\\' + child + u']');
        exportKey(store, root, child, lines);
    }
}

} // namespace

void exportTree(const RegistryStore& store, RegRoot root, const QString& path, QStringList& lines)
{
    const QString rootName = regRootName(root);
    if (rootName.isEmpty())
        return;
    lines.append(QString());
    lines.append(u'[' + rootName + u'\\' + path + u']');
    exportKey(store, root, path, lines);
}

QByteArray regFileBytes(const QStringList& lines, int codePage)
{
    QString text;
    for (const QString& l : lines)
        text.append(l).append(u"\r\n");
    // Code-page text that would also pass for UTF-8 (rare, such as "\u00d8\u02dc" in 1252) is read
    // as UTF-8 by our own import, which accepts older UTF-8 backups: it takes the Unicode form too.
    if (const std::optional<QByteArray> ansi = encodeInCodePage(text, codePage)) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString asUtf8 = utf8.decode(*ansi);
        if (utf8.hasError() || asUtf8 == text)
            return *ansi;
    }

    if (!lines.isEmpty() && lines.first() == u"REGEDIT4")
        text.replace(0, lines.first().size(), QString::fromUtf16(kRegUnicodeHeader));
    QByteArray out("\xff\xfe", 2);
    out.reserve(2 + text.size() * 2);
    for (const QChar c : std::as_const(text)) {
        out.append(char(c.unicode() & 0xff));
        out.append(char(c.unicode() >> 8));
    }
    return out;
}

} // namespace vx
