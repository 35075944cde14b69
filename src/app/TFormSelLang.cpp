#include "app/TFormSelLang.h"

#include "app/BlinkLabel.h"
#include "i18n/LanguageLoader.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace vx::app {

TFormSelLang::TFormSelLang(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"TFormSelLang"_s);
    setWindowTitle(u"Select"_s);
    setFixedSize(120, 271);
    // Its own font until the display font is chosen with the font command.
    setFont(QFont(u"MS Sans Serif"_s, 8));

    m_label = new BlinkLabel(u"Language:"_s, this);
    m_label->setObjectName(u"RzLabel1"_s);
    m_label->setGeometry(8, 6, 104, 18);

    m_list = new QListWidget(this);
    m_list->setObjectName(u"RzListView"_s);
    m_list->setGeometry(8, 26, 104, 204);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &TFormSelLang::RzListViewSelectItem);
    connect(m_list, &QListWidget::doubleClicked, this, &TFormSelLang::RzListViewDblClick);

    m_ok = new QPushButton(u"OK"_s, this);
    m_ok->setObjectName(u"RzBitBtn"_s);
    m_ok->setGeometry(22, 238, 75, 25);
    m_ok->setDefault(true);
    m_ok->setEnabled(false);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
}

QString TFormSelLang::selectedLanguage() const
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void TFormSelLang::RzListViewSelectItem()
{
    m_ok->setEnabled(!m_list->selectedItems().isEmpty());
}

void TFormSelLang::RzListViewDblClick()
{
    if (!m_list->selectedItems().isEmpty())
        accept();
}

void TFormSelLang::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TFormSelLang::keyPressEvent(QKeyEvent* event)
{
    // OK is the dialog's default and cancel button: Enter and Escape both press it, which does
    // nothing while it is disabled.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            if (m_ok->isEnabled())
                m_ok->click();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QDialog::keyPressEvent(event);
}

void TFormSelLang::FormShow()
{
    m_ok->setEnabled(false);
    {
        const QSignalBlocker block(m_list);
        m_list->clear();
    }
    QStringList sorted = m_names;
    std::sort(sorted.begin(), sorted.end(), languageNameLess);
    m_list->addItems(sorted);
    m_list->clearSelection();
    m_list->setFocus();
}

} // namespace vx::app
