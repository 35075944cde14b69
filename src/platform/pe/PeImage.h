#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

#include <optional>
#include <vector>

namespace vx::pe {

// Executables bigger than this are not real IDE binaries or packages; readers never look further.
inline constexpr qint64 kMaxReadBytes = qint64(64) * 1024 * 1024;

// Little-endian reads over an untrusted buffer. Every access is checked: callers check ranges up
// front with has(), and the reads return 0 instead of touching memory out of range.
class Bytes
{
  public:
    // The bytes stay where they are (a QByteArray, a mapped file): they must outlive this view.
    explicit Bytes(QByteArrayView data)
        : m_data(reinterpret_cast<const uchar*>(data.data())), m_size(data.size())
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

// Where the headers of a PE32 or PE32+ image say things are.
struct Layout
{
    quint16 machine = 0;           // the file header's Machine field: 0x14C for x86
    bool pe32Plus = false;         // the optional header is PE32+ (a 64-bit image)
    std::vector<Section> sections; // as many as the file holds, whatever the count says
    bool sectionTableTruncated = false;
    qint64 directoryCount = 0; // data directories present in both the count and the header
    qint64 directoriesAt = 0;  // file offset of the data directory array

    // RVA and size of a data directory; zeros when the image has none at that index.
    std::pair<quint32, quint32> directory(const Bytes& bytes, int index) const;
    // File offset of an RVA, or -1 when no section holds it in its file data. `available` gets
    // how many bytes of the section follow there within the file.
    qint64 fileOffset(const Bytes& bytes, qint64 rva, qint64* available = nullptr) const;
};

// The layout of an image, or nothing with the reason when its headers do not make sense.
std::optional<Layout> readLayout(const Bytes& bytes, QString* why = nullptr);

// The first kMaxReadBytes of a file (no more than it holds), mapped read-only for as long as this
// object lives, so that a reader touches only the pages it looks at. bytes() is empty, with the
// reason in error(), when the file cannot be opened or mapped.
class MappedFile
{
  public:
    explicit MappedFile(const QString& hostPath);
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool ok() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    QByteArrayView bytes() const { return m_bytes; }

  private:
    QFile m_file;
    QByteArrayView m_bytes;
    QString m_error;
};

} // namespace vx::pe
