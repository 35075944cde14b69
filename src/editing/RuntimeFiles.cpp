#include "editing/RuntimeFiles.h"

using namespace Qt::StringLiterals;

namespace vx::editing {

QStringList runtimeFileNames()
{
    return {
        u"adortl70.bpl"_s, u"AMERICAN.VTD"_s, u"bdertl70.bpl"_s, u"CC3260MT.DLL"_s, u"CFX32.OCX"_s,
        u"CTL3D32.DLL"_s, u"dbexpress70.bpl"_s, u"dbrtl70.bpl"_s, u"dbxcds70.bpl"_s, u"dsnap70.bpl"_s,
        u"dsnapent70.bpl"_s, u"dss70.bpl"_s, u"ibevnt70.bpl"_s, u"ibxpress70.bpl"_s, u"inet70.bpl"_s,
        u"inetdb70.bpl"_s, u"inetdbbde70.bpl"_s, u"inetdbxpress70.bpl"_s, u"Intraweb_50_70.bpl"_s,
        u"IntrawebDB_50_70.bpl"_s, u"IWHTMLLayoutMgr.dll"_s, u"IWPreviewMgr.dll"_s, u"MFCANS32.DLL"_s,
        u"midas.dll"_s, u"OC30.DLL"_s, u"Psapi.dll"_s, u"qrpt70.bpl"_s, u"qtintf70.dll"_s,
        u"Rave50CLXBE70.bpl"_s, u"Rave50VCLBE70.bpl"_s, u"rtl70.bpl"_s, u"soaprtl70.bpl"_s,
        u"stdvcl32.dll"_s, u"stdvcl40.dll"_s, u"tee70.bpl"_s, u"teedb70.bpl"_s, u"teeqr70.bpl"_s,
        u"teeui70.bpl"_s, u"VCF132.OCX"_s, u"VCFI32.OCX"_s, u"VCFIDL32.DLL"_s, u"VCFIWZ32.DLL"_s,
        u"vcl70.bpl"_s, u"vclactnband70.bpl"_s, u"vcldb70.bpl"_s, u"vcldbx70.bpl"_s, u"vclie70.bpl"_s,
        u"vcljpg70.bpl"_s, u"vclshlctrls70.bpl"_s, u"vclsmp70.bpl"_s, u"vclx70.bpl"_s,
        u"visualclx70.bpl"_s, u"visualdbclx70.bpl"_s, u"VSPELL32.OCX"_s, u"VSPELL32.DLL"_s,
        u"webdsnap70.bpl"_s, u"websnap70.bpl"_s, u"WSIHK32.DLL"_s, u"WSIWIN32.DLL"_s,
        u"XercesLib.dll"_s, u"xercesxmldom.dll"_s, u"xmlrtl70.bpl"_s,
    };
}

} // namespace vx::editing
