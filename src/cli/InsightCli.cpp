// diff A B: what changes from one configuration to another (project files or "live", the IDE's
// registry read as Get Delphi reads it). check PROJECT|live: files that are missing, listed twice,
// or packages whose imported packages cannot be found. apply --dry-run PROJECT: what applying
// would change in the registry, worked out in memory. All only read.

#include "cli/CliSupport.h"
#include "cli/ProjectJson.h"
#include "delphireg/ApplyPreview.h"
#include "delphireg/DelphiConfig.h"
#include "integration/EnvironmentHelpers.h"
#include "integration/HealthCheck.h"
#include "project/ProjectDiff.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace vx::cli {

namespace {

bool isLive(const QString& source)
{
    return source == u"live"_s;
}

// A project file as the program loads it, or the IDE's registry as Get Delphi reads it. Nothing
// is written to either.
void loadSource(const Installation& inst, const QString& source, ConfigProject& project)
{
    if (!isLive(source))
        return readProjectFile(inst, source, false, project);
    warnWhileWineRuns(inst);
    HiveRegistryStore store(inst.prefix());
    captureDelphiConfig(store, project, PathMacro(inst.delphiRoot));
}

} // namespace

int runDiff(const Invocation& call)
{
    const Installation& inst = call.inst;
    const QString& a = call.args[0];
    const QString& b = call.args[1];
    ConfigProject before, after;
    loadSource(inst, a, before);
    loadSource(inst, b, after);
    // The registry keeps no notes, include paths or groups; against it, they are not compared.
    const DiffOptions options{!isLive(a) && !isLive(b)};
    const ProjectDiff diff = diffProjects(before, after, PathMacro(inst.delphiRoot), options);
    if (call.isSet(u"json"_s)) {
        printJson(QJsonDocument(diffJson(diff)));
    } else if (diff.isEmpty()) {
        out() << "No differences between " << a << " and " << b << '.' << Qt::endl;
    } else {
        out() << diff.count() << (diff.count() == 1 ? " change" : " changes") << " from " << a << " to " << b << ":\n";
        for (const QString& line : diffReviewLines(diff))
            out() << "  " << line << '\n';
        out() << Qt::flush;
    }
    return diff.isEmpty() ? Ok : Differs;
}

int runCheck(const Invocation& call)
{
    const Installation& inst = call.inst;
    const QString& source = call.args[0];
    ConfigProject project;
    loadSource(inst, source, project);
    const integration::HealthCheckPlaces places{integration::windowsSystemDirectory(inst.prefix()), u"C:\\windows"_s};
    const std::vector<integration::Finding> findings =
        integration::checkProjectHealth(project, PathMacro(inst.delphiRoot), inst.bridge, places);
    if (call.isSet(u"json"_s)) {
        QJsonArray list;
        for (const integration::Finding& f : findings)
            list.append(QJsonObject{{u"detail"_s, f.detail},
                                    {u"entry"_s, f.entry},
                                    {u"file"_s, f.file},
                                    {u"kind"_s, integration::findingKindName(f.kind)},
                                    {u"list"_s, f.list}});
        printJson(QJsonDocument(QJsonObject{{u"findings"_s, list}}));
    } else {
        out() << source << ": " << integration::healthReportText(findings) << Qt::endl;
    }
    return findings.empty() ? Ok : Differs;
}

int runApplyPreview(const Invocation& call)
{
    const Installation& inst = call.inst;
    warnWhileWineRuns(inst);
    ConfigProject project;
    loadSource(inst, call.args[0], project);
    // The hives are read into memory and changed there only: this store is never committed.
    HiveRegistryStore scratch(inst.prefix());
    const std::vector<RegistryChange> changes =
        previewApply(scratch, project, PathMacro(inst.delphiRoot), inst.bridge);
    if (call.isSet(u"json"_s)) {
        // One object per change, in the preview's order; "old" and "new" are null where there is
        // no value (and "value" for a key added or removed).
        QJsonArray list;
        for (const RegistryChange& c : changes)
            list.append(QJsonObject{{u"group"_s, registryChangeGroupName(c.group)},
                                    {u"key"_s, c.keyName()},
                                    {u"kind"_s, registryChangeKindName(c.kind)},
                                    {u"new"_s, c.newValue ? QJsonValue(c.newData) : QJsonValue()},
                                    {u"old"_s, c.oldValue ? QJsonValue(c.oldData) : QJsonValue()},
                                    {u"value"_s, c.isKeyChange() ? QJsonValue() : QJsonValue(c.valueName())}});
        printJson(QJsonDocument(list));
    } else {
        out() << applyPreviewSummary(changes) << '\n';
        for (const QString& line : applyPreviewLines(changes))
            out() << line << '\n';
        out() << Qt::flush;
    }
    return changes.empty() ? Ok : Differs;
}

} // namespace vx::cli
