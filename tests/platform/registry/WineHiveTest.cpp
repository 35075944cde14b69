#include "platform/registry/WineHive.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "support/HiveContents.h"
#include "support/Thrown.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vx;
using vx::test::errorOf;

namespace {

// Sections in exactly the form Wine 8 writes them, all stamped 1700000000 s.
const QByteArray kCanonical = QByteArray(R"(WINE REGISTRY Version 2
;; All keys relative to REGISTRY\\Machine

#arch=win64

[Software\\Borland\\Delphi\\7.0] 1700000000
#time=1da1747c66d0000
@=""
"Accent"="caf\x00e9d na\xefve"
"Big"=hex(b):ff,ff,ff,ff,ff,ff,ff,7f
"Bin"=hex:00,11,22,33,44,55,66,77,88,99,aa,bb,cc,dd,ee,ff,00,11,22,33,44,55,66,\
  77,88,99,aa,bb,cc,dd,ee,ff,00,11,22,33,44,55,66,77,88,99,aa,bb,cc,dd,ee,ff
"Count"=dword:0000001f
"Ctl"="a\1b\0011\e\t"
"List"=str(7):"one\0tw\xf6\0"
"OddSz"=hex(1):41,00,42
"Path"=str(2):"%ProgramFiles%\\Borland"
"Quote"="say \"hi\"\\"
"RootDir"="C:\\Program Files\\Borland\\Delphi7\\"

[Software\\Borland\\Delphi\\7.0\\Known Packages] 1700000000
#time=1da1747c66d0000
"$(DELPHI)\\Bin\\dclstd70.bpl"="Borland Standard Components"

[Software\\Classes\\.pas] 1700000000
#time=1da1747c66d0000
#class="Pascal \"unit\""
@="DelphiUnit"

[Software\\Classes\\Wow6432Node\\CLSID] 1700000000
#time=1da1747c66d0000
#link
"SymbolicLinkValue"=hex(6):5c,00,52,00,65,00,67,00

[Software\\Wine\\Brackets\\\[x\]\\\x00e9a\xe9] 1700000000
#time=1da1747c66d0000
"k\xe9\"\\"="w\x00e91x\xe9g\1\0017\a\e\xd83d\xde00"
"n"=hex(0):
"open"=hex(2):41,00
"short"=hex(4):01,02
)");

// What a hand-edited file may add: CR LF, comments, blanks, a repeated section.
const QByteArray kExtras =
    QByteArray("\r\n[Software\\\\Borland\\\\Delphi\\\\7.0] 1600000000\r\n"
               "; added by hand\r\n"
               "  \"Extra\" = str:\"x\"  \r\n"
               "\n[Software\\\\Zed] 1700000000\n#time=1da1747c66d0000\n#color=blue\n\"z\"=dword:1\n");

// Byte strings compared as std::string show a readable diff.
std::string str(const QByteArray& b)
{
    return b.toStdString();
}

QByteArray utf16(const QString& s)
{
    return RegValue::string({}, s).data;
}

void expectSameContents(const QByteArray& bytes)
{
    const WineHive hive = WineHive::parse(bytes, u"t.reg"_s);
    const QStringList before = vx::test::hiveContents(hive);
    EXPECT_EQ(vx::test::hiveContents(WineHive::parse(hive.save(WineHive::SaveMode::RewriteAll), u"t.reg"_s)),
              before);
}

WineHive::KeyId key(const WineHive& hive, const QString& path)
{
    return hive.findKey(path.split(u'\\'));
}

class WineHiveTest : public ::testing::Test
{
  protected:
    ManualClock clock{QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC)};
    ScopedClock scoped{clock};
};

