#pragma once

#include <QByteArrayView>
#include <QString>

namespace vx {

// The strings of a PE file's version resource that the program uses.
struct PeVersionInfo
{
    bool hasVersionResource = false; // false: no resource, not a PE file, unreadable or malformed
    QString productVersion;          // empty when the string is missing
    QString fileVersion;             // empty when the string is missing
};

// The text shown for every string of a file without a version resource.
inline constexpr char16_t kValueNotAvailable[] = u"Value Not Available";

// Parses a PE image held in memory. Every offset is bounds-checked: a truncated or hostile file
// gives hasVersionResource == false, never a crash.
PeVersionInfo parsePeVersion(QByteArrayView image);
// Reads the file at a host path (at most 64 MiB are looked at) and parses it.
PeVersionInfo readPeVersion(const QString& hostPath);

// The version strings as the program shows and checks them: the string itself, or
// "Value Not Available" when the file has no version resource at all.
QString shownProductVersion(const PeVersionInfo& info);
QString shownFileVersion(const PeVersionInfo& info);

// "Delphi " + product version + " (Build " + the part of the file version after its second full
// stop + ")"; the build part is empty when the file version has fewer than two full stops.
QString ideVersionLabel(const QString& productVersion, const QString& fileVersion);

// The start-up check: the product version text begins with the character '7'.
bool ideVersionOk(const QString& productVersion);

} // namespace vx
