#include "delphireg/Snapshots.h"

#include "delphireg/RegExport.h"
#include "delphireg/RegistryAccess.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/FileOps.h"
#include "platform/desktop/XdgDirs.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <QTimeZone>
#include <QtEndian>
#include <algorithm>
#include <functional>

using namespace Qt::StringLiterals;

namespace vx {

namespace {

constexpr char16_t kTitleLine[] = u"; Delphi Vorlix registry snapshot";
constexpr char16_t kOperationTag[] = u"; operation: ";
constexpr char16_t kTimeTag[] = u"; time: ";
constexpr char16_t kEndTag[] = u"; end of snapshot: ";
constexpr char16_t kIdTimeFormat[] = u"yyyyMMdd'T'HHmmss.zzz'Z'";
constexpr qsizetype kIdTimeLength = 20; // "20261206T143404.123Z"

QString keyName(const RegKeyRef& k)
{
    return k.path.isEmpty() ? regRootName(k.root) : regRootName(k.root) + u'\\' + k.path;
}

// Whether `outer` is `inner` or one of its ancestors.
bool holds(const RegKeyRef& outer, RegRoot root, QStringView path)
{
    if (outer.root != root)
        return false;
    if (outer.path.isEmpty())
        return true;
    if (!path.startsWith(outer.path, Qt::CaseInsensitive))
        return false;
    return path.size() == outer.path.size() || path[outer.path.size()] == u'\\';
}

void appendHex2(QString& out, uchar b)
{
    static constexpr char16_t hex[] = u"0123456789abcdef";
    out += QChar(hex[b >> 4]);
    out += QChar(hex[b & 15]);
}

// A string value that the "text" form gives back byte for byte: an even size, one final NUL
// character and no other.
bool plainString(const RegValue& v)
{
    const qsizetype n = v.data.size();
    if (v.type != REG_SZ || n < 2 || n % 2 != 0 || v.data[n - 1] != 0 || v.data[n - 2] != 0)
        return false;
    const char* d = v.data.constData();
    for (qsizetype i = 0; i + 2 < n; i += 2) {
        if (d[i] == 0 && d[i + 1] == 0)
            return false;
    }
    return true;
}

// One value line in the form `reg export` writes; long hex data continues on lines of at most
// about 80 characters ending in "\".
void appendValue(QString& out, const RegValue& v)
{
    const qsizetype start = out.size();
    if (v.name.isEmpty())
        out += u'@';
    else
        out += u'"' + escapeRegText(v.name) + u'"';
    out += u'=';
    if (plainString(v)) {
        out += u'"' + escapeRegText(v.text()) + u'"';
        return;
    }
    if (v.type == REG_DWORD && v.data.size() == 4) {
        out += u"dword:"_s + u"%1"_s.arg(qFromLittleEndian<quint32>(v.data.constData()), 8, 16, QChar(u'0'));
        return;
    }
    if (v.type == REG_BINARY)
        out += u"hex:"_s;
    else
        out += u"hex("_s + QString::number(v.type, 16) + u"):"_s;
    qsizetype lineStart = start;
    const qsizetype n = v.data.size();
    for (qsizetype i = 0; i < n; ++i) {
        appendHex2(out, uchar(v.data[i]));
        if (i + 1 < n) {
            out += u',';
            if (out.size() - lineStart > 76) {
                out += u"\\\r\n  "_s;
                lineStart = out.size() - 2;
            }
        }
    }
}

struct Counts
{
    int keys = 0;
    int values = 0;
};

// The text in pieces of about 64 KB, each turned into UTF-16LE bytes and handed on at once, so
// that a large snapshot is never held whole and its text stays in the processor's cache.
struct ChunkWriter
{
    const std::function<void(QByteArrayView)>& sink;
    QString text;
    QByteArray bytes;

