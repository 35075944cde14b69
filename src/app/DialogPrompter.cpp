#include "app/DialogPrompter.h"
#include "app/TFormFileList.h"
#include "app/TFormInput.h"
#include "app/TFormSelLang.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace vx::app {

namespace {
QString titleOr(const QString& title)
{
    return title.isEmpty() ? QString::fromUtf16(kProductName) : title;
}
} // namespace

DialogPrompter::DialogPrompter() = default;
DialogPrompter::~DialogPrompter() = default;

DialogPrompter& DialogPrompter::instance()
{
    static DialogPrompter dialogs;
    Prompter::setDefault(&dialogs);
    return dialogs;
}

Prompter::Button DialogPrompter::message(QWidget* parent, const Message& m)
{
    QMessageBox box(parent);
    switch (m.icon) {
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Error: box.setIcon(QMessageBox::Critical); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    }
    box.setWindowTitle(titleOr(m.title));
    box.setText(m.text);
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
    case Ok: box.setDefaultButton(QMessageBox::Ok); break;
    case Cancel: box.setDefaultButton(QMessageBox::Cancel); break;
    case Yes: box.setDefaultButton(QMessageBox::Yes); break;
    case No: box.setDefaultButton(QMessageBox::No); break;
    case NoButton: break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return Ok;
    case QMessageBox::Yes: return Yes;
    case QMessageBox::No: return No;
    case QMessageBox::Cancel: return Cancel;
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

QString DialogPrompter::openFile(QWidget* parent, const QString& directory, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, {}, directory, qtFilter(filter), nullptr, QFileDialog::ReadOnly);
}

QString DialogPrompter::saveFile(QWidget* parent, const QString& proposed, const QString& filter, bool confirmOverwrite)
{
    QFileDialog::Options options;
    if (!confirmOverwrite)
        options |= QFileDialog::DontConfirmOverwrite;
    return QFileDialog::getSaveFileName(parent, {}, proposed, qtFilter(filter), nullptr, options);
}

QString DialogPrompter::folder(QWidget* parent, const QString& title, const QString& directory)
{
    return QFileDialog::getExistingDirectory(parent, title, directory);
}

std::optional<QFont> DialogPrompter::font(QWidget* parent, const QFont& initial)
{
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, parent);
    return ok ? std::optional<QFont>(f) : std::nullopt;
}

Prompter::InputAnswer DialogPrompter::input(QWidget*, InputDialogState& state)
{
    // Filled in with the input dialog.
    state.placeAtCursor = false;
    return {};
}

bool DialogPrompter::fileList(QWidget*, FileListDialogState&)
{
    return false;
}

std::optional<QString> DialogPrompter::selectLanguage(QWidget*, LanguageDialogState&, const QStringList&)
{
    return std::nullopt;
}

} // namespace vx::app
