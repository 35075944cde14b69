#include "delphireg/ApplyPreview.h"

#include "delphireg/DelphiConfig.h"
#include "project/ConfigProject.h"

using namespace Qt::StringLiterals;

namespace vx {

ProjectDiff previewApply(RegistryStore& scratch, const ConfigProject& project, const PathMacro& macro,
                         const PathBridge& bridge)
{
    ConfigProject before, after;
    captureDelphiConfig(scratch, before, macro);
    applyProject(scratch, project, macro, bridge);
    captureDelphiConfig(scratch, after, macro);
    return diffProjects(before, after, macro, DiffOptions{false});
}

QString applyPreviewSummary(const ProjectDiff& diff)
{
    if (diff.isEmpty())
        return u"Nothing would change."_s;
    const auto part = [](size_t n, const QString& one, const QString& many) -> QString {
        return QString::number(n) + u' ' + (n == 1 ? one : many);
    };
    QStringList parts;
    if (!diff.experts.empty())
        parts.append(part(diff.experts.size(), u"expert change"_s, u"expert changes"_s));
    if (!diff.packages.empty())
        parts.append(part(diff.packages.size(), u"package change"_s, u"package changes"_s));
    if (!diff.tools.empty())
        parts.append(part(diff.tools.size(), u"tool change"_s, u"tool changes"_s));
    if (!diff.searchPath.empty())
        parts.append(part(diff.searchPath.size(), u"search path change"_s, u"search path changes"_s));
    QString joined = parts.takeLast();
    if (!parts.isEmpty())
        joined = parts.join(u", "_s) + u" and "_s + joined;
    return u"Apply makes "_s + joined + u'.';
}

} // namespace vx