    void flush()
    {
        bytes.resize(text.size() * 2);
        qToLittleEndian<char16_t>(text.utf16(), text.size(), bytes.data());
        sink(bytes);
        text.resize(0); // keeps the capacity
    }
    void maybeFlush()
    {
        if (text.size() >= (1 << 15))
            flush();
    }
};

// A name as a message shows it: line breaks and NULs spelled out.
QString visibleName(QString name)
{
    return name.replace(u'\n', u"\\n"_s).replace(u'\r', u"\\r"_s).replace(QChar(0), u"\\0"_s);
}

// Windows programs may make key names with line breaks and names with NULs, which no line of a
// registry file can hold: such a snapshot could never be restored, so none is taken.
void checkKeyName(RegRoot root, const QString& path)
{
    if (path.contains(u'\n') || path.contains(u'\r') || path.contains(QChar(0)))
        throw OperationError(
            u"The registry key "_s + visibleName(keyName({root, path})) +
            u" has a line break or a NUL character in its name, which a registry file cannot hold, "
            u"so it cannot be saved in a snapshot. Rename or delete that key first."_s);
}

void checkValueName(RegRoot root, const QString& path, const QString& name)
{
    if (name.contains(QChar(0)))
        throw OperationError(
            u"The value \""_s + visibleName(name) + u"\" of the registry key "_s + keyName({root, path}) +
            u" has a NUL character in its name, which a registry file cannot hold, so it cannot be "
            u"saved in a snapshot. Rename or delete that value first."_s);
}

void appendKeyLine(QString& out, RegRoot root, const QString& path, Counts& counts)
{
    checkKeyName(root, path);
    out += u"\r\n["_s + keyName({root, path}) + u"]\r\n"_s;
    ++counts.keys;
}

void appendValueLine(ChunkWriter& w, RegRoot root, const QString& path, const RegValue& v, Counts& counts)
{
    checkValueName(root, path, v.name);
    appendValue(w.text, v);
    w.text += u"\r\n"_s;
    ++counts.values;
    w.maybeFlush();
}

void appendKey(ChunkWriter& w, const RegistryStore& store, RegRoot root, const QString& path, Counts& counts)
{
    appendKeyLine(w.text, root, path, counts);
    for (const QString& name : store.valueNames(root, path)) {
        if (const std::optional<RegValue> v = store.value(root, path, name))
            appendValueLine(w, root, path, *v, counts);
    }
    for (const QString& sub : store.subKeyNames(root, path)) {
        const QString subPath = path + u'\\' + sub;
        // Restoring would turn the link into a plain key, hiding its target from 32-bit programs.
        if (store.isLink(root, subPath))
            throw OperationError(
                u"The registry key "_s + keyName({root, subPath}) +
                u" is one of Wine's link keys, which a snapshot cannot put back, so the tree "_s +
                keyName({root, path}) + u" cannot be saved in a snapshot."_s);
        appendKey(w, store, root, subPath, counts);
    }
}

// Trees a snapshot never covers: restoring one would delete far more than any operation of ours
// writes (everything of every program, or Wine's own settings).
bool protectedTree(const RegKeyRef& k)
{
    if (k.path.isEmpty())
        return true;
    if (k.root == RegRoot::ClassesRoot)
        return false;
    static const QStringList kProtected{u"Software"_s, u"System"_s, u"Software\\Wine"_s,
                                        u"Software\\Classes"_s, u"Software\\Wow6432Node"_s};
    return kProtected.contains(splitKeyPath(k.path).join(u'\\'), Qt::CaseInsensitive);
}

// Lines as the registry file reader counts them: CR LF, LF or CR end one.
bool isLineEnd(QChar c)
{
    return c == u'\n' || c == u'\r';
}

// The line that starts at `pos`; `pos` moves to the start of the next one.
QStringView takeLine(QStringView text, qsizetype& pos)
{
    const qsizetype from = pos;
    while (pos < text.size() && !isLineEnd(text[pos]))
        ++pos;
    const QStringView line = text.sliced(from, pos - from);
    if (pos < text.size()) {
        if (text[pos] == u'\r' && pos + 1 < text.size() && text[pos + 1] == u'\n')
            ++pos;
        ++pos;
    }
    return line;
}

// The number, from 1, of the line that starts at `pos`. Only faults need it: it counts.
int lineNumberAt(QStringView text, qsizetype pos)
{
    int number = 1;
    for (qsizetype at = 0; at < pos && at < text.size();) {
        takeLine(text, at);
        if (at <= pos)
            ++number;
    }
    return number;
}

// The last line with more than blanks, found from the end, and where it starts; an empty view
// when there is none.
QStringView lastFilledLine(QStringView text, qsizetype* start)
{
    qsizetype end = text.size();
    while (end > 0) {
        qsizetype from = end;
        while (from > 0 && !isLineEnd(text[from - 1]))
            --from;
        const QStringView line = text.sliced(from, end - from);
        if (!line.trimmed().isEmpty()) {
            *start = from;
            return line;
        }
        end = from - 1; // before the line end that precedes this line
        if (end > 0 && text[end] == u'\n' && text[end - 1] == u'\r')
            --end;
        if (from == 0)
            break;
    }
    *start = 0;
    return {};
}

[[noreturn]] void faultAt(const QString& fileName, int line, const QString& what)
{
    throw OperationError(fileName + u", line "_s + QString::number(qMax(line, 1)) + u": "_s + what);
}

std::optional<SnapshotInfo> infoFromFile(const QFileInfo& fi)
{
    const QString id = fi.completeBaseName();
    if (fi.suffix() != u"reg"_s || id.size() < kIdTimeLength + 2 || id[kIdTimeLength] != u'-')
        return std::nullopt;
    QDateTime t = QDateTime::fromString(id.first(kIdTimeLength), QString::fromUtf16(kIdTimeFormat));
    if (!t.isValid())
        return std::nullopt;
    t = QDateTime(t.date(), t.time(), QTimeZone::utc());
    // A second snapshot in the same millisecond gets a number after its operation.
    QStringView opName = QStringView(id).sliced(kIdTimeLength + 1);
    if (const qsizetype dash = opName.indexOf(u'-'); dash >= 0)
        opName = opName.first(dash);
    const std::optional<SnapshotOperation> op = snapshotOperationFromName(opName);
    if (!op)
        return std::nullopt;
    return SnapshotInfo{id, fi.absoluteFilePath(), t, *op};
}

} // namespace

QString snapshotOperationName(SnapshotOperation op)
{
    switch (op) {
    case SnapshotOperation::Apply:
        return u"apply"_s;
    case SnapshotOperation::Import:
        return u"import"_s;
    case SnapshotOperation::Clear:
        return u"clear"_s;
    case SnapshotOperation::Recover:
        return u"recover"_s;
    case SnapshotOperation::Restore:
        return u"restore"_s;
    case SnapshotOperation::Associate:
        return u"associate"_s;
    }
    return {};
}

std::optional<SnapshotOperation> snapshotOperationFromName(QStringView name)
{
    for (SnapshotOperation op :
         {SnapshotOperation::Apply, SnapshotOperation::Import, SnapshotOperation::Clear,
          SnapshotOperation::Recover, SnapshotOperation::Restore, SnapshotOperation::Associate}) {
        if (name == snapshotOperationName(op))
            return op;
    }
    return std::nullopt;
}

QList<RegKeyRef> delphiTreeKeys()
{
    QList<RegKeyRef> keys;
    for (const DelphiKeyTree& t : DelphiKeyTrees())
        keys.append({t.root, t.path});
    return keys;
}

QList<RegKeyRef> keysWrittenBy(SnapshotOperation op)
{
    QList<RegKeyRef> keys = delphiTreeKeys();
    if (op == SnapshotOperation::Recover) {
        // The keys the default configuration writes besides the three trees.
        keys.append({RegRoot::LocalMachine, u"SOFTWARE\\Microsoft\\Windows\\Help"_s});
        keys.append({RegRoot::LocalMachine, u"Software\\Borland\\BLW32"_s});
        keys.append({RegRoot::LocalMachine, u"Software\\Borland\\Database Engine"_s});
    }
    return keys;
}

void addCoveredKey(QList<RegKeyRef>& keys, const RegKeyRef& key)
{
    for (const RegKeyRef& k : std::as_const(keys)) {
        if (holds(k, key.root, key.path))
            return;
    }
    keys.removeIf([&](const RegKeyRef& k) { return holds(key, k.root, k.path); });
    keys.append(key);
}

SnapshotScope importScope(const RegistryStore& store, const std::vector<RegOperation>& ops)
{
    SnapshotScope scope;
    const auto inTree = [&](RegRoot root, const QString& path) {
        return std::any_of(scope.trees.cbegin(), scope.trees.cend(),
                           [&](const RegKeyRef& k) { return holds(k, root, path); });
    };
    for (const RegOperation& op : ops) {
        switch (op.kind) {
        case RegOperation::Kind::DeleteTree:
            if (!op.path.isEmpty())
                addCoveredKey(scope.trees, {op.root, op.path});
            break;
        case RegOperation::Kind::CreateKey: {
            if (inTree(op.root, op.path))
                break;
            // The topmost key of the path that does not exist yet: the import makes it, so
            // undoing the import deletes it again.
            QString prefix;
            for (const QString& part : splitKeyPath(op.path)) {
                prefix = prefix.isEmpty() ? part : prefix + u'\\' + part;
                if (!store.keyExists(op.root, prefix)) {
                    addCoveredKey(scope.trees, {op.root, prefix});
                    break;
                }
            }
            break;
        }
        case RegOperation::Kind::SetValue:
        case RegOperation::Kind::DeleteValue:
            if (!inTree(op.root, op.path))
                scope.values.append({{op.root, op.path}, op.value.name});
            break;
        }
    }
    return scope;
}

void writeSnapshot(const RegistryStore& store, const SnapshotScope& scope, SnapshotOperation op,
                   const QDateTime& time, const std::function<void(QByteArrayView)>& sink)
{
    // Everything before the closing line goes through the digest.
    QCryptographicHash digest(QCryptographicHash::Sha256);
    const std::function<void(QByteArrayView)> hashing = [&](QByteArrayView piece) {
        digest.addData(piece);
        sink(piece);
    };
    hashing(QByteArrayView("\xff\xfe", 2));
    ChunkWriter w{hashing, {}, {}};
    QString& out = w.text;
    out.reserve((1 << 15) + 4096);
    out += QString::fromUtf16(kRegUnicodeHeader) + u"\r\n"_s;
    out += QString::fromUtf16(kTitleLine) + u"\r\n"_s;
    out += QString::fromUtf16(kOperationTag) + snapshotOperationName(op) + u"\r\n"_s;
    out += QString::fromUtf16(kTimeTag) + isoTimeWithOffset(time) + u"\r\n\r\n"_s;
    for (const RegKeyRef& k : scope.trees) {
        checkKeyName(k.root, k.path);
        out += u"[-"_s + keyName(k) + u"]\r\n"_s;
    }
    Counts counts;
    for (const RegKeyRef& k : scope.trees) {
        if (store.keyExists(k.root, k.path))
            appendKey(w, store, k.root, k.path, counts);
    }
    // Single values outside the trees, under their key's line, each once (names compared as
    // RegKeyRef compares them: case folded), found through hashes so a large import stays linear.
    QList<RegKeyRef> keys;
    QList<QStringList> names;
    QHash<QString, qsizetype> keyIndex;
    QSet<QString> seen;
    for (const RegValueRef& v : scope.values) {
        if (std::any_of(scope.trees.cbegin(), scope.trees.cend(),
                        [&](const RegKeyRef& t) { return holds(t, v.key.root, v.key.path); }))
            continue;
        const QString keyId = QString::number(int(v.key.root)) + u'\\' + v.key.path.toCaseFolded();
        auto it = keyIndex.constFind(keyId);
        if (it == keyIndex.cend()) {
            it = keyIndex.insert(keyId, keys.size());
            keys.append(v.key);
            names.append(QStringList());
        }
        if (!seen.contains(keyId + QChar(0) + v.name.toCaseFolded())) {
            seen.insert(keyId + QChar(0) + v.name.toCaseFolded());
            names[*it].append(v.name);
        }
    }
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const RegKeyRef& k = keys[i];
        appendKeyLine(out, k.root, k.path, counts);
        for (const QString& name : std::as_const(names[i])) {
            if (const std::optional<RegValue> v = store.value(k.root, k.path, name)) {
                appendValueLine(w, k.root, k.path, *v, counts);
            } else {
                checkValueName(k.root, k.path, name);
                out += (name.isEmpty() ? u"@"_s : u'"' + escapeRegText(name) + u'"') + u"=-\r\n"_s;
                ++counts.values;
            }
        }
    }
    out += u"\r\n"_s;
    w.flush();
    w.text = QString::fromUtf16(kEndTag) + QString::number(counts.keys) + u" keys, "_s +
             QString::number(counts.values) + u" values, sha256 "_s +
             QString::fromLatin1(digest.result().toHex()) + u"\r\n"_s;
    ChunkWriter{sink, std::move(w.text), {}}.flush();
}

