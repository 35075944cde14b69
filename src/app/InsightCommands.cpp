#include "app/InsightCommands.h"

#include "app/MainWindow.h"
#include "integration/EnvironmentHelpers.h"
#include "integration/HealthCheck.h"
#include "prompter/Prompter.h"

#include <QPushButton>

using namespace Qt::StringLiterals;

namespace vx::app {

void checkProjectCommand(TFormMain& w)
{
    const Installation& inst = w.installation();
    const integration::HealthCheckPlaces places{integration::windowsSystemDirectory(inst.prefix()), u"C:\\windows"_s};
    const std::vector<integration::Finding> findings =
        integration::checkProjectHealth(w.project(), w.macro(), inst.bridge, places);
    Prompter::current().message(&w, {findings.empty() ? Prompter::Icon::Information : Prompter::Icon::Warning,
                                     w.ui().RzBitBtnCheckProject->text(), integration::healthReportText(findings),
                                     Prompter::Ok, Prompter::Ok, false});
}

} // namespace vx::app
