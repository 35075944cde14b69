#include "integration/Associations.h"

#include "delphireg/RegistryAccess.h"
#include "delphireg/RegistryTransaction.h"
#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "platform/Installation.h"
#include "platform/desktop/DesktopEntry.h"
#include "platform/desktop/XdgDirs.h"
#include "platform/registry/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace vx::integration {

namespace {

const QString kProgType = u"Delphi7 Vorlix"_s;
const QString kIdeType = u"delphi32.exe"_s;

// The IDE's own types: extension, MIME type, description. ".pas" is freedesktop's.
struct IdeType
{
    const char16_t* glob;
    const char16_t* mime;
    const char16_t* comment;
};
constexpr IdeType kIdeTypes[] = {
    {u"*.pas", u"text/x-pascal", nullptr},
    {u"*.dpr", u"text/x-vorlix7-delphi-project", u"Delphi project"},
    {u"*.dpk", u"text/x-vorlix7-delphi-package", u"Delphi package"},
    {u"*.dfm", u"text/x-vorlix7-delphi-form", u"Delphi form"},
};

QByteArray mimeXml(const QList<std::tuple<QString, QString, QString>>& types)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
    for (const auto& [type, comment, glob] : types) {
        xml += "  <mime-type type=\"" + type.toUtf8() + "\">\n";
        xml += "    <comment>" + comment.toUtf8() + "</comment>\n";
        xml += "    <sub-class-of type=\"text/plain\"/>\n";
        xml += "    <glob pattern=\"" + glob.toUtf8() + "\"/>\n";
        xml += "  </mime-type>\n";
    }
    xml += "</mime-info>\n";
    return xml;
}

QString mimePackage(const XdgFolders& f, const QString& name)
{
    return f.dataHome + u"/mime/packages/"_s + name;
}

QString launcherFile(const XdgFolders& f, const QString& name)
{
    return f.dataHome + u"/applications/"_s + name;
}

QString mimeAppsList(const XdgFolders& f)
{
    return f.configHome + u"/mimeapps.list"_s;
}

// Reads a whole file; nullopt (with `error` set) when it exists but cannot be read.
std::optional<QByteArray> readExisting(const QString& path, QString* error)
{
    QFile file(path);
    if (!QFileInfo::exists(path))
        return QByteArray();
    if (!file.open(QIODevice::ReadOnly)) {
        *error = u"Unable to read "_s + path;
        return std::nullopt;
    }
    return file.readAll();
}

// Writes one of our own files when its content differs. Returns true when it wrote.
bool writeOwnFile(const DesktopFile& f, DesktopReport& report)
{
    const QFileInfo info(f.path);
    if (!info.isSymLink() && info.isFile()) {
        QFile existing(f.path);
        if (existing.open(QIODevice::ReadOnly) && existing.readAll() == f.content)
            return false;
    }
    try {
        if (!QDir().mkpath(info.absolutePath()))
            throw FileWriteError(f.path);
        // The name is ours: a link in its place is replaced by the file, whatever it led to.
        if (info.isSymLink() && !QFile::remove(f.path))
            throw FileWriteError(f.path);
        writeFileAtomically(f.path, f.content);
        report.written << f.path;
        return true;
    } catch (const OperationError& e) {
        report.errors << e.message();
        return false;
    }
}

// Runs a database tool on a folder when it is installed; a failure is reported with the folder.
void runTool(const QString& tool, const QString& folder, DesktopReport& report)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return;
    QProcess p;
    p.start(program, {folder});
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        report.errors << tool + u" failed for "_s + folder + u": "_s +
                             QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
}

} // namespace

QString associationCommand(const QString& windowsExe)
{
    return u'"' + windowsExe + u"\" \"%1\""_s;
}