QByteArray snapshotBytes(const RegistryStore& store, const SnapshotScope& scope, SnapshotOperation op,
                         const QDateTime& time)
{
    QByteArray bytes;
    writeSnapshot(store, scope, op, time, [&](QByteArrayView piece) { bytes.append(piece); });
    return bytes;
}

ParsedSnapshot parseSnapshot(const QByteArray& bytes, const QString& fileName, bool force)
{
    if (bytes.size() < 2 || uchar(bytes[0]) != 0xFF || uchar(bytes[1]) != 0xFE)
        faultAt(fileName, 1,
                u"not a registry snapshot: the file is not UTF-16LE text with a byte-order mark"_s);
    std::vector<RegOperation> ops = parseRegFile(bytes, fileName);

    // Only the first lines and the last one are read here, in the file's own bytes where they can
    // be read in place.
    QString decoded;
    QStringView text;
    if (const std::optional<QStringView> inPlace = utf16LeTextInPlace(bytes)) {
        text = *inPlace;
    } else {
        decoded = QStringDecoder(QStringDecoder::Utf16LE).decode(QByteArrayView(bytes).sliced(2));
        text = decoded;
    }
    qsizetype pos = 0;
    if (takeLine(text, pos) != QStringView(kRegUnicodeHeader))
        faultAt(fileName, 1,
                u"not a registry snapshot: the first line must be \""_s +
                    QString::fromUtf16(kRegUnicodeHeader) + u'"');
    if (pos >= text.size() || takeLine(text, pos) != QStringView(kTitleLine))
        faultAt(fileName, 2,
                u"not a registry snapshot: the line \""_s + QString::fromUtf16(kTitleLine) +
                    u"\" is missing"_s);

    ParsedSnapshot s;
    while (pos < text.size()) {
        const QStringView line = takeLine(text, pos);
        if (!line.startsWith(u';'))
            break;
        if (line.startsWith(QStringView(kOperationTag)))
            s.operation =
                snapshotOperationFromName(line.sliced(std::char_traits<char16_t>::length(kOperationTag)));
    }

    // The closing count: the last line that is not empty.
    qsizetype lastStart = 0;
    const QStringView last = lastFilledLine(text, &lastStart);
    if (!last.startsWith(QStringView(kEndTag))) {
        int lines = 0;
        for (qsizetype at = 0; at < text.size(); ++lines)
            takeLine(text, at);
        faultAt(fileName, lines,
                u"the snapshot ends before its closing line \""_s + QString::fromUtf16(kEndTag) +
                    u"...\": the file is cut short"_s);
    }

    // The closing line: the counts, then the digest of everything before it.
    QStringView closing = last.sliced(std::char_traits<char16_t>::length(kEndTag)).trimmed();
    const qsizetype digestAt = closing.indexOf(u", sha256 "_s);
    if (!force) {
        const QByteArray actual = QCryptographicHash::hash(QByteArrayView(bytes).first(2 + 2 * lastStart),
                                                           QCryptographicHash::Sha256)
                                      .toHex();
        if (digestAt < 0 || closing.sliced(digestAt + 9) != QString::fromLatin1(actual))
            faultAt(
                fileName, lineNumberAt(text, lastStart),
                digestAt < 0
                    ? u"the closing line holds no digest: the file was written by an earlier version or "
                      u"edited; restore it only if you are sure, with --force"_s
                    : u"the digest of the closing line does not match the content: the file was edited or "
                      u"damaged; restore it only if you are sure, with --force"_s);
    }
    if (digestAt >= 0)
        closing = closing.first(digestAt);

    // What an operation of ours covers: an import or a restore what its file named, the others
    // their fixed trees.
    std::optional<QList<RegKeyRef>> allowed;
    if (s.operation == SnapshotOperation::Apply || s.operation == SnapshotOperation::Clear ||
        s.operation == SnapshotOperation::Recover)
        allowed = keysWrittenBy(*s.operation);

    // The writes stay in the parser's vector, moved to its front: a second vector would double
    // the memory of a large snapshot.
    size_t kept = 0;
    bool writing = false;
    bool inCovered = false; // whether the last key line lies in a covered tree
    for (RegOperation& op : ops) {
        switch (op.kind) {
        case RegOperation::Kind::DeleteTree: {
            if (writing)
                faultAt(fileName, op.line,
                        u"a key deletion after the first key line: a snapshot deletes only the "
                        u"trees it covers, at its start"_s);
            if (op.path.isEmpty())
                faultAt(fileName, op.line, u"a snapshot cannot cover a whole root key"_s);
            const RegKeyRef k{op.root, op.path};
            const bool allowedHere =
                !allowed || std::any_of(allowed->cbegin(), allowed->cend(),
                                        [&](const RegKeyRef& a) { return holds(a, k.root, k.path); });
            if (!force && (protectedTree(k) ||
                           (s.operation == SnapshotOperation::Associate && k.root != RegRoot::ClassesRoot) ||
                           !allowedHere))
                faultAt(fileName, op.line,
                        u"restoring would delete "_s + keyName(k) + u", which the operation \""_s +
                            (s.operation ? snapshotOperationName(*s.operation) : u"?"_s) +
                            u"\" never replaces whole; restore it only if you are sure, with --force"_s);
            s.covered.append(k);
            break;
        }
        case RegOperation::Kind::DeleteValue:
        case RegOperation::Kind::CreateKey:
        case RegOperation::Kind::SetValue: {
            writing = true;
            if (op.kind == RegOperation::Kind::CreateKey) {
                inCovered = std::any_of(s.covered.cbegin(), s.covered.cend(),
                                        [&](const RegKeyRef& k) { return holds(k, op.root, op.path); });
                ++s.keys;
            } else {
                if (op.kind == RegOperation::Kind::DeleteValue && inCovered)
                    faultAt(fileName, op.line,
                            u"a value deletion inside a covered tree, which the snapshot writes whole"_s);
                ++s.values;
            }
            if (&ops[kept] != &op)
                ops[kept] = std::move(op);
            ++kept;
            break;
        }
        }
    }
    const QString expected =
        QString::number(s.keys) + u" keys, "_s + QString::number(s.values) + u" values"_s;
    if (closing != expected)
        faultAt(fileName, lineNumberAt(text, lastStart),
                u"the closing line does not match the content, which holds "_s + expected +
                    u": the file was changed or cut short"_s);
    ops.resize(kept);
    s.writes = std::move(ops);
    return s;
}

