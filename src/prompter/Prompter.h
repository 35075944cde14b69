#pragma once

#include "prompter/DialogState.h"

#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace vx {

// The product's name, the title of message boxes that have none of their own. Deliberately not
// the application display name: Qt's X11 platform would append that to every window title.
inline constexpr char16_t kProductName[] = u"Delphi Vorlix";

// Every message box, question and dialog the program shows goes through the current prompter, so
// that tests can answer them in order (and fail on any question they did not expect). The
// interface declares no widgets: the commands of every subsystem ask through it, and only the
// window's layer implements it with real dialogs.
class Prompter
{
  public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum Button : int { NoButton = 0, Ok = 1, Cancel = 2, Yes = 4, No = 8 };
    using Buttons = int;

    struct Message
    {
        Icon icon = Icon::None;
        QString title;
        QString text;
        Buttons buttons = Ok;
        Button defaultButton = NoButton;
        bool topmost = false;
        QString details{}; // shown in an expandable area below the text when not empty
    };

    struct InputAnswer
    {
        bool ok = false; // closed with OK (the button or Enter)
        QString text;    // the edit's text; meaningful after OK only
    };

    virtual ~Prompter() = default;

    // The answer; closing the box counts as Cancel, or No when there is no Cancel, or Ok.
    virtual Button message(QWidget* parent, const Message& m) = 0;
    // A file dialog filter is written "Description|pattern" (several pairs joined with "|").
    // `start` is a host folder, or a host file path whose name is proposed. The result is the
    // chosen host path, empty when cancelled.
    virtual QString openFile(QWidget* parent, const QString& start, const QString& filter) = 0;
    virtual QString saveFile(QWidget* parent, const QString& proposed, const QString& filter,
                             bool confirmOverwrite) = 0;
    // A folder chosen from a tree, as a host path; empty when cancelled.
    virtual QString folder(QWidget* parent, const QString& title, const QString& directory) = 0;
    virtual std::optional<QFont> font(QWidget* parent, const QFont& initial) = 0;
    // The single-line input dialog with the title, mode and place-at-cursor flag of `state`. The
    // flag is reset once the dialog has been placed; the mode stays for the next call.
    virtual InputAnswer input(QWidget* parent, InputDialogState& state) = 0;
    // The runtime-file confirmation: the caller's message above the fixed file list; true on OK.
    virtual bool fileList(QWidget* parent, FileListDialogState& state) = 0;
    // The language selection: one row per name; the chosen name, or nothing when cancelled.
    virtual std::optional<QString> selectLanguage(QWidget* parent, LanguageDialogState& state,
                                                  const QStringList& names) = 0;
    // One item chosen from a list, `current` preselected: its index, or nothing when cancelled.
    virtual std::optional<int> chooseItem(QWidget* parent, const QString& title, const QString& label,
                                          const QStringList& items, int current) = 0;

    // The prompter in use: the one installed by a test, else the default (the window's dialogs),
    // else one that answers nothing and says so on stderr.
    static Prompter& current();
    static void install(Prompter* prompter); // nullptr removes the installed one
    static void setDefault(Prompter* prompter);

    // Shorthands for the common boxes.
    static void error(QWidget* parent, const QString& text, const QString& title = {});
    static void warning(QWidget* parent, const QString& text, const QString& title = {});
    static void information(QWidget* parent, const QString& text, const QString& title = {});
    static bool askYesNo(QWidget* parent, const QString& text, const QString& title = {});
};

} // namespace vx
