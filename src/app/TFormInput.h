#pragma once

#include <QDialog>

namespace vx::app {

class TFormInput : public QDialog
{
    Q_OBJECT
public:
    explicit TFormInput(QWidget* parent = nullptr);
};

} // namespace vx::app
