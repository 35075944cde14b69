#include "platform/pe/PeVersion.h"
#include "fixtures/PeBuilder.h"
#include "support/ByteFields.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using vx::PeVersionInfo;
using vx::fixtures::buildDelphiExe;
using vx::fixtures::buildPeImage;

using vx::test::get32;
using vx::test::set16;

namespace {

QByteArray utf16(const QString& s)
{
    return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
}

// Where the version data of an image made by the builder ends.
qsizetype versionBlobEnd(const QByteArray& image)
{
    const qsizetype blob = image.indexOf(utf16(u"VS_VERSION_INFO"_s)) - 6;
    return blob + quint16(get32(image, blob));
}

} // namespace

TEST(PeVersionRoundTrip, MissingStringsAndMissingResource)
{
    const PeVersionInfo onlyProduct = vx::parsePeVersion(buildPeImage({{u"productversion"_s, u"7.0"_s}}));
    EXPECT_EQ(onlyProduct.productVersion, u"7.0"_s); // keys match ignoring case
    EXPECT_EQ(vx::shownFileVersion(onlyProduct), QString());

    const PeVersionInfo onlyFile = vx::parsePeVersion(
        buildPeImage({{u"CompanyName"_s, u"ProductVersion"_s}, {u"FileVersion"_s, u"7.0.4.453"_s}}));
    EXPECT_EQ(onlyFile.productVersion, QString());
    EXPECT_EQ(onlyFile.fileVersion, u"7.0.4.453"_s);

    const PeVersionInfo none = vx::parsePeVersion(buildPeImage({{u"ProductVersion"_s, u"7.0"_s}}, false));
    EXPECT_FALSE(none.hasVersionResource);
    EXPECT_EQ(vx::shownFileVersion(none), QString::fromUtf16(vx::kValueNotAvailable));
}

// The string table shown is the one the first translation names, else the first table.
TEST(PeVersionLayout, StringTableFollowsTheTranslation)
{
    const QList<QPair<QString, QString>> tables{{u"040704B0"_s, u"de"_s}, {u"040904e4"_s, u"en"_s}};
    const auto shown = [&](const QList<QPair<quint16, quint16>>& translations) {
        return vx::parsePeVersion(vx::fixtures::buildPeWithVersionTables(tables, translations))
            .productVersion;
    };
    EXPECT_EQ(shown({{0x0409, 0x04E4}}), u"en"_s); // table names match ignoring case
    EXPECT_EQ(shown({{0x0407, 0x04B0}}), u"de"_s);
    EXPECT_EQ(shown({{0x0411, 0x03A4}}), u"de"_s); // no such table
    EXPECT_EQ(shown({}), u"de"_s);
}

TEST(PeVersionRules, LabelAndStartupCheck)
{
    EXPECT_EQ(vx::ideVersionLabel(u"7.0"_s, u"7.0.4.453"_s), u"Delphi 7.0 (Build 4.453)"_s);
    EXPECT_EQ(vx::ideVersionLabel(u"7.0"_s, u"7..4"_s), u"Delphi 7.0 (Build 4)"_s);
    const PeVersionInfo none;
    EXPECT_EQ(vx::ideVersionLabel(vx::shownProductVersion(none), vx::shownFileVersion(none)),
              u"Delphi Value Not Available (Build )"_s);

    EXPECT_TRUE(vx::ideVersionOk(u"7.0"_s));
    EXPECT_FALSE(vx::ideVersionOk(u"6.0"_s));
    EXPECT_FALSE(vx::ideVersionOk(u" 7.0"_s));
}

TEST(PeVersionFile, AFileThatCannotBeReadHasNoVersion)
{
    QTemporaryDir dir;
    EXPECT_FALSE(vx::readPeVersion(dir.filePath(u"missing.exe"_s)).hasVersionResource);
    EXPECT_FALSE(vx::readPeVersion(dir.path()).hasVersionResource);
}

TEST(PeVersionHostile, EveryTruncation)
{
    const QByteArray image = buildDelphiExe();
    const PeVersionInfo full = vx::parsePeVersion(image);
    ASSERT_TRUE(full.hasVersionResource);
    const qsizetype blobEnd = versionBlobEnd(image);
    for (qsizetype length = 0; length < image.size(); ++length) {
        const PeVersionInfo info = vx::parsePeVersion(image.left(length));
        // Usable exactly when the whole version data is present; the padding after it is not needed.
        EXPECT_EQ(info.hasVersionResource, length >= blobEnd) << length;
        EXPECT_EQ(info.productVersion, info.hasVersionResource ? full.productVersion : QString()) << length;
        EXPECT_EQ(info.fileVersion, info.hasVersionResource ? full.fileVersion : QString()) << length;
    }
}

// Corruptions that leave something to read: a huge section count is cut to the headers that fit
// (the real ones still come first), and a string block of length 0 ends the table while the
// resource itself is still there. (That no other corrupted field crashes or reads is fuzz_pe's.)
TEST(PeVersionHostile, CorruptedFieldsThatLeaveSomethingToRead)
{
    const QByteArray image = buildDelphiExe();
    const auto patched = [&](qsizetype offset, quint32 value) {
        QByteArray copy = image;
        set16(copy, offset, value);
        return vx::parsePeVersion(copy);
    };
    EXPECT_EQ(patched(0x40 + 6, 0xFFFF).productVersion, u"7.0"_s);
    const PeVersionInfo cut = patched(image.indexOf(utf16(u"ProductVersion"_s)) - 6, 0);
    EXPECT_TRUE(cut.hasVersionResource);
    EXPECT_TRUE(cut.productVersion.isEmpty());
}
