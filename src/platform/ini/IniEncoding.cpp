#include "platform/ini/IniEncoding.h"

#include "platform/CodePage.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>

namespace vx {

QString encodingName(const IniFileEncoding& encoding)
{
    switch (encoding.kind) {
    case IniEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case IniEncoding::Utf8Bom:
        return QStringLiteral("UTF-8 with BOM");
    case IniEncoding::Utf16LE:
        return QStringLiteral("UTF-16 LE");
    case IniEncoding::Utf16BE:
        return QStringLiteral("UTF-16 BE");
    case IniEncoding::CodePage:
        break;
    }
    return QStringLiteral("code page ") + QString::number(encoding.codePage);
}

namespace ini {

namespace {

bool startsWithBom(QByteArrayView bytes)
{
    return bytes.size() >= 3 && bytes[0] == '\xEF' && bytes[1] == '\xBB' && bytes[2] == '\xBF';
}

} // namespace

QString utf8Text(QByteArrayView bytes)
{
    if (!startsWithBom(bytes))
        return QString::fromUtf8(bytes);
    QString text;
    while (startsWithBom(bytes)) {
        text.append(QChar(0xFEFF));
        bytes = bytes.sliced(3);
    }
    text.append(QString::fromUtf8(bytes));
    return text;
}

bool isAscii(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (uchar(c) >= 0x80)
            return false;
    }
    return true;
}

IniFileEncoding encodingOf(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return {IniEncoding::Utf8Bom, 0};
    if (bytes.startsWith("\xFF\xFE"))
        return {IniEncoding::Utf16LE, 0};
    if (bytes.startsWith("\xFE\xFF"))
        return {IniEncoding::Utf16BE, 0};
    if (bytes.isValidUtf8())
        return {IniEncoding::Utf8, 0};
    return {IniEncoding::CodePage, ansiCodePage()};
}

std::optional<std::pair<FileStamp, IniFileEncoding>> fileForm(const QString& path)
{
    const IniFileEncoding empty = encodingOf({});
    if (path.isEmpty())
        return std::pair{FileStamp{}, empty};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!QFileInfo::exists(path))
            return std::pair{FileStamp{}, empty};
        return std::nullopt;
    }
    const FileStamp stamp = fileStamp(file.handle());
    if (!stamp.exists || QFileInfo(path).isDir())
        return std::nullopt;
    // The file is valid UTF-8 when every piece is, each piece ending where a character starts:
    // the bytes of a character that a read cut off go with the next piece.
    constexpr qint64 kPiece = 64 * 1024;
    QByteArray piece;
    qsizetype carried = 0;
    bool first = true;
    bool valid = true;
    for (;;) {
        piece.resize(carried + kPiece);
        const qint64 n = file.read(piece.data() + carried, kPiece);
        if (n < 0)
            return std::nullopt;
        piece.truncate(carried + qsizetype(n));
        const bool atEnd = n == 0;
        if (first && (piece.size() >= 3 || atEnd)) {
            first = false;
            const IniFileEncoding e =
                encodingOf(QByteArrayView(piece).first(std::min<qsizetype>(piece.size(), 3)));
            if (e.kind != IniEncoding::Utf8 && e.kind != IniEncoding::CodePage)
                return std::pair{stamp, e};
        }
        if (first) {
            carried = piece.size(); // fewer than three bytes so far: the mark is not decided yet
            continue;
        }
        qsizetype cut = piece.size();
        if (!atEnd) {
            // Back to the start of the last character (at most four bytes back).
            while (cut > 0 && piece.size() - cut < 4 && (uchar(piece[cut - 1]) & 0xC0) == 0x80)
                --cut;
            if (cut > 0)
                --cut;
        }
        if (!QByteArrayView(piece).first(cut).isValidUtf8()) {
            valid = false;
            break;
        }
        carried = piece.size() - cut;
        if (atEnd)
            break;
        std::memmove(piece.data(), piece.constData() + cut, size_t(carried));
    }
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return std::pair{stamp, valid ? IniFileEncoding{IniEncoding::Utf8, 0}
                                  : IniFileEncoding{IniEncoding::CodePage, ansiCodePage()}};
}

} // namespace ini

} // namespace vx
