#pragma once

#include "platform/pe/PeImage.h"

#include <QString>
#include <QStringView>

#include <functional>

namespace vx::pe {

inline constexpr quint16 kResourceTypeRcData = 10;
inline constexpr quint16 kResourceTypeVersion = 16;

// One level of an image's resource tree: its entries, cut to those the file holds.
class ResourceDirectory
{
  public:
    // `root` is the file offset of the tree's top directory, which name strings are relative to.
    ResourceDirectory(const Bytes& bytes, qint64 root, qint64 offset);

    qint64 count() const { return m_count; }
    quint32 name(qint64 i) const { return m_bytes.u32(m_offset + 16 + 8 * i); }
    quint32 target(qint64 i) const { return m_bytes.u32(m_offset + 16 + 8 * i + 4); }

    // The entry with the numeric id, or -1.
    qint64 findId(quint16 id) const;
    // The entry whose name string is `name` (ASCII case ignored, as Windows does), or -1.
    qint64 findName(QStringView name) const;
    // The first entry identified by a name string, or -1.
    qint64 firstNamed() const;

  private:
    const Bytes& m_bytes;
    qint64 m_root;
    qint64 m_offset;
    qint64 m_count = 0;
};

// Where a resource's data is in the file, or why it is not there.
struct ResourceData
{
    enum Status { Found, Absent, Malformed };
    Status status = Absent;
    qint64 offset = 0; // file offset of the data
    qint64 size = 0;   // bytes, all inside the file
    QString why;       // Absent or Malformed: what is missing or wrong
};

// The data of the resource of type `type` whose entry `pick` chooses at the name level (an index
// of that directory, or -1 for none), in its first language. The tree is walked through its three
// levels only; an entry that leads back to a directory already visited is Malformed, as are a
// subdirectory or data that lie outside the file.
ResourceData findResource(const Layout& layout, const Bytes& bytes, quint16 type,
                          const std::function<qint64(const ResourceDirectory&)>& pick);

} // namespace vx::pe
