#include "platform/PeImports.h"

#include "platform/AsciiCase.h"

#include <QFile>

#include <unordered_set>
#include <vector>

using namespace Qt::StringLiterals;

namespace vx {

namespace {

constexpr qint64 kMaxReadBytes = qint64(64) * 1024 * 1024;
constexpr int kImportDirectoryIndex = 1;
constexpr qint64 kDescriptorSize = 20;
// A module name longer than a Windows path is no module name.
constexpr qint64 kMaxNameLength = 260;

class Bytes
{
public:
    explicit Bytes(const QByteArray& data)
        : m_data(reinterpret_cast<const uchar*>(data.constData())), m_size(data.size())
    {
    }
    qint64 size() const { return m_size; }
    bool has(qint64 offset, qint64 length) const
    {
        return offset >= 0 && length >= 0 && offset <= m_size && length <= m_size - offset;
    }
    uchar u8(qint64 offset) const { return has(offset, 1) ? m_data[offset] : 0; }
    quint16 u16(qint64 offset) const
    {
        return has(offset, 2) ? quint16(m_data[offset] | (m_data[offset + 1] << 8)) : 0;
    }
    quint32 u32(qint64 offset) const
    {
        return has(offset, 4) ? quint32(u16(offset)) | (quint32(u16(offset + 2)) << 16) : 0;
    }

private:
    const uchar* m_data;
    qint64 m_size;
};

struct Section
{
    qint64 virtualAddress;
    qint64 virtualExtent; // max(VirtualSize, SizeOfRawData)
    qint64 rawSize;
    qint64 rawPointer;
};

// File offset of an RVA and how many bytes of the section's raw data follow it there; -1 when
// no section holds the RVA in its file data.
qint64 fileOffset(const std::vector<Section>& sections, qint64 rva, qint64* available)
{
    for (const Section& s : sections) {
        if (rva >= s.virtualAddress && rva < s.virtualAddress + s.virtualExtent) {
            const qint64 into = rva - s.virtualAddress;
            if (into >= s.rawSize)
                return -1; // in the zero-filled tail: nothing in the file
            *available = s.rawSize - into;
            return s.rawPointer + into;
        }
    }
    return -1;
}

PeImports failure(const QString& why)
{
    PeImports r;
    r.error = why;
    return r;
}

} // namespace

PeImports parsePeImports(const QByteArray& image)
{
    const Bytes bytes(image);
    if (!bytes.has(0, 0x40) || bytes.u16(0) != 0x5A4D)
        return failure(u"not a Windows executable (no MZ header)"_s);
    const qint64 peOffset = bytes.u32(0x3C);
    if (!bytes.has(peOffset, 24) || bytes.u32(peOffset) != 0x00004550)
        return failure(u"not a PE file (no PE signature)"_s);
    const qint64 coff = peOffset + 4;
    const qint64 sectionCount = bytes.u16(coff + 2);
    const qint64 optionalSize = bytes.u16(coff + 16);
    const qint64 optional = peOffset + 24;
    if (optionalSize < 2 || !bytes.has(optional, optionalSize))
        return failure(u"the optional header is truncated"_s);

    const quint16 magic = bytes.u16(optional);
    qint64 countAt = 0, directoriesAt = 0;
    if (magic == 0x10B) {
        countAt = 92;
        directoriesAt = 96;
    } else if (magic == 0x20B) {
        countAt = 108;
        directoriesAt = 112;
    } else {
        return failure(u"unknown optional header magic 0x"_s + QString::number(magic, 16));
    }
    if (optionalSize < countAt + 4)
        return failure(u"the optional header is too short"_s);
    const qint64 directoryCount = bytes.u32(optional + countAt);
    const qint64 importEntry = optional + directoriesAt + 8 * kImportDirectoryIndex;
    if (directoryCount <= kImportDirectoryIndex || importEntry + 8 > optional + optionalSize)
        return PeImports{true, {}, {}}; // no import directory at all
    const qint64 importRva = bytes.u32(importEntry);
    if (importRva == 0)
        return PeImports{true, {}, {}};

    const qint64 sectionTable = optional + optionalSize;
    if (!bytes.has(sectionTable, 40 * sectionCount))
        return failure(u"the section table is truncated"_s);
    std::vector<Section> sections;
    sections.reserve(size_t(sectionCount));
    for (qint64 i = 0; i < sectionCount; ++i) {
        const qint64 at = sectionTable + 40 * i;
        const qint64 virtualSize = bytes.u32(at + 8);
        const qint64 rawSize = bytes.u32(at + 16);
        const qint64 rawPointer = bytes.u32(at + 20);
        // Raw data past the end of the file counts only as far as the file goes.
        const qint64 inFile = rawPointer < bytes.size() ? std::min(rawSize, bytes.size() - rawPointer) : 0;
        sections.push_back({qint64(bytes.u32(at + 12)), std::max(virtualSize, rawSize), inFile, rawPointer});
    }

    PeImports result;
    result.ok = true;
    std::unordered_set<QString, AsciiFoldHash, AsciiFoldEqual> seen;
    std::unordered_set<qint64> namesRead; // descriptors that share a name cost one read
    for (qint64 rva = importRva;; rva += kDescriptorSize) {
        qint64 available = 0;
        const qint64 at = fileOffset(sections, rva, &available);
        if (at < 0 || available < kDescriptorSize)
            return failure(u"the import table runs outside the file at RVA 0x"_s + QString::number(rva, 16));
        const quint32 nameRva = bytes.u32(at + 12);
        const quint32 firstThunk = bytes.u32(at + 16);
        if (nameRva == 0 && firstThunk == 0 && bytes.u32(at) == 0)
            break; // the closing all-zero descriptor
        if (nameRva == 0)
            return failure(u"an import descriptor at RVA 0x"_s + QString::number(rva, 16) + u" names no module"_s);
        if (!namesRead.insert(nameRva).second)
            continue;
        qint64 nameAvailable = 0;
        const qint64 nameAt = fileOffset(sections, nameRva, &nameAvailable);
        if (nameAt < 0)
            return failure(u"an imported module's name lies outside the file (RVA 0x"_s + QString::number(nameRva, 16) +
                           u')');
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
            return failure(u"an imported module's name at RVA 0x"_s + QString::number(nameRva, 16) +
                           u" does not end"_s);
        const QString module = QString::fromLatin1(name);
        if (seen.insert(module).second)
            result.modules.append(module);
    }
    return result;
}

PeImports readPeImports(const QString& hostPath)
{
    QFile f(hostPath);
    if (!f.open(QIODevice::ReadOnly))
        return failure(u"cannot be read: "_s + f.errorString());
    // Asked for no more than the file holds: read(n) allocates n bytes first.
    return parsePeImports(f.read(std::min(f.size(), kMaxReadBytes)));
}

} // namespace vx
