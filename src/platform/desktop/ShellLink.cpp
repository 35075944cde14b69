#include "platform/desktop/ShellLink.h"

#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/FileOps.h"

#include <QtEndian>

using namespace Qt::StringLiterals;

namespace vx {

namespace {

// Header flags: link information present, working directory and arguments present, strings in
// UTF-16. No item list: Wine finds the target through the link information alone.
constexpr quint32 kHasLinkInfo = 0x2;
constexpr quint32 kHasWorkingDir = 0x10;
constexpr quint32 kHasArguments = 0x20;
constexpr quint32 kIsUnicode = 0x80;
constexpr int kHeaderSize = 0x4C;
constexpr int kLinkInfoHeaderSize = 0x1C;
constexpr int kMaxPath = 259; // MAX_PATH less the terminating zero

void put16(QByteArray& out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void put32(QByteArray& out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void putString(QByteArray& out, const QString& s)
{
    put16(out, quint16(s.size()));
    for (QChar c : s)
        put16(out, c.unicode());
}

} // namespace

QByteArray shellLinkBytes(const ShellLinkData& link, int codePage, const QString& linkName)
{
    const auto refuse = [&](const QString& why) {
        return OperationError(u"Cannot write the shortcut "_s + linkName + u": "_s + why);
    };
    if (link.target.isEmpty())
        throw refuse(u"it has no target."_s);
    for (const QString* s : {&link.target, &link.workingDir, &link.arguments}) {
        if (s->size() > kMaxPath)
            throw refuse(u"the path "_s + *s + u" is longer than "_s + QString::number(kMaxPath) +
                         u" characters."_s);
    }
    const std::optional<QByteArray> base = encodeInCodePage(link.target, codePage);
    if (!base || base->contains('\0'))
        throw refuse(u"the target "_s + link.target + u" cannot be written in code page "_s +
                     QString::number(codePage) + u'.');

    quint32 flags = kHasLinkInfo | kIsUnicode;
    if (!link.workingDir.isEmpty())
        flags |= kHasWorkingDir;
    if (!link.arguments.isEmpty())
        flags |= kHasArguments;

    QByteArray out;
    put32(out, kHeaderSize);
    static const unsigned char clsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                            0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    out.append(reinterpret_cast<const char*>(clsid), 16);
    put32(out, flags);
    put32(out, 0);           // file attributes: unknown
    out.append(3 * 8, '\0'); // creation, access and write times: unknown
    put32(out, 0);           // file size
    put32(out, 0);           // icon index
    put32(out, 1);           // show normally
    put16(out, 0);           // no hot key
    out.append(10, '\0');    // reserved

    // Link information: a fixed local volume without a label, then the target path.
    const quint32 volumeSize = 0x11; // four fields and the empty label's zero
    const quint32 volumeOffset = kLinkInfoHeaderSize;
    const quint32 basePathOffset = volumeOffset + volumeSize;
    const quint32 suffixOffset = basePathOffset + quint32(base->size()) + 1;
    const quint32 infoSize = suffixOffset + 1;
    put32(out, infoSize);
    put32(out, kLinkInfoHeaderSize);
    put32(out, 1); // volume and local base path present
    put32(out, volumeOffset);
    put32(out, basePathOffset);
    put32(out, 0); // no network location
    put32(out, suffixOffset);
    put32(out, volumeSize);
    put32(out, 3); // fixed drive
    put32(out, 0); // serial number
    put32(out, 0x10);
    out.append('\0');
    out.append(*base);
    out.append('\0');
    out.append('\0'); // empty common path suffix

    if (flags & kHasWorkingDir)
        putString(out, link.workingDir);
    if (flags & kHasArguments)
        putString(out, link.arguments);
    put32(out, 0); // no extra data blocks
    return out;
}

void writeShellLink(const QString& hostPath, const ShellLinkData& link)
{
    writeFileAtomically(hostPath, shellLinkBytes(link, ansiCodePage(), hostPath));
}

} // namespace vx
