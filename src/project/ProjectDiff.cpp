#include "project/ProjectDiff.h"

#include "platform/AsciiCase.h"
#include "project/ConfigProject.h"
#include "project/PathMacro.h"

#include <algorithm>
#include <cstdint>
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

// A listing's identity: the stored path with "$(Delphi)\" expanded (for a folder without its
// trailing separators), kept as whether it lies in DelphiRoot and the rest after DelphiRoot (or
// the whole path). Two paths are the same file exactly when these match ignoring ASCII case, and
// no path is ever copied to find out.
struct Identity
{
    bool inRoot = false;
    QStringView rest;

    size_t hash() const { return hashIgnoringAsciiCase(rest, inRoot ? 1 : 0); }
    bool sameAs(const Identity& o) const
    {
        return inRoot == o.inRoot && equalsIgnoringAsciiCase(rest, o.rest);
    }
};

Identity identity(const QString& stored, const PathMacro& macro, bool folder)
{
    const QString& root = macro.delphiRoot();
    QStringView head, tail = stored; // the expanded path is head followed by tail
    if (PathMacro::isMacroForm(stored)) {
        head = root;
        tail = QStringView(stored).sliced(PathMacro::kMacro.size());
    }
    if (folder) {
        // A folder's trailing separators do not count, down to a drive's root ("C:\").
        auto isSeparator = [](QChar c) { return c == u'\\' || c == u'/'; };
        while (head.size() + tail.size() > 3 && isSeparator(tail.isEmpty() ? head.back() : tail.back())) {
            if (!tail.isEmpty())
                tail.chop(1);
            else
                head.chop(1);
        }
    }
    if (!head.isEmpty())
        return head.size() == root.size() ? Identity{true, tail} : Identity{false, head};
    if (startsWithIgnoringAsciiCase(tail, root))
        return {true, tail.sliced(root.size())};
    return {false, tail};
}

// A list's compared fields: the column of each entry's texts and the name the diff gives it.
struct Field
{
    int column;
    const char16_t* name;
    bool folder = false; // compared as folders: by identity, trailing separators ignored
};

// One list of one side, as the diff walks it.
struct ListRules
{
    enum Kind { Experts, Packages, Tools, SearchPath } kind;
    std::vector<Field> fields;
    bool grouped = false; // a package in another group is Moved
    // Against the registry an unchecked listing exists only as the state of an entry the other
    // side holds: Apply writes no unchecked entry, so one that matches nothing is no change.
    bool uncheckedMatchOnly = false;
    // The order of the listings is part of the configuration: Apply numbers the tools as they
    // come, and the IDE's Tools menu shows them in that order.
    bool ordered = false;

    bool folders() const { return kind == SearchPath; }
};

// One listing, reduced to what the diff compares. It points into the project, which outlives the
// diff: no text is copied until a change is reported, and the identity is worked out again only
// when two hashes meet.
struct Listed
{
    size_t hash = 0;
    const QString* file = nullptr;      // as stored; the folder for the search path
    const QStringList* texts = nullptr; // the entry's columns; none for the search path
    int group = -1;
    bool selected = true;

    const QString& name() const { return texts ? texts->at(0) : *file; }
};

// A list's rows, row by row, with the texts of rows further on asked for ahead of time: each text
// is a block of its own, and waiting for them one by one costs more than the diff's own work
// once the projects outgrow the processor's caches.
template <typename Fn> void forEachRow(const EntryListModel& list, int group, Fn&& fn)
{
    constexpr int kAhead = 4;
    const int count = list.count();
    for (int r = 0; r < count; ++r) {
        if (r + 2 * kAhead < count)
            __builtin_prefetch(list.row(r + 2 * kAhead).texts.constData());
        if (r + kAhead < count) {
            for (const QString& text : list.row(r + kAhead).texts)
                __builtin_prefetch(text.constData());
        }
        fn(list.row(r), group);
    }
}

// Calls fn(listing) for every listing of the list in the project's order.
template <typename Fn>
void forEachListed(const ConfigProject& p, const ListRules& rules, const PathMacro& macro, Fn&& fn)
{
    auto fromRow = [&](const EntryRow& row, int group) {
        const QString& file = row.texts[1];
        fn(Listed{identity(file, macro, false).hash(), &file, &row.texts, group, row.selected});
    };
    switch (rules.kind) {
    case ListRules::Experts:
        forEachRow(p.experts(), -1, fromRow);
        break;
    case ListRules::Packages:
        for (int g = 0; g < p.groupCount(); ++g)
            forEachRow(p.group(g), g, fromRow);
        break;
    case ListRules::Tools:
        forEachRow(p.tools(), -1, fromRow);
        break;
    case ListRules::SearchPath:
        for (int r = 0; r < p.searchPath().count(); ++r) {
            const QString& folder = p.searchPath().at(r);
            if (!folder.isEmpty())
                fn(Listed{identity(folder, macro, true).hash(), &folder, nullptr, -1, true});
        }
        break;
    }
}

