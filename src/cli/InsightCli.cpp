// diff A B: what changes from one configuration to another (project files or "live", the IDE's
// registry read as Get Delphi reads it). check PROJECT|live: files that are missing, listed twice,
// or packages whose imported packages cannot be found. Both only read.

#include "cli/InsightCli.h"

#include "cli/CliSupport.h"
#include "cli/ProjectJson.h"
#include "delphireg/ApplyPreview.h"
#include "delphireg/DelphiConfig.h"
#include "integration/EnvironmentHelpers.h"
#include "integration/HealthCheck.h"
#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "project/ProjectDiff.h"
#include "project/ProjectFile.h"

#include <QFileInfo>
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
    const PathMacro macro(inst.delphiRoot);
    if (isLive(source)) {
        warnWhileWineRuns(inst);
        HiveRegistryStore store(inst.prefix());
        captureDelphiConfig(store, project, macro);
        return;
    }
    if (!QFileInfo(source).isFile())
        throw OperationError(u"Project file not found: "_s + source);
    IniFile store(source);
    ReadOptions opts;
    opts.now = Clock::current().now();
    readProjectReleasing(store, project, macro, opts);
}

int runDiff(const Installation& inst, const QString& a, const QString& b, bool json)
{
    ConfigProject before, after;
    loadSource(inst, a, before);
    loadSource(inst, b, after);
    // The registry keeps no notes, include paths or groups; against it, they are not compared.
    const DiffOptions options{!isLive(a) && !isLive(b)};
    const ProjectDiff diff = diffProjects(before, after, PathMacro(inst.delphiRoot), options);
    if (json) {
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

int runCheck(const Installation& inst, const QString& source, bool json)
{
    ConfigProject project;
    loadSource(inst, source, project);
    const integration::HealthCheckPlaces places{integration::windowsSystemDirectory(inst.prefix()), u"C:\\windows"_s};
    const std::vector<integration::Finding> findings =
        integration::checkProjectHealth(project, PathMacro(inst.delphiRoot), inst.bridge, places);
    if (json) {
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

} // namespace

int runApplyPreview(const Installation& inst, const QStringList& args, bool json)
{
    if (args.size() != 1) {
        err() << "vorlix7-cli: usage: apply --dry-run PROJECT [--json]" << Qt::endl;
        return Usage;
    }
    warnWhileWineRuns(inst);
    ConfigProject project;
    loadSource(inst, args[0], project);
    // The hives are read into memory and changed there only: this store is never committed.
    HiveRegistryStore scratch(inst.prefix());
    const std::vector<RegistryChange> changes =
        previewApply(scratch, project, PathMacro(inst.delphiRoot), inst.bridge);
    if (json) {
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

bool isInsightCommand(const QString& command)
{
    return command == u"diff"_s || command == u"check"_s;
}

int runInsightCommand(const Installation& inst, const QString& command, const QStringList& args, bool json)
{
    if (command == u"diff"_s) {
        if (args.size() != 2) {
            err() << "vorlix7-cli: usage: diff A B [--json], A and B project files or live" << Qt::endl;
            return Usage;
        }
        return runDiff(inst, args[0], args[1], json);
    }
    if (args.size() != 1) {
        err() << "vorlix7-cli: usage: check PROJECT|live [--json]" << Qt::endl;
        return Usage;
    }
    return runCheck(inst, args[0], json);
}

} // namespace vx::cli