void restoreSnapshot(const ParsedSnapshot& snapshot, RegistryStore& store, const QString& fileName)
{
    // Every hive is read before anything changes, so that one that cannot be read stops the
    // restore with nothing pending.
    for (const RegKeyRef& k : snapshot.covered)
        store.keyExists(k.root, QString());
    for (const RegOperation& op : snapshot.writes)
        store.keyExists(op.root, QString());
    for (const RegKeyRef& k : snapshot.covered)
        store.deleteTree(k.root, k.path);
    for (const RegOperation& op : snapshot.writes) {
        bool ok = true;
        switch (op.kind) {
        case RegOperation::Kind::CreateKey:
            // A key of single values is made only when a value needs it.
            if (std::any_of(snapshot.covered.cbegin(), snapshot.covered.cend(),
                            [&](const RegKeyRef& k) { return holds(k, op.root, op.path); }))
                ok = store.createKey(op.root, op.path);
            break;
        case RegOperation::Kind::SetValue:
            ok = store.setValue(op.root, op.path, op.value) ||
                 (store.createKey(op.root, op.path) && store.setValue(op.root, op.path, op.value));
            break;
        case RegOperation::Kind::DeleteValue:
            store.deleteValue(op.root, op.path, op.value.name);
            break;
        case RegOperation::Kind::DeleteTree:
            break;
        }
        if (!ok)
            faultAt(fileName, op.line, u"the key "_s + keyName({op.root, op.path}) + u" cannot be written"_s);
    }
}

