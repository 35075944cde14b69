#include "platform/registry/WineHive.h"

#include "platform/Clock.h"
#include "platform/registry/HiveFormat.h"

#include <QtEndian>
#include <algorithm>
#include <climits>

namespace vx {

using namespace hive;

class WineHive::Writer
{
  public:
    Writer(const WineHive& hive, SaveMode mode)
        : m_hive(hive), m_mode(mode), m_nowMs(Clock::current().nowMSecsSinceEpoch())
    {
    }

    QByteArray run()
    {
        const auto& nodes = m_hive.m_nodes;
        const int chunkCount = int(m_hive.m_chunks.size());
        constexpr int kEnd = INT_MAX;

        // Live keys, depth first, a key before its subkeys.
        std::vector<KeyId> order;
        order.reserve(nodes.size());
        std::vector<KeyId> stack{root()};
        while (!stack.empty()) {
            const KeyId k = stack.back();
            stack.pop_back();
            order.push_back(k);
            m_hive.sortNames(k);
            const auto& children = nodes[size_t(k)].children;
            for (auto it = children.rbegin(); it != children.rend(); ++it)
                stack.push_back(*it);
        }

        // The first section of the file found in each subtree.
        std::vector<int> firstInTree(nodes.size(), kEnd);
        for (auto it = order.rbegin(); it != order.rend(); ++it) {
            const Node& n = nodes[size_t(*it)];
            int first = n.chunks.empty() ? kEnd : n.chunks.front();
            for (const KeyId c : n.children)
                first = std::min(first, firstInTree[size_t(c)]);
            firstInTree[size_t(*it)] = first;
        }

        // Keys without a section of their own that need one go before the first section that
        // follows them in depth-first order.
        std::vector<int> following(nodes.size(), kEnd);
        std::vector<std::pair<int, KeyId>> pending;
        m_rewrite.assign(nodes.size(), false);
        for (const KeyId k : order) {
            const Node& n = nodes[size_t(k)];
            int next = following[size_t(k)];
            for (auto it = n.children.rbegin(); it != n.children.rend(); ++it) {
                following[size_t(*it)] = next;
                if (firstInTree[size_t(*it)] != kEnd)
                    next = firstInTree[size_t(*it)];
            }
            if (n.chunks.empty()) {
                if (!n.values.empty() || n.children.empty())
                    pending.emplace_back(
                        firstInTree[size_t(k)] != kEnd ? firstInTree[size_t(k)] : following[size_t(k)], k);
            } else {
                m_rewrite[size_t(k)] = n.changed || m_mode == SaveMode::RewriteAll;
            }
        }
        std::stable_sort(pending.begin(), pending.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });

        // A value whose continuation ran into the end of the file would swallow what is written
        // after it: its key is then written anew.
        if (!pending.empty() && pending.back().first == kEnd && chunkCount > 0) {
            const KeyId lastKey = m_hive.m_chunks.back().key;
            if (lastKey != kNoKey && nodes[size_t(lastKey)].alive) {
                for (const Item& item : nodes[size_t(lastKey)].items)
                    if (item.kind == ItemKind::Value && m_hive.m_values[size_t(item.value)].openEnd)
                        m_rewrite[size_t(lastKey)] = true;
            }
        }

        m_out.reserve(m_hive.m_source.size() + 4096);
        size_t next = 0;
        for (int ci = 0; ci < chunkCount; ++ci) {
            while (next < pending.size() && pending[next].first <= ci)
                writeSection(pending[next++].second);
            const Chunk& c = m_hive.m_chunks[size_t(ci)];
            if (c.key == kNoKey) {
                emitRaw(c.pos, c.len);
                continue;
            }
            const Node& n = nodes[size_t(c.key)];
            if (!n.alive)
                continue;
            if (!m_rewrite[size_t(c.key)])
                emitRaw(c.pos, c.len);
            else if (n.chunks.front() == ci)
                writeSection(c.key);
        }
        while (next < pending.size())
            writeSection(pending[next++].second);

        // The file's last line ended without a line feed: when something follows it now, it is
        // written as the line Wine read, so that it does not run into the next one.
        if (m_tailAt >= 0 && m_tailAt + m_tailLen < m_out.size()) {
            QByteArray fixed = m_hive.m_openTailText;
            fixed += fixed.endsWith('\r') ? "\r\n" : "\n";
            m_out.replace(m_tailAt, m_tailLen, fixed);
        }
        return m_out;
    }

  private:
    void emitRaw(qsizetype pos, qsizetype len)
    {
        if (len <= 0)
            return;
        ensureLineStart();
        const qsizetype tail = m_hive.m_openTailPos;
        if (tail >= 0 && pos <= tail && pos + len == m_hive.m_source.size()) {
            m_tailAt = m_out.size() + (tail - pos);
            m_tailLen = m_hive.m_source.size() - tail;
        }
        m_out.append(m_hive.m_source.constData() + pos, len);
    }

    void ensureLineStart()
    {
        if (m_out.isEmpty() || m_out.endsWith('\n'))
            return;
        if (m_tailAt >= 0 && m_out.size() == m_tailAt + m_tailLen)
            return; // the tail is repaired at the end
        m_out += '\n';
    }

