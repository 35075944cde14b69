#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>

namespace vx {

// What the program's shared dialogs keep from one use to the next. The window owns one of each
// and hands them to every command, so that a caller sees what the previous caller left behind.

// The single-line input dialog. `mode` is the OK button's tag:
//   1: OK and Cancel, OK disabled while the text is empty;
//   3: OK only, disabled while empty;  4: OK only, always enabled;
//   anything else (2, and the initial 0): OK and Cancel, OK always enabled.
// Every caller sets the mode it needs, so that no prompt inherits another's (a Params prompt that
// kept a group prompt's mode could not be confirmed empty).
inline constexpr int kInputAcceptsEmpty = 2;
struct InputDialogState
{
    QString title = QStringLiteral("input");
    bool placeAtCursor = false; // centre the next showing on the pointer; reset by the showing
    int mode = 0;
    std::optional<QFont> font; // the display font once given; the dialog's own until then

    // Prepares the next showing: title, placement and mode.
    void prepare(const QString& caption, bool atCursor, int newMode)
    {
        title = caption;
        placeAtCursor = atCursor;
        mode = newMode;
    }
    bool hasCancel() const { return mode != 3 && mode != 4; }
    bool acceptsEmpty() const { return mode != 1 && mode != 3; }
};

// The file-list confirmation dialog: the message and the captions its caller sets.
struct FileListDialogState
{
    QString label;
    QString okText = QStringLiteral("OK");
    QString cancelText = QStringLiteral("Cancel");
    std::optional<QFont> font;
};

// The language selection dialog.
struct LanguageDialogState
{
    std::optional<QFont> font;
};

// The main window's one open-file dialog, shared by the experts, components, tools and project
// commands. Folder and file name are host paths; `lastUse` says which list used it last.
struct OpenDialogState
{
    enum class LastUse { None, Experts, Components, Tools };
    LastUse lastUse = LastUse::None;
    QString folder;   // host folder the dialog opens in
    QString fileName; // proposed file name, empty for none
    QString filter;   // "Description|pattern"

    // Where the dialog starts: the proposed file inside the folder, or the folder alone.
    QString start() const
    {
        if (fileName.isEmpty())
            return folder;
        return folder.isEmpty() ? fileName : folder + u'/' + fileName;
    }
    // After a choice the dialog shows that file's folder and name next time.
    void remember(const QString& chosenHostPath)
    {
        const qsizetype slash = chosenHostPath.lastIndexOf(u'/');
        folder = slash > 0 ? chosenHostPath.left(slash) : QStringLiteral("/");
        fileName = chosenHostPath.mid(slash + 1);
    }
};

// The folder dialog: its title and the folder it opens at (host path), which is the last folder
// chosen or preset by any command.
struct FolderDialogState
{
    QString title = QStringLiteral("Include Path");
    QString folder;
};

// The shared dialogs together.
struct DialogStates
{
    InputDialogState input;
    FileListDialogState fileList;
    LanguageDialogState language;
    OpenDialogState open;
    FolderDialogState folder;
};

} // namespace vx
