#include "integration/HealthCheck.h"

#include "integration/EnvironmentHelpers.h"
#include "platform/AsciiCase.h"
#include "platform/PathBridge.h"
#include "platform/pe/PackageInfo.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"

using namespace Qt::StringLiterals;

namespace vx::integration {

QString findingKindName(FindingKind kind)
{
    switch (kind) {
    case FindingKind::MissingFile:
        return u"missing-file"_s;
    case FindingKind::Duplicate:
        return u"duplicate"_s;
    case FindingKind::MissingDependency:
        return u"missing-dependency"_s;
    case FindingKind::UnreadableFile:
        return u"unreadable-file"_s;
    case FindingKind::WrongMachine:
        return u"wrong-machine"_s;
    case FindingKind::UnitConflict:
        return u"unit-conflict"_s;
    case FindingKind::RuntimeOnly:
        return u"runtime-only-package"_s;
    }
    return {};
}

namespace {

QString quoted(const QString& s)
{
    return u'"' + s + u'"';
}

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 3 && (path.endsWith(u'\\') || path.endsWith(u'/')))
        path.chop(1);
    return path;
}

QString folderOf(const QString& windowsPath)
{
    const qsizetype slash = std::max(windowsPath.lastIndexOf(u'\\'), windowsPath.lastIndexOf(u'/'));
    return slash < 0 ? QString() : windowsPath.left(slash);
}

QString fileNameOf(const QString& windowsPath)
{
    return windowsPath.sliced(std::max(windowsPath.lastIndexOf(u'\\'), windowsPath.lastIndexOf(u'/')) + 1);
}

// "dclstd70" of "C:\\...\\dclstd70.bpl", as the IDE names a package.
QString packageName(const QString& windowsPath)
{
    const QString file = fileNameOf(windowsPath);
    return file.section(u'.', 0, 0);
}

bool isPackageName(QStringView module)
{
    return module.size() > 4 && equalsIgnoringAsciiCase(module.last(4), u".bpl");
}

QStringView withoutBplExtension(QStringView module)
{
    return isPackageName(module) ? module.chopped(4) : module;
}

// Whether the imported file ("rtl70.bpl") is the package that PACKAGEINFO requires ("rtl70",
// "rtl"): the same name, or the name followed by the version suffix a package's file carries.
bool importServes(QStringView import, QStringView required)
{
    const QStringView file = withoutBplExtension(import);
    const QStringView name = withoutBplExtension(required);
    if (!startsWithIgnoringAsciiCase(file, name))
        return false;
    const QStringView suffix = file.sliced(name.size());
    return std::all_of(suffix.begin(), suffix.end(), [](QChar c) { return c.isDigit(); });
}

class Checker
{
  public:
    Checker(const PathMacro& macro, const PathBridge& bridge, const HealthCheckPlaces& places)
        : m_bridge(bridge)
    {
        for (const QString& dir :
             QStringList{macro.delphiRoot() + u"Bin"_s, macro.delphiRoot() + u"Projects\\Bpl"_s,
                         places.systemDir, places.windowsDir}) {
            if (!dir.isEmpty())
                m_searchDirs.append(withoutTrailingSlash(dir));
        }
    }

    std::vector<Finding> findings;

    void add(FindingKind kind, const QString& list, const QString& entry, const QString& file,
             const QString& detail)
    {
        findings.push_back({kind, list, entry, file, detail});
    }

    bool fileExists(const QString& expanded) { return cached(m_files, expanded, false); }
    bool dirExists(const QString& expanded) { return cached(m_dirs, withoutTrailingSlash(expanded), true); }

    // A checked package that Apply would list under Known Packages: the IDE loads it at its start,
    // so it serves every later import of its file name, as Windows takes a module already loaded
    // before it searches any folder. The first of one file name is the one loaded.
    void knowPackage(const QString& expanded) { m_known.try_emplace(fileNameOf(expanded), expanded); }

    // A tool's program may be a bare name ("notepad.exe"), which Windows finds in the system and
    // Windows directories.
    bool programExists(const QString& expanded)
    {
        if (expanded.contains(u'\\') || expanded.contains(u'/') || expanded.contains(u':'))
            return fileExists(expanded);
        for (const QString& dir : m_searchDirs.mid(2)) {
            if (fileExists(dir + u'\\' + expanded))
                return true;
        }
        return false;
    }

    // Reports the listings of `identity` after its first.
    void noteListing(AsciiFoldMap<QString>& seen, const QString& identity, const QString& list,
                     const QString& entry, const QString& file, const QString& where, const QString& noun)
    {
        const auto [it, first] = seen.try_emplace(identity, where);
        if (!first)
            add(FindingKind::Duplicate, list, entry, file,
                noun + u' ' + where + u" lists "_s + file + u" again; it is already listed as "_s +
                    it->second + u'.');
    }

