#pragma once

#include <QDialog>

namespace vx::app {

class TFormFileList : public QDialog
{
    Q_OBJECT
public:
    explicit TFormFileList(QWidget* parent = nullptr);
};

} // namespace vx::app
