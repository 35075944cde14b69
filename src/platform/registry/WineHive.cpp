#include "platform/registry/WineHive.h"

#include "platform/AsciiCase.h"
#include "platform/Clock.h"
#include "platform/registry/HiveFormat.h"

#include <QtEndian>
#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

using namespace Qt::StringLiterals;

namespace vx {

using namespace hive;

// ---------------------------------------------------------------- RegValue

RegValue RegValue::string(const QString& name, const QString& text, quint32 type)
{
    return {name, type, toUtf16Le(text) + QByteArray(2, '\0')};
}

RegValue RegValue::dword(const QString& name, quint32 number)
{
    QByteArray d(4, Qt::Uninitialized);
    qToLittleEndian<quint32>(number, d.data());
    return {name, REG_DWORD, d};
}

RegValue RegValue::multiString(const QString& name, const QStringList& items)
{
    QByteArray d;
    for (const QString& item : items)
        d += toUtf16Le(item) + QByteArray(2, '\0');
    d += QByteArray(2, '\0');
    return {name, REG_MULTI_SZ, d};
}

QString RegValue::text() const
{
    QString s = fromUtf16Le(data.constData(), data.size() / 2);
    const qsizetype nul = s.indexOf(QChar(0));
    if (nul >= 0)
        s.truncate(nul);
    return s;
}

std::optional<quint32> RegValue::number() const
{
    if (data.size() != 4)
        return std::nullopt;
    return qFromLittleEndian<quint32>(data.constData());
}

// ---------------------------------------------------------------- WineHive

WineHive::WineHive()
{
    m_nodes.emplace_back();
}

WineHive WineHive::createNew(const QByteArray& relativeTo, Arch arch)
{
    QByteArray bytes = QByteArray(kHeader) + "\n;; All keys relative to " + relativeTo + '\n';
    if (arch != Arch::Unspecified)
        bytes += arch == Arch::Win64 ? "\n#arch=win64\n" : "\n#arch=win32\n";
    if (arch == Arch::Win64 && relativeTo == kMachineRelativeTo) {
        // Written as the writer writes a new key, then read like any file: the hive is
        // unmodified, and the section stays as it is unless the key changes.
        WineHive layout = parse(bytes, {});
        layout.createKey({u"Software"_s, u"Wow6432Node"_s});
        bytes = layout.save();
    }
    return parse(bytes, {});
}

int WineHive::compareNames(QStringView a, QStringView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const int d = int(lowerUnit(a[i].unicode())) - int(lowerUnit(b[i].unicode()));
        if (d)
            return d;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

namespace {

// Sorts ids by name in Wine's order. The names are folded once into one buffer first: comparing
// those is a plain comparison of UTF-16 units (shorter first on a common start), and a large key
// is then sorted without chasing every name through memory at each comparison.
template <typename Id, typename NameOf> void sortByName(std::vector<Id>& ids, NameOf nameOf)
{
    struct Entry
    {
        qsizetype at;
        qsizetype len;
        Id id;
    };
    std::vector<Entry> entries;
    entries.reserve(ids.size());
    std::u16string folded;
    for (const Id id : ids) {
        const QString& name = nameOf(id);
        entries.push_back({qsizetype(folded.size()), name.size(), id});
        for (const QChar c : name)
            folded += lowerUnit(c.unicode());
    }
    const std::u16string_view all(folded);
    std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        return all.substr(size_t(a.at), size_t(a.len)) < all.substr(size_t(b.at), size_t(b.len));
    });
    for (size_t i = 0; i < ids.size(); ++i)
        ids[i] = entries[i].id;
}

} // namespace

namespace {

// The name folded the way Wine compares names, hashed with Qt's hash of bytes.
quint64 nameHash(int key, QStringView name)
{
    return hashFolded(name.utf16(), name.size(), size_t(quint32(key)), lowerUnit);
}

} // namespace

template <typename Matches> int WineHive::NameTable::find(QStringView name, Matches matches) const
{
    if (m_slots.empty())
        return -1;
    const quint32 hash = quint32(nameHash(0, name));
    const size_t mask = m_slots.size() - 1;
    for (size_t s = hash & mask;; s = (s + 1) & mask) {
        const Slot& slot = m_slots[s];
        if (slot.id == kEmpty)
            return -1;
        if (slot.id >= 0 && slot.hash == hash && matches(slot.id))
            return slot.id;
    }
}

void WineHive::NameTable::place(quint32 hash, int id)
{
    const size_t mask = m_slots.size() - 1;
    size_t s = hash & mask;
    while (m_slots[s].id != kEmpty)
        s = (s + 1) & mask;
    m_slots[s] = {hash, id};
}

