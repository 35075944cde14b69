#include "platform/CodePage.h"

#include "platform/Errors.h"
#include "platform/registry/WineHive.h"

#include <QFile>
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

// A REG_SZ of digits, such as "936".
std::optional<int> codePageValue(const std::optional<RegValue>& value)
{
    if (!value || value->type != REG_SZ)
        return std::nullopt;
    bool ok = false;
    const int cp = value->text().toInt(&ok);
    return ok && cp > 0 && cp < 65536 ? std::optional<int>(cp) : std::nullopt;
}

QString& prefixOfCodePage()
{
    static QString prefix;
    return prefix;
}

} // namespace

int ansiCodePageFromHive(QByteArrayView systemReg)
{
    std::optional<WineHive> hive;
    try {
        hive = WineHive::parse(systemReg.toByteArray(), QStringLiteral("system.reg"));
    } catch (const OperationError&) {
        return kDefaultCodePage; // Wine does not read such a file either
    }
    const auto acpOf = [&](const QString& controlSet) {
        const WineHive::KeyId key =
            hive->findKey({QStringLiteral("System"), controlSet, QStringLiteral("Control"),
                           QStringLiteral("Nls"), QStringLiteral("CodePage")});
        return key == WineHive::kNoKey ? std::nullopt : codePageValue(hive->value(key, u"ACP"));
    };
    // Debian's Wine keeps the keys under CurrentControlSet itself; newer Wine makes it a link to a
    // numbered set ("\Registry\Machine\System\ControlSet001"), and ControlSet001 is the set it
    // makes current when the link cannot be read.
    if (const auto cp = acpOf(QStringLiteral("CurrentControlSet")))
        return *cp;
    const WineHive::KeyId current =
        hive->findKey({QStringLiteral("System"), QStringLiteral("CurrentControlSet")});
    if (current != WineHive::kNoKey) {
        if (const auto link = hive->value(current, u"SymbolicLinkValue")) {
            const QString target = link->text();
            if (const auto cp = acpOf(target.sliced(target.lastIndexOf(u'\\') + 1)))
                return *cp;
        }
    }
    return acpOf(QStringLiteral("ControlSet001")).value_or(kDefaultCodePage);
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
    int cp = g_ansiCodePage.load(std::memory_order_relaxed);
    if (cp == 0) {
        // Looked up at the first need: most runs read and write only UTF-8 files.
        cp = readAnsiCodePage(prefixOfCodePage());
        g_ansiCodePage.store(cp, std::memory_order_relaxed);
    }
    return cp;
}

void setAnsiCodePage(int codePage)
{
    g_ansiCodePage.store(codePage > 0 ? codePage : kDefaultCodePage, std::memory_order_relaxed);
}

void useAnsiCodePageOfPrefix(const QString& prefixDir)
{
    prefixOfCodePage() = prefixDir;
    g_ansiCodePage.store(0, std::memory_order_relaxed);
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
    : m_codePage(codePage), m_decoder(codePageConverterName(codePage).constData()),
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