QList<AssociationRow> associationRows(const AssociationChoice& choice, const QString& programWindows,
                                      const QString& delphiRoot)
{
    QList<AssociationRow> rows{
        {u".vx7"_s, kProgType},
        {kProgType + u"\\shell\\open\\command"_s, associationCommand(programWindows)},
    };
    const QString ide = delphiRoot + u"bin\\Delphi32.exe"_s;
    if (choice.ideFileTypes()) {
        for (const char16_t* ext : {u".dpr", u".dpk", u".pas", u".dfm"})
            rows.append({QString::fromUtf16(ext), kIdeType});
        rows.append({kIdeType + u"\\DefaultIcon"_s, ide + u",0"_s});
        rows.append({kIdeType + u"\\shell\\open\\command"_s, associationCommand(ide)});
    }
    if (choice.explorerCommand()) {
        rows.append({kIdeType + u"\\shell\\Open_With_Delphi7"_s, u"Open With Delphi7"_s});
        rows.append({kIdeType + u"\\shell\\Open_With_Delphi7\\command"_s, associationCommand(ide)});
    }
    return rows;
}

QStringList writeAssociationRows(RegistryStore& store, const QList<AssociationRow>& rows)
{
    QStringList failed;
    RegistryAccess reg(store);
    reg.SetRootKey(RegRoot::ClassesRoot);
    for (const AssociationRow& row : rows) {
        if (!reg.OpenKey(u'\\' + row.key, true)) {
            failed << u"HKEY_CLASSES_ROOT\\"_s + row.key;
            continue;
        }
        try {
            reg.WriteString({}, row.value);
        } catch (const OperationError&) {
            failed << u"HKEY_CLASSES_ROOT\\"_s + row.key;
        }
        reg.CloseKey();
    }
    return failed;
}

XdgFolders XdgFolders::forCurrentUser()
{
    return {xdgDataHome(), xdgConfigHome()};
}

QStringList ideMimeTypes()
{
    QStringList types;
    for (const IdeType& t : kIdeTypes)
        types << QString::fromUtf16(t.mime);
    return types;
}

QList<DesktopFile> desktopAssociationFiles(const AssociationChoice& choice, const DesktopIdentity& id,
                                           const XdgFolders& folders)
{
    QList<DesktopFile> files;
    files.append(
        {mimePackage(folders, u"vorlix7.xml"_s),
         mimeXml({{QString::fromLatin1(kProjectMimeType), u"Delphi Vorlix project"_s, u"*.vx7"_s}})});
    const QString programDir = QFileInfo(id.program).absolutePath();
    DesktopEntry program;
    program.name = id.displayName(u"Delphi 7 Vorlix"_s);
    program.comment = u"Open a Delphi 7 configuration project"_s;
    program.icon = id.icon;
    program.exec = id.exec();
    program.execFieldCode = u"%f"_s;
    program.workingDir = programDir;
    program.mimeTypes = {QString::fromLatin1(kProjectMimeType)};
    program.categories = {u"Development"_s};
    program.noDisplay = true;
    files.append({launcherFile(folders, id.launcherName(kProgramLauncherBase)), desktopEntryBytes(program)});
    if (!choice.explorerCommand())
        return files;

    QList<std::tuple<QString, QString, QString>> own;
    for (const IdeType& t : kIdeTypes) {
        if (t.comment)
            own.append(
                {QString::fromUtf16(t.mime), QString::fromUtf16(t.comment), QString::fromUtf16(t.glob)});
    }
    files.append({mimePackage(folders, u"vorlix7-delphi7.xml"_s), mimeXml(own)});
    DesktopEntry ide;
    ide.name = id.displayName(u"Delphi 7"_s);
    ide.comment = u"Open the file in Borland Delphi 7 under Wine"_s;
    ide.icon = id.icon;
    // The program hands the file to the IDE in its Windows form (Z:\home\me\a.pas): given the
    // host path, the IDE would read its leading "/" as a switch.
    ide.exec = id.exec({QString::fromLatin1(kDelphiOption)});
    ide.execFieldCode = u"%f"_s;
    ide.workingDir = programDir;
    ide.mimeTypes = ideMimeTypes();
    ide.categories = {u"Development"_s, u"IDE"_s};
    ide.noDisplay = true;
    files.append({launcherFile(folders, id.launcherName(kIdeLauncherBase)), desktopEntryBytes(ide)});
    return files;
}

