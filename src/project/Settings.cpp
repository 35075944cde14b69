#include "project/Settings.h"

#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "project/ProjectFile.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vx {

namespace {
const QString kConfig = u"config"_s;
const QString kPosition = u"Position"_s;
const QString kFont = u"Font"_s;
const QString kLast = u"Last"_s;
const QString kAssociate = u"Associate"_s;
} // namespace

QString settingsPathFor(const QString& executablePath)
{
    return replaceExtension(executablePath, u".wv7"_s);
}

bool openSettingsFile(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists())
        return info.isFile() && !isReadOnlyFile(path);
    try {
        writeFileAtomically(path, QByteArray(kSettingsHeader));
    } catch (const OperationError&) {
        return false;
    }
    return true;
}

QString settingsOpenErrorText(const QString& path)
{
    return u"Open file <"_s + path + u"> error!\n\nMaybe file readonly!"_s;
}

AppSettings readSettings(const IniFile& ini, const QString& delphiRoot, const QDateTime& now)
{
    AppSettings s;
    s.run = ini.readInteger(kConfig, u"Run"_s, 1);
    s.lastEnd = ini.readDateTime(kConfig, u"LastEnd"_s, now);
    s.lastRunTimeMs = ini.readTime(kConfig, u"LastRunTime"_s, 0);
    s.runTimeSumMs = ini.readTime(kConfig, u"RunTimeSum"_s, 0);
    s.day = ini.readInteger(kConfig, u"Day"_s, 0);
    s.win32SdkHelp = ini.readString(kConfig, u"Win32SDKHelp"_s, delphiRoot + u"MSHelp"_s);
    s.bde = ini.readBool(kConfig, u"BDE"_s, false);
    s.bdePath = ini.readString(kConfig, u"BDEpath"_s);
    s.bordbk = ini.readString(kConfig, u"bordbk"_s, delphiRoot + u"bin"_s);
    s.verifyValid = ini.readBool(kConfig, u"VerifyValid"_s, false);
    s.desktop = ini.readBool(kConfig, u"Desktop"_s, true);
    s.quickLaunch = ini.readBool(kConfig, u"QuickLaunch"_s, false);
    s.menu = ini.readBool(kConfig, u"Menu"_s, true);
    s.desktopD = ini.readBool(kConfig, u"DesktopD"_s, true);
    s.quickLaunchD = ini.readBool(kConfig, u"QuickLaunchD"_s, false);
    s.menuD = ini.readBool(kConfig, u"MenuD"_s, true);
    s.project = ini.readString(kConfig, u"Project"_s);
    s.language = ini.readString(kConfig, u"Language"_s, u"English"_s);
    if (s.language.isEmpty())
        s.language = u"English"_s;
    s.left = ini.readInteger(kPosition, u"Left"_s, 0);
    s.top = ini.readInteger(kPosition, u"Top"_s, 0);
    s.width = ini.readInteger(kPosition, u"Width"_s, 640);
    s.height = ini.readInteger(kPosition, u"Height"_s, 480);
    s.storedGeometry = ini.hasSection(kPosition);
    s.fontName = ini.readString(kFont, u"Name"_s, u"MS Sans Serif"_s);
    s.fontSize = ini.readInteger(kFont, u"Size"_s, 8);
    s.fontCharset = ini.readInteger(kFont, u"Charset"_s, 1);
    s.page = ini.readInteger(kLast, u"Page"_s, 4);
    s.associate = ini.readBool(kAssociate, u"Associate"_s, true);
    s.explorer = ini.readBool(kAssociate, u"Explorer"_s, true);
    s.fileType = ini.readBool(kAssociate, u"FileType"_s, true);
    return s;
}

void writeSettingsAtClose(IniFile& ini, const AppSettings& s)
{
    ini.beginBatch();
    try {
        ini.writeInteger(kPosition, u"Left"_s, s.left);
        ini.writeInteger(kPosition, u"Top"_s, s.top);
        ini.writeInteger(kPosition, u"Width"_s, s.width);
        ini.writeInteger(kPosition, u"Height"_s, s.height);
        ini.writeInteger(kLast, u"Page"_s, s.page);
        ini.writeDateTime(kConfig, u"LastEnd"_s, s.lastEnd);
        ini.writeTime(kConfig, u"LastRunTime"_s, s.lastRunTimeMs);
        ini.writeTime(kConfig, u"RunTimeSum"_s, s.runTimeSumMs);
        ini.writeString(kConfig, u"Project"_s, s.project);
        ini.writeString(kConfig, u"Language"_s, s.language);
        ini.writeInteger(kConfig, u"Day"_s, s.day);
        ini.writeString(kConfig, u"Win32SDKHelp"_s, s.win32SdkHelp);
        ini.writeString(kConfig, u"BDEpath"_s, s.bdePath);
        ini.writeBool(kConfig, u"BDE"_s, s.bde);
        ini.writeBool(kConfig, u"VerifyValid"_s, s.verifyValid);
        ini.writeString(kConfig, u"bordbk"_s, s.bordbk);
        ini.writeBool(kConfig, u"Desktop"_s, s.desktop);
        ini.writeBool(kConfig, u"QuickLaunch"_s, s.quickLaunch);
        ini.writeBool(kConfig, u"Menu"_s, s.menu);
        ini.writeBool(kConfig, u"DesktopD"_s, s.desktopD);
        ini.writeBool(kConfig, u"QuickLaunchD"_s, s.quickLaunchD);
        ini.writeBool(kConfig, u"MenuD"_s, s.menuD);
        ini.writeString(kFont, u"Name"_s, s.fontName);
        ini.writeInteger(kFont, u"Size"_s, s.fontSize);
        ini.writeInteger(kFont, u"Charset"_s, s.fontCharset);
        ini.writeBool(kAssociate, u"Associate"_s, s.associate);
        ini.writeBool(kAssociate, u"Explorer"_s, s.explorer);
        ini.writeBool(kAssociate, u"FIleType"_s, s.fileType);
        ini.commit();
    } catch (...) {
        ini.abandonBatch();
        throw;
    }
}

} // namespace vx
