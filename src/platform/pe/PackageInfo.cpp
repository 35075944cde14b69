#include "platform/pe/PackageInfo.h"

#include "platform/CodePage.h"
#include "platform/pe/PeImage.h"
#include "platform/pe/PeResource.h"

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace vx {

namespace {

constexpr quint16 kMachineI386 = 0x14C;

PackageInfo failure(const QString& why)
{
    PackageInfo r;
    r.error = why;
    return r;
}

// The PACKAGEINFO data, read front to back; nothing is read past its end.
class Reader
{
  public:
    Reader(const pe::Bytes& bytes, qint64 start, qint64 size)
        : m_bytes(bytes), m_at(start), m_end(start + size)
    {
    }

    bool has(qint64 n) const { return n <= m_end - m_at; }
    qint64 position(qint64 start) const { return m_at - start; }
    quint8 u8() { return m_bytes.u8(m_at++); }
    quint32 u32()
    {
        const quint32 v = m_bytes.u32(m_at);
        m_at += 4;
        return v;
    }
    // A NUL-terminated name; nullopt when the data ends first.
    std::optional<QByteArray> name()
    {
        QByteArray out;
        for (qint64 p = m_at; p < m_end; ++p) {
            const uchar c = m_bytes.u8(p);
            if (c == 0) {
                m_at = p + 1;
                return out;
            }
            out.append(char(c));
        }
        return std::nullopt;
    }

  private:
    const pe::Bytes& m_bytes;
    qint64 m_at;
    qint64 m_end;
};

PackageUnit unitOf(const QString& name, quint8 flags)
{
    return {name,
            flags,
            bool(flags & 0x01),
            bool(flags & 0x02),
            bool(flags & 0x04),
            bool(flags & 0x08),
            bool(flags & 0x10)};
}

// Reads the fields of Delphi 7's PACKAGEINFO; bytes after the unit list (later versions' fields)
// are left alone. Returns why the data cannot be read, or nothing.
QString readPackageData(const pe::Bytes& bytes, qint64 start, qint64 size, PackageInfo& info)
{
    Reader r(bytes, start, size);
    const auto cut = [&](const QString& where) {
        return u"PACKAGEINFO ends inside %1 (byte %2 of %3)"_s.arg(where).arg(r.position(start)).arg(size);
    };
    if (!r.has(8))
        return cut(u"its flags and count of required packages"_s);
    info.flags = r.u32();
    info.neverBuild = info.flags & 0x1;
    info.designOnly = info.flags & 0x2;
    info.runOnly = info.flags & 0x4;
    info.duplicateCheckOff = info.flags & 0x8;
    info.producer = PackageProducer((info.flags >> 26) & 0x3);
    info.moduleType = PackageModuleType((info.flags >> 30) & 0x3);

    CodePageCodec names(ansiCodePage());
    // Each list: a count, then entries of at least two bytes each, so that a count the data cannot
    // hold fails on the way instead of looping on.
    const auto readList = [&](const QString& what, qint64 headerSize, const auto& add) -> QString {
        if (!r.has(4))
            return cut(u"the count of "_s + what + u's');
        const qint32 count = qint32(r.u32());
        if (count < 0)
            return u"PACKAGEINFO gives a negative count of %1s (%2)"_s.arg(what).arg(count);
        for (qint32 i = 0; i < count; ++i) {
            const QString entry = u"%1 %2 of %3"_s.arg(what).arg(i + 1).arg(count);
            if (!r.has(headerSize + 1))
                return cut(entry);
            const quint8 flags = headerSize == 2 ? r.u8() : 0;
            r.u8(); // hash of the name
            const std::optional<QByteArray> name = r.name();
            if (!name)
                return cut(u"the name of "_s + entry);
            add(names.decode(*name), flags);
        }
        return {};
    };
    QString why = readList(u"required package"_s, 1,
                           [&](const QString& name, quint8) { info.requiredPackages.append(name); });
    if (why.isEmpty())
        why = readList(u"contained unit"_s, 2, [&](const QString& name, quint8 flags) {
            info.containedUnits.push_back(unitOf(name, flags));
        });
    return why;
}

// UTF-16LE up to the first NUL or the end of the data; an odd last byte is not a character.
QString readDescription(const pe::Bytes& bytes, qint64 start, qint64 size)
{
    QString text;
    for (qint64 p = start; p + 2 <= start + size; p += 2) {
        const char16_t c = bytes.u16(p);
        if (c == 0)
            break;
        text.append(QChar(c));
    }
    return text;
}

} // namespace

QString producerName(PackageProducer producer)
{
    switch (producer) {
    case PackageProducer::BeforeVersion4:
        return u"before version 4"_s;
    case PackageProducer::Undefined:
        return u"undefined"_s;
    case PackageProducer::CppBuilder:
        return u"C++Builder"_s;
    case PackageProducer::Delphi:
        return u"Delphi"_s;
    }
    return {};
}

QString moduleTypeName(PackageModuleType type)
{
    switch (type) {
    case PackageModuleType::Exe:
        return u"executable"_s;
    case PackageModuleType::PackageDll:
        return u"package DLL"_s;
    case PackageModuleType::LibraryDll:
        return u"library DLL"_s;
    case PackageModuleType::Undefined:
        return u"undefined"_s;
    }
    return {};
}

PackageInfo parsePackageInfo(QByteArrayView image)
{
    const pe::Bytes bytes(image);
    QString why;
    const std::optional<pe::Layout> layout = pe::readLayout(bytes, &why);
    if (!layout)
        return failure(why);
    if (layout->machine != kMachineI386 || layout->pe32Plus)
        return failure(u"not a 32-bit x86 image (machine 0x"_s + QString::number(layout->machine, 16) +
                       (layout->pe32Plus ? u", PE32+)"_s : u")"_s));

    const pe::ResourceData data =
        pe::findResource(*layout, bytes, pe::kResourceTypeRcData,
                         [](const pe::ResourceDirectory& dir) { return dir.findName(u"PACKAGEINFO"); });
    if (data.status != pe::ResourceData::Found)
        return failure(u"no PACKAGEINFO resource: "_s + data.why);
    PackageInfo info;
    why = readPackageData(bytes, data.offset, data.size, info);
    if (!why.isEmpty())
        return failure(why);

    const pe::ResourceData description =
        pe::findResource(*layout, bytes, pe::kResourceTypeRcData,
                         [](const pe::ResourceDirectory& dir) { return dir.findName(u"DESCRIPTION"); });
    if (description.status == pe::ResourceData::Malformed)
        return failure(u"DESCRIPTION: "_s + description.why);
    if (description.status == pe::ResourceData::Found) {
        info.hasDescription = true;
        info.description = readDescription(bytes, description.offset, description.size);
    }
    info.ok = true;
    return info;
}

PackageInfo readPackageInfo(const QString& hostPath)
{
    const pe::MappedFile file(hostPath);
    return file.ok() ? parsePackageInfo(file.bytes()) : failure(file.error());
}

PackageFile readPackageFile(const QString& hostPath)
{
    const pe::MappedFile file(hostPath);
    if (!file.ok()) {
        PackageFile failed;
        failed.imports.error = failed.info.error = file.error();
        return failed;
    }
    return {parsePeImports(file.bytes()), parsePackageInfo(file.bytes())};
}

} // namespace vx
