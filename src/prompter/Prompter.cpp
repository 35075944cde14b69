#include "prompter/Prompter.h"

#include <cstdio>

using namespace Qt::StringLiterals;

namespace vx {

namespace {

// Without a window's dialogs nothing can be asked: every question is answered as if the user had
// closed it, and the text goes to stderr so that it is not lost.
class SilentPrompter final : public Prompter
{
  public:
    Button message(QWidget*, const Message& m) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(m.text));
        return (m.buttons & Cancel) ? Cancel : (m.buttons & No) ? No : Ok;
    }
    QString openFile(QWidget*, const QString&, const QString&) override { return {}; }
    QString saveFile(QWidget*, const QString&, const QString&, bool) override { return {}; }
    QString folder(QWidget*, const QString&, const QString&) override { return {}; }
    std::optional<QFont> font(QWidget*, const QFont&) override { return std::nullopt; }
    InputAnswer input(QWidget*, InputDialogState& state) override
    {
        state.placeAtCursor = false;
        return {};
    }
    bool fileList(QWidget*, FileListDialogState&) override { return false; }
    std::optional<int> chooseItem(QWidget*, const QString&, const QString&, const QStringList&, int) override
    {
        return std::nullopt;
    }
    std::optional<QString> selectLanguage(QWidget*, LanguageDialogState&, const QStringList&) override
    {
        return std::nullopt;
    }
};

SilentPrompter g_silent;
Prompter* g_default = nullptr;
Prompter* g_current = nullptr;

QString titleOr(const QString& title)
{
    return title.isEmpty() ? QString::fromUtf16(kProductName) : title;
}

} // namespace

Prompter& Prompter::current()
{
    if (g_current)
        return *g_current;
    return g_default ? *g_default : g_silent;
}

void Prompter::install(Prompter* prompter)
{
    g_current = prompter;
}

void Prompter::setDefault(Prompter* prompter)
{
    g_default = prompter;
}

void Prompter::error(QWidget* parent, const QString& text, const QString& title)
{
    current().message(parent, {Icon::Error, titleOr(title), text, Ok, Ok, false});
}

void Prompter::warning(QWidget* parent, const QString& text, const QString& title)
{
    current().message(parent, {Icon::Warning, titleOr(title), text, Ok, Ok, false});
}

void Prompter::information(QWidget* parent, const QString& text, const QString& title)
{
    current().message(parent, {Icon::Information, titleOr(title), text, Ok, Ok, false});
}

bool Prompter::askYesNo(QWidget* parent, const QString& text, const QString& title)
{
    return current().message(parent, {Icon::Warning, titleOr(title), text, Yes | No, No, false}) == Yes;
}

} // namespace vx
