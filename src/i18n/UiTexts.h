#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <optional>
#include <span>

namespace vx {

// Where a text of the language file goes.
enum class TextTarget : quint8 {
    Variable,    // a UI text variable, kept for messages and for controls built later
    Caption,     // the text of a label, button, check box or group box
    PageCaption, // the tab text of a page of a tab widget
    MenuItem,    // the text of a menu action
    Hint,        // the status-bar text of a control (shown in RzStatusPaneMsg, never as a tooltip)
    Column,      // the header text of one column of a list
};

// The UI text variables, in the order of their rows in the key table.
enum class UiText : int {
    OK,
    Cancel,
    Saving,
    Loading,
    Day,
    CreatFileError,
    ProjectFile,
    Warn,
    Enable,
    MsgApply1,
    MsgApply2,
    MsgApply3,
    MsgFileReadOnly,
    MsgQuerySave,
    MsgRecover1,
    MsgRecover2,
    MsgImportReg,
    MsgBackupReg1,
    MsgBackupReg2,
    MsgClearReg,
    MsgClearStat,
    MsgClearProjectStat,
    MsgAlreadyExist,
    MsgDeleteConfirm,
    MsgModifyConfirm,
    CompFile,    // column 2 of every group list, and the package file filter
    IncludePath, // column 3 of every group list, and the folder dialog's title
    Registry,
    // The undo of registry changes: its prompts, and the operation a snapshot was taken before.
    MsgUndoChoose,
    MsgUndoDone,
    MsgUndoAgain,
    MsgUndoNone,
    MsgUndoFailed,
    MsgBefore,
    MsgOpApply,
    MsgOpImport,
    MsgOpClear,
    MsgOpRecover,
    MsgOpRestore,
    MsgOpAssociate,
    MsgRunOnlyPackage, // a package Add Component refuses
};
inline constexpr int kUiTextCount = 41;

// One row of the language file: section and key (matched ignoring ASCII case), the English text
// used when the file lacks the key, and the target. `object` is the control's object name (empty
// for a Variable row, whose key names the variable); `column` counts from 1, Column rows only.
struct UiTextEntry
{
    QStringView section;
    QStringView key;
    QStringView english;
    TextTarget target;
    QStringView object;
    int column = 0;
};

// Every row, in the order in which a language is applied.
std::span<const UiTextEntry> uiTextTable();

// The row that fills a variable.
const UiTextEntry& uiTextEntry(UiText text);
// The variable of that key name (exact spelling, as in the table), if there is one.
std::optional<UiText> uiTextFromKey(QStringView key);

// The UI text variables. One process-wide instance (texts()) serves the program; tests may keep
// their own. A new instance holds the English defaults, so messages shown before the first
// language load (the project loader at start-up) read English.
class UiTexts
{
  public:
    UiTexts() { resetToEnglish(); }

    const QString& get(UiText text) const { return m_texts[size_t(text)]; }
    const QString& operator[](UiText text) const { return get(text); }
    void set(UiText text, QString value) { m_texts[size_t(text)] = std::move(value); }

    void resetToEnglish();
    static QString english(UiText text);

  private:
    std::array<QString, kUiTextCount> m_texts;
};

UiTexts& texts();
inline const QString& uiText(UiText text)
{
    return texts().get(text);
}

} // namespace vx