void WineHive::NameTable::insert(QStringView name, int id)
{
    // At most three quarters of the slots in use, removed ones counted: a lookup always meets
    // an empty slot soon. Growing drops the removed ones.
    if ((m_used + 1) * 4 > m_slots.size() * 3) {
        size_t capacity = 16;
        while (capacity * 3 < (m_live + 1) * 8)
            capacity *= 2;
        std::vector<Slot> old = std::exchange(m_slots, std::vector<Slot>(capacity, Slot{0, kEmpty}));
        for (const Slot& slot : old) {
            if (slot.id >= 0)
                place(slot.hash, slot.id);
        }
        m_used = m_live;
    }
    place(quint32(nameHash(0, name)), id);
    ++m_live;
    ++m_used;
}

void WineHive::NameTable::remove(QStringView name, int id)
{
    if (m_slots.empty())
        return;
    const quint32 hash = quint32(nameHash(0, name));
    const size_t mask = m_slots.size() - 1;
    for (size_t s = hash & mask; m_slots[s].id != kEmpty; s = (s + 1) & mask) {
        if (m_slots[s].id == id) {
            m_slots[s].id = kGone;
            --m_live;
            return;
        }
    }
}

void WineHive::sortNames(KeyId key) const
{
    const Node& n = m_nodes[size_t(key)];
    if (n.childrenUnsorted) {
        sortByName(n.children, [this](KeyId c) -> const QString& { return m_nodes[size_t(c)].name; });
        n.childrenUnsorted = false;
    }
    if (n.valuesUnsorted) {
        sortByName(n.values, [this](int v) -> const QString& { return m_values[size_t(v)].name; });
        n.valuesUnsorted = false;
    }
}

bool WineHive::isValid(KeyId key) const
{
    return key >= 0 && size_t(key) < m_nodes.size() && m_nodes[size_t(key)].alive;
}

WineHive::KeyId WineHive::findSubKey(KeyId parent, QStringView name) const
{
    if (!isValid(parent))
        return kNoKey;
    const Node& n = m_nodes[size_t(parent)];
    if (n.childrenHashed)
        return n.childIndex.find(name, [&](KeyId c) {
            const Node& child = m_nodes[size_t(c)];
            return child.parent == parent && child.alive && compareNames(child.name, name) == 0;
        });
    for (const KeyId c : n.children)
        if (compareNames(m_nodes[size_t(c)].name, name) == 0)
            return c;
    return kNoKey;
}

WineHive::KeyId WineHive::findKey(const QStringList& path, KeyId from) const
{
    KeyId key = isValid(from) ? from : kNoKey;
    for (const QString& name : path) {
        if (key == kNoKey)
            break;
        if (!name.isEmpty())
            key = findSubKey(key, name);
    }
    return key;
}

WineHive::KeyId WineHive::addNode(KeyId parent, QStringView name)
{
    const KeyId id = KeyId(m_nodes.size());
    Node node;
    node.name = name.toString();
    node.parent = parent;
    m_nodes.push_back(std::move(node));
    Node& p = m_nodes[size_t(parent)];
    if (!p.children.empty() && compareNames(m_nodes[size_t(p.children.back())].name, name) > 0)
        p.childrenUnsorted = true;
    p.children.push_back(id);
    if (p.childrenHashed) {
        p.childIndex.insert(name, id);
    } else if (p.children.size() >= kHashFrom) {
        p.childrenHashed = true;
        for (const KeyId c : p.children)
            p.childIndex.insert(m_nodes[size_t(c)].name, c);
    }
    return id;
}

void WineHive::touch(KeyId key)
{
    Node& n = m_nodes[size_t(key)];
    n.changed = true;
    n.modifiedMs = Clock::current().nowMSecsSinceEpoch();
    m_modified = true;
}

WineHive::KeyId WineHive::createKey(const QStringList& path, KeyId from)
{
    KeyId key = isValid(from) ? from : kNoKey;
    if (key == kNoKey)
        return kNoKey;
    QStringList names;
    for (const QString& component : path) // a backslash can only separate names
        names += component.split(u'\\', Qt::SkipEmptyParts);
    for (const QString& name : std::as_const(names))
        if (name.size() > kMaxKeyNameLength)
            return kNoKey;
    for (const QString& name : std::as_const(names)) {
        const KeyId child = findSubKey(key, name);
        if (child != kNoKey) {
            key = child;
            continue;
        }
        const KeyId created = addNode(key, name);
        touch(key); // Wine stamps the parent when a subkey appears
        touch(created);
        key = created;
    }
    return key;
}

QString WineHive::keyName(KeyId key) const
{
    return isValid(key) ? m_nodes[size_t(key)].name : QString();
}

QStringList WineHive::subKeyNames(KeyId key) const
{
    QStringList names;
    if (!isValid(key))
        return names;
    sortNames(key);
    const auto& children = m_nodes[size_t(key)].children;
    names.reserve(qsizetype(children.size()));
    for (const KeyId c : children)
        names.append(m_nodes[size_t(c)].name);
    return names;
}

