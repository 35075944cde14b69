#include "editing/EditingRules.h"

#include "editing/EditingHost.h"
#include "i18n/UiTexts.h"
#include "platform/AsciiCase.h"
#include "platform/PathBridge.h"
#include "project/ConfigProject.h"
#include "project/EntryModels.h"
#include "project/PathMacro.h"
#include "prompter/Prompter.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vx::editing {

QString baseName(const QString& windowsPath)
{
    const qsizetype slash = std::max(windowsPath.lastIndexOf(u'\\'), windowsPath.lastIndexOf(u'/'));
    QString name = windowsPath.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    return name;
}

QString folderOf(const QString& windowsPath)
{
    const qsizetype slash = windowsPath.lastIndexOf(u'\\');
    if (slash < 0)
        return {};
    // A file in a drive's root keeps the root's backslash: "C:\a.dll" -> "C:\".
    if (slash == 2 && windowsPath.size() > 1 && windowsPath[1] == u':')
        return windowsPath.left(3);
    return windowsPath.left(slash);
}

QString shortenWorkingDir(const QString& folder, const PathMacro& macro)
{
    const QString& root = macro.delphiRoot();
    // Only at a folder boundary: "...\Delphi7Extra" lies beside DelphiRoot "...\Delphi7\", not in it.
    const QStringView rootWithoutSlash = QStringView(root).chopped(1);
    if (equalsIgnoringAsciiCase(folder, rootWithoutSlash) || startsWithIgnoringAsciiCase(folder, root))
        return PathMacro::kMacro.toString() + PathMacro::pathTail(folder, root.size());
    return folder;
}

int findSameFile(const EntryListModel& list, const QString& candidate, const PathMacro& macro, int skipRow)
{
    for (int r = 0; r < list.count(); ++r) {
        if (r != skipRow && macro.isSameFile(candidate, list.row(r).texts[1]))
            return r;
    }
    return -1;
}

int hintColumn(int x, const QList<int>& columnWidths)
{
    int right = 0;
    for (int c = 0; c < columnWidths.size(); ++c) {
        right += columnWidths[c];
        if (x <= right)
            return c;
    }
    return std::max(0, int(columnWidths.size()) - 1);
}

QString existingHostFolder(EditingHost& host, const QString& windowsFolder)
{
    QString path = host.bridge().toHost(windowsFolder);
    if (path.isEmpty())
        return host.hostRoot();
    // The nearest folder that exists; a dialog opened at a missing one would show somewhere else.
    while (!path.isEmpty() && !QFileInfo(path).isDir()) {
        const QString up = QFileInfo(path).absolutePath();
        if (up == path)
            break;
        path = up;
    }
    return path;
}

void resetOpenDialog(EditingHost& host, const QString& windowsFolder)
{
    OpenDialogState& open = host.dialogs().open;
    open.fileName.clear();
    open.folder = existingHostFolder(host, windowsFolder);
}

std::optional<QString> chooseOpenFile(EditingHost& host, const QString& filter)
{
    OpenDialogState& open = host.dialogs().open;
    open.filter = filter;
    const QString chosen = Prompter::current().openFile(host.dialogParent(), open.start(), filter);
    if (chosen.isEmpty())
        return std::nullopt;
    const QString absolute = QFileInfo(chosen).absoluteFilePath();
    open.remember(absolute);
    return host.bridge().toWindows(absolute);
}

std::optional<QString> chooseFolder(EditingHost& host, const std::optional<QString>& presetWindowsFolder)
{
    FolderDialogState& folder = host.dialogs().folder;
    if (presetWindowsFolder)
        folder.folder = existingHostFolder(host, *presetWindowsFolder);
    const QString chosen = Prompter::current().folder(host.dialogParent(), folder.title, folder.folder);
    if (chosen.isEmpty())
        return std::nullopt;
    folder.folder = QDir::cleanPath(QFileInfo(chosen).absoluteFilePath());
    QString windows = host.bridge().toWindows(folder.folder);
    // A drive's root keeps its backslash ("C:\"); any other folder has none at the end.
    while (windows.size() > 3 && windows.endsWith(u'\\'))
        windows.chop(1);
    return windows;
}

QString askText(EditingHost& host, const QString& title, int mode, const QString& fallback)
{
    InputDialogState& input = host.dialogs().input;
    input.prepare(title, true, mode);
    const Prompter::InputAnswer a = Prompter::current().input(host.dialogParent(), input);
    return a.ok && !a.text.isEmpty() ? a.text : fallback;
}

void selectAfterRemoval(EditingHost& host, const QAbstractItemModel& list, int removedRow)
{
    const int rows = list.rowCount();
    if (rows > 0)
        host.selectRow(list, std::min(removedRow, rows - 1));
}

void deleteSelectedRow(EditingHost& host, EntryListModel& list)
{
    const int row = host.selectedRow(list);
    if (row < 0 || row >= list.count())
        return;
    if (!askQuestion(host, deleteConfirmText(list.text(row, 0)), u"Confirm Delete"_s))
        return;
    list.removeRowAt(row);
    selectAfterRemoval(host, list, row);
    host.notifyPageControl();
    host.project().markModified();
}

void showCellHint(EditingHost& host, const EntryListModel& list, int x, int lastColumn)
{
    const int row = host.selectedRow(list);
    if (row < 0 || row >= list.count())
        return;
    const QList<int> widths = list.viewSettings().columnWidths.mid(0, lastColumn + 1);
    host.setListHint(list, list.text(row, std::min(hintColumn(x, widths), list.columnCount() - 1)));
}

QString deleteConfirmText(const QString& caption)
{
    return uiText(UiText::MsgDeleteConfirm) + u" ["_s + caption + u"] ?"_s;
}

QString alreadyExistText(const QString& path)
{
    return u'[' + path + u"] "_s + uiText(UiText::MsgAlreadyExist);
}

bool askQuestion(EditingHost& host, const QString& text, const QString& title)
{
    const Prompter::Message m{Prompter::Icon::Question,     title,        text,
                              Prompter::Yes | Prompter::No, Prompter::No, false};
    return Prompter::current().message(host.dialogParent(), m) == Prompter::Yes;
}

void warnOk(EditingHost& host, const QString& text, const QString& title)
{
    const Prompter::Message m{Prompter::Icon::Warning,
                              title.isEmpty() ? u"Warning"_s : title,
                              text,
                              Prompter::Ok,
                              Prompter::Ok,
                              false};
    Prompter::current().message(host.dialogParent(), m);
}

} // namespace vx::editing
