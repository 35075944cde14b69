#include "delphireg/ApplyPreview.h"

#include "delphireg/DelphiConfig.h"
#include "delphireg/RegExport.h"
#include "delphireg/Snapshots.h"
#include "platform/AsciiCase.h"

#include <QStringDecoder>
#include <QtEndian>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace vx {

namespace {

// One key of a tree as read: its path below the root and its values, sorted by name.
struct KeyReading
{
    QString path;
    std::vector<RegValue> values;
};

bool nameLess(const QString& a, const QString& b)
{
    return WineHive::compareNames(a, b) < 0;
}

// Key paths in the order of a depth-first walk with sorted siblings: name by name, a key before
// the keys below it.
int comparePaths(QStringView a, QStringView b)
{
    for (;;) {
        const qsizetype ia = a.indexOf(u'\\'), ib = b.indexOf(u'\\');
        if (const int d = WineHive::compareNames(ia < 0 ? a : a.first(ia), ib < 0 ? b : b.first(ib)))
            return d;
        if (ia < 0 || ib < 0)
            return (ia < 0 ? 0 : 1) - (ib < 0 ? 0 : 1);
        a = a.sliced(ia + 1);
        b = b.sliced(ib + 1);
    }
}

// Every key of the tree at `path` and its values, depth first with siblings sorted by name, so
// that two readings can be compared in one pass. Empty when the tree does not exist. No
// recursion: a hive's depth is the file's to choose.
std::vector<KeyReading> readTree(const RegistryStore& store, RegRoot root, const QString& path)
{
    std::vector<KeyReading> keys;
    if (!store.keyExists(root, path))
        return keys;
    std::vector<QString> pending{path};
    while (!pending.empty()) {
        KeyReading key{std::move(pending.back()), {}};
        pending.pop_back();
        const QStringList names = store.valueNames(root, key.path);
        key.values.reserve(size_t(names.size()));
        for (const QString& name : names) {
            if (std::optional<RegValue> v = store.value(root, key.path, name))
                key.values.push_back(std::move(*v));
        }
        std::sort(key.values.begin(), key.values.end(),
                  [](const RegValue& a, const RegValue& b) { return nameLess(a.name, b.name); });
        QStringList subKeys = store.subKeyNames(root, key.path);
        std::sort(subKeys.begin(), subKeys.end(), nameLess);
        for (auto it = subKeys.crbegin(); it != subKeys.crend(); ++it)
            pending.push_back(key.path + u'\\' + *it);
        keys.push_back(std::move(key));
    }
    return keys;
}

// The type and every byte: "hex(<type>): 0A FF".
QString exactDataText(const RegValue& v)
{
    return u"hex("_s + QString::number(v.type) + u"): "_s + QString::fromLatin1(v.data.toHex(' ').toUpper());
}

RegistryChange::Group groupOf(RegRoot root, const QString& path, const QString* valueName)
{
    using Group = RegistryChange::Group;
    if (root != RegRoot::CurrentUser)
        return Group::Other;
    if (equalsIgnoringAsciiCase(path, delphikeys::kExperts))
        return Group::Experts;
    if (equalsIgnoringAsciiCase(path, delphikeys::kKnownPackages) ||
        equalsIgnoringAsciiCase(path, delphikeys::kDisabledPackages))
        return Group::Packages;
    if (equalsIgnoringAsciiCase(path, delphikeys::kTransfer))
        return Group::Tools;
    if (valueName && equalsIgnoringAsciiCase(path, delphikeys::kLibrary) &&
        equalsIgnoringAsciiCase(*valueName, u"Search Path"))
        return Group::SearchPath;
    return Group::Other;
}

class ChangeCollector
{
  public:
    ChangeCollector(RegRoot root, std::vector<RegistryChange>& out) : m_root(root), m_out(out) {}

    void compare(const std::vector<KeyReading>& before, const std::vector<KeyReading>& after)
    {
        size_t i = 0, j = 0;
        while (i < before.size() || j < after.size()) {
            const int order = i == before.size()  ? 1
                              : j == after.size() ? -1
                                                  : comparePaths(before[i].path, after[j].path);
            if (order < 0) {
                wholeKey(RegistryChange::Kind::KeyRemoved, before[i++]);
            } else if (order > 0) {
                wholeKey(RegistryChange::Kind::KeyAdded, after[j++]);
            } else {
                values(after[j].path, before[i].values, after[j].values);
                ++i;
                ++j;
            }
        }
    }

