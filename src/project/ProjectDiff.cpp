#include "project/ProjectDiff.h"

#include "platform/AsciiCase.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"

#include <utility>

using namespace Qt::StringLiterals;

namespace vx {

QString diffChangeName(DiffChange change)
{
    switch (change) {
    case DiffChange::Added:
        return u"added"_s;
    case DiffChange::Removed:
        return u"removed"_s;
    case DiffChange::Enabled:
        return u"enabled"_s;
    case DiffChange::Disabled:
        return u"disabled"_s;
    case DiffChange::Changed:
        return u"changed"_s;
    case DiffChange::Moved:
        return u"moved"_s;
    }
    return {};
}

namespace {

// One listing of a side, reduced to what the diff compares.
struct Listed
{
    QString key;   // identity: expanded path (folders without a trailing backslash)
    QString file;  // as stored
    QString name;
    QString group;
    bool selected = true;
    std::vector<std::pair<const char16_t*, QString>> fields; // compared by exact text
};

QString identity(const QString& stored, const PathMacro& macro, bool folder)
{
    QString path = macro.expand(stored);
    if (folder) {
        while (path.size() > 3 && (path.endsWith(u'\\') || path.endsWith(u'/')))
            path.chop(1);
    }
    return path;
}

// Matches B's listings against A's and appends the changes to `out`.
void diffLists(const std::vector<Listed>& a, const std::vector<Listed>& b, bool grouped,
               std::vector<DiffItem>& out)
{
    // The unmatched listings of each identity as a chain through `next`, in A's order: one map
    // entry per identity and no allocation per listing.
    constexpr size_t kEnd = size_t(-1);
    AsciiFoldMap<std::pair<size_t, size_t>> unmatched; // identity -> first and last unmatched listing
    unmatched.reserve(a.size());
    std::vector<size_t> next(a.size(), kEnd);
    for (size_t i = 0; i < a.size(); ++i) {
        const auto [it, fresh] = unmatched.try_emplace(a[i].key, i, i);
        if (!fresh) {
            next[it->second.second] = i;
            it->second.second = i;
        }
    }
    std::vector<bool> matched(a.size(), false);

    for (const Listed& now : b) {
        const auto it = unmatched.find(now.key);
        if (it == unmatched.end() || it->second.first == kEnd) {
            out.push_back({DiffChange::Added, now.file, now.name, now.group, {}, {}, {}});
            continue;
        }
        const size_t i = it->second.first;
        it->second.first = next[i];
        matched[i] = true;
        const Listed& was = a[i];
        if (grouped && !equalsIgnoringAsciiCase(was.group, now.group))
            out.push_back({DiffChange::Moved, now.file, now.name, {}, was.group, now.group, {}});
        if (was.selected != now.selected)
            out.push_back({now.selected ? DiffChange::Enabled : DiffChange::Disabled, now.file, now.name, now.group,
                           {}, {}, {}});
        QStringList fields;
        for (size_t f = 0; f < now.fields.size(); ++f) {
            if (was.fields[f].second != now.fields[f].second)
                fields.append(QString::fromUtf16(now.fields[f].first));
        }
        if (!fields.isEmpty())
            out.push_back({DiffChange::Changed, now.file, now.name, now.group, {}, {}, fields});
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (!matched[i])
            out.push_back({DiffChange::Removed, a[i].file, a[i].name, a[i].group, {}, {}, {}});
    }
}

std::vector<Listed> experts(const ConfigProject& p, const PathMacro& macro, const DiffOptions& o)
{
    std::vector<Listed> v;
    v.reserve(size_t(p.experts().count()));
    for (int r = 0; r < p.experts().count(); ++r) {
        const ExpertEntry e = p.experts().entry(r);
        Listed l{identity(e.file, macro, false), e.file, e.name, {}, e.selected, {{u"name", e.name}}};
        if (o.projectFields)
            l.fields.push_back({u"note", e.note});
        v.push_back(std::move(l));
    }
    return v;
}

std::vector<Listed> packages(const ConfigProject& p, const PathMacro& macro, const DiffOptions& o)
{
    std::vector<Listed> v;
    v.reserve(size_t(p.componentCount()));
    for (int g = 0; g < p.groupCount(); ++g) {
        const ComponentListModel& list = p.group(g);
        for (int r = 0; r < list.count(); ++r) {
            const ComponentEntry c = list.entry(r);
            Listed l{identity(c.file, macro, false), c.file, c.name, p.groupName(g), c.selected, {{u"name", c.name}}};
            if (o.projectFields) {
                l.fields.push_back({u"includePath", c.includePath});
                l.fields.push_back({u"note", c.note});
            }
            v.push_back(std::move(l));
        }
    }
    return v;
}

std::vector<Listed> tools(const ConfigProject& p, const PathMacro& macro)
{
    std::vector<Listed> v;
    v.reserve(size_t(p.tools().count()));
    for (int r = 0; r < p.tools().count(); ++r) {
        const ToolEntry t = p.tools().entry(r);
        v.push_back({identity(t.program, macro, false), t.program, t.title, {}, t.selected,
                     {{u"title", t.title}, {u"workingDir", t.workingDir}, {u"params", t.params}}});
    }
    return v;
}

std::vector<Listed> searchPath(const ConfigProject& p, const PathMacro& macro)
{
    std::vector<Listed> v;
    v.reserve(size_t(p.searchPath().count()));
    for (int r = 0; r < p.searchPath().count(); ++r) {
        const QString& folder = p.searchPath().at(r);
        if (!folder.isEmpty())
            v.push_back({identity(folder, macro, true), folder, folder, {}, true, {}});
    }
    return v;
}

QString describe(const DiffItem& item, bool hasFile)
{
    if (!hasFile || item.name == item.file)
        return item.file;
    return item.name + u" ("_s + item.file + u')';
}

void appendLines(QStringList& lines, const std::vector<DiffItem>& items, const QString& noun, bool hasFile)
{
    for (const DiffItem& item : items) {
        QString line = noun + u' ' + diffChangeName(item.change);
        if (item.change == DiffChange::Moved) {
            lines.append(line + u": "_s + describe(item, hasFile) + u" from "_s + item.from + u" to "_s + item.to);
            continue;
        }
        if (!item.group.isEmpty())
            line += u" in "_s + item.group;
        line += u": "_s + describe(item, hasFile);
        if (!item.fields.isEmpty())
            line += u" ["_s + item.fields.join(u", "_s) + u']';
        lines.append(line);
    }
}

} // namespace

ProjectDiff diffProjects(const ConfigProject& a, const ConfigProject& b, const PathMacro& macro,
                         const DiffOptions& options)
{
    ProjectDiff d;
    diffLists(experts(a, macro, options), experts(b, macro, options), false, d.experts);
    diffLists(packages(a, macro, options), packages(b, macro, options), options.projectFields, d.packages);
    diffLists(tools(a, macro), tools(b, macro), false, d.tools);
    diffLists(searchPath(a, macro), searchPath(b, macro), false, d.searchPath);
    return d;
}

QStringList diffReviewLines(const ProjectDiff& diff)
{
    QStringList lines;
    appendLines(lines, diff.experts, u"expert"_s, true);
    appendLines(lines, diff.packages, u"package"_s, true);
    appendLines(lines, diff.tools, u"tool"_s, true);
    appendLines(lines, diff.searchPath, u"search path"_s, false);
    return lines;
}

} // namespace vx
