#include "project/ProjectFile.h"

#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "platform/TimeText.h"
#include "platform/ini/IniFile.h"
#include "project/PathMacro.h"

#include <QFile>
#include <QFileInfo>
#include <climits>

using namespace Qt::StringLiterals;

namespace vx {

namespace {

const QString kConfigData = u"ConfigData"_s;
const QString kExperts = u"DelphiExperts"_s;
const QString kGroups = u"DelphiCompGroups"_s;
const QString kTools = u"DelphiTools"_s;

// "<prefix><n>" as a view into a buffer of its own, for keys that are used once and dropped.
class NumberedKey
{
  public:
    QStringView operator()(QStringView prefix, qint64 n)
    {
        char16_t digits[20];
        qsizetype count = 0;
        const bool negative = n < 0;
        quint64 v = negative ? quint64(0) - quint64(n) : quint64(n);
        do {
            digits[count++] = char16_t(u'0' + v % 10);
            v /= 10;
        } while (v != 0);
        const qsizetype size = std::min<qsizetype>(prefix.size(), kRoom - 21);
        char16_t* out = std::copy(prefix.utf16(), prefix.utf16() + size, m_buffer);
        if (negative)
            *out++ = u'-';
        while (count > 0)
            *out++ = digits[--count];
        return QStringView(m_buffer, out - m_buffer);
    }

  private:
    static constexpr qsizetype kRoom = 64;
    char16_t m_buffer[kRoom];
};

// "<prefix><n>" as a string of its own, for keys that are kept or passed on as strings.
QString numbered(QStringView prefix, qint64 n)
{
    return NumberedKey()(prefix, n).toString();
}

// The highest n for which a key "<prefix>n" (n in decimal without leading zeros) exists in the
// section, for any of the prefixes.
qint64 highestNumberedKey(const IniFile& store, const QString& section,
                          std::initializer_list<QStringView> prefixes)
{
    qint64 highest = 0;
    const QStringList keys = store.keyNames(section);
    for (const QString& key : keys) {
        for (QStringView p : prefixes) {
            if (!startsWithIgnoringAsciiCase(key, p) || key.size() == p.size())
                continue;
            const QStringView digits = QStringView(key).sliced(p.size());
            if (digits.size() > 10 || digits[0] == u'0')
                continue;
            bool ok = false;
            const qint64 n = digits.toLongLong(&ok);
            if (ok && n > highest)
                highest = n;
        }
    }
    return highest;
}

// The number of entries the reader builds for a stored count.
int boundedCount(const IniFile& store, const QString& section, int count,
                 std::initializer_list<QStringView> prefixes)
{
    if (count <= kCountSlack)
        return std::max(count, 0);
    // The usual case, a count whose last entry is there, needs no look at every key: the highest
    // number is then at least the count.
    for (QStringView p : prefixes) {
        if (store.hasKey(section, numbered(p, count)))
            return count;
    }
    const qint64 limit = highestNumberedKey(store, section, prefixes) + kCountSlack;
    return int(std::min<qint64>(count, limit));
}

qint64 percentOf(qint64 done, qint64 total)
{
    return done * 100 / total;
}

ListViewSettings readView(const IniFile& store, const QString& section, const QList<int>& defaults)
{
    ListViewSettings v;
    for (int c = 0; c < defaults.size(); ++c)
        v.columnWidths.append(store.readInteger(section, numbered(u"Columns", c), defaults[c]));
    v.sortColumn = store.readInteger(section, u"SortColumn"_s, -1);
    v.sortDirect = store.readInteger(section, u"SortDirect"_s, 0);
    return v;
}

void report(const ProgressFn& progress, ProgressEvent::Phase phase, ProgressEvent::Page page, qint64 percent,
            const QString& name, const QString& group = {})
{
    if (progress)
        progress(ProgressEvent{phase, page, percent, name, group});
}

} // namespace

QString progressText(const ProgressEvent& e, const ProgressTexts& texts)
{
    const QString& word = e.phase == ProgressEvent::Phase::Loading ? texts.loading : texts.saving;
    const QString& page = e.page == ProgressEvent::Page::Experts      ? texts.expertPage
                          : e.page == ProgressEvent::Page::Components ? texts.componentPage
                                                                      : texts.toolPage;
    const QString item = e.group.isEmpty() ? e.name : e.group + u':' + e.name;
    return word + u' ' + page + u' ' + QString::number(e.percent) + u"% : ["_s + item + u']';
}

QString replaceExtension(const QString& path, const QString& extension)
{
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot > slash + 1)
        return path.left(dot) + extension;
    return path + extension;
}