  private:
    void wholeKey(RegistryChange::Kind kind, const KeyReading& key)
    {
        RegistryChange c;
        c.group = groupOf(m_root, key.path, nullptr);
        c.kind = kind;
        c.root = m_root;
        c.path = key.path;
        m_out.push_back(c);
        const bool added = kind == RegistryChange::Kind::KeyAdded;
        for (const RegValue& v : key.values)
            value(key.path, added ? nullptr : &v, added ? &v : nullptr);
    }

    void values(const QString& path, const std::vector<RegValue>& before, const std::vector<RegValue>& after)
    {
        size_t i = 0, j = 0;
        while (i < before.size() || j < after.size()) {
            const int order = i == before.size()  ? 1
                              : j == after.size() ? -1
                                                  : WineHive::compareNames(before[i].name, after[j].name);
            if (order < 0) {
                value(path, &before[i++], nullptr);
            } else if (order > 0) {
                value(path, nullptr, &after[j++]);
            } else {
                if (before[i].type != after[j].type || before[i].data != after[j].data)
                    value(path, &before[i], &after[j]);
                ++i;
                ++j;
            }
        }
    }

    void value(const QString& path, const RegValue* before, const RegValue* after)
    {
        RegistryChange c;
        c.kind = !before  ? RegistryChange::Kind::ValueAdded
                 : !after ? RegistryChange::Kind::ValueRemoved
                          : RegistryChange::Kind::ValueChanged;
        c.group = groupOf(m_root, path, &(after ? after : before)->name);
        c.root = m_root;
        c.path = path;
        if (before) {
            c.oldValue = *before;
            c.oldData = registryDataText(*before);
        }
        if (after) {
            c.newValue = *after;
            c.newData = registryDataText(*after);
        }
        // A change of type alone, or of bytes the readable form leaves out (after a string's
        // NUL), must not read as no change at all.
        if (before && after && c.oldData == c.newData) {
            c.oldData = exactDataText(*before);
            c.newData = exactDataText(*after);
        }
        m_out.push_back(std::move(c));
    }

    RegRoot m_root;
    std::vector<RegistryChange>& m_out;
};

} // namespace

QString RegistryChange::keyName() const
{
    return regRootName(root) + u'\\' + path;
}

QString RegistryChange::valueName() const
{
    return newValue ? newValue->name : oldValue ? oldValue->name : QString();
}

std::vector<RegistryChange> previewApply(RegistryStore& scratch, const ConfigProject& project,
                                         const PathMacro& macro, const PathBridge& bridge)
{
    const QList<RegKeyRef> trees = keysWrittenBy(SnapshotOperation::Apply);
    std::vector<std::vector<KeyReading>> before;
    before.reserve(size_t(trees.size()));
    for (const RegKeyRef& t : trees)
        before.push_back(readTree(scratch, t.root, t.path));
    applyProject(scratch, project, macro, bridge);
    std::vector<RegistryChange> changes;
    for (qsizetype t = 0; t < trees.size(); ++t)
        ChangeCollector(trees[t].root, changes)
            .compare(before[size_t(t)], readTree(scratch, trees[t].root, trees[t].path));
    std::stable_sort(changes.begin(), changes.end(),
                     [](const RegistryChange& a, const RegistryChange& b) { return a.group < b.group; });
    return changes;
}

QString registryDataText(const RegValue& value)
{
    switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        return value.text();
    case REG_MULTI_SZ: {
        QStringDecoder utf16(QStringDecoder::Utf16LE, QStringDecoder::Flag::ConvertInitialBom);
        QStringList items =
            QString(utf16(value.data.first(value.data.size() & ~qsizetype(1)))).split(QChar(0));
        // The list ends with an empty item and the terminating NUL.
        while (!items.isEmpty() && items.last().isEmpty())
            items.removeLast();
        return items.join(u"\\0"_s);
    }
    case REG_DWORD:
        if (value.data.size() == 4)
            return QString::number(qFromLittleEndian<quint32>(value.data.constData()));
        break;
    case REG_QWORD:
        if (value.data.size() == 8)
            return QString::number(qFromLittleEndian<quint64>(value.data.constData()));
        break;
    case REG_BINARY:
        return QString::fromLatin1(value.data.toHex(' ').toUpper());
    default:
        break;
    }
    return exactDataText(value);
}

