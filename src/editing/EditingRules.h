#pragma once

#include "prompter/DialogState.h"

#include <QList>

class QAbstractItemModel;
#include <QString>
#include <optional>

namespace vx {

class EntryListModel;
class PathMacro;

namespace editing {

class EditingHost;

// The file's name without folder and extension, for a Windows-form path ("C:\a\b.dll" -> "b").
QString baseName(const QString& windowsPath);
// The folder of a Windows-form path, without a final backslash ("C:\a\b.dll" -> "C:\a").
QString folderOf(const QString& windowsPath);

// The working-directory rule of the tools: a folder inside DelphiRoot (ASCII case ignored) is
// stored as "$(Delphi)\" and what follows DelphiRoot; DelphiRoot itself, with or without its final
// backslash, becomes "$(Delphi)\". Any other folder, also one whose name only begins like
// DelphiRoot's ("...\Delphi7Extra"), is stored as it is.
QString shortenWorkingDir(const QString& folder, const PathMacro& macro);

// The first row of `list` (in row order, skipping `skipRow`) whose file (column 1) names the same
// file as the candidate; -1 when none does.
int findSameFile(const EntryListModel& list, const QString& candidate, const PathMacro& macro,
                 int skipRow = -1);

// The column whose text a press at x (relative to the list) shows as the cell hint: the first
// column whose right edge is not left of x, the last column beyond them all.
int hintColumn(int x, const QList<int>& columnWidths);

// The shared open-file dialog. Resets it for a new use: no file name, the folder that the
// Windows-form folder maps to (its nearest existing ancestor when it does not exist).
void resetOpenDialog(EditingHost& host, const QString& windowsFolder);
// Shows the open-file dialog with the filter; the chosen file in Windows form, or nothing when
// cancelled. The dialog remembers the chosen file's folder and name.
std::optional<QString> chooseOpenFile(EditingHost& host, const QString& filter);

// The folder dialog: optionally preset at a Windows-form folder, then shown with its title. The
// chosen folder in Windows form without a final backslash, or nothing when cancelled. The dialog
// remembers it.
std::optional<QString> chooseFolder(EditingHost& host,
                                    const std::optional<QString>& presetWindowsFolder = {});

// Asks for a text with the input dialog placed at the pointer, titled `title`, in `mode`. A
// non-empty text confirmed with OK is the answer; otherwise `fallback`.
QString askText(EditingHost& host, const QString& title, int mode, const QString& fallback);

// The host folder where a dialog for a Windows-form folder opens: the folder, or its nearest
// existing ancestor.
QString existingHostFolder(EditingHost& host, const QString& windowsFolder);

// After a row was removed: the row that took its place (or the new last row) is selected, so that
// the keyboard goes on from there.
void selectAfterRemoval(EditingHost& host, const QAbstractItemModel& list, int removedRow);

// Delete of a list popup: the selected row, after the "Confirm Delete" question; the row that took
// its place is selected, the counters refreshed and the project marked modified. Nothing without
// a selected row.
void deleteSelectedRow(EditingHost& host, EntryListModel& list);

// The cell hint of a press at x: the selected row's text in the column under x; columns after
// `lastColumn` show that column's text.
void showCellHint(EditingHost& host, const EntryListModel& list, int x, int lastColumn);

// Texts shared by the list commands.
QString deleteConfirmText(const QString& caption); // MsgDeleteConfirm + " [" + caption + "] ?"
QString alreadyExistText(const QString& path);     // "[" + path + "] " + MsgAlreadyExist
// A Yes/No question with a question icon, No the default; true on Yes.
bool askQuestion(EditingHost& host, const QString& text, const QString& title);
// A warning with a single OK button.
void warnOk(EditingHost& host, const QString& text, const QString& title = {});

} // namespace editing
} // namespace vx
