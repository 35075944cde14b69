#include "app/TFormInput.h"

#include "app/DialogGeometry.h"
#include "i18n/UiTexts.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace vx::app {

namespace {
constexpr int kButtonTop = 62;
constexpr QSize kButtonSize(75, 25);
constexpr int kOkLeft = 42;
constexpr int kCancelLeft = 158;
constexpr int kSingleOkLeft = 102; // OK alone, centred
} // namespace

TFormInput::TFormInput(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"TFormInput"_s);
    setWindowTitle(u"input"_s);
    setFixedSize(275, 101);

    m_edit = new QLineEdit(this);
    m_edit->setObjectName(u"RzEdit"_s);
    m_edit->setGeometry(17, 20, 241, 21);

    m_ok = new QPushButton(u"OK"_s, this);
    m_ok->setObjectName(u"RzBitBtnOk"_s);
    m_ok->setGeometry(QRect(QPoint(kOkLeft, kButtonTop), kButtonSize));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    m_cancel = new QPushButton(u"Cancel"_s, this);
    m_cancel->setObjectName(u"RzBitBtnCancel"_s);
    m_cancel->setGeometry(QRect(QPoint(kCancelLeft, kButtonTop), kButtonSize));
    connect(m_cancel, &QPushButton::clicked, this, &TFormInput::RzBitBtnCancelClick);
}

QString TFormInput::text() const
{
    return m_edit->text();
}

void TFormInput::RzEditChange()
{
    m_ok->setEnabled(!m_edit->text().isEmpty());
}

void TFormInput::RzBitBtnCancelClick()
{
    m_edit->clear();
    reject();
}

void TFormInput::changeEvent(QEvent* event)
{
    // The edit and the buttons grow with a larger display font; the window keeps its size.
    if (event->type() == QEvent::FontChange) {
        m_edit->resize(m_edit->width(), std::max(21, m_edit->sizeHint().height()));
        for (QPushButton* b : {m_ok, m_cancel})
            b->resize(kButtonSize.width(), std::max(kButtonSize.height(), b->sizeHint().height()));
    }
    QDialog::changeEvent(event);
}

void TFormInput::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TFormInput::FormShow()
{
    m_ok->setText(uiText(UiText::OK));
    m_cancel->setText(uiText(UiText::Cancel));
    m_ok->setEnabled(true);

    if (m_placeAtCursor) {
        m_placeAtCursor = false;
        const QPoint pointer = QCursor::pos();
        QScreen* screen = QGuiApplication::screenAt(pointer);
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen)
            move(placeAtPointer(pointer, frameGeometry().size(), screen->geometry()));
    }

    const bool needsText = m_mode == 1 || m_mode == 3;
    const bool withCancel = m_mode != 3 && m_mode != 4;
    disconnect(m_textCheck);
    if (needsText) {
        m_textCheck = connect(m_edit, &QLineEdit::textChanged, this, &TFormInput::RzEditChange);
        RzEditChange();
    }
    m_ok->move(withCancel ? kOkLeft : kSingleOkLeft, kButtonTop);
    m_cancel->setVisible(withCancel);

    m_edit->clear();
    m_edit->setFocus();
}

} // namespace vx::app