namespace {

struct GroupTexts
{
    QString heading, one, many;
};

const GroupTexts& groupTexts(RegistryChange::Group group)
{
    // In the order of RegistryChange::Group.
    static const GroupTexts texts[] = {
        {u"Experts:"_s, u"expert change"_s, u"expert changes"_s},
        {u"Packages:"_s, u"package change"_s, u"package changes"_s},
        {u"Tools:"_s, u"tool change"_s, u"tool changes"_s},
        {u"Search path:"_s, u"search path change"_s, u"search path changes"_s},
        {u"Other values:"_s, u"other value change"_s, u"other value changes"_s},
    };
    static_assert(std::size(texts) == size_t(RegistryChange::Group::Other) + 1);
    return texts[size_t(group)];
}

QString shownName(const QString& name)
{
    return name.isEmpty() ? u"(Default)"_s : name;
}

QString shownData(const QString& data)
{
    return data.isEmpty() ? u"(empty)"_s : data;
}

} // namespace

QString applyPreviewSummary(const std::vector<RegistryChange>& changes)
{
    if (changes.empty())
        return u"Nothing would change."_s;
    QStringList parts;
    for (size_t i = 0; i < changes.size();) {
        size_t end = i;
        while (end < changes.size() && changes[end].group == changes[i].group)
            ++end;
        const GroupTexts& t = groupTexts(changes[i].group);
        parts.append(QString::number(end - i) + u' ' + (end - i == 1 ? t.one : t.many));
        i = end;
    }
    QString joined = parts.takeLast();
    if (!parts.isEmpty())
        joined = parts.join(u", "_s) + u" and "_s + joined;
    return u"Apply makes "_s + joined + u'.';
}

QStringList applyPreviewLines(const std::vector<RegistryChange>& changes)
{
    using Kind = RegistryChange::Kind;
    QStringList lines;
    const RegistryChange* previous = nullptr;
    for (const RegistryChange& c : changes) {
        const bool newGroup = !previous || previous->group != c.group;
        if (newGroup)
            lines.append(groupTexts(c.group).heading);
        if (c.isKeyChange()) {
            lines.append(u"  "_s + c.keyName() +
                         (c.kind == Kind::KeyAdded ? u": key added"_s : u": key removed"_s));
        } else {
            if (newGroup || previous->root != c.root || previous->path != c.path)
                lines.append(u"  "_s + c.keyName());
            const QString name = shownName(c.valueName());
            switch (c.kind) {
            case Kind::ValueAdded:
                lines.append(u"    added "_s + name + u" = "_s + shownData(c.newData));
                break;
            case Kind::ValueRemoved:
                lines.append(u"    removed "_s + name + u" = "_s + shownData(c.oldData));
                break;
            default:
                lines.append(u"    changed "_s + name + u": "_s + shownData(c.oldData) + u" -> "_s +
                             shownData(c.newData));
                break;
            }
        }
        previous = &c;
    }
    return lines;
}

QString registryChangeKindName(RegistryChange::Kind kind)
{
    switch (kind) {
    case RegistryChange::Kind::KeyAdded:
        return u"key-added"_s;
    case RegistryChange::Kind::KeyRemoved:
        return u"key-removed"_s;
    case RegistryChange::Kind::ValueAdded:
        return u"value-added"_s;
    case RegistryChange::Kind::ValueRemoved:
        return u"value-removed"_s;
    case RegistryChange::Kind::ValueChanged:
        return u"value-changed"_s;
    }
    return {};
}

QString registryChangeGroupName(RegistryChange::Group group)
{
    switch (group) {
    case RegistryChange::Group::Experts:
        return u"experts"_s;
    case RegistryChange::Group::Packages:
        return u"packages"_s;
    case RegistryChange::Group::Tools:
        return u"tools"_s;
    case RegistryChange::Group::SearchPath:
        return u"searchPath"_s;
    case RegistryChange::Group::Other:
        return u"other"_s;
    }
    return {};
}

} // namespace vx