QString isoTimeWithOffset(const QDateTime& time)
{
    const QDateTime local = time.toLocalTime();
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return local.toString(u"yyyy-MM-ddTHH:mm:ss.zzz"_s) + (offset < 0 ? u'-' : u'+') +
           QString::number(minutes / 60).rightJustified(2, u'0') + u':' +
           QString::number(minutes % 60).rightJustified(2, u'0');
}

SnapshotStore::SnapshotStore(const QString& prefixDir)
    : m_folder(stateHome() + u"/vorlix7/snapshots/"_s + prefixId(prefixDir))
{
}

QString SnapshotStore::stateHome()
{
    return xdgStateHome();
}

QString SnapshotStore::prefixId(const QString& prefixDir)
{
    const QString absolute = QDir::cleanPath(QFileInfo(prefixDir).absoluteFilePath());
    const QByteArray hash = QCryptographicHash::hash(absolute.toUtf8(), QCryptographicHash::Sha256);
    return QFileInfo(absolute).fileName() + u'-' + QString::fromLatin1(hash.first(4).toHex());
}

namespace {

// Whether the snapshot gives back what the store holds: every key and value it writes is there
// as it holds it, every value it deletes is missing. Its counts were checked against its lines.
std::optional<QString> readBackFault(const ParsedSnapshot& parsed, const RegistryStore& store)
{
    for (const RegOperation& op : parsed.writes) {
        const QString key = keyName({op.root, op.path});
        switch (op.kind) {
        case RegOperation::Kind::CreateKey:
            break;
        case RegOperation::Kind::SetValue:
            if (store.value(op.root, op.path, op.value.name) != op.value)
                return u"the value \""_s + visibleName(op.value.name) + u"\" of "_s + key;
            break;
        case RegOperation::Kind::DeleteValue:
            if (store.value(op.root, op.path, op.value.name))
                return u"the value \""_s + visibleName(op.value.name) + u"\" of "_s + key;
            break;
        case RegOperation::Kind::DeleteTree:
            break;
        }
    }
    return std::nullopt;
}

} // namespace

