#include "app/TFormInput.h"

namespace vx::app {

TFormInput::TFormInput(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFormInput"));
}

} // namespace vx::app
