#include "platform/pe/PackageInfo.h"
#include "fixtures/PeBuilder.h"
#include "support/ByteFields.h"
#include "support/PackageFixture.h"
#include "support/WinePrefix.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using vx::PackageInfo;
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

// Everything a reading holds, a field after the other; a unit's flags as "m" main, "p" package
// unit, "w" weak packaged, "o" original weak, "i" implicit.
QString described(const PackageInfo& p)
{
    QStringList units;
    for (const PackageUnit& u : p.containedUnits)
        units << u.name + u':' + (u.mainUnit ? u"m"_s : QString()) + (u.packageUnit ? u"p"_s : QString()) +
                     (u.weakPackaged ? u"w"_s : QString()) + (u.originalWeak ? u"o"_s : QString()) +
                     (u.implicit ? u"i"_s : QString());
    return u"%1 %2%3%4%5 %6/%7 [%8] [%9] "_s.arg(p.flags, 0, 16)
               .arg(int(p.neverBuild))
               .arg(int(p.designOnly))
               .arg(int(p.runOnly))
               .arg(int(p.duplicateCheckOff))
               .arg(vx::producerName(p.producer), vx::moduleTypeName(p.moduleType),
                    p.requiredPackages.join(u','), units.join(u' ')) +
           (p.hasDescription ? p.description : u"-"_s);
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

TEST_F(PackageInfoTest, ReadsBuiltPackagesAndGivesAReasonForACutOrImpossibleOne)
{
    if (!builder.missing().isEmpty())
        VX_WINE_UNAVAILABLE(builder.missing().toStdString());
    // Later versions' fields after the lists are left alone.
    PackageInfo r = vx::readPackageInfo(build(u"design"_s, designPackageInfo("\x01\x02\x03"),
                                              descriptionBlob(u"Vx Werkzeuge für den Entwurf — ÄÖÜ"_s)));
    EXPECT_EQ(described(r),
              u"4c000002 0100 Delphi/package DLL [rtl,vcl,designide] [VxTools:p VxMain:m VxWeak:w "
              u"VxWeakHome:wo VxImplicit:i] Vx Werkzeuge für den Entwurf — ÄÖÜ"_s)
        << r.error.toStdString();
    // Run only, never built, no duplicate check, by C++Builder as a library; no description.
    r = vx::readPackageInfo(
        build(u"runonly"_s, packageInfoBlob(0x1 | 0x4 | 0x8 | (2u << 26) | (2u << 30), {}, {{"u", 0}})));
    EXPECT_EQ(described(r), u"8800000d 1011 C++Builder/library DLL [] [u:] -"_s) << r.error.toStdString();

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
    QByteArray outside = loop;
    vx::test::set32(outside, 0x414, 0x8FFFFFF0u);
    const struct
    {
        const char* name;
        QByteArray image;
        QString reason;
    } cases[] = {
        {"64-bit", vx::fixtures::buildPeWithImports({}, true),
         u"not a 32-bit x86 image (machine 0x8664, PE32+)"_s},
        {"loop", loop, u"no PACKAGEINFO resource: the resource directory loops"_s},
        {"outside", outside, u"no PACKAGEINFO resource: a resource subdirectory lies outside the file"_s},
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