TEST_F(WineHiveTest, UntouchedFileComesBackByteForByteAndDecodes)
{
    const QByteArray original = kCanonical + kExtras;
    WineHive hive = WineHive::parse(original, u"system.reg"_s);
    EXPECT_EQ(hive.save(), original);

    // Each type's meaning is checked against what Wine wrote in HiveWineTest; here the escapes.
    const auto d7 = key(hive, u"software\\BORLAND\\delphi\\7.0"_s);
    ASSERT_NE(d7, WineHive::kNoKey);
    auto data = [&](const QString& name) { return hive.value(d7, name).value_or(RegValue{}).data; };
    EXPECT_EQ(data(u"accent"_s), utf16(u"caf\u00e9d na\u00efve"_s));
    EXPECT_EQ(data(u"Ctl"_s), utf16(u"a\u0001b\u00011\u001b\t"_s));
    EXPECT_EQ(data(u"OddSz"_s), QByteArray::fromHex("410042"));
    // The repeated section's value joins the first section's ones in Wine's order.
    EXPECT_EQ(hive.valueNames(d7),
              (QStringList{QString(), u"Accent"_s, u"Big"_s, u"Bin"_s, u"Count"_s, u"Ctl"_s, u"Extra"_s,
                           u"List"_s, u"OddSz"_s, u"Path"_s, u"Quote"_s, u"RootDir"_s}));
    EXPECT_EQ(hive.value(d7, u"extra"_s)->text(), u"x"_s);
    EXPECT_TRUE(hive.isLink(key(hive, u"Software\\Classes\\Wow6432Node\\CLSID"_s)));
    EXPECT_EQ(hive.subKeyNames(key(hive, u"Software\\Wine\\Brackets"_s)), QStringList{u"[x]"_s});
    const auto escaped = key(hive, u"Software\\Wine\\Brackets\\[X]\\\u00c9A\u00c9"_s);
    EXPECT_EQ(hive.value(escaped, u"K\u00c9\"\\"_s).value_or(RegValue{}).data,
              utf16(u"w\u00e91x\u00e9g\u0001\u00017\u0007\u001b\U0001F600"_s));
    EXPECT_EQ(hive.value(escaped, u"short"_s), (RegValue{u"short"_s, REG_DWORD, QByteArray("\x01\x02", 2)}));

    // Written anew, every key comes out as Wine itself writes it.
    EXPECT_EQ(str(WineHive::parse(kCanonical, {}).save(WineHive::SaveMode::RewriteAll)), str(kCanonical));
    expectSameContents(original);
}

TEST_F(WineHiveTest, ReaderFollowsWinesLoader)
{
    const QByteArray file =
        QByteArray("WINE REGISTRY Version 2\n\n[A] 1\n") + "\"esc\"=\"\\x41\\x1234567\\xq\\q\\101\\0\\n\"\n" +
        "\"raw\"=\"gr\xc3\xbc\xc3\x9f \xf0\x9f\x98\x80|\xc0\x80\xf8\x88\x80\x80\xe9t\xed\xa0\x80\"\n" +
        "\"cr\"=dword:123456789\r\n" + "\"hex\"=hex(0x2):41,00,\\\n  ; not hex\n" + "\"wrap\"=hex:01,\\\n\n" +
        "\"type\"=hex(-1):02\n" + "\"dup\"=\"first\"\n\"DUP\"=\"second\"\n" + "\"noeq\" \"x\"\n" +
        "\"bad\"=hex:100\n" +
        "[B\\\\C]\n[Soft\\ware]\n[\\\\Lead]\n\"lost\"=\"v\"\n[broken\n\"lost2\"=\"v\"\n" +
        "[D]\n\"eat\"=hex:01,\\\n[E]\n\"end\"=hex:02,\\\n";
    WineHive hive = WineHive::parse(file, {});
    const auto a = key(hive, u"A"_s);
    auto get = [&](const QString& name) { return hive.value(a, name).value_or(RegValue{u"?"_s, 99, {}}); };
    EXPECT_EQ(get(u"esc"_s).data, utf16(QString(u"A\u1234567xqqA"_s) + QChar(0) + u"\n"_s));
    // Raw UTF-8, surrogates included; bytes that are not UTF-8 are dropped.
    EXPECT_EQ(get(u"raw"_s).text(), u"gr\u00fc\u00df \U0001F600|t"_s + QChar(0xd800));
    EXPECT_EQ(get(u"cr"_s).number(), 0x23456789u);                // strtoul, cut to 32 bits
    EXPECT_EQ(get(u"hex"_s), (RegValue{u"hex"_s, REG_NONE, {}})); // continuation line is not hex
    EXPECT_EQ(get(u"wrap"_s).data, QByteArray("\x01", 1));
    EXPECT_EQ(get(u"type"_s).type, 0xffffffffu);
    EXPECT_EQ(get(u"dup"_s).name, u"dup"_s);
    EXPECT_EQ(get(u"Dup"_s).text(), u"second"_s);
    EXPECT_EQ(get(u"bad"_s).type, REG_NONE);
    EXPECT_FALSE(hive.value(a, u"noeq"_s));

    // "[E]" was eaten as a continuation of "eat"; the last continuation ran into the end.
    EXPECT_EQ(hive.subKeyNames(WineHive::root()), (QStringList{u"A"_s, u"B"_s, u"D"_s, u"Software"_s}));
    EXPECT_NE(key(hive, u"B\\C"_s), WineHive::kNoKey);
    EXPECT_EQ(hive.value(key(hive, u"D"_s), u"eat"_s)->type, REG_NONE);
    EXPECT_EQ(hive.value(key(hive, u"D"_s), u"end"_s)->type, REG_NONE);
    EXPECT_EQ(hive.save(), file);
    expectSameContents(file);

    // Appending after a continuation that ran into the end must not feed it a line.
    hive.createKey({u"Zz"_s});
    const WineHive again = WineHive::parse(hive.save(), {});
    EXPECT_EQ(again.value(key(again, u"D"_s), u"end"_s)->type, REG_NONE);
    EXPECT_NE(key(again, u"Zz"_s), WineHive::kNoKey);
}