QList<MimeHandler> desktopHandlers(const AssociationChoice& choice, const DesktopIdentity& id)
{
    using Want = MimeHandler::Want;
    QList<MimeHandler> handlers{
        {QString::fromLatin1(kProjectMimeType), id.launcherName(kProgramLauncherBase), Want::Default}};
    const Want ide = !choice.explorerCommand() ? Want::Nothing
                     : choice.ideFileTypes()   ? Want::Default
                                               : Want::Offered;
    for (const QString& type : ideMimeTypes())
        handlers.append({type, id.launcherName(kIdeLauncherBase), ide});
    return handlers;
}

namespace {

constexpr char kAddedGroup[] = "Added Associations";
constexpr char kDefaultGroup[] = "Default Applications";

// mimeapps.list as lines of bytes, so that whatever is not touched (another encoding, odd lines,
// CR LF ends) comes back as it was.
class MimeAppsLines
{
  public:
    explicit MimeAppsLines(const QByteArray& original)
        : m_lines(original.split('\n')), m_endedWithNewline(original.isEmpty() || original.endsWith('\n'))
    {
        if (m_endedWithNewline)
            m_lines.removeLast();
        m_crlf = !m_lines.isEmpty() && m_lines.first().endsWith('\r');
    }

    QByteArray text(const QByteArray& original) const
    {
        QByteArray out = m_lines.join('\n') + '\n';
        // A last line without its line end that needed no change keeps lacking it.
        if (!m_endedWithNewline && out.chopped(1) == original)
            return original;
        return out;
    }

    // Calls `visit(group, launchers)` for every line of `key`, in file order; the launchers it
    // leaves become the line's, and a line left without any goes.
    template <typename Visit> void forEachList(const QByteArray& key, Visit visit)
    {
        QByteArray group;
        for (qsizetype i = 0; i < m_lines.size(); ++i) {
            if (const auto name = groupName(m_lines[i])) {
                group = *name;
                continue;
            }
            const QByteArray line = body(i);
            const qsizetype eq = line.indexOf('=');
            if (line.trimmed().startsWith('#') || eq < 0 || line.left(eq).trimmed() != key)
                continue;
            QList<QByteArray> ids;
            for (const QByteArray& e : line.mid(eq + 1).split(';')) {
                if (!e.trimmed().isEmpty())
                    ids.append(e.trimmed());
            }
            const QList<QByteArray> before = ids;
            visit(group, ids);
            if (ids == before)
                continue;
            if (ids.isEmpty())
                m_lines.removeAt(i--);
            else
                m_lines[i] = key + '=' + ids.join(';') + ';' + (m_lines[i].endsWith('\r') ? "\r" : "");
        }
    }

    // Adds the line at the end of the first group of that name, made at the end when missing.
    void addToGroup(const QByteArray& group, const QByteArray& line)
    {
        qsizetype header = 0;
        while (header < m_lines.size() && groupName(m_lines[header]) != group)
            ++header;
        if (header == m_lines.size()) {
            if (!m_lines.isEmpty() && !m_lines.last().trimmed().isEmpty())
                m_lines.append(m_crlf ? "\r" : "");
            header = m_lines.size();
            m_lines.append('[' + group + ']' + (m_crlf ? "\r" : ""));
        }
        // After the group's last entry, before the blank lines that part it from the next.
        qsizetype at = header + 1;
        while (at < m_lines.size() && !groupName(m_lines[at]))
            ++at;
        while (at > header + 1 && m_lines[at - 1].trimmed().isEmpty())
            --at;
        m_lines.insert(at, line + (m_crlf ? "\r" : ""));
    }

  private:
    static std::optional<QByteArray> groupName(const QByteArray& line)
    {
        const QByteArray t = line.trimmed();
        if (t.startsWith('[') && t.endsWith(']'))
            return t.mid(1, t.size() - 2);
        return std::nullopt;
    }
    QByteArray body(qsizetype i) const
    {
        return m_lines[i].endsWith('\r') ? m_lines[i].chopped(1) : m_lines[i];
    }

    QList<QByteArray> m_lines;
    bool m_endedWithNewline;
    bool m_crlf = false;
};

} // namespace

