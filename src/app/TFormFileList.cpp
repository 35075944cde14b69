#include "app/TFormFileList.h"

#include "app/BlinkLabel.h"
#include "app/DialogGeometry.h"
#include "editing/RuntimeFiles.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTextOption>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vx::app {

TFormFileList::TFormFileList(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"TFormFileList"_s);
    setWindowTitle(u"Confirm"_s);
    setFixedSize(215, 373);

    auto* panel = new QFrame(this);
    panel->setObjectName(u"RzPanel"_s);
    panel->setFrameShape(QFrame::StyledPanel);
    m_label = new BlinkLabel(QString(), panel);
    m_label->setObjectName(u"RzLabel"_s);
    m_label->setWordWrap(true);
    QPalette red = m_label->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    m_label->setPalette(red);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(6, 4, 6, 4);
    panelLayout->addWidget(m_label);

    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(u"RzMemo"_s);
    m_memo->setReadOnly(true);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QTextOption rightAligned = m_memo->document()->defaultTextOption();
    rightAligned.setAlignment(Qt::AlignRight);
    m_memo->document()->setDefaultTextOption(rightAligned);
    m_memo->setPlainText(editing::runtimeFileNames().join(u'\n'));

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->setObjectName(u"RzDialogButtonsOK"_s);
    m_buttons->setCenterButtons(true);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->setSpacing(6);
    layout->addWidget(panel);
    layout->addWidget(m_memo, 1);
    layout->addWidget(m_buttons);
}

void TFormFileList::setMessage(const QString& text)
{
    m_label->setText(text);
}

QString TFormFileList::message() const
{
    return m_label->text();
}

void TFormFileList::setButtonTexts(const QString& ok, const QString& cancel)
{
    okButton()->setText(ok);
    cancelButton()->setText(cancel);
}

QStringList TFormFileList::fileNames() const
{
    return m_memo->toPlainText().split(u'\n');
}

QPushButton* TFormFileList::okButton() const
{
    return m_buttons->button(QDialogButtonBox::Ok);
}

QPushButton* TFormFileList::cancelButton() const
{
    return m_buttons->button(QDialogButtonBox::Cancel);
}

void TFormFileList::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        if (QScreen* screen = QGuiApplication::primaryScreen())
            move(centredOver(screen->availableGeometry(), frameGeometry().size()));
    }
    QDialog::showEvent(event);
}

} // namespace vx::app
