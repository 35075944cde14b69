#include "app/Animator.h"

namespace vx::app {

Animator::Animator(QWidget* parent) : QLabel(parent), m_timer(this)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, &Animator::step);
}

void Animator::setFrames(const QList<QPixmap>& frames)
{
    m_frames = frames;
    show(m_index);
}

void Animator::setFrameIndex(int index)
{
    m_index = index;
    show(m_index);
}

void Animator::setInterval(int ms)
{
    m_timer.setInterval(ms);
}

void Animator::setAnimating(bool on)
{
    if (on)
        m_timer.start();
    else
        m_timer.stop();
}

void Animator::step()
{
    // An index outside the list counts as frame 0, so the next one is frame 1.
    const int current = (m_index >= 0 && m_index < frameCount()) ? m_index : 0;
    m_index = current + 1 < frameCount() ? current + 1 : 0;
    show(m_index);
}

void Animator::show(int index)
{
    if (m_frames.isEmpty()) {
        clear();
        return;
    }
    const int shown = (index >= 0 && index < frameCount()) ? index : 0;
    setPixmap(m_frames.at(shown));
}

} // namespace vx::app
