// libFuzzer target for the import table reader: inputs as files of their own and as patches to a
// well-formed image with a few imports. Whatever the bytes, the reader must neither crash nor
// hang, a failed read lists no modules, and a read that succeeds names each module once.
#include "PatchedImage.h"
#include "fixtures/PeBuilder.h"
#include "platform/AsciiCase.h"
#include "platform/pe/PeImports.h"

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

    // The first byte picks the 32- or 64-bit seed; the rest patch it.
    const QByteArray image = vx::fuzz::patched(wellFormed(data[0] & 1), data + 1, size - 1);
    check(image);
    return 0;
}
