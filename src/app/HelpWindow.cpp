#include "app/HelpWindow.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vx::app {

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"HelpWindow"_s);
    setWindowTitle(u"Delphi Vorlix Help"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    auto* text = new QTextBrowser(this);
    text->setObjectName(u"HelpText"_s);
    text->setOpenExternalLinks(true);
    text->setMarkdown(guideText());
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);
    resize(640, 560);
}

QString HelpWindow::guideText()
{
    QFile f(u":/vorlix/user-guide.md"_s);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace vx::app