size_t listedCount(const ConfigProject& p, const ListRules& rules)
{
    switch (rules.kind) {
    case ListRules::Experts:
        return size_t(p.experts().count());
    case ListRules::Packages:
        return size_t(p.componentCount());
    case ListRules::Tools:
        return size_t(p.tools().count());
    case ListRules::SearchPath:
        return size_t(p.searchPath().count());
    }
    return 0;
}

// Matches B's listings against A's and appends the changes to `out`.
class ListDiff
{
  public:
    ListDiff(const ConfigProject& a, const ConfigProject& b, const ListRules& rules, const PathMacro& macro,
             std::vector<DiffItem>& out)
        : m_a(a), m_b(b), m_rules(rules), m_macro(macro), m_out(out)
    {
    }

    void run()
    {
        indexA();
        forEachListed(m_b, m_rules, m_macro, [this](const Listed& now) { match(now); });
        if (m_rules.ordered)
            reportMoves();
        for (size_t i = 0; i < m_listed.size(); ++i) {
            if (!m_matched[i] && counts(m_listed[i]))
                report(DiffChange::Removed, m_a, m_listed[i]);
        }
    }

  private:
    static constexpr uint32_t kEnd = uint32_t(-1);

    // An identity in the table: one of its listings (to compare with) and its first listing not
    // yet matched; the others follow through m_next, in A's order.
    struct Slot
    {
        uint32_t some = kEnd;
        uint32_t first = kEnd;
    };

    // Whether a listing counts on its own: as Added or Removed when it matches nothing on the
    // other side, and as a place in the order of an ordered list.
    bool counts(const Listed& l) const { return l.selected || !m_rules.uncheckedMatchOnly; }

    bool sameIdentity(const Listed& x, const Listed& y) const
    {
        return x.hash == y.hash && identity(*x.file, m_macro, m_rules.folders())
                                       .sameAs(identity(*y.file, m_macro, m_rules.folders()));
    }

    Slot& slotOf(const Listed& l)
    {
        for (size_t s = l.hash & m_mask;; s = (s + 1) & m_mask) {
            Slot& slot = m_slots[s];
            if (slot.some == kEnd || sameIdentity(m_listed[slot.some], l))
                return slot;
        }
    }

    void indexA()
    {
        m_listed.reserve(listedCount(m_a, m_rules));
        forEachListed(m_a, m_rules, m_macro, [this](const Listed& l) { m_listed.push_back(l); });
        size_t capacity = 16;
        while (capacity < m_listed.size() * 2)
            capacity *= 2;
        m_mask = capacity - 1;
        m_slots.assign(capacity, Slot{});
        m_next.assign(m_listed.size(), kEnd);
        m_matched.assign(m_listed.size(), false);
        if (m_rules.ordered) {
            m_place.assign(m_listed.size(), 0);
            int place = 0;
            for (size_t i = 0; i < m_listed.size(); ++i)
                m_place[i] = counts(m_listed[i]) ? ++place : 0;
        }
        // Backwards, each listing going to the front of its chain, so that chains run in A's order.
        for (size_t i = m_listed.size(); i-- > 0;) {
            Slot& slot = slotOf(m_listed[i]);
            m_next[i] = slot.first;
            slot.some = slot.first = uint32_t(i);
        }
    }

    void match(const Listed& now)
    {
        const int place = m_rules.ordered && counts(now) ? ++m_placesOfB : 0;
        Slot& slot = slotOf(now);
        if (slot.first == kEnd) {
            if (counts(now))
                report(DiffChange::Added, m_b, now);
            return;
        }
        const uint32_t i = slot.first;
        slot.first = m_next[i];
        m_matched[i] = true;
        const Listed& was = m_listed[i];
        if (place > 0 && m_place[i] > 0)
            m_kept.push_back({m_out.size(), m_place[i], place, now.file, &now.name()});
        if (m_rules.grouped) {
            const QString& from = m_a.groupName(was.group);
            const QString& to = m_b.groupName(now.group);
            if (!equalsIgnoringAsciiCase(from, to)) {
                DiffItem moved{DiffChange::Moved, *now.file, now.name(), {}, from, to, {}};
                m_out.push_back(std::move(moved));
            }
        }
        if (was.selected != now.selected)
            report(now.selected ? DiffChange::Enabled : DiffChange::Disabled, m_b, now);
        QStringList changed;
        for (const Field& f : m_rules.fields) {
            if (!sameField(f, was.texts->at(f.column), now.texts->at(f.column)))
                changed.append(QString::fromUtf16(f.name));
        }
        if (!changed.isEmpty())
            report(DiffChange::Changed, m_b, now).fields = std::move(changed);
    }

