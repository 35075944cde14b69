#include "app/Splash.h"

#include "app/Images.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace vx::app {

namespace {
constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kTickMs = 400;
constexpr int kLabelLeft = 536;
constexpr int kLabelTop = 454;
} // namespace

TFormSplash::TFormSplash(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint), m_picture(splashPicture()), m_timer(this)
{
    setObjectName(u"FormSplash"_s);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(kWidth, kHeight);

    m_label = new QLabel(u"power by Delphi"_s, this);
    m_label->setObjectName(u"Label1"_s);
    // The label sits 104 pixels from the right edge: pick the largest type that fits there.
    QFont bold = m_label->font();
    bold.setBold(true);
    for (int size = 12; size > 7; --size) {
        bold.setPixelSize(size);
        if (QFontMetrics(bold).horizontalAdvance(m_label->text()) <= kWidth - kLabelLeft - 4)
            break;
    }
    m_label->setFont(bold);
    m_label->setAttribute(Qt::WA_TranslucentBackground);
    m_label->setAutoFillBackground(false);
    m_label->setStyleSheet(u"QLabel { color: white; background: transparent; }"_s);
    m_label->adjustSize();
    m_label->move(kLabelLeft, kLabelTop);
    m_label->hide();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - QPoint(kWidth / 2, kHeight / 2));
    }

    m_timer.setObjectName(u"Timer"_s);
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &TFormSplash::tick);
    m_timer.start();
}

void TFormSplash::tick()
{
    ++m_ticks;
    // isHidden, not isVisible: the label must blink even before the window is on screen.
    m_label->setHidden(!m_label->isHidden());
}

void TFormSplash::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!m_picture.isNull()) {
        p.drawPixmap(0, 0, m_picture);
        return;
    }
    QLinearGradient g(0, 0, kWidth, kHeight);
    g.setColorAt(0, QColor(19, 41, 80));
    g.setColorAt(1, QColor(30, 130, 140));
    p.fillRect(rect(), g);
}

} // namespace vx::app
