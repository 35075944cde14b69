// libFuzzer target for the version resource reader. Inputs are read two ways: as a file of their
// own, and as patches to a well-formed image (so that the deep structures, which random bytes
// rarely reach, are mutated too). Whatever the bytes, the reader must not crash, and a file it
// finds no resource in reports no strings.
#include "PatchedImage.h"
#include "fixtures/PeBuilder.h"
#include "platform/pe/PeVersion.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(const QByteArray& image)
{
    const vx::PeVersionInfo info = vx::parsePeVersion(image);
    if (!info.hasVersionResource && (!info.productVersion.isEmpty() || !info.fileVersion.isEmpty()))
        std::abort();
    if (!info.hasVersionResource && vx::shownProductVersion(info) != QStringView(vx::kValueNotAvailable))
        std::abort();
    (void)vx::ideVersionLabel(vx::shownProductVersion(info), vx::shownFileVersion(info));
}

const QByteArray& wellFormed()
{
    static const QByteArray image = [] {
        const QByteArray built = vx::fixtures::buildDelphiExe();
        const vx::PeVersionInfo info = vx::parsePeVersion(built);
        if (info.productVersion != u"7.0" || info.fileVersion != u"7.0.4.453")
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

    const QByteArray image = vx::fuzz::patched(wellFormed(), data, size);
    check(image);
    return 0;
}