    bool sameField(const Field& f, const QString& was, const QString& now) const
    {
        if (was == now)
            return true;
        if (!f.folder)
            return false;
        // Apply writes a working directory of "$(Delphi)" as DelphiRoot.
        const auto spelled = [this](const QString& stored) -> const QString& {
            return equalsIgnoringAsciiCase(stored, u"$(Delphi)") ? m_macro.delphiRoot() : stored;
        };
        return identity(spelled(was), m_macro, true).sameAs(identity(spelled(now), m_macro, true));
    }

    // The listings kept in an ordered list whose order changed are those outside a longest run
    // of them that keeps A's order: the fewest moves that turn A's order into B's. Each is Moved,
    // from its place in A to its place in B, before its other changes.
    void reportMoves()
    {
        constexpr size_t kNone = size_t(-1);
        std::vector<size_t> tails; // tails[n]: the kept pair ending the best run of n + 1 found so far
        std::vector<size_t> previous(m_kept.size(), kNone);
        for (size_t k = 0; k < m_kept.size(); ++k) {
            const auto at = std::lower_bound(tails.begin(), tails.end(), m_kept[k].from,
                                             [this](size_t t, int from) { return m_kept[t].from < from; });
            if (at != tails.begin())
                previous[k] = *(at - 1);
            if (at == tails.end())
                tails.push_back(k);
            else
                *at = k;
        }
        if (tails.size() == m_kept.size())
            return;
        std::vector<bool> stays(m_kept.size(), false);
        for (size_t k = tails.back(); k != kNone; k = previous[k])
            stays[k] = true;
        std::vector<DiffItem> out;
        out.reserve(m_out.size() + m_kept.size() - tails.size());
        size_t next = 0;
        for (size_t k = 0; k < m_kept.size(); ++k) {
            if (stays[k])
                continue;
            const Kept& kept = m_kept[k];
            while (next < kept.at)
                out.push_back(std::move(m_out[next++]));
            out.push_back({DiffChange::Moved,
                           *kept.file,
                           *kept.name,
                           {},
                           QString::number(kept.from),
                           QString::number(kept.to),
                           {}});
        }
        while (next < m_out.size())
            out.push_back(std::move(m_out[next++]));
        m_out = std::move(out);
    }

    DiffItem& report(DiffChange change, const ConfigProject& side, const Listed& l)
    {
        m_out.push_back(
            {change, *l.file, l.name(), l.group >= 0 ? side.groupName(l.group) : QString(), {}, {}, {}});
        return m_out.back();
    }

    const ConfigProject& m_a;
    const ConfigProject& m_b;
    const ListRules& m_rules;
    const PathMacro& m_macro;
    std::vector<DiffItem>& m_out;
    std::vector<Listed> m_listed; // A's listings
    std::vector<Slot> m_slots;
    size_t m_mask = 0;
    std::vector<uint32_t> m_next;
    std::vector<bool> m_matched;

    // Ordered lists: the places of A's listings (from 1; 0 for one that takes no place), the
    // places given to B's so far, and the pairs matched in B's order with where in m_out a Moved
    // would go.
    struct Kept
    {
        size_t at;
        int from, to;
        const QString* file;
        const QString* name;
    };
    std::vector<int> m_place;
    int m_placesOfB = 0;
    std::vector<Kept> m_kept;
};

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
            lines.append(line + u": "_s + describe(item, hasFile) + u" from "_s + item.from + u" to "_s +
                         item.to);
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
    // Experts: name, file, note. Packages: name, file, includePath, note. Tools: title, program,
    // workingDir, params.
    const bool registryOnly = !options.projectFields;
    ListRules experts{ListRules::Experts, {{0, u"name"}}, false, registryOnly};
    ListRules packages{ListRules::Packages, {{0, u"name"}}, options.projectFields, registryOnly};
    if (options.projectFields) {
        experts.fields.push_back({2, u"note"});
        packages.fields.push_back({2, u"includePath"});
        packages.fields.push_back({3, u"note"});
    }
    const ListRules tools{ListRules::Tools,
                          {{0, u"title"}, {2, u"workingDir", true}, {3, u"params"}},
                          false,
                          registryOnly,
                          true};
    const ListRules searchPath{ListRules::SearchPath, {}};
    ProjectDiff d;
    ListDiff(a, b, experts, macro, d.experts).run();
    ListDiff(a, b, packages, macro, d.packages).run();
    ListDiff(a, b, tools, macro, d.tools).run();
    ListDiff(a, b, searchPath, macro, d.searchPath).run();
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