QByteArray editMimeAppsList(const QByteArray& original, const QList<MimeHandler>& handlers)
{
    using Want = MimeHandler::Want;
    MimeAppsLines lines(original);
    for (const MimeHandler& h : handlers) {
        const QByteArray key = h.type.toUtf8(), ours = h.launcher.toUtf8();
        bool offered = false, hasDefault = false;
        lines.forEachList(key, [&](const QByteArray& group, QList<QByteArray>& ids) {
            if (group == kAddedGroup) {
                if (h.want == Want::Nothing)
                    ids.removeAll(ours);
                offered = offered || ids.contains(ours);
            } else if (group == kDefaultGroup) {
                if (h.want != Want::Default)
                    ids.removeAll(ours);
                hasDefault = hasDefault || !ids.isEmpty();
            }
        });
        if (h.want != Want::Nothing && !offered) {
            bool appended = false;
            lines.forEachList(key, [&](const QByteArray& group, QList<QByteArray>& ids) {
                if (group == kAddedGroup && !appended) {
                    ids.append(ours);
                    appended = true;
                }
            });
            if (!appended)
                lines.addToGroup(kAddedGroup, key + '=' + ours + ';');
        }
        if (h.want == Want::Default && !hasDefault)
            lines.addToGroup(kDefaultGroup, key + '=' + ours + ';');
    }
    return lines.text(original);
}

DesktopReport writeDesktopAssociations(const AssociationChoice& choice, const DesktopIdentity& id,
                                       const XdgFolders& folders)
{
    DesktopReport report;
    bool mimeChanged = false, launchersChanged = false;
    for (const DesktopFile& f : desktopAssociationFiles(choice, id, folders)) {
        if (writeOwnFile(f, report))
            (f.path.endsWith(u".xml"_s) ? mimeChanged : launchersChanged) = true;
    }
    // A database never built (the tool was missing at an earlier close) is built now.
    const QString mimeDir = folders.dataHome + u"/mime"_s;
    if (!QFileInfo::exists(mimeDir + u"/" + QLatin1StringView(kProjectMimeType) + u".xml"_s))
        mimeChanged = true;
    if (mimeChanged)
        runTool(u"update-mime-database"_s, mimeDir, report);
    if (launchersChanged)
        runTool(u"update-desktop-database"_s, folders.dataHome + u"/applications"_s, report);

    const QString list = mimeAppsList(folders);
    QString error;
    const std::optional<QByteArray> old = readExisting(list, &error);
    if (!old) {
        report.errors << error;
        return report;
    }
    const QByteArray edited = editMimeAppsList(*old, desktopHandlers(choice, id));
    if (edited == *old)
        return report;
    try {
        if (!QDir().mkpath(folders.configHome))
            throw FileWriteError(list);
        writeFileAtomically(list, edited);
        report.written << list;
    } catch (const OperationError& e) {
        report.errors << e.message();
    }
    return report;
}

QString writeFileAssociations(RegistryStore& store, const AssociationChoice& choice,
                              const DesktopIdentity& id, const Installation& inst, const XdgFolders& folders)
{
    QStringList problems;
    try {
        const QList<AssociationRow> rows =
            associationRows(choice, inst.bridge.toWindows(id.program), inst.delphiRoot);
        QList<RegKeyRef> keys;
        for (const AssociationRow& row : rows)
            addCoveredKey(keys, {RegRoot::ClassesRoot, row.key});
        // Most closes find every row in place: their snapshot is dropped again.
        const TransactionResult r = runRegistryTransaction(
            store, inst.prefix(), SnapshotOperation::Associate, keys,
            [&] {
                for (const QString& key : writeAssociationRows(store, rows))
                    problems << u"The registry key "_s + key + u" could not be written."_s;
            },
            OnFailure::KeepWritten);
        if (!r.ok())
            problems << r.report();
    } catch (const OperationError& e) {
        problems << e.message();
    }
    const DesktopReport desktop = writeDesktopAssociations(choice, id, folders);
    problems << desktop.errors;
    if (problems.isEmpty())
        return {};
    return u"The file associations could not all be written; they will be written at a later close.\n\n"_s +
           problems.join(u"\n\n"_s);
}

} // namespace vx::integration