QString backupPathFor(const QString& projectPath)
{
    return replaceExtension(projectPath, u".vx7.bak"_s);
}

namespace {

// readProject; with `release` (the same store), each large part of the file is dropped from memory
// once nothing read later needs it.
void readProjectFrom(const IniFile& store, IniFile* release, ConfigProject& project, const PathMacro& macro,
                     const ReadOptions& options)
{
    using Phase = ProgressEvent::Phase;
    using Page = ProgressEvent::Page;
    const QDateTime now = options.now.isValid() ? options.now : QDateTime::currentDateTime();

    ProjectStatistics& st = project.statistics();
    st.runCount = store.readInteger(kConfigData, u"Run"_s, 1);
    st.beginTime = now;
    st.timeSumMs = store.readTime(kConfigData, u"TimeSum"_s, 0);
    st.lastTime = store.readDateTime(kConfigData, u"LastTime"_s, now);
    st.lastRunMs = store.readTime(kConfigData, u"LastRun"_s, 0);
    st.days = std::max(0, store.readInteger(kConfigData, u"Day"_s, 0));
    st.sum = store.readInteger(kConfigData, u"sum"_s, 1);
    st.page = store.readInteger(kConfigData, u"page"_s, 0);

    const int expertCount = boundedCount(store, kExperts, store.readInteger(kExperts, u"Num"_s, 0),
                                         {u"ExpertName", u"ExpertFile", u"ExpertNote", u"ExpertSel"});
    const int groupCount = boundedCount(store, kGroups, store.readInteger(kGroups, u"Num"_s, 0), {u"Group"});
    const int toolCount = boundedCount(store, kTools, store.readInteger(kTools, u"Num"_s, 0),
                                       {u"Title", u"Path", u"WorkingDir", u"Params", u"Sel"});

    qint64 total = qint64(st.sum) + expertCount + toolCount;
    if (total == 0)
        total = 1;
    qint64 done = 0;

    // The sections read after a part: a part named like one of them (a group named like another
    // section, or two groups of one name) stays.
    std::vector<QString> groupNames;
    if (release) {
        groupNames.reserve(size_t(groupCount));
        for (int n = 1; n <= groupCount; ++n)
            groupNames.push_back(store.readString(kGroups, numbered(u"Group", n)));
    }
    const auto releaseUnlessReadLater = [&](const QString& section, int nextGroup) {
        if (!release)
            return;
        for (const QString* later : {&kConfigData, &kGroups, &kTools}) {
            if (equalsIgnoringAsciiCase(section, *later))
                return;
        }
        for (size_t g = size_t(nextGroup); g < groupNames.size(); ++g) {
            if (equalsIgnoringAsciiCase(section, groupNames[g]))
                return;
        }
        release->releaseSection(section);
    };

    NumberedKey key; // one key at a time: each view is used before the next is made
    std::vector<EntryRow> rows;
    rows.reserve(size_t(expertCount));
    for (int n = 1; n <= expertCount; ++n) {
        ExpertEntry e;
        e.name = store.readString(kExperts, key(u"ExpertName", n));
        e.file = macro.shorten(store.readString(kExperts, key(u"ExpertFile", n)));
        e.note = store.readString(kExperts, key(u"ExpertNote", n));
        e.selected = store.readBool(kExperts, key(u"ExpertSel", n), true);
        e.image = macro.entryImageIndex(e.file, options.verify);
        rows.push_back(ExpertListModel::toRow(e));
        report(options.progress, Phase::Loading, Page::Experts, percentOf(done, total), e.name);
        ++done;
    }
    project.experts().addRows(std::move(rows));
    project.experts().setViewSettings(readView(store, kExperts, project.experts().defaultWidths()));
    releaseUnlessReadLater(kExperts, 0);

    for (int n = 1; n <= groupCount; ++n) {
        const QString name = store.readString(kGroups, numbered(u"Group", n));
        if (name.isEmpty())
            continue;
        ComponentListModel& list = project.addGroup(name);
        const int count = boundedCount(store, name, store.readInteger(name, u"Num"_s, 0),
                                       {u"CompName", u"CompFile", u"CompPath", u"CompNote", u"CompSel"});
        std::vector<EntryRow> comps;
        comps.reserve(size_t(count));
        for (int m = 1; m <= count; ++m) {
            ComponentEntry c;
            c.name = store.readString(name, key(u"CompName", m));
            c.file = macro.shorten(store.readString(name, key(u"CompFile", m)));
            c.includePath = store.readString(name, key(u"CompPath", m));
            c.note = store.readString(name, key(u"CompNote", m));
            c.selected = store.readBool(name, key(u"CompSel", m), true);
            c.image = macro.entryImageIndex(c.file, options.verify);
            comps.push_back(ComponentListModel::toRow(c));
            ++done;
        }
        list.addRows(std::move(comps));
        list.setViewSettings(readView(store, name, list.defaultWidths()));
        releaseUnlessReadLater(name, n);
        project.setActiveGroup(project.groupCount() - 1);
        report(options.progress, Phase::Loading, Page::Components, percentOf(done, total), name);
    }

    rows.clear();
    rows.reserve(size_t(toolCount));
    for (int n = 1; n <= toolCount; ++n) {
        ToolEntry t;
        t.title = store.readString(kTools, numbered(u"Title", n), numbered(u"Tool", n));
        t.program = macro.shorten(store.readString(kTools, numbered(u"Path", n), numbered(u"Path", n)));
        t.workingDir = macro.shorten(store.readString(kTools, key(u"WorkingDir", n)));
        t.params = store.readString(kTools, key(u"Params", n));
        t.selected = store.readBool(kTools, key(u"Sel", n), false);
        t.image = macro.entryImageIndex(t.program, options.verify);
        rows.push_back(ToolListModel::toRow(t));
        report(options.progress, Phase::Loading, Page::Tools, percentOf(done, total), t.title);
        ++done;
    }
    project.tools().addRows(std::move(rows));
    project.tools().setViewSettings(readView(store, kTools, project.tools().defaultWidths()));

    project.searchPath().addPaths(splitSearchPath(store.readString(kConfigData, u"DefaultPath"_s), macro));

    if (project.groupCount() > 0 && st.page >= 0 && st.page < project.groupCount())
        project.setActiveGroup(st.page);
}

} // namespace