SnapshotInfo SnapshotStore::take(const RegistryStore& store, SnapshotOperation op,
                                 const SnapshotScope& scope) const
{
    if (!QDir().mkpath(m_folder))
        throw OperationError(u"The snapshot folder "_s + m_folder + u" cannot be created."_s);
    // Write permission is checked by its bits: root may write anywhere, but a folder made
    // read-only is meant to stay unchanged.
    const QFileInfo folder(m_folder);
    if (!folder.isDir() ||
        !(folder.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)))
        throw OperationError(u"The snapshot folder "_s + m_folder + u" is read-only."_s);

    const QDateTime now = Clock::current().now().toUTC();
    QString id = now.toString(QString::fromUtf16(kIdTimeFormat)) + u'-' + snapshotOperationName(op);
    for (int n = 2; QFileInfo::exists(m_folder + u'/' + id + u".reg"_s); ++n)
        id = now.toString(QString::fromUtf16(kIdTimeFormat)) + u'-' + snapshotOperationName(op) + u'-' +
             QString::number(n);
    const QString file = m_folder + u'/' + id + u".reg"_s;
    // A hive that cannot be read, or a name no file can hold, is reported as itself, not as a
    // snapshot that cannot be written.
    for (const RegKeyRef& k : scope.trees)
        store.keyExists(k.root, k.path);
    for (const RegValueRef& v : scope.values)
        store.keyExists(v.key.root, v.key.path);
    try {
        writeFileAtomically(file, [&](ContentSink& sink) {
            sink.restart();
            writeSnapshot(store, scope, op, now, [&](QByteArrayView piece) { sink.write(piece); });
        });
    } catch (const FileWriteError& e) {
        throw OperationError(u"The snapshot "_s + file + u" could not be written ("_s + e.message() +
                             u")."_s);
    }

    // What is on the disk must restore what the store holds, before the change may go on.
    std::optional<QString> fault;
    try {
        fault = readBackFault(readSnapshotFile(file, true), store);
    } catch (const OperationError& e) {
        fault = e.message();
    }
    if (fault) {
        QFile::remove(file);
        throw OperationError(u"The snapshot "_s + file + u" does not read back as the registry holds it ("_s +
                             *fault + u"), so it could not undo the change."_s);
    }
    return SnapshotInfo{id, file, now, op};
}