    void checkPackage(const QString& list, const QString& entry, const QString& expanded,
                      const QString& where, bool loaded)
    {
        const int root = moduleAt(expanded);
        const PeImports& image = m_modules[size_t(root)].file.imports;
        // The IDE is a 32-bit x86 process: Wine loads no other image into it, whatever it imports.
        if (image.headersRead && !image.isX86Image()) {
            add(FindingKind::WrongMachine, list, entry, expanded,
                where + u": "_s + expanded + u" is not a 32-bit x86 image (machine 0x"_s +
                    QString::number(image.machine, 16) + (image.pe32Plus ? u", PE32+"_s : u", PE32"_s) +
                    u"), so Delphi cannot load it."_s);
            return;
        }
        if (!image.ok) {
            add(FindingKind::UnreadableFile, list, entry, expanded,
                where + u": the imports of "_s + expanded + u" cannot be read: "_s + image.error + u'.');
            return;
        }
        // Breadth first through everything the package loads, each module once (import cycles end
        // there), so that a missing package is reported with the shortest chain that needs it.
        ++m_walk;
        std::vector<int> queue{root};
        visit(root, root, 0);
        AsciiFoldMap<bool> reported;
        for (size_t next = 0; next < queue.size(); ++next) {
            const int from = queue[next];
            resolveImports(from);
            const std::vector<Import>& imports = m_modules[size_t(from)].imports;
            for (size_t k = 0; k < imports.size(); ++k) {
                const Import& import = imports[k];
                if (import.module >= 0) {
                    if (visit(import.module, from, k))
                        queue.push_back(import.module);
                    continue;
                }
                if (!reported.try_emplace(import.name, true).second)
                    continue;
                const QString importer = m_modules[size_t(from)].path;
                add(FindingKind::MissingDependency, list, entry, import.name,
                    where + u" needs the package "_s + import.name + u" ("_s + chainTo(from, root) +
                        u" -> "_s + import.name +
                        (import.required ? u", required by the PACKAGEINFO of "_s + fileNameOf(importer)
                                         : QString()) +
                        u"), which is not in "_s + folderOf(importer) +
                        u", DelphiRoot's Bin or Projects\\Bpl, the system or the Windows directory, and "
                        u"no checked package has its name."_s);
            }
        }
        // The IDE loads what a package imports before the package itself.
        if (loaded) {
            for (auto it = queue.rbegin(); it != queue.rend(); ++it)
                checkUnits(list, entry, *it, root == *it ? where : QString());
        }
    }

    // What the IDE does as it loads the module: a design-time package marked run-time only is
    // refused, and so is a package with a unit that a package loaded before it contains.
    void checkUnits(const QString& list, const QString& entry, int id, const QString& listedAs)
    {
        Module& m = m_modules[size_t(id)];
        if (m.unitsClaimed)
            return;
        m.unitsClaimed = true;
        const PackageInfo& info = m.file.info;
        if (!info.ok)
            return;
        const QString name = packageName(m.path);
        if (info.runOnly && !listedAs.isEmpty())
            add(FindingKind::RuntimeOnly, list, entry, m.path,
                listedAs + u": "_s + m.path + u" is a run-time only package, which Delphi cannot install."_s);
        if (info.duplicateCheckOff)
            return;
        for (const PackageUnit& unit : info.containedUnits) {
            if (unit.weakPackaged)
                continue;
            const auto [it, first] = m_units.try_emplace(unit.name, name);
            if (!first)
                add(FindingKind::UnitConflict, list, entry, m.path,
                    u"Cannot load package '"_s + name + u"'. It contains unit '"_s + unit.name +
                        u"', which is also contained in package '"_s + it->second + u"'."_s);
        }
    }

  private:
    bool cached(AsciiFoldMap<bool>& cache, const QString& path, bool dir)
    {
        const auto it = cache.find(path);
        if (it != cache.end())
            return it->second;
        const bool exists = dir ? m_bridge.dirExists(path) : m_bridge.fileExists(path);
        cache.emplace(path, exists);
        return exists;
    }

    // A package import and the module that serves it: an index into m_modules, -1 when the
    // package is found nowhere.
    struct Import
    {
        QString name; // as the importing module names it
        int module = -1;
        bool required = false; // named only by the module's PACKAGEINFO, not by its import table
    };

    // A package file that the check has read, once however often it is listed or imported.
    struct Module
    {
        QString path;     // Windows form, as found
        PackageFile file; // its import table and package information
        bool resolved = false;
        std::vector<Import> imports; // its package imports, looked up once resolved
        bool unitsClaimed = false;   // its units are in m_units (it was loaded)
        unsigned walk = 0;           // the last walk that reached it
        int parent = -1;             // in that walk: the module importing it, and the import's index
        size_t parentImport = 0;
    };

