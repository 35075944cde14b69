#include "platform/pe/PeVersion.h"

#include "platform/pe/PeImage.h"
#include "platform/pe/PeResource.h"

#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace vx {

namespace {

using pe::Bytes;

constexpr quint16 kVersionResourceId = 1;
constexpr qint64 kBlockHeaderSize = 6; // wLength, wValueLength, wType

// File offset and size of the RT_VERSION data (id 1, else the first one with a name), or nullopt.
std::optional<std::pair<qint64, qint64>> findVersionData(const pe::Layout& layout, const Bytes& bytes)
{
    const pe::ResourceData data =
        pe::findResource(layout, bytes, pe::kResourceTypeVersion, [](const pe::ResourceDirectory& dir) {
            const qint64 entry = dir.findId(kVersionResourceId);
            return entry >= 0 ? entry : dir.firstNamed();
        });
    if (data.status != pe::ResourceData::Found)
        return std::nullopt;
    return std::make_pair(data.offset, data.size);
}

// One node of VS_VERSIONINFO: header, key, value, children.
struct Block
{
    qint64 end = 0; // start + wLength
    QString key;
    quint16 valueLength = 0;
    qint64 valueStart = 0;
    qint64 childrenStart = 0;
};

class VersionBlob
{
  public:
    VersionBlob(const Bytes& bytes, qint64 start, qint64 size)
        : m_bytes(bytes), m_start(start), m_end(start + size)
    {
    }

    std::optional<Block> root() const { return read(m_start, m_end); }

    // Calls f for every child until the parent ends or a child is malformed.
    template <typename F> void forEachChild(const Block& parent, F&& f) const
    {
        qint64 position = parent.childrenStart;
        while (position + kBlockHeaderSize <= parent.end) {
            const std::optional<Block> child = read(position, parent.end);
            if (!child)
                break;
            f(*child);
            position = align(child->end); // wLength >= 8, so this always moves forward
        }
    }

    // UTF-16 text from `from` up to the first NUL, never past `to`.
    QString text(qint64 from, qint64 to) const
    {
        QString out;
        for (qint64 p = from; p + 2 <= to; p += 2) {
            const char16_t c = m_bytes.u16(p);
            if (c == 0)
                break;
            out.append(QChar(c));
        }
        return out;
    }

    quint16 u16(qint64 offset) const { return m_bytes.u16(offset); }

  private:
    // Blocks are 4-byte aligned relative to the start of the resource data.
    qint64 align(qint64 offset) const { return m_start + ((offset - m_start + 3) & ~qint64(3)); }

    std::optional<Block> read(qint64 start, qint64 limit) const
    {
        if (start + kBlockHeaderSize > limit || !m_bytes.has(start, kBlockHeaderSize))
            return std::nullopt;
        const qint64 length = m_bytes.u16(start);
        if (length < kBlockHeaderSize + 2 || start + length > limit)
            return std::nullopt;

        Block block;
        block.end = start + length;
        block.valueLength = m_bytes.u16(start + 2);
        const bool isText = m_bytes.u16(start + 4) == 1;
        qint64 p = start + kBlockHeaderSize;
        bool terminated = false;
        for (; p + 2 <= block.end; p += 2) {
            const char16_t c = m_bytes.u16(p);
            if (c == 0) {
                terminated = true;
                p += 2;
                break;
            }
            block.key.append(QChar(c));
        }
        if (!terminated)
            return std::nullopt;
        block.valueStart = align(p);
        block.childrenStart = align(block.valueStart + qint64(block.valueLength) * (isText ? 2 : 1));
        return block;
    }

    const Bytes& m_bytes;
    qint64 m_start;
    qint64 m_end;
};

bool sameKey(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

PeVersionInfo parseVersionBlob(const Bytes& bytes, qint64 start, qint64 size)
{
    const VersionBlob blob(bytes, start, size);
    const std::optional<Block> root = blob.root();
    if (!root || !sameKey(root->key, u"VS_VERSION_INFO"_s))
        return {};

    std::vector<Block> tables;
    QString translation;
    blob.forEachChild(*root, [&](const Block& child) {
        if (sameKey(child.key, u"StringFileInfo"_s)) {
            blob.forEachChild(child, [&](const Block& table) { tables.push_back(table); });
        } else if (sameKey(child.key, u"VarFileInfo"_s) && translation.isEmpty()) {
            blob.forEachChild(child, [&](const Block& var) {
                if (translation.isEmpty() && sameKey(var.key, u"Translation"_s) && var.valueLength >= 4 &&
                    var.valueStart + 4 <= var.end) {
                    translation = u"%1%2"_s.arg(blob.u16(var.valueStart), 4, 16, QChar(u'0'))
                                      .arg(blob.u16(var.valueStart + 2), 4, 16, QChar(u'0'));
                }
            });
        }
    });

    PeVersionInfo info;
    info.hasVersionResource = true;
    if (tables.empty())
        return info;
    const Block* table = &tables.front();
    for (const Block& candidate : tables) {
        if (!translation.isEmpty() && sameKey(candidate.key, translation)) {
            table = &candidate;
            break;
        }
    }

    bool haveProduct = false;
    bool haveFile = false;
    blob.forEachChild(*table, [&](const Block& string) {
        // An empty value may be stored without any characters at all.
        auto value = [&] {
            return string.valueLength == 0 ? QString() : blob.text(string.valueStart, string.end);
        };
        if (!haveProduct && sameKey(string.key, u"ProductVersion"_s)) {
            info.productVersion = value();
            haveProduct = true;
        } else if (!haveFile && sameKey(string.key, u"FileVersion"_s)) {
            info.fileVersion = value();
            haveFile = true;
        }
    });
    return info;
}

} // namespace

PeVersionInfo parsePeVersion(QByteArrayView image)
{
    const Bytes bytes(image);
    const std::optional<pe::Layout> layout = pe::readLayout(bytes);
    if (!layout)
        return {};
    const auto data = findVersionData(*layout, bytes);
    if (!data)
        return {};
    return parseVersionBlob(bytes, data->first, data->second);
}

PeVersionInfo readPeVersion(const QString& hostPath)
{
    const pe::MappedFile file(hostPath);
    return parsePeVersion(file.bytes());
}

QString shownProductVersion(const PeVersionInfo& info)
{
    return info.hasVersionResource ? info.productVersion : QString::fromUtf16(kValueNotAvailable);
}

QString shownFileVersion(const PeVersionInfo& info)
{
    return info.hasVersionResource ? info.fileVersion : QString::fromUtf16(kValueNotAvailable);
}

QString ideVersionLabel(const QString& productVersion, const QString& fileVersion)
{
    QString build;
    const qsizetype first = fileVersion.indexOf(u'.');
    const qsizetype second = first < 0 ? -1 : fileVersion.indexOf(u'.', first + 1);
    if (second >= 0)
        build = fileVersion.mid(second + 1);
    return u"Delphi "_s + productVersion + u" (Build "_s + build + u")"_s;
}

bool ideVersionOk(const QString& productVersion)
{
    return productVersion.startsWith(u'7');
}

} // namespace vx
