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
        printJson([&](JsonWriter& json) { writeDiffJson(diff, json); });
    } else if (diff.isEmpty()) {
        out() << "No differences between " << a << " and " << b << '.' << Qt::endl;
    } else {
        out() << diff.count() << (diff.count() == 1 ? " change" : " changes") << " from " << a << " to " << b
              << ":\n";
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
    const integration::HealthCheckPlaces places = integration::healthCheckPlaces(inst.prefix());
    const std::vector<integration::Finding> findings =
        integration::checkProjectHealth(project, PathMacro(inst.delphiRoot), inst.bridge, places);
    if (call.isSet(u"json"_s)) {
        printJson([&](JsonWriter& json) {
            json.beginObject();
            json.key("findings"_L1).beginArray();
            for (const integration::Finding& f : findings) {
                json.beginObject();
                json.key("detail"_L1).value(f.detail);
                json.key("entry"_L1).value(f.entry);
                json.key("file"_L1).value(f.file);
                json.key("kind"_L1).value(integration::findingKindName(f.kind));
                json.key("list"_L1).value(f.list);
                json.endObject();
            }
            json.endArray();
            json.endObject();
        });
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
        printJson([&](JsonWriter& json) {
            json.beginArray();
            for (const RegistryChange& c : changes) {
                json.beginObject();
                json.key("group"_L1).value(registryChangeGroupName(c.group));
                json.key("key"_L1).value(c.keyName());
                json.key("kind"_L1).value(registryChangeKindName(c.kind));
                json.key("new"_L1);
                c.newValue ? json.value(c.newData) : json.null();
                json.key("old"_L1);
                c.oldValue ? json.value(c.oldData) : json.null();
                json.key("value"_L1);
                c.isKeyChange() ? json.null() : json.value(c.valueName());
                json.endObject();
            }
            json.endArray();
        });
    } else {
        out() << applyPreviewSummary(changes) << '\n';
        for (const QString& line : applyPreviewLines(changes))
            out() << line << '\n';
        // What Delphi would then refuse to load, before anything is written.
        const std::vector<integration::Finding> refused = integration::checkPackagesApplyLoads(
            project, PathMacro(inst.delphiRoot), inst.bridge, integration::healthCheckPlaces(inst.prefix()));
        if (!refused.empty())
            out() << "\nPackages Apply makes Delphi load: " << integration::healthReportText(refused) << '\n';
        out() << Qt::flush;
    }
    return changes.empty() ? Ok : Differs;
}

} // namespace vx::cli
