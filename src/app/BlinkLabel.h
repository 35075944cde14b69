#pragma once

#include <QLabel>
#include <QTimer>

namespace vx::app {

// A label whose text blinks: shown for half a second, hidden for half a second, while its window
// is visible. The label keeps its place in the layout while the text is off.
class BlinkLabel : public QLabel
{
    Q_OBJECT
  public:
    explicit BlinkLabel(const QString& text = {}, QWidget* parent = nullptr);

    // Whether the text shows at this moment of the blink.
    bool textShown() const { return m_shown; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    QTimer m_timer;
    bool m_shown = true;
};

} // namespace vx::app
