#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace vx {

class ConfigProject;
class PathMacro;

// What happened to one entry between two configurations.
enum class DiffChange { Added, Removed, Enabled, Disabled, Changed, Moved };

// The word of a change as the command line prints it: "added", "removed", ... "moved".
QString diffChangeName(DiffChange change);

struct DiffItem
{
    DiffChange change = DiffChange::Added;
    QString file;       // the entry's file as stored (the newer side's when both have it); the folder for the
                        // search path
    QString name;       // expert or package name, tool title; the folder for the search path
    QString group;      // packages: the group the entry is in (the newer side's for Moved: see from/to)
    QString from, to;   // Moved: packages' group, tools' place in the list (from 1) before and after
    QStringList fields; // Changed: the names of the fields that differ
};

// The changes from configuration A to configuration B, list by list.
struct ProjectDiff
{
    std::vector<DiffItem> experts, packages, tools, searchPath;
    bool isEmpty() const
    {
        return experts.empty() && packages.empty() && tools.empty() && searchPath.empty();
    }
    size_t count() const { return experts.size() + packages.size() + tools.size() + searchPath.size(); }
};

struct DiffOptions
{
    // Notes, packages' include paths and groups live in project files only: the registry keeps
    // none of them (a capture sorts packages into groups by a rule), so against what it holds
    // they would differ everywhere. False compares only what the registry keeps: nor does it keep
    // unchecked entries (Apply does not write them), so an unchecked entry on either side is
    // compared only with the entry it matches (Enabled, Disabled), never Added or Removed.
    bool projectFields = true;
};

// Entries are matched by file identity: the stored path with "$(Delphi)\" expanded, ASCII case
// ignored (the rule of PathMacro::isSameFile), so a case-only change or a macro against the full
// path is the same entry. A file listed n times on one side matches the first n listings on the
// other in order. Packages are matched across groups: one in another group is Moved. Tools are
// matched by program, and their order counts (Apply numbers them in it, and the IDE's Tools menu
// follows): the fewest tools whose moves turn A's order into B's are Moved, from and to their
// places among the tools that count (against the registry the checked ones, as in the menu).
// Search-path folders are matched by folder (a trailing backslash ignored). An entry whose check
// box changed is Enabled or Disabled; other differing fields make it Changed (experts:
// name, note; packages: name, includePath, note; tools: title, workingDir, params). A tool's
// working directory is compared as a folder: by identity, a trailing backslash ignored, and
// "$(Delphi)" is DelphiRoot, as Apply writes it.
// Matched and added entries come in B's order, removed ones after them in A's.
ProjectDiff diffProjects(const ConfigProject& a, const ConfigProject& b, const PathMacro& macro,
                         const DiffOptions& options = {});

// The diff as a review, one change per line, e.g.
//   package moved: Indy 10 ($(Delphi)\Bin\dclindy.bpl) from Delphi7 to Internet
//   tool moved: Grep (C:\Tools\grep.exe) from 3 to 1
QStringList diffReviewLines(const ProjectDiff& diff);

} // namespace vx
