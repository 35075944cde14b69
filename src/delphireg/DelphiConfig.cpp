#include "delphireg/DelphiConfig.h"

#include "delphireg/RegExport.h"
#include "delphireg/RegistryAccess.h"
#include "platform/AsciiCase.h"
#include "platform/Errors.h"
#include "platform/PathBridge.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"
#include "project/ProjectFile.h"

using namespace Qt::StringLiterals;

namespace vx {

namespace {

QString absolute(const char16_t* path)
{
    return u'\\' + QString::fromUtf16(path);
}

// The folder part of a package file: up to and including its last "\" or ":", with one
// trailing "\" removed.
QString includePathOf(const QString& file)
{
    const qsizetype cut = std::max(file.lastIndexOf(u'\\'), file.lastIndexOf(u':'));
    QString folder = cut < 0 ? QString() : file.left(cut + 1);
    if (folder.endsWith(u'\\'))
        folder.chop(1);
    return folder;
}

bool isDelphiPackage(const QString& name, const PathMacro& macro)
{
    return startsWithIgnoringAsciiCase(name, u"$(Delphi)\\bin") ||
           startsWithIgnoringAsciiCase(name, QString(macro.delphiRoot() + u"bin"_s));
}

// The Tools count as the IDE stores it: decimal text.
int parseCount(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok, 10);
    if (!ok)
        throw OperationError(u"'"_s + text + u"' is not a valid integer value"_s);
    return n;
}

// A damaged count must not make the capture build billions of rows: it is cut a little beyond
// the highest numbered entry present.
int boundedToolCount(const RegistryAccess& access, int count)
{
    if (count <= kCountSlack)
        return count;
    int highest = -1;
    for (const QString& name : access.GetValueNames()) {
        for (QStringView p : {u"Title", u"Path", u"WorkingDir", u"Params"}) {
            if (!startsWithIgnoringAsciiCase(name, p) || name.size() == p.size())
                continue;
            bool ok = false;
            const int n = QStringView(name).sliced(p.size()).toInt(&ok);
            if (ok)
                highest = std::max(highest, n);
        }
    }
    return int(std::min<qint64>(count, qint64(highest) + 1 + kCountSlack));
}

} // namespace

std::optional<QString> wineRunningReadWarning(const QString& prefixDir)
{
    QString why;
    if (!HiveRegistryStore::serverRunningFor(prefixDir, &why))
        return std::nullopt;
    return u"Wine is running in the prefix %1 (%2). It keeps newer registry values in memory and saves them "
           u"to "
           "the registry files within about 30 seconds, so what is read now may be older than what Delphi sees."_s
               .arg(prefixDir, why);
}

int captureDelphiConfig(RegistryStore& store, ConfigProject& project, const PathMacro& macro)
{
    RegistryAccess access(store);

    if (access.OpenKeyReadOnly(absolute(delphikeys::kExperts))) {
        for (const QString& name : access.GetValueNames()) {
            const QString data = access.ReadString(name);
            const QString file = macro.shorten(data);
            project.experts().add(
                {name, file, name, true, file != data ? ImageInsideRoot : ImageOutsideRoot});
        }
        access.CloseKey();
    }

    if (access.OpenKeyReadOnly(absolute(delphikeys::kLibrary))) {
        const QString path = access.ReadString(u"Search Path"_s);
        access.CloseKey();
        project.searchPath().addPaths(splitSearchPath(path, macro));
    }

    int components = 0;
    if (access.OpenKeyReadOnly(absolute(delphikeys::kKnownPackages))) {
        const QStringList names = access.GetValueNames();
        ComponentListModel& delphi = project.addGroup(QString::fromUtf16(kDelphiGroup));
        ComponentListModel& other = project.addGroup(QString::fromUtf16(kOtherGroup));
        for (const QString& name : names) {
            ComponentListModel& group = isDelphiPackage(name, macro) ? delphi : other;
            const QString description = access.ReadString(name);
            const QString file = macro.shorten(name);
            group.add({description, file, includePathOf(file), description, true,
                       macro.entryImageIndex(file, nullptr)});
            ++components;
        }
        access.CloseKey();
    }

    if (access.OpenKeyReadOnly(absolute(delphikeys::kTransfer)) && access.ValueExists(u"Count"_s)) {
        const int count = boundedToolCount(access, parseCount(access.ReadString(u"Count"_s)));
        for (int n = 0; n < count; ++n) {
            const QString i = QString::number(n);
            ToolEntry t;
            t.title = access.ReadString(u"Title"_s + i);
            t.program = macro.shorten(access.ReadString(u"Path"_s + i));
            t.workingDir = macro.shorten(access.ReadString(u"WorkingDir"_s + i));
            t.params = access.ReadString(u"Params"_s + i);
            t.selected = true;
            t.image = macro.entryImageIndex(t.program, nullptr);
            project.tools().add(t);
        }
    }
    access.CloseKey();
    return components;
}

