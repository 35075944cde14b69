#include "delphireg/DefaultConfig.h"

#include "delphireg/RegistryAccess.h"

#include <initializer_list>
#include <utility>

using namespace Qt::StringLiterals;

namespace vx {

namespace {

using Values = std::initializer_list<std::pair<const char16_t*, QString>>;

void writeKey(RegistryAccess& reg, const QString& key, Values values)
{
    reg.OpenKey(key, true);
    for (const auto& [name, data] : values)
        reg.WriteString(QString::fromUtf16(name), data);
    reg.CloseKey();
}

// Every value of the key holds the same text.
void writeNames(RegistryAccess& reg, const QString& key, std::initializer_list<const char16_t*> names,
                const QString& data)
{
    reg.OpenKey(key, true);
    for (const char16_t* name : names)
        reg.WriteString(QString::fromUtf16(name), data);
    reg.CloseKey();
}

const std::initializer_list<std::pair<const char16_t*, const char16_t*>> kKnownPackages = {
    {u"$(DELPHI)\\Bin\\dclsoap70.bpl", u"Borland SOAP Components"},
    {u"$(DELPHI)\\Bin\\applet70.bpl", u"Borland Control Panel Applet Package"},
    {u"$(DELPHI)\\Bin\\DBWEBXPRT.BPL", u"Borland Web Wizard Package"},
    {u"$(DELPHI)\\Bin\\dbx70.bpl", u"Borland SQL Explorer UI Package"},
    {u"$(DELPHI)\\Bin\\dcl31w70.bpl", u"Delphi 1.0 Compatibility Components"},
    {u"$(DELPHI)\\Bin\\dclact70.bpl", u"Borland ActionBar Components"},
    {u"$(DELPHI)\\bin\\dclado70.bpl", u"Borland ADO DB Components"},
    {u"$(DELPHI)\\Bin\\dclbde70.bpl", u"Borland BDE DB Components"},
    {u"$(DELPHI)\\Bin\\dclclxdb70.bpl", u"Borland CLX Database Components"},
    {u"$(DELPHI)\\Bin\\dclclxstd70.bpl", u"Borland CLX Standard Components"},
    {u"$(DELPHI)\\Bin\\dcldb70.bpl", u"Borland Database Components"},
    {u"$(DELPHI)\\Bin\\dcldbx70.bpl", u"Borland dbExpress Components"},
    {u"$(DELPHI)\\Bin\\dcldbxcds70.bpl", u"Borland SimpleDataset Component (DBX)"},
    {u"$(DELPHI)\\Bin\\dcldss70.bpl", u"Borland Decision Cube Components"},
    {u"$(DELPHI)\\Bin\\dclemacsedit70.bpl", u"Borland Editor Emacs Enhancements"},
    {u"$(DELPHI)\\Bin\\DCLIB70.bpl", u"InterBase Data Access Components"},
    {u"$(DELPHI)\\Bin\\dclie70.bpl", u"Internet Explorer Components"},
    {u"$(DELPHI)\\Bin\\dclindy70.bpl", u"Internet Direct (Indy) for D7 Property and Component Editors"},
    {u"$(DELPHI)\\Bin\\dclite70.bpl", u"Borland Integrated Translation Environment"},
    {u"$(DELPHI)\\Bin\\dclmcn70.bpl", u"Borland DataSnap Connection Components"},
    {u"$(DELPHI)\\Bin\\dclmid70.bpl", u"Borland MyBase DataAccess Components"},
    {u"$(DELPHI)\\Bin\\dclmlwiz70.bpl", u"Borland Markup Language Wizards"},
    {u"$(DELPHI)\\bin\\dclnet70.bpl", u"Borland Internet Components"},
    {u"$(DELPHI)\\Bin\\dclocx70.bpl", u"Borland Sample Imported ActiveX Controls"},
    {u"$(DELPHI)\\Bin\\dclofficexp70.bpl",
     u"Microsoft Office XP Sample Automation Server Wrapper Components"},
    {u"$(DELPHI)\\Bin\\dclRave70.bpl", u"Rave Reports BE 5.0 Package"},
    {u"$(DELPHI)\\bin\\dclshlctrls70.bpl", u"Shell Control Property and Component Editors"},
    {u"$(DELPHI)\\Bin\\dclsmp70.bpl", u"Borland Sample Components"},
    {u"$(DELPHI)\\Bin\\dclsmpedit70.bpl", u"Borland Editor Script Enhancements"},
    {u"$(DELPHI)\\Bin\\dclstd70.bpl", u"Borland Standard Components"},
    {u"$(DELPHI)\\bin\\dcltee70.bpl", u"TeeChart Components"},
    {u"$(DELPHI)\\Bin\\dclwbm70.bpl", u"Borland InternetExpress Components"},
    {u"$(DELPHI)\\Bin\\dclwebsnap70.bpl", u"Borland WebSnap Components"},
    {u"$(DELPHI)\\Bin\\ibevnt70.bpl", u"Borland Interbase Event Alerter Component"},
};

const char16_t kBrowsingPath[] =
    u"$(DELPHI)\\source\\vcl;$(DELPHI)\\Source\\Rtl;$(DELPHI)\\source\\rtl\\Corba45;$(DELPHI)"
    u"\\source\\rtl\\Sys;"
    u"$(DELPHI)\\source\\rtl\\Win;$(DELPHI)\\source\\rtl\\common;$(DELPHI)\\source\\Internet;$(DELPHI)"
    u"\\source\\clx;"
    u"$(DELPHI)\\source\\websnap;$(DELPHI)\\Source\\WebMidas;$(DELPHI)\\Source\\Indy;$(DELPHI)"
    u"\\Source\\IntraWeb;"
    u"$(DELPHI)\\Source\\Samples;$(DELPHI)\\Source\\Soap;$(DELPHI)\\Source\\ToolsAPI;$(DELPHI)\\Source\\Xml";

void writeDatabaseEngine(RegistryAccess& reg, const QString& b)
{
    const QString s = u"Software\\Borland\\Database Engine\\Settings\\"_s;
    writeKey(reg, u"Software\\Borland\\BLW32"_s, {{u"BLAPIPATH", b}});
    writeKey(reg, u"Software\\Borland\\Database Engine"_s,
             {{u"DLLPATH", b},
              {u"CONFIGFILE01", b + u"IDAPI.CFG"_s},
              {u"RESOURCE", u"0009"_s},
              {u"SaveConfig", u"WIN32"_s},
              {u"UseCount", u"1"_s}});
    writeKey(reg, s + u"SYSTEM\\INIT"_s,
             {{u"VERSION", u"4.0"_s},
              {u"LOCAL SHARE", u"FALSE"_s},
              {u"MINBUFSIZE", u"128"_s},
              {u"MAXBUFSIZE", u"2048"_s},
              {u"LANGDRIVER", u"china"_s},
              {u"MAXFILEHANDLES", u"48"_s},
              {u"SYSFLAGS", u"0"_s},
              {u"LOW MEMORY USAGE LIMIT", u"32"_s},
              {u"AUTO ODBC", u"FALSE"_s},
              {u"DEFAULT DRIVER", u"PARADOX"_s},
              {u"MEMSIZE", u"16"_s},
              {u"SHAREDMEMSIZE", u"2048"_s},
              {u"SHAREDMEMLOCATION", QString()},
              {u"DATA REPOSITORY", QString()},
              {u"SQLQRYMODE", QString()},
              {u"MTS POOLING", u"FALSE"_s}});
    writeKey(reg, s + u"SYSTEM\\FORMATS\\DATE"_s,
             {{u"MODE", u"0"_s},
              {u"SEPARATOR", u"/"_s},
              {u"FOURDIGITYEAR", u"FALSE"_s},
              {u"YEARBIASED", u"TRUE"_s},
              {u"LEADINGZEROM", u"FALSE"_s},
              {u"LEADINGZEROD", u"FALSE"_s}});
    writeKey(reg, s + u"SYSTEM\\FORMATS\\TIME"_s,
             {{u"TWELVEHOUR", u"TRUE"_s},
              {u"AMSTRING", u"AM"_s},
              {u"PMSTRING", u"PM"_s},
              {u"SECONDS", u"TRUE"_s},
              {u"MILSECONDS", u"FALSE"_s}});
    writeKey(reg, s + u"SYSTEM\\FORMATS\\NUMBER"_s,
             {{u"DECIMALSEPARATOR", u"."_s},
              {u"THOUSANDSEPARATOR", u" "_s},
              {u"DECIMALDIGITS", u"2"_s},
              {u"LEADINGZERON", u"TRUE"_s}});
    writeKey(reg, s + u"DRIVERS\\PARADOX\\INIT"_s,
             {{u"VERSION", u"4.0"_s}, {u"TYPE", u"FILE"_s}, {u"LANGDRIVER", u"china"_s}});
    writeKey(reg, s + u"DRIVERS\\PARADOX\\TABLE CREATE"_s,
             {{u"LEVEL", u"7"_s},
              {u"BLOCK SIZE", u"2048"_s},
              {u"FILL FACTOR", u"95"_s},
              {u"STRICTINTEGRTY", u"TRUE"_s}});
    writeKey(reg, s + u"DRIVERS\\DBASE\\INIT"_s,
             {{u"VERSION", u"4.0"_s}, {u"TYPE", u"FILE"_s}, {u"LANGDRIVER", u"DB936CN0"_s}});
    writeKey(reg, s + u"DRIVERS\\DBASE\\TABLE CREATE"_s,
             {{u"LEVEL", u"7"_s}, {u"MDX BLOCK SIZE", u"1024"_s}, {u"MEMO FILE BLOCK SIZE", u"1024"_s}});
    writeKey(reg, s + u"DRIVERS\\FOXPRO\\INIT"_s,
             {{u"VERSION", u"4.0"_s}, {u"TYPE", u"FILE"_s}, {u"LANGDRIVER", u"DBWINUS0"_s}});
    writeKey(reg, s + u"DRIVERS\\FOXPRO\\TABLE CREATE"_s, {{u"LEVEL", u"25"_s}});
    writeKey(reg, s + u"DRIVERS\\MSACCESS\\INIT"_s,
             {{u"VERSION", u"1.0"_s},
              {u"TYPE", u"SERVER"_s},
              {u"DLL32", u"IDDA3532.DLL"_s},
              {u"DRIVER FLAGS", QString()},
              {u"TRACE MODE", u"0"_s}});
    writeKey(reg, s + u"DRIVERS\\MSACCESS\\DB OPEN"_s,
             {{u"DATABASE NAME", u"DRIVE:/PATH/DATABASE.MDB"_s},
              {u"USER NAME", QString()},
              {u"OPEN MODE", u"READ/WRITE"_s},
              {u"LANGDRIVER", QString()},
              {u"SYSTEM DATABASE", QString()}});
}

} // namespace

QString localSharedRoot(const QString& sdkHelp)
{
    return sdkHelp.size() > 8 ? sdkHelp.chopped(7) : sdkHelp;
}

void writeDefaultConfiguration(RegistryStore& store, const DefaultConfigInputs& in)
{
    for (const DelphiKeyTree& tree : DelphiKeyTrees())
        DeleteKeyTree(store, tree.root, tree.path);

    const QString& r = in.delphiRoot;
    const QString base = u"Software\\Borland\\Delphi\\7.0"_s;
    RegistryAccess reg(store);
    reg.SetRootKey(RegRoot::CurrentUser);
    writeKey(reg, base,
             {{u"App", r + u"bin\\Delphi32.exe"_s},
              {u"LocalSharedRoot", localSharedRoot(in.sdkHelp)},
              {u"RootDir", r},
              {u"UseSharedFiles", u"TRUE"_s},
              {u"Version", u"CSS"_s}});
    reg.OpenKey(base + u"\\Direct"_s, true);
    reg.WriteString(u"InfoURL"_s, u"http://www.borland.com/delphi/"_s);
    reg.WriteInteger(u"PollPeriod"_s, 7);
    reg.WriteString(u"DontShowAgain"_s, u"1"_s);
    reg.WriteString(u"AutoPollNetwork"_s, u"0"_s);
    reg.WriteString(u"Previous Headlines"_s, u"Previous Headlines"_s);
    reg.CloseKey();
    writeKey(reg, base + u"\\Experts"_s, {{u"ExptDemo", r + u"bin\\EXPTDEMO.DLL"_s}});
    writeNames(reg, base + u"\\Known IDE Packages"_s,
               {u"$(DELPHI)\\Bin\\delphiclxide70.bpl", u"$(DELPHI)\\Bin\\delphide70.bpl",
                u"$(DELPHI)\\Bin\\delphient70.bpl", u"$(DELPHI)\\Bin\\delphipro70.bpl",
                u"$(DELPHI)\\Bin\\delphivclide70.bpl", u"$(DELPHI)\\Bin\\designdgm70.bpl",
                u"$(DELPHI)\\Bin\\direct70.bpl", u"$(DELPHI)\\Bin\\htmlide70.bpl",
                u"$(DELPHI)\\Bin\\MsgInfo70.bpl", u"$(DELPHI)\\Bin\\proide70.bpl",
                u"$(DELPHI)\\Bin\\stride70.bpl"},
               u"(Untitled)"_s);
    reg.OpenKey(base + u"\\Known Packages"_s, true);
    for (const auto& [name, description] : kKnownPackages)
        reg.WriteString(QString::fromUtf16(name), QString::fromUtf16(description));
    reg.CloseKey();
    writeKey(reg, base + u"\\Globals"_s, {{u"Win32Help Available", u"1"_s}});
    writeKey(reg, base + u"\\Help"_s, {{u"WinHelpPath", r + u"Help"_s}});
    writeKey(
        reg, base + u"\\Library"_s,
        {{u"Browsing Path", QString::fromUtf16(kBrowsingPath)},
         {u"Search Path",
          u"$(DELPHI)\\Lib;$(DELPHI)\\Bin;$(DELPHI)\\Imports;$(DELPHI)\\Projects\\Bpl;$(DELPHI)\\Rave5\\Lib"_s}});
    writeKey(reg, base + u"\\Transfer"_s,
             {{u"Count", u"4"_s},
              {u"Params0", QString()},
              {u"Params1", QString()},
              {u"Params2", QString()},
              {u"Params3", QString()},
              {u"Path0", r + u"Bin\\imagedit.exe"_s},
              {u"Path1", r + u"Bin\\xmlmapper.exe"_s},
              {u"Path2", r + u"Bin\\pce.exe"_s},
              {u"Path3", r + u"Rave5\\Rave.exe"_s},
              {u"Title0", u"&Image Editor"_s},
              {u"Title1", u"&XML Mapper"_s},
              {u"Title2", u"&Package Collection Editor"_s},
              {u"Title3", u"Ra&ve Designer"_s},
              {u"WorkingDir0", r + u"Bin"_s},
              {u"WorkingDir1", r + u"Bin"_s},
              {u"WorkingDir2", r + u"Bin"_s},
              {u"WorkingDir3", r + u"Rave5"_s}});

    reg.SetRootKey(RegRoot::LocalMachine);
    writeKey(reg, base + u'\\', {{u"RootDir", r}});
    writeKey(reg, u"SOFTWARE\\Microsoft\\Windows\\Help"_s,
             {{u"d7.hlp", r + u"help"_s}, {u"d7xtra.hlp", r + u"help"_s}, {u"win32sdk.hlp", in.sdkHelp}});
    if (in.bde)
        writeDatabaseEngine(reg, in.bdePath);
}

} // namespace vx