TEST_F(WineHiveTest, RefusesWhatWineRefuses)
{
    for (const QByteArray& bad :
         {QByteArray("\xef\xbb\xbfWINE REGISTRY Version 2\n"), QByteArray(),
          QByteArray("WINE REGISTRY Version 1\n[A]\n"), QByteArray("WINE REGISTRY Version 2\n#arch=\n"),
          QByteArray("WINE REGISTRY Version 2\n#arch=win32\n#arch=win64\n")}) {
        EXPECT_TRUE(errorOf<OperationError>([&] {
                        WineHive::parse(bad, u"/p/user.reg"_s);
                    }).contains(u"/p/user.reg"_s))
            << bad.constData();
    }
    // CR LF after the header and an #arch line inside a key are fine.
    EXPECT_NO_THROW(WineHive::parse("WINE REGISTRY Version 2\r\n[A]\n#arch=win16\n", {}));
}

TEST_F(WineHiveTest, ChangingAValueRewritesOnlyItsKey)
{
    const QByteArray original = kCanonical + kExtras;
    WineHive hive = WineHive::parse(original, {});
    const auto pas = key(hive, u"Software\\Classes\\.pas"_s);
    hive.setValue(pas, RegValue::string({}, u"DelphiUnit"_s)); // same data: no change
    EXPECT_FALSE(hive.isModified());

    clock.set(QDateTime::fromSecsSinceEpoch(1800000000, Qt::UTC));
    hive.setValue(pas, RegValue::string(u"Content Type"_s, u"text/x-pascal"_s));
    QByteArray expected = original;
    expected.replace("[Software\\\\Classes\\\\.pas] 1700000000\n#time=1da1747c66d0000\n",
                     "[Software\\\\Classes\\\\.pas] 1800000000\n#time=1dda4c66b338000\n");
    expected.replace("@=\"DelphiUnit\"\n", "@=\"DelphiUnit\"\n\"Content Type\"=\"text/x-pascal\"\n");
    EXPECT_EQ(str(hive.save()), str(expected));

    // A changed key with repeated sections is merged into its first one; its lines stay.
    const auto d7 = key(hive, u"Software\\Borland\\Delphi\\7.0"_s);
    hive.setValue(d7, RegValue::dword(u"count"_s, 32));
    const QByteArray saved = hive.save();
    EXPECT_EQ(saved.count("[Software\\\\Borland\\\\Delphi\\\\7.0]"), 1);
    EXPECT_TRUE(saved.contains("\"Count\"=dword:00000020\n\"Ctl\"="));
    EXPECT_TRUE(saved.contains("; added by hand\r\n  \"Extra\" = str:\"x\"  \r\n"));
    const WineHive reread = WineHive::parse(saved, {});
    EXPECT_EQ(reread.valueNames(key(reread, u"Software\\Borland\\Delphi\\7.0"_s)), hive.valueNames(d7));
}

