#include "platform/pe/PeImports.h"

#include "platform/AsciiCase.h"
#include "platform/pe/PeImage.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace vx {

namespace {

constexpr int kImportDirectoryIndex = 1;
constexpr qint64 kDescriptorSize = 20;
// A module name longer than a Windows path is no module name.
constexpr qint64 kMaxNameLength = 260;

PeImports failure(const QString& why)
{
    PeImports r;
    r.error = why;
    return r;
}

} // namespace

PeImports parsePeImports(QByteArrayView image)
{
    const pe::Bytes bytes(image);
    QString why;
    const std::optional<pe::Layout> layout = pe::readLayout(bytes, &why);
    if (!layout)
        return failure(why);
    PeImports result;
    result.headersRead = true;
    result.machine = layout->machine;
    result.pe32Plus = layout->pe32Plus;
    const auto fail = [&result](const QString& reason) {
        result.ok = false;
        result.error = reason;
        result.modules.clear();
        return result;
    };
    result.ok = true;
    const qint64 importRva = layout->directory(bytes, kImportDirectoryIndex).first;
    if (importRva == 0)
        return result; // no import directory at all
    if (layout->sectionTableTruncated)
        return fail(u"the section table is truncated"_s);

    QSet<AsciiCaseName> seen;
    QSet<qint64> namesRead; // descriptors that share a name cost one read
    for (qint64 rva = importRva;; rva += kDescriptorSize) {
        qint64 available = 0;
        const qint64 at = layout->fileOffset(bytes, rva, &available);
        if (at < 0 || available < kDescriptorSize)
            return fail(u"the import table runs outside the file at RVA 0x"_s + QString::number(rva, 16));
        // Wine's loader takes the table to end at the first descriptor without a name or without
        // an address table, whatever its other fields hold; what follows is never loaded.
        const quint32 nameRva = bytes.u32(at + 12);
        const quint32 firstThunk = bytes.u32(at + 16);
        if (nameRva == 0 || firstThunk == 0)
            break;
        if (namesRead.contains(nameRva))
            continue;
        namesRead.insert(nameRva);
        qint64 nameAvailable = 0;
        const qint64 nameAt = layout->fileOffset(bytes, nameRva, &nameAvailable);
        if (nameAt < 0)
            return fail(u"an imported module's name lies outside the file (RVA 0x"_s +
                        QString::number(nameRva, 16) + u')');
        QByteArray name;
        const qint64 limit = std::min(nameAvailable, kMaxNameLength + 1);
        qint64 n = 0;
        for (; n < limit; ++n) {
            const uchar c = bytes.u8(nameAt + n);
            if (c == 0)
                break;
            name.append(char(c));
        }
        if (n == limit)
            return fail(u"an imported module's name at RVA 0x"_s + QString::number(nameRva, 16) +
                        u" does not end"_s);
        const QString module = QString::fromLatin1(name);
        if (!seen.contains({module})) {
            seen.insert({module});
            result.modules.append(module);
        }
    }
    return result;
}

PeImports readPeImports(const QString& hostPath)
{
    const pe::MappedFile file(hostPath);
    return file.ok() ? parsePeImports(file.bytes()) : failure(file.error());
}

} // namespace vx
