#include "app/AboutPage.h"

#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QUrl>
#include <random>

namespace vx::app {

LogoAnimation::LogoAnimation(QLabel* logo, QLabel* egg, QTimer* timer, QWidget* window,
                             std::function<int()> random)
    : QObject(logo), m_logo(logo), m_egg(egg), m_timer(timer), m_window(window), m_random(std::move(random))
{
    if (!m_random) {
        m_random = [engine = std::mt19937(std::random_device{}())]() mutable {
            return std::uniform_int_distribution<int>(0, 8)(engine);
        };
    }
    m_timer->stop();
    m_logo->setMouseTracking(true); // moves count without a pressed button
    m_logo->installEventFilter(this);
    connect(m_timer, &QTimer::timeout, this, &LogoAnimation::TimerEggTimer);
}

bool LogoAnimation::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_logo) {
        if (event->type() == QEvent::MouseMove)
            ImageLogoMouseMove();
        else if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
            ImageLogoMouseDown(); // a quick second press arrives as a double click: still a press
    }
    return QObject::eventFilter(watched, event);
}

void LogoAnimation::ImageLogoMouseDown()
{
    if (++m_presses < 3)
        return;
    m_presses = 0;
    m_logo->hide();
    m_egg->move(45, 5);
    m_egg->show();
    m_phase = 1;
    m_timer->start(300);
    m_window->setEnabled(false);
}

void LogoAnimation::TimerEggTimer()
{
    if (m_phase == 1) {
        m_egg->move(m_egg->x(), m_egg->y() + 2 + m_random());
        if (m_egg->y() > 230) {
            m_phase = 2;
            m_timer->setInterval(2500);
        }
        return;
    }
    m_egg->hide();
    m_logo->show();
    m_phase = 0;
    m_timer->stop();
    m_window->setEnabled(true);
}

void RzLabelWebClick()
{
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kWebPage)));
}

void RzLabelEmailClick()
{
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(kMailLink)));
}

} // namespace vx::app
