#pragma once

#include "platform/ini/IniFile.h"

#include <QDateTime>
#include <QString>

namespace vx {

// The program's own settings file: beside the executable, with the extension ".wv7". The window
// reads it at start and writes it at close; the command line reads it for the environment commands.
struct AppSettings
{
    // config
    int run = 1;
    QDateTime lastEnd;
    qint64 lastRunTimeMs = 0;
    qint64 runTimeSumMs = 0;
    int day = 0;
    QString win32SdkHelp;
    bool bde = false;
    QString bdePath;
    QString bordbk;
    bool verifyValid = false;
    bool desktop = true, quickLaunch = false, menu = true;
    bool desktopD = true, quickLaunchD = false, menuD = true;
    QString project;
    QString language = QStringLiteral("English");
    // Position
    int left = 0, top = 0, width = 640, height = 480;
    bool storedGeometry = false; // the file holds a position (not the first run)
    // Font
    QString fontName = QStringLiteral("MS Sans Serif");
    int fontSize = 8;
    int fontCharset = 1;
    // Last
    int page = 4;
    // Associate
    bool associate = true, explorer = true, fileType = true;
};

inline constexpr char kSettingsHeader[] = "; Delphi 7 Vorlix";

// The settings file of an executable: its path with the extension replaced by ".wv7".
QString settingsPathFor(const QString& executablePath);

// Opens the settings file for the run: an existing file must not be read-only; a missing one is
// created holding only the header comment. False when that is not possible (nothing is changed).
bool openSettingsFile(const QString& path);
// "Open file <path> error!", an empty line, "Maybe file readonly!"
QString settingsOpenErrorText(const QString& path);

// Reads every key with its default; DelphiRoot (Windows form, trailing backslash) makes the
// defaults of the two directories. `now` is the default of LastEnd.
AppSettings readSettings(const IniFile& ini, const QString& delphiRoot, const QDateTime& now);

// Writes what the close stores, in the order the close writes it (statistics figures included),
// as one write of the file.
void writeSettingsAtClose(IniFile& ini, const AppSettings& s);

} // namespace vx
