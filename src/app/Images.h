#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

namespace vx::app {

// The pictures of the program. They are SVG files under data/icons, compiled in as the resource
// prefix ":/icons", and rendered with Qt's SVG module at whatever size is asked for. Only what moves
// or carries text is composed here: the turning ring of the window icon and of the About page
// animation (parts of one SVG each, turned by code), and the tip cards (text over an SVG card).
//
// The main image list: icons addressed by index, 16 x 16 by default and sharp at any size. Where
// the desktop's icon theme has a standard icon for the action (document-new, edit-copy, ...), the
// theme's icon is used and our file is the fallback; the file roles below always use our own. The
// indices with a fixed role:
//   12 file inside DelphiRoot, present      18 file outside DelphiRoot, present
//   27 file inside DelphiRoot, missing      28 file outside DelphiRoot, missing
//   22 the group submenu
// Every other index up to kMainImageCount - 1 holds a distinct, sensible small picture
// (buttons and menu items use them: new, open, save, save as, close, add, delete, modify, apply,
// registry, folder, font, language, help, web, mail, launch, backup, import, clear, ...).
inline constexpr int kMainImageCount = 40;
QIcon mainImage(int index);
// Our own picture for an index (never the theme's), and the resource file it is drawn from
// (an empty icon and an empty path for an index outside the list).
QIcon ownImage(int index);
QString mainImageFile(int index);
// The icon theme name preferred for an index, or empty where the picture is always our own.
QString themeImageName(int index);

// Names for the non-role indices used by buttons and menus.
enum ImageId : int {
    ImgNew = 0,
    ImgOpen = 1,
    ImgSave = 2,
    ImgSaveAs = 3,
    ImgClose = 4,
    ImgAdd = 5,
    ImgDelete = 6,
    ImgModify = 7,
    ImgApply = 8,
    ImgRegistry = 9,
    ImgFolder = 10,
    ImgFont = 11,
    ImgInside = 12,
    ImgLanguage = 13,
    ImgHelp = 14,
    ImgWeb = 15,
    ImgMail = 16,
    ImgLaunch = 17,
    ImgOutside = 18,
    ImgBackup = 19,
    ImgImport = 20,
    ImgClear = 21,
    ImgGroup = 22,
    ImgRecover = 23,
    ImgCapture = 24,
    ImgShortcut = 25,
    ImgCopy = 26,
    ImgInsideMissing = 27,
    ImgOutsideMissing = 28,
    ImgRename = 29,
    ImgCheckAll = 30,
    ImgUncheckAll = 31,
    ImgExpert = 32,
    ImgComponent = 33,
    ImgTool = 34,
    ImgProject = 35,
    ImgOption = 36,
    ImgAbout = 37,
    ImgDebug = 38,
    ImgAssociate = 39,
};

// The three frames of the window and task-bar icon animation (32 x 32 by default, any size).
QList<QIcon> iconFrames();

// Frames of the About page animation (72 x 72): the normal list and its alternative list.
QList<QPixmap> animateFrames();
QList<QPixmap> animateFramesAlt();
// Frames of the tip animation on the Option page, by language (Chinese or not).
QList<QPixmap> tipFrames(bool chinese);

// The product logo (177 x 302), the falling picture (100 x 69) and the IDE maker's logo (48 x 48),
// in device-independent pixels, rendered at the screen's pixel ratio.
QPixmap logoPicture();
QPixmap eggPicture();
QPixmap makerLogo();

// The splash picture: 640 x 480, decoded from the JPEG resource through Qt's image plugins.
// A null pixmap when the plugin is missing (the splash then draws a plain background).
QPixmap splashPicture();

} // namespace vx::app
