#include "app/DialogPrompter.h"
#include "app/DialogGeometry.h"
#include "app/TFormFileList.h"
#include "app/TFormInput.h"
#include "app/TFormSelLang.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace vx::app {

namespace {
QString titleOr(const QString& title)
{
    return title.isEmpty() ? QString::fromUtf16(kProductName) : title;
}

constexpr QChar kBreak = QChar(0x200B); // zero-width space: a place where a line may break

// A message box wraps only between words, so a long name or path without blanks would widen it
// past the screen. The shown text gets break points after path separators and within long runs;
// Ctrl+C copies the text as given.
QString breakable(const QString& text)
{
    constexpr int kLongestRun = 40;
    QString out;
    out.reserve(text.size() + text.size() / 16);
    int run = 0;
    for (const QChar c : text) {
        out += c;
        run = c.isSpace() ? 0 : run + 1;
        if (run >= kLongestRun || (run > 1 && (c == u'\\' || c == u'/'))) {
            out += kBreak;
            run = 0;
        }
    }
    return out;
}

class MessageBox final : public QMessageBox
{
  public:
    MessageBox(QWidget* parent, const QString& text) : QMessageBox(parent), m_text(text)
    {
        setTextFormat(Qt::PlainText); // a file named like a tag shows as its name
        setText(breakable(text));
    }

  protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event == QKeySequence::Copy) {
            QGuiApplication::clipboard()->setText(m_text);
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }

  private:
    QString m_text;
};
} // namespace

DialogPrompter::DialogPrompter() = default;

DialogPrompter::~DialogPrompter()
{
    // The process-wide prompter goes after the application object, when widgets can no longer
    // be destroyed: the dialogs then end with the process.
    if (!QApplication::instance()) {
        (void)m_input.release();
        (void)m_fileList.release();
        (void)m_selLang.release();
    }
}

DialogPrompter& DialogPrompter::instance()
{
    static DialogPrompter dialogs;
    Prompter::setDefault(&dialogs);
    return dialogs;
}

Prompter::Button DialogPrompter::message(QWidget* parent, const Message& m)
{
    MessageBox box(parent, m.text);
    switch (m.icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    box.setWindowTitle(titleOr(m.title));
    if (!m.details.isEmpty())
        box.setDetailedText(m.details);
    if (m.topmost)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    QMessageBox::StandardButtons buttons;
    if (m.buttons & Ok)
        buttons |= QMessageBox::Ok;
    if (m.buttons & Cancel)
        buttons |= QMessageBox::Cancel;
    if (m.buttons & Yes)
        buttons |= QMessageBox::Yes;
    if (m.buttons & No)
        buttons |= QMessageBox::No;
    box.setStandardButtons(buttons);
    switch (m.defaultButton) {
    case Ok:
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case Cancel:
        box.setDefaultButton(QMessageBox::Cancel);
        break;
    case Yes:
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case No:
        box.setDefaultButton(QMessageBox::No);
        break;
    case NoButton:
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Ok;
    case QMessageBox::Yes:
        return Yes;
    case QMessageBox::No:
        return No;
    case QMessageBox::Cancel:
        return Cancel;
    default:
        if (m.buttons & Cancel)
            return Cancel;
        if (m.buttons & No)
            return No;
        return Ok;
    }
}

QString DialogPrompter::qtFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        out.append(parts[i] + u" ("_s + patterns + u')');
    }
    return out.join(u";;"_s);
}

// Qt's own file dialogs everywhere: the same look and keys on every desktop, and a full path
// typed into the name box and confirmed with Enter chooses that file.
QString DialogPrompter::openFile(QWidget* parent, const QString& start, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, {}, start, qtFilter(filter), nullptr,
                                        QFileDialog::ReadOnly | QFileDialog::DontUseNativeDialog);
}

QString DialogPrompter::saveFile(QWidget* parent, const QString& proposed, const QString& filter,
                                 bool confirmOverwrite)
{
    QFileDialog::Options options = QFileDialog::DontUseNativeDialog;
    if (!confirmOverwrite)
        options |= QFileDialog::DontConfirmOverwrite;
    return QFileDialog::getSaveFileName(parent, {}, proposed, qtFilter(filter), nullptr, options);
}

QString DialogPrompter::folder(QWidget* parent, const QString& title, const QString& directory)
{
    return QFileDialog::getExistingDirectory(parent, title, directory,
                                             QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}

std::optional<QFont> DialogPrompter::font(QWidget* parent, const QFont& initial)
{
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, parent);
    return ok ? std::optional<QFont>(f) : std::nullopt;
}

namespace {

// The shared dialogs are windows of their own, never children of the main window (whose controls
// are found by object name), made on first use and kept. The window they serve becomes their
// transient parent, so that window managers keep them above it.
template <typename Dialog> Dialog& sharedDialog(std::unique_ptr<Dialog>& slot, QWidget* parent)
{
    if (!slot)
        slot = std::make_unique<Dialog>();
    if (parent) {
        slot->winId();
        QWindow* owner = parent->window()->windowHandle();
        if (QWindow* own = slot->windowHandle(); own && owner)
            own->setTransientParent(owner);
    }
    return *slot;
}

} // namespace

Prompter::InputAnswer DialogPrompter::input(QWidget* parent, InputDialogState& state)
{
    TFormInput& dialog = sharedDialog(m_input, parent);
    dialog.setWindowTitle(state.title);
    dialog.setMode(state.mode);
    dialog.setPlaceAtCursor(state.placeAtCursor);
    if (state.font)
        dialog.setFont(*state.font);
    const bool ok = dialog.exec() == QDialog::Accepted;
    state.placeAtCursor = dialog.placeAtCursor();
    return {ok, ok ? dialog.text() : QString()};
}

bool DialogPrompter::fileList(QWidget* parent, FileListDialogState& state)
{
    TFormFileList& dialog = sharedDialog(m_fileList, parent);
    dialog.setMessage(state.label);
    dialog.setButtonTexts(state.okText, state.cancelText);
    if (state.font)
        dialog.setFont(*state.font);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<QString> DialogPrompter::selectLanguage(QWidget* parent, LanguageDialogState& state,
                                                      const QStringList& names)
{
    TFormSelLang& dialog = sharedDialog(m_selLang, parent);
    if (state.font)
        dialog.setFont(*state.font);
    dialog.setLanguages(names);
    // Centred over the window that asks, else on the screen.
    QRect over;
    if (parent)
        over = parent->window()->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        over = screen->availableGeometry();
    dialog.move(centredOver(over, dialog.frameGeometry().size()));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedLanguage();
}

std::optional<int> DialogPrompter::chooseItem(QWidget* parent, const QString& title, const QString& label,
                                              const QStringList& items, int current)
{
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent, title, label, items, current, false, &ok);
    if (!ok)
        return std::nullopt;
    const int index = int(items.indexOf(chosen));
    return index < 0 ? std::nullopt : std::optional<int>(index);
}

} // namespace vx::app
