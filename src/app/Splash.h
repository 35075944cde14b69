#pragma once

#include <QLabel>
#include <QTimer>
#include <QWidget>

namespace vx::app {

// The start-up picture: borderless, centred, 640 x 480 client area filled by the splash picture,
// with the white bold label "power by Delphi" at (536, 454) that blinks with every 400 ms tick.
class TFormSplash : public QWidget
{
    Q_OBJECT
  public:
    explicit TFormSplash(QWidget* parent = nullptr);

    // Ticks counted so far (only while events are processed).
    int ticks() const { return m_ticks; }
    QLabel* label() const { return m_label; } // objectName "Label1"
    QTimer* timer() { return &m_timer; }      // objectName "Timer", interval 400 ms
    // Runs one tick as the timer does: counts it and toggles the label.
    void tick();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPixmap m_picture;
    QLabel* m_label = nullptr;
    QTimer m_timer;
    int m_ticks = 0;
};

} // namespace vx::app
