#include "platform/CodePage.h"

#include "platform/AsciiCase.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <atomic>
#include <cstring>

namespace vx {

namespace {

constexpr int kDefaultCodePage = 1252;
std::atomic<int> g_ansiCodePage{kDefaultCodePage};


bool converterExists(const char* name)
{
    return QStringDecoder(name).isValid() && QStringEncoder(name).isValid();
}

QByteArrayView trimLine(QByteArrayView line)
{
    while (!line.isEmpty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.chop(1);
    while (!line.isEmpty() && (line.front() == ' ' || line.front() == '\t'))
        line = line.sliced(1);
    return line;
}

// The key path of a section header "[System\\ControlSet001\\...] 1234", with the doubled
// backslashes of the file kept; empty for any other line.
QByteArrayView headerPath(QByteArrayView line)
{
    if (!line.startsWith('['))
        return {};
    const qsizetype close = line.lastIndexOf(']');
    return close > 1 ? line.sliced(1, close - 1) : QByteArrayView();
}

// A REG_SZ of digits: "ACP"="936".
std::optional<int> digitsValue(QByteArrayView line, QByteArrayView name)
{
    const QByteArray prefix = '"' + name.toByteArray() + "\"=\"";
    if (line.size() <= prefix.size() || !equalsIgnoringAsciiCase(line.first(prefix.size()), prefix))
        return std::nullopt;
    QByteArrayView rest = line.sliced(prefix.size());
    const qsizetype quote = rest.indexOf('"');
    if (quote <= 0)
        return std::nullopt;
    bool ok = false;
    const int cp = rest.first(quote).toInt(&ok);
    return ok && cp > 0 && cp < 65536 ? std::optional<int>(cp) : std::nullopt;
}

// The control set a "SymbolicLinkValue"=hex(6):... names, as "ControlSet001"; the hex bytes are
// UTF-16LE of "\Registry\Machine\System\ControlSet001" and may continue over lines ending in "\".
QString linkTarget(QByteArrayView hexText)
{
    QByteArray bytes;
    for (QByteArrayView part : QByteArrayView(hexText).toByteArray().split(',')) {
        const QByteArrayView t = trimLine(part);
        if (t.isEmpty())
            continue;
        bool ok = false;
        const uint b = t.toUInt(&ok, 16);
        if (!ok || b > 0xff)
            return {};
        bytes.append(char(b));
    }
    const QString path = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
    const qsizetype slash = path.lastIndexOf(u'\\');
    return slash >= 0 ? path.sliced(slash + 1) : QString();
}

} // namespace

namespace {

// Reads system.reg line by line and answers as soon as the rest of the file cannot change the
// answer, so that a prefix's large hive is not read to its end at every start.
class CodePageScan
{
public:
    void feed(QByteArrayView rawLine);
    // True once the answer is known: the CurrentControlSet key's ACP has been read to the end of
    // its key, or the link's target set's ACP is known and the keys after CurrentControlSet's
    // own subtree have begun (Wine writes keys in sorted order: none under it can follow).
    bool settled() const { return m_settled; }
    int result() const;

private:
    static constexpr QByteArrayView kCodePageTail = "\\\\Control\\\\Nls\\\\CodePage";
    static constexpr QByteArrayView kCurrent = "System\\\\CurrentControlSet";

    void header(QByteArrayView line);
    bool linkedKnown() const { return !m_linkedSet.isEmpty() && m_inControlSet.contains(m_linkedSet.toLower()); }

