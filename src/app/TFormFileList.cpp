#include "app/TFormFileList.h"

namespace vx::app {

TFormFileList::TFormFileList(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFormFileList"));
}

} // namespace vx::app
