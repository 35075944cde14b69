#include "app/InsightCommands.h"

#include "app/CommandHost.h"
#include "integration/EnvironmentHelpers.h"
#include "integration/HealthCheck.h"
#include "platform/Installation.h"
#include "prompter/Prompter.h"

using namespace Qt::StringLiterals;

namespace vx::app {

void checkProjectCommand(CommandHost& h)
{
    const Installation& inst = h.installation();
    const integration::HealthCheckPlaces places = integration::healthCheckPlaces(inst.prefix());
    const std::vector<integration::Finding> findings =
        integration::checkProjectHealth(h.project(), h.macro(), inst.bridge, places);
    Prompter::current().message(h.dialogParent(),
                                {findings.empty() ? Prompter::Icon::Information : Prompter::Icon::Warning,
                                 h.caption(u"RzBitBtnCheckProject"_s),
                                 integration::healthReportText(findings), Prompter::Ok, Prompter::Ok, false});
}

} // namespace vx::app