    int moduleAt(const QString& expanded)
    {
        const auto [it, first] = m_moduleIds.try_emplace(expanded, int(m_modules.size()));
        if (first)
            m_modules.push_back(
                {expanded, readPackageFile(m_bridge.toHost(expanded)), false, {}, false, 0, -1, 0});
        return it->second;
    }

    // Looks up the module's package imports where Windows would find them. An image that cannot
    // be loaded (unreadable, another machine) imports nothing the walk could follow.
    void resolveImports(int id)
    {
        if (m_modules[size_t(id)].resolved)
            return;
        m_modules[size_t(id)].resolved = true;
        const PeImports& image = m_modules[size_t(id)].file.imports;
        if (!image.ok || !image.isX86Image())
            return;
        const QStringList modules = image.modules;
        const QStringList required = m_modules[size_t(id)].file.info.requiredPackages;
        const QString ownFolder = folderOf(m_modules[size_t(id)].path);
        std::vector<Import> imports;
        const auto follow = [&](const QString& module, bool fromPackageInfo) {
            const QString found = locatePackage(ownFolder, module);
            imports.push_back(
                {module, found.isEmpty() ? -1 : moduleAt(found), fromPackageInfo}); // may grow m_modules
        };
        for (const QString& module : modules) {
            if (isPackageName(module))
                follow(module, false);
        }
        // What PACKAGEINFO requires and the import table does not load is loaded by the IDE as well,
        // from the file "<name>.bpl".
        for (const QString& name : required) {
            if (!name.isEmpty() && std::none_of(imports.begin(), imports.end(),
                                                [&](const Import& i) { return importServes(i.name, name); }))
                follow(isPackageName(name) ? name : name + u".bpl"_s, true);
        }
        m_modules[size_t(id)].imports = std::move(imports);
    }

    // Marks the module reached in this walk through import `k` of `from`; false if it was already.
    bool visit(int id, int from, size_t k)
    {
        Module& m = m_modules[size_t(id)];
        if (m.walk == m_walk)
            return false;
        m.walk = m_walk;
        m.parent = id == from ? -1 : from;
        m.parentImport = k;
        return true;
    }

    // "a.bpl -> b.bpl": the listed package's file name, then the imports that lead to `id`.
    QString chainTo(int id, int root) const
    {
        QStringList names;
        for (int at = id; at != root; at = m_modules[size_t(at)].parent) {
            const Module& m = m_modules[size_t(at)];
            names.prepend(m_modules[size_t(m.parent)].imports[m.parentImport].name);
        }
        names.prepend(fileNameOf(m_modules[size_t(root)].path));
        return names.join(u" -> "_s);
    }

    // Where Windows finds a package that a module imports: among the Known Packages, in the
    // module's folder, then in Bin, Projects\Bpl, the system and the Windows directory. Empty when
    // nowhere.
    QString locatePackage(const QString& ownFolder, const QString& module)
    {
        // A name that holds a folder or a drive leads out of the places looked in: a file's own
        // name is all a package names another by.
        if (module.contains(u'\\') || module.contains(u'/') || module.contains(u':'))
            return {};
        if (const auto known = m_known.find(module); known != m_known.end())
            return known->second;
        if (!ownFolder.isEmpty() && fileExists(ownFolder + u'\\' + module))
            return ownFolder + u'\\' + module;
        for (const QString& dir : std::as_const(m_searchDirs)) {
            if (fileExists(dir + u'\\' + module))
                return dir + u'\\' + module;
        }
        return {};
    }

    const PathBridge& m_bridge;
    QStringList m_searchDirs; // Bin, Projects\Bpl, system, Windows
    AsciiFoldMap<bool> m_files;
    AsciiFoldMap<bool> m_dirs;
    AsciiFoldMap<int> m_moduleIds;
    AsciiFoldMap<QString> m_known; // file name -> the checked package of that name
    AsciiFoldMap<QString> m_units; // every unit of the packages loaded so far -> its package
    std::vector<Module> m_modules;
    unsigned m_walk = 0;
};

} // namespace

