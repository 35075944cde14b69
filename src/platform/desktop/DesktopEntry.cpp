#include "platform/desktop/DesktopEntry.h"

using namespace Qt::StringLiterals;

namespace vx {

namespace {

// A value of type string or localestring: backslash, line breaks and tabs escaped, and a leading
// blank kept by "\s".
QString escapeValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        switch (c.unicode()) {
        case u'\\':
            out += u"\\\\"_s;
            break;
        case u'\n':
            out += u"\\n"_s;
            break;
        case u'\r':
            out += u"\\r"_s;
            break;
        case u'\t':
            out += u"\\t"_s;
            break;
        case u' ':
            out += i == 0 ? u"\\s"_s : u" "_s;
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString list(const QStringList& items)
{
    QString out;
    for (const QString& item : items) {
        QString escaped = escapeValue(item);
        escaped.replace(u';', u"\\;"_s);
        out += escaped + u';';
    }
    return out;
}

} // namespace

QString desktopExecArgument(const QString& argument)
{
    static const QString reserved = u" \t\n\"'\\><~|&;$*?#()`"_s;
    bool quote = argument.isEmpty();
    for (QChar c : argument)
        quote = quote || reserved.contains(c);
    QString out;
    if (quote)
        out += u'"';
    for (QChar c : argument) {
        if (quote && (c == u'"' || c == u'`' || c == u'$' || c == u'\\'))
            out += u'\\';
        out += c;
        if (c == u'%')
            out += u'%';
    }
    if (quote)
        out += u'"';
    return out;
}

QByteArray desktopEntryBytes(const DesktopEntry& entry)
{
    QStringList args;
    for (const QString& a : entry.exec)
        args << desktopExecArgument(a);
    if (!entry.execFieldCode.isEmpty())
        args << entry.execFieldCode;

    QString text = u"[Desktop Entry]\n"_s
                   u"Type=Application\n"_s
                   u"Version=1.0\n"_s;
    text += u"Name="_s + escapeValue(entry.name) + u'\n';
    if (!entry.comment.isEmpty())
        text += u"Comment="_s + escapeValue(entry.comment) + u'\n';
    // The Exec value is a string: the quoting's backslashes are escaped once more.
    text += u"Exec="_s + escapeValue(args.join(u' ')) + u'\n';
    if (!entry.workingDir.isEmpty())
        text += u"Path="_s + escapeValue(entry.workingDir) + u'\n';
    if (!entry.icon.isEmpty())
        text += u"Icon="_s + escapeValue(entry.icon) + u'\n';
    text += u"Terminal="_s + (entry.terminal ? u"true"_s : u"false"_s) + u'\n';
    if (entry.noDisplay)
        text += u"NoDisplay=true\n"_s;
    if (!entry.mimeTypes.isEmpty())
        text += u"MimeType="_s + list(entry.mimeTypes) + u'\n';
    if (!entry.categories.isEmpty())
        text += u"Categories="_s + list(entry.categories) + u'\n';
    return text.toUtf8();
}

} // namespace vx