TEST_F(WineHiveTest, NewKeysAndValuesTakeTheirSortedPlace)
{
    WineHive hive = WineHive::parse(kCanonical, {});
    const auto d7 =
        hive.createKey({u"Software"_s, u"Borland"_s, u"Delphi"_s, u"7.0"_s, u"_Tools"_s, u"Transfer"_s});
    hive.setValue(d7, RegValue::string(u"Count"_s, u"0"_s));
    hive.createKey({u"Software"_s, u"Borland"_s, u"Delphi"_s, u"6.0"_s});
    const auto pas = key(hive, u"Software\\Classes\\.pas"_s);
    hive.setValue(pas, RegValue::string(u"B"_s, {}));
    hive.setValue(pas, RegValue::string(u"a"_s, {}));
    const QByteArray saved = hive.save();

    // "6.0" before "7.0"; "_Tools" ('_' sorts below letters) right after its parent, before
    // "Known Packages"; its parent holding only a subkey gets no section of its own.
    const auto at = [&](const char* text) { return saved.indexOf(text); };
    EXPECT_LT(at("[Software\\\\Borland\\\\Delphi\\\\6.0]"), at("[Software\\\\Borland\\\\Delphi\\\\7.0]"));
    EXPECT_LT(at("[Software\\\\Borland\\\\Delphi\\\\7.0]"),
              at("[Software\\\\Borland\\\\Delphi\\\\7.0\\\\_Tools\\\\Transfer]"));
    EXPECT_LT(at("_Tools\\\\Transfer]"), at("Known Packages]"));
    EXPECT_EQ(at("_Tools]"), -1);
    EXPECT_TRUE(saved.contains("@=\"DelphiUnit\"\n\"a\"=\"\"\n\"B\"=\"\"\n"));
    EXPECT_EQ(hive.subKeyNames(key(hive, u"Software\\Borland\\Delphi"_s)), (QStringList{u"6.0"_s, u"7.0"_s}));
}

TEST_F(WineHiveTest, NamesLongerThanWindowsAllowsAreRefused)
{
    WineHive hive = WineHive::createNew(WineHive::kUserRelativeTo, WineHive::Arch::Win64);
    const QString longestKey(WineHive::kMaxKeyNameLength, u'k');
    const auto sw = hive.createKey({u"Software"_s, longestKey});
    ASSERT_NE(sw, WineHive::kNoKey);
    EXPECT_EQ(hive.createKey({u"New"_s, longestKey + u'k'}), WineHive::kNoKey);
    EXPECT_EQ(hive.findKey({u"New"_s}), WineHive::kNoKey) << "nothing of a refused path is created";

    const QString longestValue(WineHive::kMaxValueNameLength, u'v');
    EXPECT_TRUE(hive.setValue(sw, RegValue::dword(longestValue, 1)));
    EXPECT_FALSE(hive.setValue(sw, RegValue::dword(longestValue + u'v', 2)));
    EXPECT_EQ(hive.valueNames(sw), QStringList{longestValue});
}

TEST_F(WineHiveTest, DeletingKeepsTheTreeReadable)
{
    WineHive hive = WineHive::parse(kCanonical, {});
    const auto brackets = key(hive, u"Software\\Wine\\Brackets"_s);
    EXPECT_FALSE(hive.deleteKey(brackets)); // has a subkey
    EXPECT_TRUE(hive.deleteTree(key(hive, u"Software\\Wine\\Brackets\\[x]"_s)));
    EXPECT_TRUE(hive.deleteTree(key(hive, u"Software\\Borland\\Delphi\\7.0"_s)));

    // "Brackets" had no section (only a subkey); now that it has none it needs one, or Wine
    // would lose it.
    const QByteArray saved = hive.save();
    EXPECT_TRUE(saved.contains("\n[Software\\\\Wine\\\\Brackets] 1700000000\n"));
    EXPECT_FALSE(saved.contains("Borland\\\\Delphi\\\\7.0"));
    const WineHive reread = WineHive::parse(saved, {});
    EXPECT_EQ(vx::test::hiveContents(reread), vx::test::hiveContents(hive));
}

