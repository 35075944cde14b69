#pragma once

#include <QLabel>
#include <QList>
#include <QPixmap>
#include <QTimer>

namespace vx::app {

// Shows the frames of a frame list one after another at a fixed interval. A frame index at or
// beyond the list's frame count is treated as frame 0; after the last frame it starts again at 0.
class Animator : public QLabel
{
    Q_OBJECT
  public:
    explicit Animator(QWidget* parent = nullptr);

    void setFrames(const QList<QPixmap>& frames);
    const QList<QPixmap>& frames() const { return m_frames; }
    int frameCount() const { return int(m_frames.size()); }
    void setFrameIndex(int index);
    int frameIndex() const { return m_index; }
    void setInterval(int ms);
    void setAnimating(bool on);
    bool isAnimating() const { return m_timer.isActive(); }
    // Moves to the next frame as one timer tick does (tests call it directly).
    void step();

  private:
    void show(int index);
    QList<QPixmap> m_frames;
    int m_index = 0;
    QTimer m_timer;
};

} // namespace vx::app