void readProject(const IniFile& store, ConfigProject& project, const PathMacro& macro,
                 const ReadOptions& options)
{
    readProjectFrom(store, nullptr, project, macro, options);
}

void readProjectReleasing(IniFile& store, ConfigProject& project, const PathMacro& macro,
                          const ReadOptions& options)
{
    readProjectFrom(store, &store, project, macro, options);
}

namespace {

// The sections of the store behind the calls of IniWriter: what is written to a section named
// again (ASCII case ignored) goes into the same section, and a key written again keeps its place
// and takes the later value. The statistics go to the file this way, and Save's lines when two of
// its sections would share a name.
class StoreSections
{
  public:
    explicit StoreSections(IniFile& store) : m_store(store) {}
    void section(QStringView name) { m_section = name.toString(); }
    void entry(QStringView key, const QString& value)
    {
        m_store.writeString(m_section, key.toString(), value);
    }
    void integerEntry(QStringView key, qint64 value) { entry(key, QString::number(value)); }
    void boolEntry(QStringView key, bool value) { entry(key, value ? u"1"_s : u"0"_s); }

  private:
    IniFile& m_store;
    QString m_section;
};

// `Lines` is IniWriter or StoreSections.
template <class Lines> void writeView(Lines& w, const ListViewSettings& v)
{
    NumberedKey key;
    for (int c = 0; c < v.columnWidths.size(); ++c)
        w.integerEntry(key(u"Columns", c), v.columnWidths[c]);
    w.integerEntry(u"SortColumn", v.sortColumn);
    w.integerEntry(u"SortDirect", v.sortDirect);
}

// [ConfigData] with the statistics of the open project at `now`.
template <class Lines> void writeStatistics(Lines& w, const ConfigProject& project, const QDateTime& now)
{
    const ProjectStatistics& st = project.statistics();
    const qint64 open = msBetween(st.beginTime, now);
    w.section(kConfigData);
    w.entry(u"LastRun", timeText(open));
    w.entry(u"LastTime", dateTimeText(now));
    w.entry(u"TimeSum", timeText(st.timeSumMs + open));
    w.integerEntry(u"page", project.groupCount() > 0 ? project.activeGroup() : -1);
    w.integerEntry(u"sum", project.componentCount());
    w.integerEntry(u"Run", st.runCount);
    w.integerEntry(u"Day", st.days);
}

// The file Save writes, in file order. Progress goes by Save's pages (experts, components,
// tools); the experts stand after the groups in the file, so they are reported before the groups
// are written.
template <class Lines>
void writeProjectFile(Lines& w, const ConfigProject& project, const QDateTime& now,
                      const ProgressFn& progress)
{
    using Phase = ProgressEvent::Phase;
    using Page = ProgressEvent::Page;
    NumberedKey key;
    qint64 total = qint64(project.experts().count()) + project.componentCount() + project.tools().count();
    if (total == 0)
        total = 1;
    qint64 done = 0;

    writeStatistics(w, project, now);
    w.entry(u"DefaultPath", project.searchPath().joined());

    const ExpertListModel& experts = project.experts();
    if (progress) {
        for (int r = 0; r < experts.count(); ++r)
            report(progress, Phase::Saving, Page::Experts, percentOf(done++, total), experts.entry(r).name);
    } else {
        done += experts.count();
    }

    for (int g = 0; g < project.groupCount(); ++g) {
        const QString& name = project.groupName(g);
        const ComponentListModel& list = project.group(g);
        w.section(name);
        writeView(w, list.viewSettings());
        w.integerEntry(u"num", list.count());
        for (int r = 0; r < list.count(); ++r) {
            const ComponentEntry c = list.entry(r);
            const int m = r + 1;
            w.entry(key(u"CompName", m), c.name);
            w.entry(key(u"CompFile", m), c.file);
            w.entry(key(u"CompPath", m), c.includePath);
            w.entry(key(u"CompNote", m), c.note);
            w.boolEntry(key(u"CompSel", m), c.selected);
            report(progress, Phase::Saving, Page::Components, percentOf(done, total), c.name, name);
            ++done;
        }
    }

    w.section(kExperts);
    w.integerEntry(u"num", experts.count());
    for (int r = 0; r < experts.count(); ++r) {
        const ExpertEntry e = experts.entry(r);
        const int n = r + 1;
        w.entry(key(u"ExpertName", n), e.name);
        w.entry(key(u"ExpertFile", n), e.file);
        w.entry(key(u"ExpertNote", n), e.note);
        w.boolEntry(key(u"ExpertSel", n), e.selected);
    }
    writeView(w, experts.viewSettings());

    w.section(kGroups);
    w.integerEntry(u"num", project.groupCount());
    for (int g = 0; g < project.groupCount(); ++g)
        w.entry(key(u"Group", g + 1), project.groupName(g));

    const ToolListModel& tools = project.tools();
    w.section(kTools);
    w.integerEntry(u"Num", tools.count());
    for (int r = 0; r < tools.count(); ++r) {
        const ToolEntry t = tools.entry(r);
        const int n = r + 1;
        w.entry(key(u"Title", n), t.title);
        w.entry(key(u"Path", n), t.program);
        w.entry(key(u"WorkingDir", n), t.workingDir);
        w.entry(key(u"Params", n), t.params);
        w.boolEntry(key(u"Sel", n), t.selected);
        report(progress, Phase::Saving, Page::Tools, percentOf(done, total), t.title);
        ++done;
    }
    writeView(w, tools.viewSettings());
}

// Whether every section that Save writes has a name of its own, ignoring ASCII case, as the
// sections of a file written line by line must (IniFile::writeReplacement).
bool sectionsAreDistinct(const ConfigProject& project)
{
    AsciiFoldMap<int> names;
    for (const QString* fixed : {&kConfigData, &kExperts, &kGroups, &kTools})
        names.emplace(*fixed, 0);
    for (int g = 0; g < project.groupCount(); ++g) {
        if (!names.emplace(project.groupName(g), 0).second)
            return false;
    }
    return true;
}

void refuseReadOnly(const QString& file)
{
    if (isReadOnlyFile(file) || QFileInfo(file).isDir())
        throw FileWriteError(file);
}

} // namespace

