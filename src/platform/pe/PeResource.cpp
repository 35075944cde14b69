#include "platform/pe/PeResource.h"

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace vx::pe {

namespace {

constexpr quint32 kHighBit = 0x80000000u;
constexpr int kResourceDirectoryIndex = 2;
// Resource names are identifiers; a longer one is no name this program looks for.
constexpr qint64 kMaxNameLength = 256;

ResourceData absent(const QString& why)
{
    return {ResourceData::Absent, 0, 0, why};
}

ResourceData malformed(const QString& why)
{
    return {ResourceData::Malformed, 0, 0, why};
}

char16_t asciiUpper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c;
}

} // namespace

ResourceDirectory::ResourceDirectory(const Bytes& bytes, qint64 root, qint64 offset)
    : m_bytes(bytes), m_root(root), m_offset(offset)
{
    if (!bytes.has(offset, 16))
        return;
    const qint64 declared = qint64(bytes.u16(offset + 12)) + bytes.u16(offset + 14);
    // A count that runs past the end of the file is cut to the entries that are present.
    m_count = std::min(declared, (bytes.size() - offset - 16) / 8);
}

qint64 ResourceDirectory::findId(quint16 id) const
{
    for (qint64 i = 0; i < m_count; ++i) {
        const quint32 n = name(i);
        if (!(n & kHighBit) && (n & 0xFFFF) == id)
            return i;
    }
    return -1;
}

qint64 ResourceDirectory::findName(QStringView wanted) const
{
    if (wanted.size() > kMaxNameLength)
        return -1;
    for (qint64 i = 0; i < m_count; ++i) {
        const quint32 n = name(i);
        if (!(n & kHighBit))
            continue;
        // A counted UTF-16 string, relative to the top of the tree.
        const qint64 at = m_root + (n & ~kHighBit);
        if (!m_bytes.has(at, 2) || m_bytes.u16(at) != wanted.size() ||
            !m_bytes.has(at + 2, 2 * wanted.size()))
            continue;
        qsizetype k = 0;
        while (k < wanted.size() &&
               asciiUpper(m_bytes.u16(at + 2 + 2 * k)) == asciiUpper(wanted[k].unicode()))
            ++k;
        if (k == wanted.size())
            return i;
    }
    return -1;
}

qint64 ResourceDirectory::firstNamed() const
{
    for (qint64 i = 0; i < m_count; ++i) {
        if (name(i) & kHighBit)
            return i;
    }
    return -1;
}

ResourceData findResource(const Layout& layout, const Bytes& bytes, quint16 type,
                          const std::function<qint64(const ResourceDirectory&)>& pick)
{
    const auto [resourceRva, resourceSize] = layout.directory(bytes, kResourceDirectoryIndex);
    if (resourceRva == 0 || resourceSize == 0)
        return absent(u"the file has no resources"_s);
    const qint64 root = layout.fileOffset(bytes, resourceRva);
    if (root < 0)
        return malformed(u"the resource directory lies outside the file"_s);

    // The tree has exactly three levels (type, name, language); a subdirectory that points back
    // at one already visited is a loop and ends the search.
    std::array<qint64, 3> visited{root, -1, -1};
    qint64 directory = root;
    quint32 target = 0;
    for (int level = 0; level < 3; ++level) {
        const ResourceDirectory dir(bytes, root, directory);
        qint64 entry = -1;
        if (level == 0)
            entry = dir.findId(type);
        else if (level == 1)
            entry = pick(dir);
        else
            entry = dir.count() > 0 ? 0 : -1; // the first language
        if (entry < 0)
            return absent(level == 2 ? u"the resource has no language entry"_s : u"no such resource"_s);

        target = dir.target(entry);
        const bool isDirectory = target & kHighBit;
        if (isDirectory != (level < 2)) // directories above the language level, data at it
            return malformed(u"the resource directory's levels are mixed up"_s);
        if (level < 2) {
            directory = root + (target & ~kHighBit);
            if (!bytes.has(directory, 16))
                return malformed(u"a resource subdirectory lies outside the file"_s);
            if (std::find(visited.begin(), visited.end(), directory) != visited.end())
                return malformed(u"the resource directory loops"_s);
            visited[size_t(level) + 1] = directory;
        }
    }

    const qint64 dataEntry = root + target;
    if (!bytes.has(dataEntry, 16))
        return malformed(u"the resource's data entry lies outside the file"_s);
    const qint64 dataOffset = layout.fileOffset(bytes, bytes.u32(dataEntry));
    const qint64 dataSize = bytes.u32(dataEntry + 4);
    if (dataOffset < 0 || !bytes.has(dataOffset, dataSize))
        return malformed(u"the resource's data lies outside the file"_s);
    return {ResourceData::Found, dataOffset, dataSize, {}};
}

} // namespace vx::pe
