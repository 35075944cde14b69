#include "platform/pe/PeImports.h"
#include "fixtures/PeBuilder.h"
#include "support/ByteFields.h"
#include "support/TestFiles.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using vx::parsePeImports;
using vx::PeImports;
using vx::fixtures::buildPeWithImports;

using vx::test::get32;
using vx::test::set32;

namespace {

// File offset of the import directory's first descriptor in a builder image: the one section's
// raw data starts at 0x200 and its RVA is 0x1000.
qsizetype descriptors(const QByteArray& image)
{
    const qsizetype optional = get32(image, 0x3C) + 24;
    const bool pe64 = quint8(image[optional]) == 0x0B && quint8(image[optional + 1]) == 0x02;
    return get32(image, optional + (pe64 ? 112 : 96) + 8) - 0x1000 + 0x200;
}

} // namespace

TEST(PeImports, ListsEachModuleOnceInPe32AndPe64Images)
{
    const struct
    {
        QByteArray image;
        QStringList modules;
    } cases[] = {
        {buildPeWithImports({u"rtl70.bpl"_s, u"vcl70.bpl"_s, u"KERNEL32.dll"_s}),
         {u"rtl70.bpl"_s, u"vcl70.bpl"_s, u"KERNEL32.dll"_s}},
        {buildPeWithImports({u"rtl70.bpl"_s, u"vcl70.bpl"_s, u"KERNEL32.dll"_s}, true),
         {u"rtl70.bpl"_s, u"vcl70.bpl"_s, u"KERNEL32.dll"_s}},
        {buildPeWithImports({u"rtl70.bpl"_s, u"RTL70.BPL"_s, u"vcl70.bpl"_s}),
         {u"rtl70.bpl"_s, u"vcl70.bpl"_s}},   // named twice
        {vx::fixtures::buildDelphiExe(), {}}, // no import table
        {buildPeWithImports({}), {}},
    };
    for (const auto& c : cases) {
        const PeImports r = parsePeImports(c.image);
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(r.modules, c.modules);
    }
}

// Wine's loader stops at the first descriptor whose Name or FirstThunk is 0, whatever its other
// fields hold: the modules named after it are never loaded.
TEST(PeImports, TheTableEndsAtTheFirstDescriptorWithoutNameOrAddressTable)
{
    const QByteArray good = buildPeWithImports({u"rtl70.bpl"_s, u"Gone70.bpl"_s, u"vcl70.bpl"_s});
    const qsizetype second = descriptors(good) + 20;
    const struct
    {
        const char* what;
        qsizetype field;
    } cases[] = {{"no name", 12}, {"no address table", 16}};
    for (const auto& c : cases) {
        QByteArray image = good;
        set32(image, second + c.field, 0);
        const PeImports r = parsePeImports(image);
        ASSERT_TRUE(r.ok) << c.what << ": " << r.error.toStdString();
        EXPECT_EQ(r.modules, QStringList{u"rtl70.bpl"_s}) << c.what;
    }
}

TEST(PeImports, HostileFilesGiveAReasonNotACrash)
{
    const QByteArray good = buildPeWithImports({u"rtl70.bpl"_s, u"designide70.bpl"_s});
    // A cut that loses the table is an error.
    EXPECT_FALSE(parsePeImports(good.left(0x1FF)).ok);

    QByteArray outside = good;
    set32(outside, descriptors(good) + 12, 0x7FFF0000); // name RVA far past every section
    const PeImports o = parsePeImports(outside);
    EXPECT_FALSE(o.ok);
    EXPECT_TRUE(o.error.contains(u"outside"_s)) << o.error.toStdString();

    // A table without its closing descriptor runs to the end of the section and stops there.
    QByteArray unterminated = good;
    const qsizetype d = descriptors(good);
    for (qsizetype at = d + 40; at + 20 <= unterminated.size(); at += 20) {
        set32(unterminated, at + 12, get32(good, d + 12));
        set32(unterminated, at + 16, get32(good, d + 16));
    }
    EXPECT_FALSE(parsePeImports(unterminated).ok);
}

// A DLL built by MinGW, 32-bit as Delphi 7's packages are and 64-bit, that links against a
// package of our own: its import table names that package and the system's DLLs. The install
// script installs both compilers, so a run that requires the Windows tools fails without them.
TEST(PeImports, ReadsTheImportsOfADllBuiltByMinGW)
{
    const QStringList compilers{u"x86_64-w64-mingw32-gcc"_s, u"i686-w64-mingw32-gcc"_s};
    for (const QString& compiler : compilers) {
        const QString cc = QStandardPaths::findExecutable(compiler);
        if (cc.isEmpty()) {
            if (qEnvironmentVariable("VX_REQUIRE_WINE") == u"1"_s)
                ADD_FAILURE() << compiler.toStdString()
                              << " is not installed (scripts/install-deps.sh installs it)";
            else
                GTEST_SKIP() << compiler.toStdString() << " is not installed";
            continue;
        }
        QTemporaryDir dir;
        vx::test::writeAll(dir.filePath(u"dep.c"_s),
                           "__declspec(dllexport) int vx_dep(void) { return 7; }\n");
        vx::test::writeAll(dir.filePath(u"user.c"_s),
                           "__declspec(dllimport) int vx_dep(void);\n"
                           "__declspec(dllexport) int vx_user(void) { return vx_dep() + 1; }\n");
        const auto run = [&](const QStringList& args) {
            QProcess p;
            p.setWorkingDirectory(dir.path());
            p.start(cc, args);
            EXPECT_TRUE(p.waitForFinished(120000));
            EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        };
        run({u"-shared"_s, u"-o"_s, u"vxdep70.bpl"_s, u"dep.c"_s, u"-Wl,--out-implib,libvxdep.a"_s});
        run({u"-shared"_s, u"-o"_s, u"user.bpl"_s, u"user.c"_s, u"-L."_s, u"-lvxdep"_s});
        const PeImports r = vx::readPeImports(dir.filePath(u"user.bpl"_s));
        ASSERT_TRUE(r.ok) << compiler.toStdString() << ": " << r.error.toStdString();
        for (const QString& module : {u"vxdep70.bpl"_s, u"KERNEL32.dll"_s})
            EXPECT_TRUE(r.modules.contains(module, Qt::CaseInsensitive))
                << r.modules.join(u' ').toStdString();
    }
}
