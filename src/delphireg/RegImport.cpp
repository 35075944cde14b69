#include "delphireg/RegImport.h"

#include "delphireg/RegExport.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"

#include <QStringDecoder>
#include <QSysInfo>
#include <optional>

using namespace Qt::StringLiterals;

namespace vx {

namespace {

struct DecodedText
{
    QString text;
    bool oddUtf16 = false; // a UTF-16 file with a byte left over at its end
};

DecodedText decodeText(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    DecodedText out;

    if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
        const bool little = p[0] == 0xFF;
        const qsizetype units = (n - 2) / 2;
        out.text = QString(units, Qt::Uninitialized);
        QChar* d = out.text.data();
        for (qsizetype i = 0; i < units; ++i) {
            const uchar a = p[2 + 2 * i];
            const uchar b = p[3 + 2 * i];
            d[i] = QChar(little ? char16_t(a | (b << 8)) : char16_t(b | (a << 8)));
        }
        out.oddUtf16 = (n - 2) % 2 != 0;
        return out;
    }

    const bool utf8Bom = n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    out.text = utf8.decode(QByteArrayView(bytes).sliced(utf8Bom ? 3 : 0));
    if (!utf8.hasError() || utf8Bom)
        return out;

    // Not UTF-8: a file in the ANSI code page, as registry editors write and read REGEDIT4 text.
    out.text = decodeFromCodePage(bytes, ansiCodePage());
    return out;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

void skipBlanks(QStringView t, qsizetype& pos)
{
    while (pos < t.size() && isBlank(t[pos]))
        ++pos;
}

QStringView trimmedBlanks(QStringView t)
{
    qsizetype from = 0;
    skipBlanks(t, from);
    qsizetype to = t.size();
    while (to > from && isBlank(t[to - 1]))
        --to;
    return t.sliced(from, to - from);
}

bool isHeader(QStringView t)
{
    const QStringView s = trimmedBlanks(t);
    return s == u"REGEDIT4" || s == u"Windows Registry Editor Version 5.00";
}

// A root name as a .reg file may spell it: long or short form, any case.
struct RootName
{
    const char16_t* longName;
    const char16_t* shortName;
    std::optional<RegRoot> root; // nullopt: a root of Windows that the store does not hold
};

constexpr RootName kRootNames[] = {
    {u"HKEY_CURRENT_USER", u"HKCU", RegRoot::CurrentUser},
    {u"HKEY_LOCAL_MACHINE", u"HKLM", RegRoot::LocalMachine},
    {u"HKEY_CLASSES_ROOT", u"HKCR", RegRoot::ClassesRoot},
    {u"HKEY_USERS", u"HKU", RegRoot::Users},
    {u"HKEY_CURRENT_CONFIG", u"HKCC", std::nullopt},
    {u"HKEY_DYN_DATA", u"HKDD", std::nullopt},
    {u"HKEY_PERFORMANCE_DATA", u"HKPD", std::nullopt},
};

const RootName* findRootName(QStringView name)
{
    for (const RootName& r : kRootNames) {
        if (name.compare(QStringView(r.longName), Qt::CaseInsensitive) == 0 ||
            name.compare(QStringView(r.shortName), Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}

// The user whose settings user.reg holds: Wine gives every prefix this one SID.
constexpr char16_t kWineUserSid[] = u"S-1-5-21-0-0-0-1000";

// Windows refuses longer key and value names; Wine drops them when it next saves the hive.
constexpr qsizetype kMaxKeyNameLength = 255;
constexpr qsizetype kMaxValueNameLength = 16383;

// The start of a piece of text for an error message.
QString excerpt(QStringView t, qsizetype max = 24)
{
    return t.size() <= max ? t.toString() : t.first(max).toString() + u"..."_s;
}

class Parser
{
  public:
    // `bytes` must outlive the parser: UTF-16LE text (what Wine's reg export and the snapshots
    // write) is read where it lies instead of being copied.
    Parser(const QByteArray& bytes, const QString& fileName) : m_fileName(fileName)
    {
        if (const std::optional<QStringView> text = utf16LeTextInPlace(bytes)) {
            m_text = *text;
            m_oddUtf16 = (bytes.size() - 2) % 2 != 0;
        } else {
            DecodedText decoded = decodeText(bytes);
            m_decoded = std::move(decoded.text);
            m_oddUtf16 = decoded.oddUtf16;
            m_text = m_decoded;
        }
        while (!m_text.isEmpty() && m_text.back().isNull())
            m_text.chop(1);
    }

    std::vector<RegOperation> run()
    {
        // A line asks for one operation at most: room for all of them at once spares a large
        // file the copies of a growing list.
        m_ops.reserve(size_t(m_text.count(u'\n') + 1));
        bool header = false;
        while (nextLine()) {
            qsizetype pos = 0;
            skipBlanks(m_line, pos);
            const QStringView t = m_line.sliced(pos);
            if (t.isEmpty() || t[0] == u';' || t[0] == u'#')
                continue;
            if (!header) {
                if (!isHeader(t))
                    fail(u"not a registry file: the first line must be \"REGEDIT4\" or "
                         "\"Windows Registry Editor Version 5.00\""_s);
                header = true;
                continue;
            }
            if (isHeader(t))
                continue;
            if (t[0] == u'[')
                keyLine(t);
            else if (t[0] == u'"' || t[0] == u'@')
                valueLine(t);
            else
                fail(u"unrecognised line \"%1\""_s.arg(excerpt(t)));
        }
        if (!header)
            fail(u"not a registry file: the file is empty"_s);
        if (m_oddUtf16)
            fail(u"the file ends in the middle of a UTF-16 character"_s);
        return std::move(m_ops);
    }

  private:
    [[noreturn]] void fail(const QString& what) const
    {
        throw OperationError(u"%1, line %2: %3"_s.arg(m_fileName, QString::number(qMax(m_lineNo, 1)), what));
    }

    // Moves to the next line; false at the end of the text.
    bool nextLine()
    {
        const qsizetype n = m_text.size();
        if (m_next >= n)
            return false;
        const QChar* s = m_text.constData();
        qsizetype end = m_next;
        while (end < n && s[end] != u'\n' && s[end] != u'\r') {
            if (s[end].isNull()) {
                ++m_lineNo;
                fail(u"the line contains a NUL character"_s);
            }
            ++end;
        }
        m_line = QStringView(s + m_next, end - m_next);
        ++m_lineNo;
        if (end < n && s[end] == u'\r' && end + 1 < n && s[end + 1] == u'\n')
            ++end;
        m_next = end + 1;
        return true;
    }

    // Blanks, then optionally a ';' comment, to the end of the line.
    void expectEnd(QStringView t, qsizetype pos, QStringView after) const
    {
        skipBlanks(t, pos);
        if (pos < t.size() && t[pos] != u';')
            fail(u"unexpected text \"%1\" after %2"_s.arg(excerpt(t.sliced(pos)), after));
    }

    void keyLine(QStringView t)
    {
        const qsizetype close = t.lastIndexOf(u']');
        if (close < 0)
            fail(u"the key name has no closing \"]\""_s);
        expectEnd(t, close + 1, u"the key name");
        QStringView name = t.sliced(1, close - 1);
        const bool remove = name.startsWith(u'-');
        if (remove)
            name = name.sliced(1);
        const qsizetype sep = name.indexOf(u'\\');
        const QStringView rootName = sep < 0 ? name : name.first(sep);
        const RootName* root = findRootName(rootName);
        if (!root)
            fail(u"unknown root key \"%1\""_s.arg(excerpt(rootName)));
        QStringList parts = sep < 0 ? QStringList() : splitKeyPath(name.sliced(sep + 1).toString());
        std::optional<RegRoot> target = root->root;
        if (target == RegRoot::Users) {
            // HKEY_USERS holds the prefix's one user (user.reg) and the default user (userdef.reg,
            // which is not ours to write): only the former is taken, as HKEY_CURRENT_USER.
            if (!parts.isEmpty() && parts[0].compare(QStringView(kWineUserSid), Qt::CaseInsensitive) == 0) {
                parts.removeFirst();
                target = RegRoot::CurrentUser;
            } else {
                target.reset();
            }
        }
        if (!target)
            fail(u"the key \"%1\" cannot be written: only HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, "
                 u"HKEY_CLASSES_ROOT "
                 "and HKEY_USERS\\%2 are kept in the Wine prefix's registry files"_s.arg(
                     excerpt(name, 300), QStringView(kWineUserSid)));
        for (const QString& part : std::as_const(parts)) {
            if (part.size() > kMaxKeyNameLength)
                fail(u"the key name \"%1\" is longer than %2 characters"_s.arg(
                    excerpt(part), QString::number(kMaxKeyNameLength)));
        }
        const QString path = parts.join(u'\\');

        RegOperation op;
        op.root = *target;
        op.path = path;
        op.line = m_lineNo;
        if (remove) {
            if (path.isEmpty())
                fail(u"a root key cannot be deleted"_s);
            op.kind = RegOperation::Kind::DeleteTree;
            m_keyOpen = false;
            m_afterDelete = true;
        } else {
            op.kind = RegOperation::Kind::CreateKey;
            m_keyRoot = *target;
            m_keyPath = path;
            m_keyOpen = true;
        }
        m_ops.push_back(std::move(op));
    }

    // A quoted text whose opening quote is at t[pos]; pos ends after the closing quote.
    QString quoted(QStringView t, qsizetype& pos, QStringView what) const
    {
        QString out;
        const qsizetype n = t.size();
        ++pos;
        while (pos < n) {
            // The characters up to the next quote or backslash go in as one piece.
            qsizetype run = pos;
            while (run < n && t[run] != u'"' && t[run] != u'\\')
                ++run;
            if (run > pos) {
                out += t.sliced(pos, run - pos);
                pos = run;
                continue;
            }
            const QChar c = t[pos++];
            if (c == u'"')
                return out;
            if (pos == n)
                break;
            const QChar e = t[pos++];
            switch (e.unicode()) {
            case u'\\':
            case u'"':
                out += e;
                break;
            case u'n':
                out += u'\n';
                break;
            case u'r':
                out += u'\r';
                break;
            default:
                fail(u"unknown escape sequence \"\\%1\" in the %2"_s.arg(QString(e), what));
            }
        }
        fail(u"the %1 has no closing quote"_s.arg(what));
    }

    void valueLine(QStringView t)
    {
        if (!m_keyOpen)
            fail(m_afterDelete ? u"a value line after a key deletion, with no key line in between"_s
                               : u"a value line before any key line"_s);
        qsizetype pos = 0;
        QString name;
        if (t[0] == u'@')
            pos = 1;
        else
            name = quoted(t, pos, u"value name");
        if (name.size() > kMaxValueNameLength)
            fail(u"the value name \"%1\" is longer than %2 characters"_s.arg(
                excerpt(name), QString::number(kMaxValueNameLength)));
        skipBlanks(t, pos);
        if (pos == t.size() || t[pos] != u'=')
            fail(u"expected \"=\" after the value name"_s);
        ++pos;
        skipBlanks(t, pos);
        const QStringView data = t.sliced(pos);

        RegOperation op;
        op.kind = RegOperation::Kind::SetValue;
        op.root = m_keyRoot;
        op.path = m_keyPath;
        op.line = m_lineNo;
        if (data.startsWith(u'"')) {
            qsizetype p = 0;
            const QString text = quoted(data, p, u"string");
            expectEnd(data, p, u"the closing quote");
            op.value = RegValue::string(name, text);
        } else if (data.startsWith(u'-')) {
            expectEnd(data, 1, u"\"-\"");
            op.kind = RegOperation::Kind::DeleteValue;
            op.value.name = name;
        } else if (data.startsWith(u"dword:", Qt::CaseInsensitive)) {
            op.value = RegValue::dword(name, dword(data.sliced(6)));
        } else if (data.startsWith(u"hex", Qt::CaseInsensitive) && data.size() > 3 &&
                   (data[3] == u':' || data[3] == u'(')) {
            qsizetype p = 3;
            op.value.name = name;
            op.value.type = REG_BINARY;
            if (data[p] == u'(')
                op.value.type = hexType(data, p);
            op.value.data = hexBytes(data, p + 1);
        } else if (data.isEmpty()) {
            fail(u"the value has no data after \"=\""_s);
        } else {
            fail(u"unrecognised value data \"%1\""_s.arg(excerpt(data)));
        }
        m_ops.push_back(std::move(op));
    }

    quint32 dword(QStringView t) const
    {
        qsizetype pos = 0;
        skipBlanks(t, pos);
        const qsizetype from = pos;
        quint64 v = 0;
        while (pos < t.size() && hexValue(t[pos]) >= 0)
            v = ((v << 4) | quint64(hexValue(t[pos++]))) & 0xFFFFFFFFFULL;
        const qsizetype digits = pos - from;
        if (pos < t.size() && !isBlank(t[pos]) && t[pos] != u';')
            fail(u"bad dword value \"%1\""_s.arg(excerpt(t.sliced(from))));
        if (digits == 0)
            fail(u"the dword value has no hex digits"_s);
        if (digits > 8)
            fail(u"dword value out of range (more than 8 hex digits)"_s);
        expectEnd(t, pos, u"the dword value");
        return quint32(v);
    }

    // The type of "hex(N):" with t[pos] == '('; pos ends at the ':'.
    quint32 hexType(QStringView t, qsizetype& pos) const
    {
        const qsizetype from = ++pos;
        quint32 v = 0;
        while (pos < t.size() && hexValue(t[pos]) >= 0 && pos - from < 8)
            v = (v << 4) | quint32(hexValue(t[pos++]));
        if (pos == from || pos + 1 >= t.size() || t[pos] != u')' || t[pos + 1] != u':')
            fail(u"bad value type \"%1\": expected hex(N): with up to 8 hex digits"_s.arg(excerpt(t)));
        ++pos;
        return v;
    }

    // Comma-separated hex bytes from t[pos], continued on following lines after a '\'.
    QByteArray hexBytes(QStringView t, qsizetype pos)
    {
        QByteArray out;
        const int firstLine = m_lineNo;
        bool expectByte = true;
        for (;;) {
            skipBlanks(t, pos);
            if (pos == t.size() || t[pos] == u';')
                return out;
            const QChar c = t[pos];
            if (c == u'\\') {
                qsizetype rest = pos + 1;
                skipBlanks(t, rest);
                if (rest != t.size())
                    fail(u"unexpected text after the line continuation \"\\\""_s);
                t = continuationLine(firstLine);
                pos = 0;
                expectByte = true;
                continue;
            }
            if (!expectByte) {
                if (c != u',')
                    fail(u"bad hex data \"%1\": bytes must be separated by commas"_s.arg(
                        excerpt(t.sliced(pos))));
                ++pos;
                expectByte = true;
                continue;
            }
            const int hi = hexValue(c);
            if (hi < 0)
                fail(u"bad hex data \"%1\""_s.arg(excerpt(t.sliced(pos))));
            ++pos;
            int byte = hi;
            if (pos < t.size() && hexValue(t[pos]) >= 0) {
                byte = (hi << 4) | hexValue(t[pos]);
                ++pos;
                if (pos < t.size() && hexValue(t[pos]) >= 0)
                    fail(u"bad hex data \"%1\": more than two hex digits in a byte"_s.arg(
                        excerpt(t.sliced(pos - 2))));
            }
            out.append(char(byte));
            expectByte = false;
        }
    }

    // The next line that is neither empty nor a comment.
    QStringView continuationLine(int firstLine)
    {
        while (nextLine()) {
            const QStringView s = trimmedBlanks(m_line);
            if (!s.isEmpty() && s[0] != u';' && s[0] != u'#')
                return m_line;
        }
        m_lineNo = firstLine;
        fail(u"the hex data continues past the end of the file"_s);
    }

    QString m_fileName;
    QString m_decoded;  // the text when it had to be decoded
    QStringView m_text; // the text the lines are read from
    bool m_oddUtf16 = false;
    qsizetype m_next = 0;
    QStringView m_line;
    int m_lineNo = 0;

    bool m_keyOpen = false;
    bool m_afterDelete = false;
    RegRoot m_keyRoot = RegRoot::CurrentUser;
    QString m_keyPath;
    std::vector<RegOperation> m_ops;
};

QString keyText(const RegOperation& op)
{
    return op.path.isEmpty() ? regRootName(op.root) : regRootName(op.root) + u'\\' + op.path;
}

[[noreturn]] void refuse(const QString& fileName, const RegOperation& op)
{
    throw OperationError(
        u"%1, line %2: the key %3 cannot be written"_s.arg(fileName, QString::number(op.line), keyText(op)));
}

} // namespace

std::optional<QStringView> utf16LeTextInPlace(const QByteArray& bytes)
{
    if (QSysInfo::ByteOrder != QSysInfo::LittleEndian || bytes.size() < 2 || uchar(bytes[0]) != 0xFF ||
        uchar(bytes[1]) != 0xFE || quintptr(bytes.constData()) % alignof(char16_t) != 0)
        return std::nullopt;
    return QStringView(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
}

std::vector<RegOperation> parseRegFile(const QByteArray& bytes, const QString& fileName)
{
    return Parser(bytes, fileName).run();
}

RegImportSummary importRegFile(const QByteArray& bytes, RegistryStore& store, const QString& fileName)
{
    const std::vector<RegOperation> ops = parseRegFile(bytes, fileName);
    // Every hive the file reaches is read before anything changes, so that one Wine would refuse
    // stops the import while nothing is pending yet.
    QList<RegRoot> roots;
    for (const RegOperation& op : ops) {
        if (!roots.contains(op.root)) {
            roots.append(op.root);
            store.keyExists(op.root, QString());
        }
    }
    RegImportSummary summary;
    for (const RegOperation& op : ops) {
        switch (op.kind) {
        case RegOperation::Kind::CreateKey:
            if (!store.createKey(op.root, op.path))
                refuse(fileName, op);
            ++summary.keys;
            break;
        case RegOperation::Kind::DeleteTree:
            store.deleteTree(op.root, op.path);
            ++summary.deletions;
            break;
        case RegOperation::Kind::SetValue:
            if (!store.setValue(op.root, op.path, op.value) &&
                !(store.createKey(op.root, op.path) && store.setValue(op.root, op.path, op.value)))
                refuse(fileName, op);
            ++summary.values;
            break;
        case RegOperation::Kind::DeleteValue:
            store.deleteValue(op.root, op.path, op.value.name);
            ++summary.deletions;
            break;
        }
    }
    return summary;
}

} // namespace vx
