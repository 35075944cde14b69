#include "app/TFormSelLang.h"

namespace vx::app {

TFormSelLang::TFormSelLang(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFormSelLang"));
}

} // namespace vx::app