QString appliedSearchPath(const ConfigProject& project)
{
    QStringList collected;
    const auto collect = [&](const QString& text) {
        for (const QString& c : collected) {
            if (equalsIgnoringAsciiCase(c, text))
                return;
        }
        collected.append(text);
    };
    for (const QString& row : project.searchPath().rows())
        collect(row);
    for (int g = 0; g < project.groupCount(); ++g) {
        const ComponentListModel& list = project.group(g);
        for (int r = 0; r < list.count(); ++r) {
            if (list.row(r).selected)
                collect(list.entry(r).includePath);
        }
    }
    QString joined;
    for (qsizetype i = 0; i < collected.size(); ++i) {
        if (collected[i].isEmpty())
            continue;
        joined += collected[i];
        if (i != collected.size() - 1)
            joined += u';';
    }
    return joined;
}

void applyProject(RegistryStore& store, const ConfigProject& project, const PathMacro& macro,
                  const PathBridge& bridge)
{
    RegistryAccess access(store);

    access.DeleteKey(QString::fromUtf16(delphikeys::kExperts));
    access.OpenKey(QString::fromUtf16(delphikeys::kExperts), true);
    const ExpertListModel& experts = project.experts();
    for (int r = 0; r < experts.count(); ++r) {
        const ExpertEntry e = experts.entry(r);
        if (!e.selected)
            continue;
        const QString file = macro.expand(e.file);
        if (bridge.fileExists(file))
            access.WriteString(e.name, file);
    }
    access.CloseKey();

    access.DeleteKey(QString::fromUtf16(delphikeys::kPalette));

    access.DeleteKey(QString::fromUtf16(delphikeys::kKnownPackages));
    access.OpenKey(QString::fromUtf16(delphikeys::kKnownPackages), true);
    for (int g = 0; g < project.groupCount(); ++g) {
        const ComponentListModel& list = project.group(g);
        for (int r = 0; r < list.count(); ++r) {
            const ComponentEntry c = list.entry(r);
            if (c.selected && bridge.fileExists(macro.expand(c.file)))
                access.WriteString(c.file, c.name);
        }
    }
    access.CloseKey();

    const QString searchPath = appliedSearchPath(project);
    access.OpenKey(QString::fromUtf16(delphikeys::kLibrary), true);
    access.WriteString(u"Search Path"_s, searchPath);
    access.CloseKey();

    access.DeleteKey(QString::fromUtf16(delphikeys::kTransfer));
    access.OpenKey(QString::fromUtf16(delphikeys::kTransfer), true);
    const ToolListModel& tools = project.tools();
    access.WriteString(u"Count"_s, QString::number(tools.selectedCount()));
    int n = 0;
    for (int r = 0; r < tools.count(); ++r) {
        const ToolEntry t = tools.entry(r);
        if (!t.selected)
            continue;
        const QString i = QString::number(n++);
        access.WriteString(u"Title"_s + i, t.title);
        access.WriteString(u"Path"_s + i, macro.expand(t.program));
        access.WriteString(u"WorkingDir"_s + i, equalsIgnoringAsciiCase(t.workingDir, u"$(Delphi)")
                                                    ? macro.delphiRoot()
                                                    : macro.expand(t.workingDir));
        access.WriteString(u"Params"_s + i, t.params);
    }
    access.CloseKey();

    const QString rootKey = QString::fromUtf16(delphikeys::kRoot) + u'\\';
    access.OpenKey(rootKey, true);
    access.WriteString(u"RootDir"_s, macro.delphiRoot());
    access.CloseKey();
    access.SetRootKey(RegRoot::LocalMachine);
    access.OpenKey(rootKey, true);
    access.WriteString(u"RootDir"_s, macro.delphiRoot());
    access.CloseKey();
}

QByteArray backupDelphiRegistry(const RegistryStore& store)
{
    QStringList lines{u"REGEDIT4"_s};
    for (const DelphiKeyTree& t : DelphiKeyTrees())
        exportTree(store, t.root, t.path, lines);
    return regFileBytes(lines);
}

void clearDelphiRegistry(RegistryStore& store)
{
    for (const DelphiKeyTree& t : DelphiKeyTrees())
        DeleteKeyTree(store, t.root, t.path);
}

} // namespace vx
