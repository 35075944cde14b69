#pragma once

// Fuzz input as patches to a well-formed file, so that its deep structures, which random bytes
// rarely reach, are mutated too: every three bytes are a 16-bit offset into the image and the
// byte to put there; a final odd byte cuts the image to that fraction of its length.

#include <QByteArray>
#include <cstddef>
#include <cstdint>

namespace vx::fuzz {

inline QByteArray patched(QByteArray image, const std::uint8_t* data, std::size_t size)
{
    std::size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        const qsizetype at = qsizetype((data[i] | (data[i + 1] << 8)) % image.size());
        image[at] = char(data[i + 2]);
    }
    if (i < size)
        image.truncate(image.size() * data[i] / 255);
    return image;
}

} // namespace vx::fuzz
