#include "platform/pe/PackageInfo.h"
#include "fixtures/PeBuilder.h"
#include "support/ByteFields.h"
#include "support/PackageFixture.h"
#include "support/WinePrefix.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using vx::PackageInfo;
using vx::PackageModuleType;
using vx::PackageProducer;
using vx::PackageUnit;
using vx::test::descriptionBlob;
using vx::test::packageInfoBlob;

namespace {

// Delphi 7's flags of a design-time package: design only, producer Delphi, module type package.
constexpr quint32 kDesignPackage = 0x2 | (3u << 26) | (1u << 30);

// The PACKAGEINFO of a design-time package: three required packages, a unit of each kind.
QByteArray designPackageInfo(const QByteArray& trailing = {})
{
    return packageInfoBlob(
        kDesignPackage, {"rtl", "vcl", "designide"},
        {{"VxTools", 0x02}, {"VxMain", 0x01}, {"VxWeak", 0x04}, {"VxWeakHome", 0x0C}, {"VxImplicit", 0x10}},
        trailing);
}

// What designPackageInfo() reads as, with its description.
PackageInfo designExpected(const QString& description)
{
    PackageInfo p;
    p.flags = kDesignPackage;
    p.designOnly = true;
    p.producer = PackageProducer::Delphi;
    p.moduleType = PackageModuleType::PackageDll;
    p.requiredPackages = {u"rtl"_s, u"vcl"_s, u"designide"_s};
    p.containedUnits = {{u"VxTools"_s, 0x02, false, true, false, false, false},
                        {u"VxMain"_s, 0x01, true, false, false, false, false},
                        {u"VxWeak"_s, 0x04, false, false, true, false, false},
                        {u"VxWeakHome"_s, 0x0C, false, false, true, true, false},
                        {u"VxImplicit"_s, 0x10, false, false, false, false, true}};
    p.hasDescription = true;
    p.description = description;
    return p;
}

// Builds packages with MinGW; a missing tool skips, or fails when the Windows tools are required.
class PackageInfoTest : public ::testing::Test
{
  protected:
    QTemporaryDir dir;
    vx::test::PackageBuilder builder{dir.path()};