std::vector<Finding> checkProjectHealth(const ConfigProject& project, const PathMacro& macro,
                                        const PathBridge& bridge, const HealthCheckPlaces& places)
{
    Checker c(macro, bridge, places);
    const QString experts = u"experts"_s, packages = u"packages"_s, tools = u"tools"_s,
                  searchPath = u"searchPath"_s;

    AsciiFoldMap<QString> seen;
    for (int r = 0; r < project.experts().count(); ++r) {
        const ExpertEntry e = project.experts().entry(r);
        const QString file = macro.expand(e.file);
        const QString where = quoted(e.name);
        if (!c.fileExists(file))
            c.add(FindingKind::MissingFile, experts, e.name, e.file,
                  u"Expert "_s + where + u": the file "_s + file + u" does not exist."_s);
        c.noteListing(seen, file, experts, e.name, e.file, where, u"Expert"_s);
    }

    for (int g = 0; g < project.groupCount(); ++g) {
        for (int r = 0; r < project.group(g).count(); ++r) {
            const ComponentEntry p = project.group(g).entry(r);
            const QString file = macro.expand(p.file);
            if (p.selected && c.fileExists(file))
                c.knowPackage(file);
        }
    }
    seen.clear();
    for (int g = 0; g < project.groupCount(); ++g) {
        const ComponentListModel& list = project.group(g);
        for (int r = 0; r < list.count(); ++r) {
            const ComponentEntry p = list.entry(r);
            const QString file = macro.expand(p.file);
            const QString where =
                u"Package "_s + quoted(p.name) + u" (group "_s + project.groupName(g) + u')';
            const bool exists = c.fileExists(file);
            if (!exists)
                c.add(FindingKind::MissingFile, packages, p.name, p.file,
                      where + u": the file "_s + file + u" does not exist."_s);
            for (const QString& folder : p.includePath.split(u';', Qt::SkipEmptyParts)) {
                const QString dir = macro.expand(folder.trimmed());
                if (!dir.isEmpty() && !c.dirExists(dir))
                    c.add(FindingKind::MissingFile, packages, p.name, folder.trimmed(),
                          where + u": the include path folder "_s + dir + u" does not exist."_s);
            }
            c.noteListing(seen, file, packages, p.name, p.file,
                          quoted(p.name) + u" in group "_s + project.groupName(g), u"Package"_s);
            if (exists)
                c.checkPackage(packages, p.name, file, where, p.selected);
        }
    }

    for (int r = 0; r < project.tools().count(); ++r) {
        const ToolEntry t = project.tools().entry(r);
        const QString program = macro.expand(t.program);
        const QString where = u"Tool "_s + quoted(t.title);
        if (!c.programExists(program))
            c.add(FindingKind::MissingFile, tools, t.title, t.program,
                  where + u": the program "_s + program + u" does not exist."_s);
        const QString dir = macro.expand(t.workingDir);
        if (!dir.isEmpty() && !c.dirExists(dir))
            c.add(FindingKind::MissingFile, tools, t.title, t.workingDir,
                  where + u": the working directory "_s + dir + u" does not exist."_s);
    }

    seen.clear();
    for (int r = 0; r < project.searchPath().count(); ++r) {
        const QString& folder = project.searchPath().at(r);
        if (folder.isEmpty())
            continue;
        const QString dir = withoutTrailingSlash(macro.expand(folder));
        if (!c.dirExists(dir))
            c.add(FindingKind::MissingFile, searchPath, folder, folder,
                  u"Search path: the folder "_s + dir + u" does not exist."_s);
        c.noteListing(seen, dir, searchPath, folder, folder, u"row "_s + QString::number(r + 1),
                      u"The search path's"_s);
    }
    return std::move(c.findings);
}

HealthCheckPlaces healthCheckPlaces(const QString& prefixDir)
{
    return {windowsSystemDirectory(prefixDir), u"C:\\windows"_s};
}

std::vector<Finding> checkPackagesApplyLoads(const ConfigProject& project, const PathMacro& macro,
                                             const PathBridge& bridge, const HealthCheckPlaces& places)
{
    ConfigProject loaded;
    for (int g = 0; g < project.groupCount(); ++g) {
        ComponentListModel& group = loaded.addGroup(project.groupName(g));
        for (int r = 0; r < project.group(g).count(); ++r) {
            if (project.group(g).entry(r).selected)
                group.add(project.group(g).entry(r));
        }
    }
    return checkProjectHealth(loaded, macro, bridge, places);
}

QString healthReportText(const std::vector<Finding>& findings)
{
    if (findings.empty())
        return u"No problems found."_s;
    constexpr int kKinds = int(FindingKind::RuntimeOnly) + 1;
    int counts[kKinds] = {};
    for (const Finding& f : findings)
        ++counts[int(f.kind)];
    QStringList parts;
    const QString names[kKinds] = {u"missing files"_s,
                                   u"duplicates"_s,
                                   u"missing dependencies"_s,
                                   u"unreadable packages"_s,
                                   u"packages for another machine"_s,
                                   u"unit conflicts"_s,
                                   u"run-time only packages"_s};
    for (int k = 0; k < kKinds; ++k) {
        if (counts[k] > 0)
            parts.append(QString::number(counts[k]) + u' ' + names[k]);
    }
    QString text = QString::number(findings.size()) +
                   (findings.size() == 1 ? u" finding: "_s : u" findings: "_s) + parts.join(u", "_s) + u'\n';
    for (const Finding& f : findings)
        text += u'\n' + f.detail;
    return text;
}

} // namespace vx::integration
