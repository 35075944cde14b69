// libFuzzer target for the package information reader. Inputs are read three ways: as a file of
// their own, as the PACKAGEINFO data of a well-formed package (so that every byte reaches the
// lists), and as patches to a well-formed package (so that the resource tree is mutated too).
// Whatever the bytes, the reader must neither crash nor hang; a failed read gives a reason and
// nothing read, a read that succeeds gives no reason.
#include "PatchedImage.h"
#include "fixtures/PeBuilder.h"
#include "platform/pe/PackageInfo.h"

#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

void check(const QByteArray& image)
{
    const vx::PackageInfo r = vx::parsePackageInfo(image);
    if (r.ok == !r.error.isEmpty())
        std::abort();
    if (!r.ok && (!r.requiredPackages.isEmpty() || !r.containedUnits.empty() || r.hasDescription))
        std::abort();
}

QByteArray package(const QByteArray& packageInfo)
{
    QByteArray description;
    for (const char16_t c : u"Vx tools")
        description.append(char(c & 0xFF)).append(char(c >> 8)); // UTF-16LE with its closing NUL
    return vx::fixtures::buildPeWithRcData(
        {{u"PACKAGEINFO"_s, packageInfo}, {u"DESCRIPTION"_s, description}});
}

const QByteArray& wellFormed()
{
    static const QByteArray image = [] {
        // Design only, by Delphi, a package; requires rtl and vcl; two units.
        const QByteArray info("\x02\x00\x00\x4C"
                              "\x02\x00\x00\x00"
                              "\x03rtl\x00"
                              "\x03vcl\x00"
                              "\x02\x00\x00\x00"
                              "\x02\x05VxReg\x00"
                              "\x0C\x06VxWeak\x00",
                              4 + 4 + 5 + 5 + 4 + 8 + 9);
        const QByteArray built = package(info);
        const vx::PackageInfo r = vx::parsePackageInfo(built);
        if (!r.ok || r.requiredPackages != QStringList{u"rtl"_s, u"vcl"_s} || r.containedUnits.size() != 2 ||
            !r.containedUnits[1].weakPackaged || r.description != u"Vx tools"_s)
            std::abort(); // the seed itself must read right, or the patches test nothing
        return built;
    }();
    return image;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    check(bytes);
    check(package(bytes));
    check(vx::fuzz::patched(wellFormed(), data, size));
    return 0;
}