void writeProjectStatistics(IniFile& store, const ConfigProject& project, const QDateTime& now)
{
    store.beginBatch();
    try {
        StoreSections w(store);
        writeStatistics(w, project, now);
        w.section(kExperts);
        writeView(w, project.experts().viewSettings());
        w.section(kTools);
        writeView(w, project.tools().viewSettings());
        for (int g = 0; g < project.groupCount(); ++g) {
            w.section(project.groupName(g));
            writeView(w, project.group(g).viewSettings());
        }
        store.commit();
    } catch (...) {
        store.abandonBatch();
        throw;
    }
}

LoadResult loadProject(ConfigProject& project, IniFile& store, const QString& path, const PathMacro& macro,
                       const ReadOptions& options)
{
    const QDateTime now = options.now.isValid() ? options.now : QDateTime::currentDateTime();
    if (project.isOpen() && QFileInfo(project.fileName()).isFile() && !isReadOnlyFile(project.fileName()))
        writeProjectStatistics(store, project, now);

    project.clear();
    project.setFileName(path);
    if (!QFileInfo(path).isFile() || isReadOnlyFile(path))
        return {LoadOutcome::MissingOrReadOnly, 0};

    store.open(path);
    const int run = store.readInteger(kConfigData, u"Run"_s, 1);
    const int next = run == INT_MAX ? run : run + 1;
    store.writeInteger(kConfigData, u"Run"_s, next);

    ReadOptions opts = options;
    opts.now = now;
    readProject(store, project, macro, opts);
    project.statistics().runCount = next;
    project.setUnmodified();
    project.setOpen(true);
    return {LoadOutcome::Opened, run};
}