    void writeSection(KeyId k)
    {
        const Node& n = m_hive.m_nodes[size_t(k)];
        ensureLineStart();
        m_out += "\n[";
        writePath(k);
        const qint64 ms = n.changed ? n.modifiedMs : m_nowMs;
        const qint64 ticks = ms * 10000 + kTicks1601To1970;
        m_out += "] ";
        m_out += QByteArray::number(static_cast<quint32>(ms >= 0 ? ms / 1000 : 0));
        m_out += "\n#time=";
        appendHex(m_out, quint64(ticks) >> 32, 1);
        appendHex(m_out, quint64(ticks) & 0xffffffffu, 8);
        m_out += '\n';

        // New values (in Wine's order) go before the first line's value that sorts after them;
        // the rest after the last value or option line, before trailing comments and blanks.
        std::vector<int> added;
        for (const int v : n.values)
            if (!m_hive.m_values[size_t(v)].placed)
                added.push_back(v);
        size_t nextAdded = 0;
        size_t lastKept = 0;
        for (size_t i = 0; i < n.items.size(); ++i)
            if (n.items[i].kind != ItemKind::Other && n.items[i].kind != ItemKind::Dropped)
                lastKept = i + 1;
        for (size_t i = 0; i <= n.items.size(); ++i) {
            if (i == lastKept)
                while (nextAdded < added.size())
                    writeValue(m_hive.m_values[size_t(added[nextAdded++])]);
            if (i == n.items.size())
                break;
            const Item& item = n.items[i];
            switch (item.kind) {
            case ItemKind::Time:
            case ItemKind::Dropped:
                break;
            case ItemKind::Option:
            case ItemKind::Other:
                emitRaw(item.pos, item.len);
                break;
            case ItemKind::Value: {
                const ValueRec& v = m_hive.m_values[size_t(item.value)];
                while (nextAdded < added.size() &&
                       compareNames(m_hive.m_values[size_t(added[nextAdded])].name, v.name) < 0)
                    writeValue(m_hive.m_values[size_t(added[nextAdded++])]);
                if (m_mode == SaveMode::KeepUntouched && v.pos >= 0 && !v.openEnd)
                    emitRaw(v.pos, v.len);
                else
                    writeValue(v);
                break;
            }
            }
        }
    }

    void writePath(KeyId k)
    {
        std::vector<KeyId> chain;
        for (KeyId i = k; i != root(); i = m_hive.m_nodes[size_t(i)].parent)
            chain.push_back(i);
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            if (it != chain.rbegin())
                m_out += "\\\\";
            appendEscaped(m_out, m_hive.m_nodes[size_t(*it)].name, u'[', u']');
        }
    }

    void writeValue(const ValueRec& v)
    {
        ensureLineStart();
        qsizetype count = 0;
        if (v.name.isEmpty()) {
            m_out += "@=";
            count = 2;
        } else {
            m_out += '"';
            count = 1 + appendEscaped(m_out, v.name, u'"', u'"');
            m_out += "\"=";
            count += 2;
        }
        const qsizetype len = v.data.size();
        switch (v.type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
        case REG_MULTI_SZ:
            // Only a string with an even size that ends in a NUL is written as a string.
            if (len >= 2 && len % 2 == 0 && v.data[len - 1] == 0 && v.data[len - 2] == 0) {
                if (v.type != REG_SZ) {
                    m_out += "str(";
                    appendHex(m_out, v.type, 1);
                    m_out += "):";
                }
                m_out += '"';
                appendEscaped(m_out, fromUtf16Le(v.data.constData(), len / 2 - 1), u'"', u'"');
                m_out += "\"\n";
                return;
            }
            break;
        case REG_DWORD:
            if (len == 4) {
                m_out += "dword:";
                appendHex(m_out, qFromLittleEndian<quint32>(v.data.constData()), 8);
                m_out += '\n';
                return;
            }
            break;
        default:
            break;
        }
        const qsizetype before = m_out.size();
        if (v.type == REG_BINARY) {
            m_out += "hex:";
        } else {
            m_out += "hex(";
            appendHex(m_out, v.type, 1);
            m_out += "):";
        }
        count += m_out.size() - before;
        for (qsizetype i = 0; i < len; ++i) {
            appendHex(m_out, static_cast<unsigned char>(v.data[i]), 2);
            count += 2;
            if (i < len - 1) {
                m_out += ',';
                if (++count > 76) {
                    m_out += "\\\n  ";
                    count = 2;
                }
            }
        }
        m_out += '\n';
    }

    const WineHive& m_hive;
    SaveMode m_mode;
    qint64 m_nowMs;
    QByteArray m_out;
    std::vector<bool> m_rewrite;
    qsizetype m_tailAt = -1;
    qsizetype m_tailLen = 0;
};

QByteArray WineHive::save(SaveMode mode) const
{
    if (mode == SaveMode::KeepUntouched && !m_modified)
        return m_source;
    return Writer(*this, mode).run();
}

} // namespace vx