    std::optional<int> m_current;       // under CurrentControlSet itself
    QString m_linkedSet;                // the control set CurrentControlSet links to
    QHash<QString, int> m_inControlSet; // "controlset001" -> ACP
    enum class In { Other, CodePage, CurrentLink } m_in = In::Other;
    QString m_codePageSet;              // the control set of the CodePage key being read
    QByteArray m_hexLink;
    bool m_hexContinues = false;
    bool m_pastCurrentKey = false;      // a key outside CurrentControlSet's subtree followed it
    bool m_sawCurrentKey = false;
    bool m_settled = false;
};

void CodePageScan::header(QByteArrayView line)
{
    // The key whose values were being read has ended.
    if (m_in == In::CodePage && m_current && m_codePageSet == QStringLiteral("currentcontrolset")) {
        m_settled = true;
        return;
    }
    m_in = In::Other;
    const QByteArrayView path = headerPath(line);
    if (m_sawCurrentKey && !m_pastCurrentKey && !equalsIgnoringAsciiCase(path, kCurrent)) {
        const QByteArrayView under = path.first(std::min(path.size(), kCurrent.size() + 2));
        m_pastCurrentKey = !(under.size() == kCurrent.size() + 2
                             && equalsIgnoringAsciiCase(under.first(kCurrent.size()), kCurrent) && under.endsWith("\\\\"));
    }
    if (m_pastCurrentKey && linkedKnown()) {
        m_settled = true;
        return;
    }
    // Cheap test first: only the few keys ending in "CodePage" or the link are decoded.
    if (path.size() >= kCodePageTail.size() && equalsIgnoringAsciiCase(path.last(kCodePageTail.size()), kCodePageTail)) {
        const QString p = QString::fromUtf8(path);
        const QStringList parts = p.split(QStringLiteral("\\\\"));
        if (parts.size() == 5 && equalsIgnoringAsciiCase(parts[0], QStringLiteral("System"))) {
            m_in = In::CodePage;
            m_codePageSet = parts[1].toLower();
        }
    } else if (equalsIgnoringAsciiCase(path, kCurrent)) {
        m_in = In::CurrentLink;
        m_sawCurrentKey = true;
    }
}

void CodePageScan::feed(QByteArrayView rawLine)
{
    if (m_settled)
        return;
    const QByteArrayView line = trimLine(rawLine);
    if (m_hexContinues) {
        m_hexContinues = line.endsWith('\\');
        m_hexLink.append(m_hexContinues ? line.chopped(1) : line);
        if (!m_hexContinues)
            m_linkedSet = linkTarget(m_hexLink);
        return;
    }
    if (line.startsWith('[')) {
        header(line);
        return;
    }
    if (m_in == In::CodePage) {
        if (const auto cp = digitsValue(line, "ACP")) {
            if (m_codePageSet == QStringLiteral("currentcontrolset"))
                m_current = *cp;
            else
                m_inControlSet.insert(m_codePageSet, *cp);
        }
    } else if (m_in == In::CurrentLink) {
        constexpr QByteArrayView kLink = "\"SymbolicLinkValue\"=hex(6):";
        if (line.size() >= kLink.size() && equalsIgnoringAsciiCase(line.first(kLink.size()), kLink)) {
            QByteArrayView hex = line.sliced(kLink.size());
            m_hexContinues = hex.endsWith('\\');
            m_hexLink = (m_hexContinues ? hex.chopped(1) : hex).toByteArray();
            if (!m_hexContinues)
                m_linkedSet = linkTarget(m_hexLink);
        }
    }
}

int CodePageScan::result() const
{
    if (m_current)
        return *m_current;
    if (!m_linkedSet.isEmpty()) {
        const auto it = m_inControlSet.constFind(m_linkedSet.toLower());
        if (it != m_inControlSet.cend())
            return *it;
    }
    return m_inControlSet.value(QStringLiteral("controlset001"), kDefaultCodePage);
}

} // namespace

int ansiCodePageFromHive(QByteArrayView hive)
{
    CodePageScan scan;
    qsizetype pos = 0;
    while (pos < hive.size() && !scan.settled()) {
        qsizetype end = hive.indexOf('\n', pos);
        if (end < 0)
            end = hive.size();
        scan.feed(hive.sliced(pos, end - pos));
        pos = end + 1;
    }
    return scan.result();
}

int readAnsiCodePage(const QString& prefixDir)
{
    if (prefixDir.isEmpty())
        return kDefaultCodePage;
    QFile file(prefixDir + QStringLiteral("/system.reg"));
    if (!file.open(QIODevice::ReadOnly))
        return kDefaultCodePage;
    // Read in pieces and only as far as needed: a prefix's system.reg is megabytes long.
    CodePageScan scan;
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    qsizetype held = 0; // bytes of an unfinished line at the start of the buffer
    while (!scan.settled()) {
        if (held == buffer.size())
            buffer.resize(buffer.size() * 2); // a line longer than the buffer
        const qint64 n = file.read(buffer.data() + held, buffer.size() - held);
        if (n <= 0) {
            if (held > 0)
                scan.feed(QByteArrayView(buffer.constData(), held));
            break;
        }
        const QByteArrayView data(buffer.constData(), held + n);
        qsizetype pos = 0;
        for (qsizetype end; !scan.settled() && (end = data.indexOf('\n', pos)) >= 0; pos = end + 1)
            scan.feed(data.sliced(pos, end - pos));
        held = data.size() - pos;
        std::memmove(buffer.data(), buffer.constData() + pos, size_t(held));
    }
    return scan.result();
}

int ansiCodePage()
{
    return g_ansiCodePage.load(std::memory_order_relaxed);
}

void setAnsiCodePage(int codePage)
{
    g_ansiCodePage.store(codePage > 0 ? codePage : kDefaultCodePage, std::memory_order_relaxed);
}

QByteArray codePageConverterName(int codePage)
{
    switch (codePage) {
    case 65001:
        return "UTF-8";
    case 936:
        return "GBK";
    case 437:
    case 850:
    case 852:
    case 866:
        return "IBM" + QByteArray::number(codePage);
    case 20127:
        return "US-ASCII";
    case 28591:
        return "ISO-8859-1";
    default:
        break;
    }
    const QByteArray windowsName = "windows-" + QByteArray::number(codePage);
    if (converterExists(windowsName.constData()))
        return windowsName;
    return "windows-1252";
}

CodePageCodec::CodePageCodec(int codePage)
    : m_codePage(codePage),
      m_decoder(codePageConverterName(codePage).constData()),
      m_encoder(codePageConverterName(codePage).constData())
{
}

QString CodePageCodec::decode(QByteArrayView bytes)
{
    if (!m_decoder.isValid())
        return QString::fromLatin1(bytes); // a Qt without ICU: 1252 is close to Latin-1
    m_decoder.resetState();
    if (bytes.isEmpty() || uchar(bytes.back()) < 0x80)
        return m_decoder.decode(bytes);
    // The converter keeps a lead byte at the end for a next chunk that never comes; a line feed,
    // never part of a character, makes it read as a replacement character.
    QString text = m_decoder.decode(bytes.toByteArray() + '\n');
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

std::optional<QByteArray> CodePageCodec::encode(QStringView text)
{
    if (!m_encoder.isValid()) {
        for (QChar c : text) {
            if (c.unicode() > 0xff)
                return std::nullopt;
        }
        return text.toLatin1();
    }
    m_encoder.resetState();
    QByteArray bytes = m_encoder.encode(text);
    if (m_encoder.hasError())
        return std::nullopt;
    // A best-fit mapping ("A" for "A with macron") is no fit: it must read back as the same text.
    if (decode(bytes) != text)
        return std::nullopt;
    return bytes;
}

QString decodeFromCodePage(QByteArrayView bytes, int codePage)
{
    return CodePageCodec(codePage).decode(bytes);
}

std::optional<QByteArray> encodeInCodePage(QStringView text, int codePage)
{
    return CodePageCodec(codePage).encode(text);
}

} // namespace vx
