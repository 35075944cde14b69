#pragma once

#include "i18n/UiTexts.h"

#include <QString>
#include <QStringList>
#include <array>
#include <map>
#include <optional>

namespace vx {

class IniFile;

// What kind of object carries a control's texts, so the window knows how to set a caption.
enum class ControlKind : quint8 {
    Widget,   // label, button, check box, group box (title), list view
    Page,     // a page of a tab widget: its caption is the tab text
    MenuItem, // a menu action
};

// The texts one control receives from a language. Fields left empty are not touched.
struct ControlTexts
{
    ControlKind kind = ControlKind::Widget;
    std::optional<QString> caption;
    std::optional<QString> hint;    // status-bar text (status tip), never a tooltip
    std::map<int, QString> columns; // header texts by column, counting from 1
};

// Everything a language gives the main window besides the UI text variables. The window applies
// `controls` with findChild by object name; the named fields have no control of their own.
struct LanguageTexts
{
    QString name;
    bool chinese = false;
    QString tipImageList;      // "ImageListTipCN" or "ImageListTipEN", for the animator RzAnimatorT
    QString mainWindowHint;    // "Delphi " + the caption of LabelLogoName
    QString groupMenuCaption;  // the Group submenu at the end of PopupMenuComp
    QString folderDialogTitle; // title of the folder dialog RzSelectFolderDialog
    // Column captions of every group list "ListViewComp"n at the time of the load; lists built
    // later take the held CompFile and IncludePath texts and the captions current then.
    std::array<QString, 4> groupListColumns;
    std::map<QString, ControlTexts> controls;

    std::optional<QString> caption(const QString& object) const;
    std::optional<QString> hint(const QString& object) const;
    std::optional<QString> column(const QString& object, int column) const;
};

// The About page text of Labelshow: Chinese or English, lines separated by "\n".
QString aboutDescription(bool chinese);
// "chinese" in any letter case selects the Chinese About text and tip pictures.
bool isChineseLanguage(QStringView name);

// The host path of a language's file: `hostDir` (DelphiRoot on the host) + name + ".lng". When no
// file of exactly that name exists, an entry whose name differs only in ASCII letter case is used,
// as the Windows file system would find it. A missing file gives the exact path.
QString languageFilePath(const QString& hostDir, const QString& name);

// The built-in English as a language file ("English.lng"): every key of the key table once, by
// section in the table's order, UTF-8 with CRLF line ends. Loading it gives exactly the built-in
// texts, so a user who chose another language can always choose English again.
QByteArray englishLanguageFile();

// Base names of the entries in `hostDir` matching "*.lng" (extension in any case), files and
// directories alike, in text order (languageNameLess). A missing or unreadable directory gives an
// empty list.
QStringList availableLanguages(const QString& hostDir);
// The same over several folders, as an installed program has them (DelphiRoot, then its data
// folder): a name that an earlier folder holds (letter case ignored) is listed once.
QStringList availableLanguages(const QStringList& folders);
// The order in which languages are listed: letter case ignored, then case-sensitive for names
// that differ only in case ("chinese" before "English").
bool languageNameLess(const QString& a, const QString& b);

// Applies a language: every row of the key table in order, the group list columns and the folder
// dialog title, then the derived texts; the three status panes RzStatusPane1, RzStatusPane2 and
// RzStatusPaneMsg are emptied last. The variables go into `texts`. A missing file, section or key
// gives the English default; a key present with an empty value gives an empty text.
LanguageTexts loadLanguage(const QString& hostDir, const QString& name, UiTexts& texts = vx::texts());
// The same from the first of the folders holding the language's file (letter case ignored).
LanguageTexts loadLanguage(const QStringList& folders, const QString& name, UiTexts& texts = vx::texts());
// The same with the file already read (used by loadLanguage and by tests).
LanguageTexts applyLanguage(const IniFile& file, const QString& name, UiTexts& texts = vx::texts());

} // namespace vx