TEST_F(WineHiveTest, HostileInputStaysLinearAndFlat)
{
    // A path 200000 keys deep, 50000 values in one key, 50000 siblings: no recursion, no
    // quadratic lookups. Each is read, written anew, read back and compared.
    QByteArray deep = "WINE REGISTRY Version 2\n[a";
    for (int i = 0; i < 200000; ++i)
        deep += "\\\\a";
    deep += "]\n\"v\"=\"1\"\n";
    QByteArray wide = "WINE REGISTRY Version 2\n[w]\n";
    QByteArray many = "WINE REGISTRY Version 2\n";
    for (int i = 0; i < 50000; ++i) {
        wide += "\"v" + QByteArray::number(i) + "\"=dword:" + QByteArray::number(i, 16) + "\n";
        many += "[k\\\\" + QByteArray::number(i) + "]\n";
    }
    for (const QByteArray& file : {deep, wide, many})
        expectSameContents(file);

    WineHive hive = WineHive::parse(deep, {});
    EXPECT_TRUE(hive.deleteTree(key(hive, u"a"_s)));
    EXPECT_EQ(WineHive::parse(hive.save(), {}).subKeyCount(WineHive::root()), 0);
}

TEST_F(WineHiveTest, LastLineWithoutLineFeedOrWithNulStaysWhatItSaid)
{
    for (const QByteArray& tail :
         {QByteArray("\"t\"=\"v\""), QByteArray("\"t\"=\"v\"\r"), QByteArray("\"t\"=\"v\"\0junk", 12)}) {
        WineHive hive = WineHive::parse("WINE REGISTRY Version 2\n[A]\n" + tail, {});
        EXPECT_EQ(hive.value(key(hive, u"A"_s), u"t"_s)->text(), u"v"_s);
        hive.createKey({u"B"_s});
        const WineHive reread = WineHive::parse(hive.save(), {});
        EXPECT_EQ(vx::test::hiveContents(reread), vx::test::hiveContents(hive));
    }
}

} // namespace

// A key with many values or subkeys finds them through a hash index; it must fold names exactly
// as the plain comparison does: every letter Wine lowercases, not only A-Z, in every position of
// a name of any length.
TEST_F(WineHiveTest, LargeKeysFindNamesUnderEveryCaseFoldingAsSmallOnesDo)
{
    const QStringList names{u"K"_s, u"Straße Ä"_s, u"ABCDEFGHIJ"_s, u"x\u0130y"_s, u"Ω1234"_s, u"tail€"_s};
    const QStringList spelledOtherwise{u"\u212A"_s, u"strasse ä"_s, u"abcdefghij"_s,
                                       u"xiy"_s,    u"ω1234"_s,     u"TAIL€"_s};
    for (const int filler : {0, 40}) {
        SCOPED_TRACE(filler);
        WineHive hive;
        const WineHive::KeyId key = hive.createKey({u"Software"_s, u"Big"_s});
        for (int i = 0; i < filler; ++i) {
            hive.createKey({u"Software"_s, u"Big"_s, u"Filler "_s + QString::number(i)});
            hive.setValue(key, RegValue::string(u"Filler "_s + QString::number(i), u"x"_s));
        }
        for (const QString& n : names) {
            hive.createKey({u"Software"_s, u"Big"_s, n});
            hive.setValue(key, RegValue::string(n, n));
        }
        for (qsizetype i = 0; i < names.size(); ++i) {
            const bool same = WineHive::compareNames(names[i], spelledOtherwise[i]) == 0;
            EXPECT_EQ(hive.findSubKey(key, spelledOtherwise[i]) != WineHive::kNoKey, same)
                << names[i].toStdString();
            EXPECT_EQ(hive.value(key, spelledOtherwise[i]).has_value(), same) << names[i].toStdString();
            EXPECT_NE(hive.findSubKey(key, names[i]), WineHive::kNoKey);
        }
    }
}
