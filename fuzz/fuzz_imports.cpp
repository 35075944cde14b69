// libFuzzer target for the import table reader: inputs as files of their own and as patches to a
// well-formed image with a few imports. Whatever the bytes, the reader must neither crash nor
// hang, a failed read lists no modules, and a read that succeeds names each module once.
#include "fixtures/PeBuilder.h"
#include "platform/AsciiCase.h"
#include "platform/PeImports.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(const QByteArray& image)
{
    const vx::PeImports r = vx::parsePeImports(image);
    if (!r.ok && !r.modules.isEmpty())
        std::abort();
    if (!r.ok && r.error.isEmpty())
        std::abort();
    for (qsizetype i = 0; i < r.modules.size(); ++i)
        for (qsizetype j = i + 1; j < r.modules.size(); ++j)
            if (vx::equalsIgnoringAsciiCase(r.modules[i], r.modules[j]))
                std::abort();
}

const QByteArray& wellFormed(bool pe64)
{
    static const QByteArray images[2] = {
        vx::fixtures::buildPeWithImports({QStringLiteral("rtl70.bpl"), QStringLiteral("vcl70.bpl")}, false),
        vx::fixtures::buildPeWithImports({QStringLiteral("rtl70.bpl"), QStringLiteral("vcl70.bpl")}, true)};
    return images[pe64 ? 1 : 0];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    check(bytes);
    if (size == 0)
        return 0;

    // The first byte picks the 32- or 64-bit seed; then every three bytes are a 16-bit offset and
    // the byte to put there; a final odd byte cuts the image to that fraction of its length.
    QByteArray image = wellFormed(data[0] & 1);
    std::size_t i = 1;
    for (; i + 3 <= size; i += 3) {
        const qsizetype at = qsizetype((data[i] | (data[i + 1] << 8)) % image.size());
        image[at] = char(data[i + 2]);
    }
    if (i < size)
        image.truncate(image.size() * data[i] / 255);
    check(image);
    return 0;
}
