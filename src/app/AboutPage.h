#pragma once

#include <QObject>
#include <functional>

class QLabel;
class QTimer;
class QWidget;

namespace vx::app {

// The logo's hidden animation: three presses on the logo without a pointer move in between hide
// it and let a second picture fall by a random 2 to 10 pixels every 300 ms until it lies below
// 230, rest there for 2.5 s and go; meanwhile the window takes no input.
class LogoAnimation : public QObject
{
    Q_OBJECT
  public:
    // `random` gives a uniformly random integer from 0 to 8.
    LogoAnimation(QLabel* logo, QLabel* egg, QTimer* timer, QWidget* window,
                  std::function<int()> random = {});

    void ImageLogoMouseMove() { m_presses = 0; }
    void ImageLogoMouseDown();
    void TimerEggTimer();

    int phase() const { return m_phase; } // 0 idle, 1 falling, 2 resting
    int presses() const { return m_presses; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLabel* m_logo;
    QLabel* m_egg;
    QTimer* m_timer;
    QWidget* m_window;
    std::function<int()> m_random;
    int m_presses = 0;
    int m_phase = 0;
};

// The About page's links: the program's web page and a mail to its author with a copy to the team
// and the subject "suggest", each opened with the desktop's default handler.
inline constexpr char kWebPage[] = "https://delphi-vorlix.example.org/";
inline constexpr char kMailLink[] =
    "mailto:author@delphi-vorlix.example.org?cc=team@delphi-vorlix.example.org&subject=suggest";
void RzLabelWebClick();
void RzLabelEmailClick();

} // namespace vx::app