void SnapshotStore::prune(const SnapshotInfo& kept) const
{
    const std::vector<SnapshotInfo> all = history();
    int left = kKeep - 1; // `kept` is one of those kept, wherever the clock put it
    for (const SnapshotInfo& s : all) {
        if (s.id == kept.id)
            continue;
        if (left > 0)
            --left;
        else
            QFile::remove(s.file);
    }
}

void SnapshotStore::discard(const SnapshotInfo& info) const
{
    QFile::remove(info.file);
}

std::vector<SnapshotInfo> SnapshotStore::history() const
{
    std::vector<SnapshotInfo> out;
    const QFileInfoList files =
        QDir(m_folder).entryInfoList({u"*.reg"_s}, QDir::Files, QDir::Name | QDir::Reversed);
    for (const QFileInfo& fi : files) {
        if (std::optional<SnapshotInfo> info = infoFromFile(fi))
            out.push_back(std::move(*info));
    }
    // Names sort by time; within one millisecond the numbered later ones come first. A snapshot
    // dated in the future was taken before the clock was set back: it is older than every one
    // taken since, so those come first.
    const QDateTime now = Clock::current().now().toUTC().addSecs(60);
    std::stable_sort(out.begin(), out.end(), [&](const SnapshotInfo& a, const SnapshotInfo& b) {
        const bool aFuture = a.time > now, bFuture = b.time > now;
        if (aFuture != bFuture)
            return bFuture;
        if (a.time != b.time)
            return a.time > b.time;
        return a.id.size() != b.id.size() ? a.id.size() > b.id.size() : a.id > b.id;
    });
    return out;
}

std::optional<SnapshotInfo> SnapshotStore::newest() const
{
    std::vector<SnapshotInfo> all = history();
    if (all.empty())
        return std::nullopt;
    return all.front();
}

QString SnapshotStore::resolve(const QString& idOrPath) const
{
    const QString inFolder = m_folder + u'/' + idOrPath + u".reg"_s;
    if (!idOrPath.contains(u'/') && QFileInfo(inFolder).isFile())
        return inFolder;
    if (QFileInfo(idOrPath).isFile())
        return QFileInfo(idOrPath).absoluteFilePath();
    throw OperationError(u"No snapshot "_s + idOrPath + u": neither an id in "_s + m_folder +
                         u" nor a file"_s);
}

ParsedSnapshot readSnapshotFile(const QString& file, bool force)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw OperationError(u"Unable to read the snapshot "_s + file);
    return parseSnapshot(f.readAll(), file, force);
}

} // namespace vx
