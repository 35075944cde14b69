#pragma once

#include <QDialog>

namespace vx::app {

class TFormSelLang : public QDialog
{
    Q_OBJECT
public:
    explicit TFormSelLang(QWidget* parent = nullptr);
};

} // namespace vx::app
