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
    p.ok = true;
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

TEST_F(PackageInfoTest, ReadsBuiltPackagesAndGivesAReasonForACutOrImpossibleOne)
{
    VX_NEEDS_MINGW();
    // Later versions' fields after the lists are left alone.
    PackageInfo r = vx::readPackageInfo(build(u"design"_s, designPackageInfo("\x01\x02\x03"),
                                              descriptionBlob(u"Vx Werkzeuge für den Entwurf — ÄÖÜ"_s)));
    EXPECT_EQ(r, designExpected(u"Vx Werkzeuge für den Entwurf — ÄÖÜ"_s)) << r.error.toStdString();
    // Run only, never built, no duplicate check, by C++Builder as a library; no description.
    r = vx::readPackageInfo(
        build(u"runonly"_s, packageInfoBlob(0x1 | 0x4 | 0x8 | (2u << 26) | (2u << 30), {}, {{"u", 0}})));
    EXPECT_TRUE(r.ok && r.neverBuild && r.runOnly && r.duplicateCheckOff && !r.designOnly &&
                !r.hasDescription)
        << r.error.toStdString();
    EXPECT_EQ(r.producer, PackageProducer::CppBuilder);
    EXPECT_EQ(r.moduleType, PackageModuleType::LibraryDll);

    const QByteArray good = designPackageInfo();
    QByteArray negative = good;
    negative.replace(4, 4, "\xFF\xFF\xFF\xFF");
    const std::pair<QByteArray, const char*> cases[] = {
        {good.left(6), "PACKAGEINFO ends inside its flags and count of required packages (byte 0 of 6)"},
        {good.left(11), "PACKAGEINFO ends inside the name of required package 1 of 3 (byte 9 of 11)"},
        {good.left(good.size() - 2), "PACKAGEINFO ends inside the name of contained unit 5 of 5"},
        {negative, "PACKAGEINFO gives a negative count of required packages (-1)"},
        {{}, "no PACKAGEINFO resource: the file has no resources"},
    };
    int n = 0;
    for (const auto& [packageInfo, reason] : cases) {
        r = vx::readPackageInfo(build(u"cut%1"_s.arg(++n), packageInfo));
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.error.startsWith(QString::fromUtf8(reason))) << r.error.toStdString();
        EXPECT_TRUE(r.requiredPackages.isEmpty() && r.containedUnits.empty());
    }
}

// Files that are no 32-bit package, or whose resource tree is broken: a reason each, without the tools.
TEST(PackageInfo, FilesThatAreNoPackageGiveAReason)
{
    const QByteArray info = designPackageInfo();
    // The builder's .rsrc section starts at file offset 0x400; its root's one entry leads to the
    // type's directory at 0x414.
    QByteArray loop = vx::fixtures::buildPeWithRcData({{u"PACKAGEINFO"_s, info}});
    vx::test::set32(loop, 0x414, 0x80000000u);
    const struct
    {
        const char* name;
        QByteArray image;
        QString reason;
    } cases[] = {
        {"64-bit", vx::fixtures::buildPeWithImports({}, true),
         u"not a 32-bit x86 image (machine 0x8664, PE32+)"_s},
        {"version only", vx::fixtures::buildDelphiExe(), u"no PACKAGEINFO resource: no such resource"_s},
        {"loop", loop, u"no PACKAGEINFO resource: the resource directory loops"_s},
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
    EXPECT_EQ(lower.containedUnits.size(), 5) << lower.error.toStdString();
}

} // namespace