void saveProject(const ConfigProject& project, IniFile& store, const QDateTime& now,
                 const ProgressFn& progress)
{
    const QString file = store.path();
    refuseReadOnly(file);
    // The new content goes to a temporary file first; the old file then becomes the backup (one
    // backup at a time) while it still stands, and only then is it replaced: the project file
    // never goes missing.
    const QString backup = backupPathFor(file);
    if (sectionsAreDistinct(project)) {
        // Written as it is made, not collected in memory first. A legacy file whose text does not
        // fit its code page is written a second time in UTF-8: progress is reported once.
        bool reported = false;
        store.writeReplacement(backup, [&](IniWriter& w) {
            writeProjectFile(w, project, now, reported ? ProgressFn() : progress);
            reported = true;
        });
        return;
    }
    // A group named like another section shares it: the same lines go into the store's sections,
    // where a key written again takes the later value. The lists written after the groups (the
    // experts, the group names, the tools) thus keep their counts and layouts, and a group named
    // like [ConfigData], with which it shares no key, comes back whole.
    store.beginReplacement(backup);
    try {
        StoreSections w(store);
        writeProjectFile(w, project, now, progress);
        store.commit();
    } catch (...) {
        store.abandonBatch();
        store.reload(); // the store reflects what is on disk again
        throw;
    }
}

} // namespace vx
