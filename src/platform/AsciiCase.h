#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <cstddef>
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

struct AsciiFoldHash
{
    using is_transparent = void;
    size_t operator()(QStringView s) const noexcept
    {
        size_t h = 1469598103934665603ull;
        for (QChar c : s) {
            h ^= foldAscii(c.unicode());
            h *= 1099511628211ull;
        }
        return h;
    }
};

struct AsciiFoldEqual
{
    using is_transparent = void;
    bool operator()(QStringView a, QStringView b) const noexcept { return equalsIgnoringAsciiCase(a, b); }
};

// A map from names to positions whose lookups ignore ASCII case and need no folded copy.
template <typename V>
using AsciiFoldMap = std::unordered_map<QString, V, AsciiFoldHash, AsciiFoldEqual>;

} // namespace vx
