#include "platform/pe/PeImage.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vx::pe {

std::pair<quint32, quint32> Layout::directory(const Bytes& bytes, int index) const
{
    if (index < 0 || index >= directoryCount)
        return {0, 0};
    const qint64 entry = directoriesAt + 8 * qint64(index);
    return {bytes.u32(entry), bytes.u32(entry + 4)};
}

qint64 Layout::fileOffset(const Bytes& bytes, qint64 rva, qint64* available) const
{
    for (const Section& s : sections) {
        if (rva < s.virtualAddress || rva >= s.virtualAddress + s.virtualExtent)
            continue;
        const qint64 delta = rva - s.virtualAddress;
        if (delta >= s.rawSize) // zero-filled tail of the section: nothing stored in the file
            return -1;
        const qint64 offset = s.rawPointer + delta;
        if (!bytes.has(offset, 1))
            return -1;
        if (available)
            *available = std::min(s.rawSize - delta, bytes.size() - offset);
        return offset;
    }
    return -1;
}

std::optional<Layout> readLayout(const Bytes& bytes, QString* why)
{
    const auto refuse = [why](const QString& reason) -> std::optional<Layout> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    if (!bytes.has(0, 0x40) || bytes.u16(0) != 0x5A4D) // "MZ"
        return refuse(u"not a Windows executable (no MZ header)"_s);
    const qint64 peOffset = bytes.u32(0x3C);
    if (!bytes.has(peOffset, 24) || bytes.u32(peOffset) != 0x00004550) // "PE\0\0"
        return refuse(u"not a PE file (no PE signature)"_s);

    const qint64 coff = peOffset + 4;
    const qint64 sectionCount = bytes.u16(coff + 2);
    const qint64 optionalSize = bytes.u16(coff + 16);
    const qint64 optional = peOffset + 24;
    if (optionalSize < 2 || !bytes.has(optional, optionalSize))
        return refuse(u"the optional header is truncated"_s);

    qint64 countField = 0;
    qint64 directories = 0;
    const quint16 magic = bytes.u16(optional);
    switch (magic) {
    case 0x10B: // PE32
        countField = 92;
        directories = 96;
        break;
    case 0x20B: // PE32+
        countField = 108;
        directories = 112;
        break;
    default:
        return refuse(u"unknown optional header magic 0x"_s + QString::number(magic, 16));
    }

    Layout layout;
    layout.machine = quint16(bytes.u16(coff));
    layout.pe32Plus = magic == 0x20B;
    layout.directoriesAt = optional + directories;
    // The directory array has to lie inside the optional header as well as inside the file.
    if (countField + 4 <= optionalSize) {
        const qint64 declared = bytes.u32(optional + countField);
        const qint64 fitting = std::max<qint64>(0, (optionalSize - directories) / 8);
        layout.directoryCount = std::min(declared, fitting);
    }

    // Only as many section headers as the file actually holds are considered, whatever the count.
    const qint64 table = optional + optionalSize;
    const qint64 present = bytes.has(table, 0) ? (bytes.size() - table) / 40 : 0;
    const qint64 count = std::min(sectionCount, present);
    layout.sectionTableTruncated = count < sectionCount;
    layout.sections.reserve(size_t(count));
    for (qint64 i = 0; i < count; ++i) {
        const qint64 header = table + 40 * i;
        const qint64 virtualSize = bytes.u32(header + 8);
        const qint64 rawSize = bytes.u32(header + 16);
        layout.sections.push_back(
            {bytes.u32(header + 12), std::max(virtualSize, rawSize), rawSize, bytes.u32(header + 20)});
    }
    return layout;
}

MappedFile::MappedFile(const QString& hostPath) : m_file(hostPath)
{
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_error = u"cannot be read: "_s + m_file.errorString();
        return;
    }
    const qint64 size = std::min(m_file.size(), kMaxReadBytes);
    if (size == 0)
        return; // nothing to map: an empty file reads as no bytes
    const uchar* mapped = m_file.map(0, size);
    if (!mapped) {
        m_error = u"cannot be mapped: "_s + m_file.errorString();
        return;
    }
    m_bytes = QByteArrayView(mapped, size);
}

} // namespace vx::pe
