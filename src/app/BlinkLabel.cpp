#include "app/BlinkLabel.h"

namespace vx::app {

BlinkLabel::BlinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_shown = !m_shown;
        update();
    });
}

void BlinkLabel::paintEvent(QPaintEvent* event)
{
    if (m_shown)
        QLabel::paintEvent(event);
}

void BlinkLabel::showEvent(QShowEvent* event)
{
    QLabel::showEvent(event);
    m_shown = true;
    m_timer.start();
}

void BlinkLabel::hideEvent(QHideEvent* event)
{
    // No timer runs for a dialog nobody sees.
    m_timer.stop();
    QLabel::hideEvent(event);
}

} // namespace vx::app
