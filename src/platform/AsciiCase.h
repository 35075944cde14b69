#pragma once

#include <QByteArrayView>
#include <QHashFunctions>
#include <QString>
#include <QStringView>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <unordered_map>

namespace vx {

// Names and paths of the Windows world compare ignoring the case of the ASCII letters A-Z only;
// every other character must match exactly.
inline char16_t foldAscii(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}

inline bool equalsIgnoringAsciiCase(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i].unicode()) != foldAscii(b[i].unicode()))
            return false;
    }
    return true;
}

// The same for bytes (UTF-8 or a code page): only A-Z fold.
inline bool equalsIgnoringAsciiCase(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (foldAscii(char16_t(uchar(a[i]))) != foldAscii(char16_t(uchar(b[i]))))
            return false;
    }
    return true;
}

inline bool startsWithIgnoringAsciiCase(QStringView s, QStringView prefix)
{
    return s.size() >= prefix.size() && equalsIgnoringAsciiCase(s.first(prefix.size()), prefix);
}

// Qt's hash of a text with every unit passed through `fold` first. The units are folded in pieces
// on the stack, so that the hash needs no folded copy of the text.
template <typename Unit, typename Fold>
size_t hashFolded(const Unit* units, qsizetype size, size_t seed, Fold fold) noexcept
{
    constexpr qsizetype kPiece = 64;
    Unit piece[kPiece] = {};
    size_t h = qHash(size, seed);
    for (qsizetype at = 0; at < size; at += kPiece) {
        const qsizetype n = std::min(kPiece, size - at);
        for (qsizetype i = 0; i < n; ++i)
            piece[i] = fold(units[at + i]);
        h = qHashBits(piece, size_t(n) * sizeof(Unit), h);
    }
    return h;
}

// Four UTF-16 units in a 64-bit word with A-Z made a-z, all four at once: a unit below 0x8000
// whose low bits lie in 0x41..0x5A gets bit 0x20 set.
inline uint64_t foldAsciiLanes(uint64_t w)
{
    constexpr uint64_t kHigh = 0x8000800080008000ull;
    const uint64_t atLeastA = ((w | kHigh) - 0x0041004100410041ull) & kHigh;
    const uint64_t atMostZ = ~((w | kHigh) - 0x005B005B005B005Bull) & kHigh;
    return w | ((atLeastA & atMostZ & ~w) >> 10);
}

// A hash of a text that ignores the case of A-Z: texts equal under equalsIgnoringAsciiCase hash
// equally. `seed` lets a caller tell apart texts of different kinds. It folds four units per step:
// the project difference hashes every path of both projects, and folding one unit at a time made
// it about a third slower.
inline size_t hashIgnoringAsciiCase(QStringView s, size_t seed = 0) noexcept
{
    constexpr uint64_t kMul = 0x9E3779B97F4A7C15ull;
    uint64_t h = uint64_t(seed) ^ (uint64_t(s.size()) * kMul);
    auto step = [&h](uint64_t w) {
        h = (h ^ foldAsciiLanes(w)) * kMul;
        h ^= h >> 29;
    };
    const char16_t* p = s.utf16();
    qsizetype n = s.size();
    for (; n >= 4; n -= 4, p += 4) {
        uint64_t w;
        std::memcpy(&w, p, sizeof w);
        step(w);
    }
    if (n > 0) {
        uint64_t w = 0;
        std::memcpy(&w, p, size_t(n) * sizeof(char16_t));
        step(w);
    }
    h ^= h >> 32;
    h *= 0xD6E8FEB86659FD93ull;
    h ^= h >> 32;
    return size_t(h);
}

inline size_t hashIgnoringAsciiCase(QByteArrayView s, size_t seed = 0) noexcept
{
    return hashFolded(s.data(), s.size(), seed,
                      [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; });
}

// A name as a QHash or QSet key that matches ignoring the case of A-Z.
struct AsciiCaseName
{
    QString text;
    friend bool operator==(const AsciiCaseName& a, const AsciiCaseName& b)
    {
        return equalsIgnoringAsciiCase(a.text, b.text);
    }
    friend size_t qHash(const AsciiCaseName& name, size_t seed) noexcept
    {
        return hashIgnoringAsciiCase(name.text, seed);
    }
};

struct AsciiFoldHash
{
    using is_transparent = void;
    size_t operator()(QStringView s) const noexcept { return hashIgnoringAsciiCase(s); }
};

struct AsciiFoldEqual
{
    using is_transparent = void;
    bool operator()(QStringView a, QStringView b) const noexcept { return equalsIgnoringAsciiCase(a, b); }
};

// A map from names to positions whose lookups ignore ASCII case and need no folded copy (for
// callers that look names up by view).
template <typename V> using AsciiFoldMap = std::unordered_map<QString, V, AsciiFoldHash, AsciiFoldEqual>;

} // namespace vx
