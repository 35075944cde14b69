#pragma once

#include <QFont>
#include <QString>
#include <optional>

class QWidget;

namespace vx::app {

// The product's name, the title of message boxes that have none of their own. Deliberately not
// the application display name: Qt's X11 platform would append that to every window title.
inline constexpr char16_t kProductName[] = u"Delphi Vorlix";

// Every message box, question and dialog the program shows goes through the current prompter, so
// that tests can answer them in order (and fail on any question they did not expect).
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
    };

    virtual ~Prompter() = default;

    // The answer; closing the box counts as Cancel, or No when there is no Cancel, or Ok.
    virtual Button message(QWidget* parent, const Message& m) = 0;
    // A file dialog filter is written "Description|pattern" (several pairs joined with "|").
    // The result is the chosen host path, empty when cancelled.
    virtual QString openFile(QWidget* parent, const QString& directory, const QString& filter) = 0;
    virtual QString saveFile(QWidget* parent, const QString& proposed, const QString& filter, bool confirmOverwrite) = 0;
    virtual QString folder(QWidget* parent, const QString& title, const QString& directory) = 0;
    virtual std::optional<QFont> font(QWidget* parent, const QFont& initial) = 0;

    // The prompter in use; the dialog one unless a test installed its own.
    static Prompter& current();
    static void install(Prompter* prompter); // nullptr restores the dialog prompter

    // Shorthands for the common boxes.
    static void error(QWidget* parent, const QString& text, const QString& title = {});
    static void warning(QWidget* parent, const QString& text, const QString& title = {});
    static void information(QWidget* parent, const QString& text, const QString& title = {});
    static bool askYesNo(QWidget* parent, const QString& text, const QString& title = {});
};

// The prompter that shows Qt dialogs.
class DialogPrompter final : public Prompter
{
public:
    Button message(QWidget* parent, const Message& m) override;
    QString openFile(QWidget* parent, const QString& directory, const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& proposed, const QString& filter, bool confirmOverwrite) override;
    QString folder(QWidget* parent, const QString& title, const QString& directory) override;
    std::optional<QFont> font(QWidget* parent, const QFont& initial) override;

    // "Project File(*.vx7)|*.vx7" -> "Project File(*.vx7) (*.vx7)".
    static QString qtFilter(const QString& filter);
};

} // namespace vx::app