    QString build(const QString& name, const QByteArray& packageInfo, const QByteArray& description = {})
    {
        QString why;
        const std::optional<QString> path = builder.build(name, packageInfo, description, &why);
        EXPECT_TRUE(path) << why.toStdString();
        return path.value_or(QString());
    }
};

#define VX_NEEDS_MINGW()                                                                                     \
    do {                                                                                                     \
        if (!builder.missing().isEmpty())                                                                    \
            VX_WINE_UNAVAILABLE(builder.missing().toStdString());                                            \
    } while (0)

TEST_F(PackageInfoTest, ReadsFlagsRequiresUnitsAndDescriptionOfBuiltPackages)
{
    VX_NEEDS_MINGW();
    const struct
    {
        const char* name;
        QByteArray packageInfo;
        QByteArray description;
        PackageInfo expected;
    } cases[] = {
        {"design", designPackageInfo(), descriptionBlob(u"Vx Werkzeuge für den Entwurf — ÄÖÜ"_s),
         designExpected(u"Vx Werkzeuge für den Entwurf — ÄÖÜ"_s)},
        // Later versions' fields after the lists are left alone.
        {"trailing", designPackageInfo("\x01\x02\x03\x04\x05\x06\x07"), descriptionBlob(u"x"_s),
         designExpected(u"x"_s)},
        // Run only, never built, no duplicate check, by C++Builder as a library; requires nothing,
        // no description.
        {"runonly",
         packageInfoBlob(0x1 | 0x4 | 0x8 | (2u << 26) | (2u << 30), {}, {{"rtl_unit", 0x00}}),
         {},
         [] {
             PackageInfo p;
             p.flags = 0x1 | 0x4 | 0x8 | (2u << 26) | (2u << 30);
             p.neverBuild = true;
             p.runOnly = true;
             p.duplicateCheckOff = true;
             p.producer = PackageProducer::CppBuilder;
             p.moduleType = PackageModuleType::LibraryDll;
             p.containedUnits = {{u"rtl_unit"_s, 0x00, false, false, false, false, false}};
             return p;
         }()},
        // Every bit of the producer and module type set; nothing listed.
        {"empty",
         packageInfoBlob(0xCC000000u, {}, {}),
         {},
         [] {
             PackageInfo p;
             p.flags = 0xCC000000u;
             p.producer = PackageProducer::Delphi;
             p.moduleType = PackageModuleType::Undefined;
             return p;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PackageInfo r =
            vx::readPackageInfo(build(QString::fromLatin1(c.name), c.packageInfo, c.description));
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(r.flags, c.expected.flags);
        EXPECT_EQ(r.neverBuild, c.expected.neverBuild);
        EXPECT_EQ(r.designOnly, c.expected.designOnly);
        EXPECT_EQ(r.runOnly, c.expected.runOnly);
        EXPECT_EQ(r.duplicateCheckOff, c.expected.duplicateCheckOff);
        EXPECT_EQ(r.producer, c.expected.producer);
        EXPECT_EQ(r.moduleType, c.expected.moduleType);
        EXPECT_EQ(r.requiredPackages, c.expected.requiredPackages);
        EXPECT_EQ(r.containedUnits, c.expected.containedUnits);
        EXPECT_EQ(r.hasDescription, c.expected.hasDescription);
        EXPECT_EQ(r.description, c.expected.description);
    }
}

// A PACKAGEINFO cut short anywhere, or with a count that cannot be, is refused with what is wrong.
TEST_F(PackageInfoTest, ACutOrImpossiblePackageInfoGivesAReason)
{
    VX_NEEDS_MINGW();
    const QByteArray good = designPackageInfo();
    const qsizetype units = good.indexOf("VxTools") - 6; // the count of contained units
    QByteArray negative = good;
    negative.replace(4, 4, "\xFF\xFF\xFF\xFF");
    const struct
    {
        const char* name;
        QByteArray packageInfo;
        const char* reason;
    } cases[] = {
        {"flags", good.left(6),
         "PACKAGEINFO ends inside its flags and count of required packages (byte 0 of 6)"},
        {"requires", good.left(9), "PACKAGEINFO ends inside required package 1 of 3 (byte 8 of 9)"},
        {"name", good.left(11), "PACKAGEINFO ends inside the name of required package 1 of 3 (byte 9 of 11)"},
        {"entry", good.left(good.indexOf("vcl") - 1), "PACKAGEINFO ends inside required package 2 of 3"},
        {"count", good.left(units + 2), "PACKAGEINFO ends inside the count of contained units"},
        {"unit", good.left(good.size() - 2), "PACKAGEINFO ends inside the name of contained unit 5 of 5"},
        {"negative", negative, "PACKAGEINFO gives a negative count of required packages (-1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PackageInfo r = vx::readPackageInfo(build(QString::fromLatin1(c.name), c.packageInfo));
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.error.startsWith(QString::fromUtf8(c.reason))) << r.error.toStdString();
        EXPECT_TRUE(r.requiredPackages.isEmpty() && r.containedUnits.empty());
    }
    const PackageInfo plain = vx::readPackageInfo(build(u"plain"_s, {}));
    EXPECT_EQ(plain.error, u"no PACKAGEINFO resource: the file has no resources"_s);
}

// Files that are no 32-bit package, or whose resource tree is broken: a reason each, without the tools.
TEST(PackageInfo, FilesThatAreNoPackageGiveAReason)
{
    const QByteArray info = designPackageInfo();
    // The builder's .rsrc section starts at file offset 0x400; its root's one entry leads to the
    // type's directory at 0x414.
    QByteArray loop = vx::fixtures::buildPeWithRcData({{u"PACKAGEINFO"_s, info}});
    vx::test::set32(loop, 0x414, 0x80000000u);
    QByteArray outside = vx::fixtures::buildPeWithRcData({{u"PACKAGEINFO"_s, info}});
    vx::test::set32(outside, 0x400 + 24 + 16 + 4, 0x8FFFFFF0u); // the name's directory far away
    const struct
    {
        const char* name;
        QByteArray image;
        QString reason;
    } cases[] = {
        {"empty", {}, u"not a Windows executable (no MZ header)"_s},
        {"64-bit", vx::fixtures::buildPeWithImports({}, true),
         u"not a 32-bit x86 image (machine 0x8664, PE32+)"_s},
        {"version only", vx::fixtures::buildDelphiExe(), u"no PACKAGEINFO resource: no such resource"_s},
        {"loop", loop, u"no PACKAGEINFO resource: the resource directory loops"_s},
        {"outside", outside, u"no PACKAGEINFO resource: the resource has no language entry"_s},
        {"other name", vx::fixtures::buildPeWithRcData({{u"PACKAGEINFOX"_s, info}}),
         u"no PACKAGEINFO resource: no such resource"_s},
    };
    for (const auto& c : cases) {
        const PackageInfo r = vx::parsePackageInfo(c.image);
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_EQ(r.error, c.reason) << c.name;
    }
    // Resource names are found whatever their ASCII case, as Windows finds them.
    const PackageInfo lower =
        vx::parsePackageInfo(vx::fixtures::buildPeWithRcData({{u"packageInfo"_s, info}}));
    EXPECT_TRUE(lower.ok) << lower.error.toStdString();
    EXPECT_EQ(lower.containedUnits.size(), 5);
    EXPECT_FALSE(lower.hasDescription);
    QTemporaryDir dir;
    EXPECT_TRUE(vx::readPackageInfo(dir.filePath(u"gone.bpl"_s)).error.startsWith(u"cannot be read: "_s));
}

} // namespace