int WineHive::subKeyCount(KeyId key) const
{
    return isValid(key) ? int(m_nodes[size_t(key)].children.size()) : 0;
}

bool WineHive::isLink(KeyId key) const
{
    return isValid(key) && m_nodes[size_t(key)].link;
}

bool WineHive::deleteKey(KeyId key)
{
    if (!isValid(key) || key == root() || !m_nodes[size_t(key)].children.empty())
        return false;
    return deleteTree(key);
}

bool WineHive::deleteTree(KeyId key)
{
    if (!isValid(key) || key == root())
        return false;
    const KeyId parent = m_nodes[size_t(key)].parent;
    std::vector<KeyId> stack{key};
    while (!stack.empty()) {
        const KeyId k = stack.back();
        stack.pop_back();
        Node& n = m_nodes[size_t(k)];
        n.alive = false;
        if (m_nodes[size_t(n.parent)].childrenHashed)
            m_nodes[size_t(n.parent)].childIndex.remove(n.name, k);
        n.childIndex = {};
        n.valueIndex = {};
        stack.insert(stack.end(), n.children.begin(), n.children.end());
        n.children = {};
        n.items = {};
        n.values = {};
    }
    auto& siblings = m_nodes[size_t(parent)].children;
    siblings.erase(std::find(siblings.begin(), siblings.end(), key));
    touch(parent);
    return true;
}

int WineHive::findValue(KeyId key, QStringView name) const
{
    const Node& n = m_nodes[size_t(key)];
    if (n.valuesHashed)
        return n.valueIndex.find(name, [&](int v) {
            return m_values[size_t(v)].key == key && compareNames(m_values[size_t(v)].name, name) == 0;
        });
    for (const int v : n.values)
        if (compareNames(m_values[size_t(v)].name, name) == 0)
            return v;
    return -1;
}

int WineHive::addValue(KeyId key, const RegValue& value)
{
    const int index = int(m_values.size());
    m_values.push_back({value.name, value.type, key, value.data, -1, 0, false, false});
    Node& n = m_nodes[size_t(key)];
    if (!n.values.empty() && compareNames(m_values[size_t(n.values.back())].name, value.name) > 0)
        n.valuesUnsorted = true;
    n.values.push_back(index);
    if (n.valuesHashed) {
        n.valueIndex.insert(value.name, index);
    } else if (n.values.size() >= kHashFrom) {
        n.valuesHashed = true;
        for (const int v : n.values)
            n.valueIndex.insert(m_values[size_t(v)].name, v);
    }
    return index;
}

void WineHive::forgetValue(KeyId key, int index)
{
    Node& n = m_nodes[size_t(key)];
    n.values.erase(std::find(n.values.begin(), n.values.end(), index));
    if (n.valuesHashed)
        n.valueIndex.remove(m_values[size_t(index)].name, index);
}

QStringList WineHive::valueNames(KeyId key) const
{
    QStringList names;
    if (!isValid(key))
        return names;
    sortNames(key);
    const auto& values = m_nodes[size_t(key)].values;
    names.reserve(qsizetype(values.size()));
    for (const int v : values)
        names.append(m_values[size_t(v)].name);
    return names;
}

std::optional<RegValue> WineHive::value(KeyId key, QStringView name) const
{
    if (!isValid(key))
        return std::nullopt;
    const int index = findValue(key, name);
    if (index < 0)
        return std::nullopt;
    const ValueRec& v = m_values[size_t(index)];
    return RegValue{v.name, v.type, v.data};
}

bool WineHive::setValue(KeyId key, const RegValue& value)
{
    if (!isValid(key) || value.name.size() > kMaxValueNameLength)
        return false;
    const int index = findValue(key, value.name);
    if (index >= 0) {
        ValueRec& v = m_values[size_t(index)];
        if (v.type == value.type && v.data == value.data)
            return true;
        v.type = value.type;
        v.data = value.data;
        v.pos = -1;
        v.openEnd = false;
        touch(key);
        return true;
    }
    // Appended; the writer puts it at its sorted place among the key's lines.
    addValue(key, value);
    touch(key);
    return true;
}

bool WineHive::deleteValue(KeyId key, QStringView name)
{
    if (!isValid(key))
        return false;
    const int index = findValue(key, name);
    if (index < 0)
        return false;
    Node& n = m_nodes[size_t(key)];
    if (m_values[size_t(index)].placed)
        n.items.erase(std::find_if(n.items.begin(), n.items.end(), [&](const Item& item) {
            return item.kind == ItemKind::Value && item.value == index;
        }));
    forgetValue(key, index);
    touch(key);
    return true;
}

} // namespace vx