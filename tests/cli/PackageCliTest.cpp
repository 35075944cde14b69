#include "support/CliRunner.h"
#include "support/PackageFixture.h"
#include "support/WinePrefix.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;

namespace {

// package-info reads the file alone: no installation is looked for, so it runs from anywhere.
TEST(PackageCli, PrintsAPackagesInformationOrWhyItCannot)
{
    QTemporaryDir dir;
    test::PackageBuilder builder(dir.path());
    if (!builder.missing().isEmpty())
        VX_WINE_UNAVAILABLE(builder.missing().toStdString());
    QString why;
    const QByteArray info = test::packageInfoBlob(0x2 | (3u << 26) | (1u << 30), {"rtl", "vcl"},
                                                  {{"VxReg", 0x02}, {"VxWeak", 0x0C}});
    const std::optional<QString> bpl =
        builder.build(u"vxtools"_s, info, test::descriptionBlob(u"Vx tools — design"_s), &why);
    const std::optional<QString> cut = builder.build(u"vxcut"_s, info.left(info.size() - 3), {}, &why);
    ASSERT_TRUE(bpl && cut) << why.toStdString();

    const test::CliRun json = test::runCli({u"package-info"_s, *bpl, u"--json"_s});
    ASSERT_EQ(json.code, 0) << json.err.constData();
    const QJsonDocument read = QJsonDocument::fromJson(json.out);
    EXPECT_EQ(json.out, read.toJson(QJsonDocument::Indented)); // keys ascending, indented
    const auto unit = [](const QString& name, int flags, bool packageUnit, bool weak, bool original) {
        return QJsonObject{{u"flags"_s, flags},           {u"implicit"_s, false},
                           {u"mainUnit"_s, false},        {u"name"_s, name},
                           {u"originalWeak"_s, original}, {u"packageUnit"_s, packageUnit},
                           {u"weakPackaged"_s, weak}};
    };
    EXPECT_EQ(read.object(),
              (QJsonObject{{u"containedUnits"_s, QJsonArray{unit(u"VxReg"_s, 2, true, false, false),
                                                            unit(u"VxWeak"_s, 12, false, true, true)}},
                           {u"description"_s, u"Vx tools — design"_s},
                           {u"designOnly"_s, true},
                           {u"duplicateCheckOff"_s, false},
                           {u"file"_s, *bpl},
                           {u"flags"_s, qint64(0x4C000002)},
                           {u"moduleType"_s, u"package DLL"_s},
                           {u"neverBuild"_s, false},
                           {u"producer"_s, u"Delphi"_s},
                           {u"requiredPackages"_s, QJsonArray{u"rtl"_s, u"vcl"_s}},
                           {u"runOnly"_s, false}}));

    const test::CliRun text = test::runCli({u"package-info"_s, *bpl});
    ASSERT_EQ(text.code, 0) << text.err.constData();
    for (const char* line :
         {"Description:       Vx tools — design\n", "Design only:       yes\n",
          "\nContains (2)\n  VxReg  [package unit]\n  VxWeak  [weak packaged, original weak]\n"})
        EXPECT_TRUE(text.out.contains(line)) << line << "\n" << text.out.constData();

    const struct
    {
        QString file;
        QByteArray reason;
    } failures[] = {
        {*cut, "PACKAGEINFO ends inside the name of contained unit 2 of 2"},
        {dir.filePath(u"gone.bpl"_s), "cannot be read: "},
    };
    for (const auto& f : failures) {
        const test::CliRun r = test::runCli({u"package-info"_s, f.file, u"--json"_s});
        EXPECT_EQ(r.code, 1) << f.file.toStdString();
        EXPECT_TRUE(r.err.startsWith(QByteArray("vorlix7-cli: " + f.file.toUtf8() + ": " + f.reason)))
            << r.err.constData();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.constData();
    }
}

} // namespace
