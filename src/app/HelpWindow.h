#pragma once

#include <QDialog>

namespace vx::app {

// The program's user guide, built into the executable, in a window of its own.
class HelpWindow : public QDialog
{
    Q_OBJECT
  public:
    explicit HelpWindow(QWidget* parent = nullptr);
    // The guide's text (Markdown), as the repository's docs/user-guide.md holds it.
    static QString guideText();
};

} // namespace vx::app
