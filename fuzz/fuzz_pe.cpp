// libFuzzer target for the version resource reader. Inputs are read two ways: as a file of their
// own, and as patches to a well-formed image (so that the deep structures, which random bytes
// rarely reach, are mutated too). Whatever the bytes, the reader must not crash, and a file it
// finds no resource in reports no strings.
#include "fixtures/PeBuilder.h"
#include "platform/PeVersion.h"

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

    // Patches: every three bytes are a 16-bit offset into the image and the byte to put there; a
    // final odd byte cuts the image to that fraction of its length.
    QByteArray image = wellFormed();
    std::size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        const qsizetype at = qsizetype((data[i] | (data[i + 1] << 8)) % image.size());
        image[at] = char(data[i + 2]);
    }
    if (i < size)
        image.truncate(image.size() * data[i] / 255);
    check(image);
    return 0;
}
