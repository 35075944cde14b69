#include "platform/CodePage.h"

#include "platform/AsciiCase.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>
#include <atomic>

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

int ansiCodePageFromHive(QByteArrayView hive)
{
    constexpr QByteArrayView kCodePageTail = "\\\\Control\\\\Nls\\\\CodePage";
    constexpr QByteArrayView kCurrent = "System\\\\CurrentControlSet";

    std::optional<int> current;      // under CurrentControlSet itself
    QString linkedSet;               // the control set CurrentControlSet links to
    QHash<QString, int> inControlSet; // "controlset001" -> ACP
    enum class In { Other, CodePage, CurrentLink } in = In::Other;
    QString codePageSet;             // the control set of the CodePage key being read

    qsizetype pos = 0;
    QByteArray hexLink;
    bool hexContinues = false;
    while (pos < hive.size()) {
        qsizetype end = hive.indexOf('\n', pos);
        if (end < 0)
            end = hive.size();
        const QByteArrayView line = trimLine(hive.sliced(pos, end - pos));
        pos = end + 1;

        if (hexContinues) {
            hexContinues = line.endsWith('\\');
            hexLink.append(hexContinues ? line.chopped(1) : line);
            if (!hexContinues)
                linkedSet = linkTarget(hexLink);
            continue;
        }
        if (line.startsWith('[')) {
            in = In::Other;
            const QByteArrayView path = headerPath(line);
            // Cheap test first: only the few keys ending in "CodePage" or the link are decoded.
            if (path.size() >= kCodePageTail.size() && equalsIgnoringAsciiCase(path.last(kCodePageTail.size()), kCodePageTail)) {
                const QString p = QString::fromUtf8(path);
                const QStringList parts = p.split(QStringLiteral("\\\\"));
                if (parts.size() == 5 && equalsIgnoringAsciiCase(parts[0], QStringLiteral("System"))) {
                    in = In::CodePage;
                    codePageSet = parts[1].toLower();
                }
            } else if (equalsIgnoringAsciiCase(path, kCurrent)) {
                in = In::CurrentLink;
            }
            continue;
        }
        if (in == In::CodePage) {
            if (const auto cp = digitsValue(line, "ACP")) {
                if (codePageSet == QStringLiteral("currentcontrolset"))
                    current = *cp;
                else
                    inControlSet.insert(codePageSet, *cp);
            }
        } else if (in == In::CurrentLink) {
            constexpr QByteArrayView kLink = "\"SymbolicLinkValue\"=hex(6):";
            if (line.size() >= kLink.size() && equalsIgnoringAsciiCase(line.first(kLink.size()), kLink)) {
                QByteArrayView hex = line.sliced(kLink.size());
                hexContinues = hex.endsWith('\\');
                hexLink = (hexContinues ? hex.chopped(1) : hex).toByteArray();
                if (!hexContinues)
                    linkedSet = linkTarget(hexLink);
            }
        }
    }
    if (current)
        return *current;
    if (!linkedSet.isEmpty()) {
        const auto it = inControlSet.constFind(linkedSet.toLower());
        if (it != inControlSet.cend())
            return *it;
    }
    return inControlSet.value(QStringLiteral("controlset001"), kDefaultCodePage);
}

int readAnsiCodePage(const QString& prefixDir)
{
    if (prefixDir.isEmpty())
        return kDefaultCodePage;
    QFile file(prefixDir + QStringLiteral("/system.reg"));
    if (!file.open(QIODevice::ReadOnly))
        return kDefaultCodePage;
    return ansiCodePageFromHive(file.readAll());
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
