#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <atomic>
#include <optional>
#include <vector>

namespace vx {

// Registry value types, with the numbers Windows gives them.
inline constexpr quint32 REG_NONE = 0;
inline constexpr quint32 REG_SZ = 1;
inline constexpr quint32 REG_EXPAND_SZ = 2;
inline constexpr quint32 REG_BINARY = 3;
inline constexpr quint32 REG_DWORD = 4;
inline constexpr quint32 REG_MULTI_SZ = 7;
inline constexpr quint32 REG_QWORD = 11;

// One registry value in its Windows binary form: strings are UTF-16LE including the terminating
// NUL, a DWORD is 4 little-endian bytes. The empty name is the key's default value.
struct RegValue
{
    QString name;
    quint32 type = REG_NONE;
    QByteArray data;

    // A string value (REG_SZ, REG_EXPAND_SZ) stored the way RegSetValueExW stores it: the text
    // plus one terminating NUL.
    static RegValue string(const QString& name, const QString& text, quint32 type = REG_SZ);
    static RegValue dword(const QString& name, quint32 number);
    // REG_MULTI_SZ: every item NUL-terminated, then one more NUL.
    static RegValue multiString(const QString& name, const QStringList& items);

    // The data as text, up to the first NUL (a trailing odd byte is ignored).
    QString text() const;
    // The number of a 4-byte value; nullopt for any other size.
    std::optional<quint32> number() const;

    bool operator==(const RegValue&) const = default;
};

// A Wine registry hive file (user.reg, system.reg) held in memory.
//
// The file is kept as its original bytes plus a key tree that points into them. Saving writes
// every key that nobody changed exactly as it was read (its section header, #time, #class, #link,
// other option lines, comments, value lines, repeated sections and all), so an untouched hive
// comes back byte for byte. A changed key gets a fresh header and #time line; its values that
// were not changed keep their original lines, new ones are written in Wine's own form at their
// sorted place. A new key goes to its sorted place among its siblings, depth first, and gets a
// section only when Wine would write one (it has values or no subkeys).
//
// Subkeys and values are listed in Wine's order (compareNames), the order Wine holds them in
// after loading, whatever order a hand-edited file has them in. New names are appended and put
// in order when they are next listed or saved, so adding n names in any order costs n log n.
//
// Names longer than Windows allows (255 units for a key, 16,383 for a value) are refused: Wine
// would drop them when it next saves the hive.
//
// Reading follows Wine's loader: CR LF line ends, blanks around '=', raw UTF-8 and every escape,
// hex continuation lines, repeated sections merged, a malformed value read as an empty REG_NONE
// value, a malformed key section ignored. Work is linear in the size of the file, and no
// traversal recurses, whatever the input.
class WineHive
{
  public:
    enum class Arch { Unspecified, Win32, Win64 };
    // How save() treats keys that were not changed.
    enum class SaveMode {
        KeepUntouched, // their original text, byte for byte
        RewriteAll     // every key written anew in Wine's form (for checks of the writer)
    };

    using KeyId = int;
    static constexpr KeyId kNoKey = -1;

    // The comment lines Wine writes as line 2 of its hives.
    static constexpr char kMachineRelativeTo[] = "REGISTRY\\\\Machine";
    static constexpr char kUserRelativeTo[] = "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000";

    // An empty hive without a file behind it (no header; see createNew for one that can be saved).
    WineHive();
    // The longest key and value names Windows accepts, in UTF-16 units.
    static constexpr qsizetype kMaxKeyNameLength = 255;
    static constexpr qsizetype kMaxValueNameLength = 16383;

    // A new hive in Wine's format: header line, ";; All keys relative to <relativeTo>", an empty
    // line and "#arch=..." (left out for Arch::Unspecified). A win64 machine hive also holds
    // Software\Wow6432Node, the 32-bit programs' view of Software, as Wine's first start makes
    // it. The new hive counts as unmodified: saved alone it need not be written.
    static WineHive createNew(const QByteArray& relativeTo, Arch arch);
    // Reads a hive file. Throws OperationError naming `fileName` when the first line is not
    // "WINE REGISTRY Version 2" or an "#arch=" line names an unknown or a second architecture:
    // Wine refuses such a file, so must we.
    static WineHive parse(const QByteArray& bytes, const QString& fileName);

    // The file's bytes with the current content.
    QByteArray save(SaveMode mode = SaveMode::KeepUntouched) const;
    // Whether anything was changed since the hive was read or created.
    bool isModified() const { return m_modified; }
    Arch arch() const { return m_arch; }
    // Tells this hive's keys apart from another's: a copy gets a number of its own, a hive moved
    // from takes a new one. While it stays the same, a KeyId found earlier that isValid() still
    // names the same key (keys are never renumbered, only added or made invalid).
    quint64 identity() const { return m_identity.value; }

    // ---- keys; names compare the way Wine compares them (per UTF-16 unit, lowercased)
    static KeyId root() { return 0; }
    KeyId findKey(const QStringList& path, KeyId from = 0) const;
    KeyId findSubKey(KeyId parent, QStringView name) const;
    // Creates every missing key of `path` below `from` (new ones keep the given case) and
    // returns the last one. A backslash inside a component separates names there too. kNoKey,
    // with nothing created, when a name is longer than kMaxKeyNameLength.
    KeyId createKey(const QStringList& path, KeyId from = 0);
    bool isValid(KeyId key) const;
    QString keyName(KeyId key) const;
    QStringList subKeyNames(KeyId key) const;
    int subKeyCount(KeyId key) const;
    bool isLink(KeyId key) const;
    // Removes a key without subkeys (never the root); false when it has subkeys.
    bool deleteKey(KeyId key);
    // Removes a key and everything below it (never the root).
    bool deleteTree(KeyId key);

    // ---- values of a key
    QStringList valueNames(KeyId key) const;
    std::optional<RegValue> value(KeyId key, QStringView name) const;
    // Creates or replaces a value. A value of that name keeps its stored name and place; a value
    // that gets the same type and data again leaves the key unchanged, as in Wine. False, with
    // nothing changed, for a key that does not exist or a name longer than kMaxValueNameLength.
    bool setValue(KeyId key, const RegValue& value);
    bool deleteValue(KeyId key, QStringView name);

    // Wine's order of key and value names: <0, 0 or >0.
    static int compareNames(QStringView a, QStringView b);

  private:
    enum class ItemKind : quint8 { Time, Option, Other, Value, Dropped };
    struct Item
    {
        ItemKind kind;
        int value; // index into m_values for ItemKind::Value
        qsizetype pos;
        qsizetype len;
    };
    // The subkeys or values of one key that has many, by name: an open-addressed table of
    // entry ids with the 32-bit hash of each folded name, so that a lookup compares names only
    // when the hashes agree. Each key has its own table, so a run of lookups in one key stays in
    // one small block of memory.
    class NameTable
    {
      public:
        // `matches(id)` tells whether the entry `id` is the one of that name.
        template <typename Matches> int find(QStringView name, Matches matches) const;
        void insert(QStringView name, int id);
        void remove(QStringView name, int id);

      private:
        static constexpr qint32 kEmpty = -1;
        static constexpr qint32 kGone = -2; // a removed entry; lookups go on past it
        struct Slot
        {
            quint32 hash;
            qint32 id;
        };
        void place(quint32 hash, int id);
        std::vector<Slot> m_slots;
        size_t m_live = 0;
        size_t m_used = 0; // live and removed entries
    };
    struct ValueRec
    {
        QString name;
        quint32 type = REG_NONE;
        KeyId key = kNoKey; // the key it belongs to
        QByteArray data;
        qsizetype pos = -1; // original line(s); -1 when the value must be written anew
        qsizetype len = 0;
        bool openEnd = false; // its hex continuation ran into the end of the file
        bool placed = false;  // it has an item among its key's lines (else it is new)
    };
    struct Node
    {
        QString name;
        KeyId parent = kNoKey;
        // Subkeys and values (indexes into m_values) in Wine's order once sortNames() ran; names
        // added out of order set the flag.
        mutable std::vector<KeyId> children;
        mutable std::vector<int> values;
        mutable bool childrenUnsorted = false;
        mutable bool valuesUnsorted = false;
        std::vector<Item> items;
        std::vector<int> chunks; // sections of the file that belong to this key, in file order
        qint64 modifiedMs = 0;
        bool changed = false;
        bool alive = true;
        bool link = false;
        // Names of a key with many subkeys or values are looked up through the hive's hashes;
        // a few are compared one by one.
        bool childrenHashed = false;
        bool valuesHashed = false;
        NameTable childIndex;
        NameTable valueIndex;
    };
    // A stretch of the original file: the preamble, or one section with the blank lines before it.
    struct Chunk
    {
        qsizetype pos;
        qsizetype len;
        KeyId key; // kNoKey for the preamble and for sections Wine cannot read
    };
    class Loader; // HiveReader.cpp
    class Writer; // HiveWriter.cpp

    static constexpr size_t kHashFrom = 12;
    KeyId addNode(KeyId parent, QStringView name);
    // Puts the key's subkeys and values into Wine's order (the lists are caches of the tree,
    // so this is allowed on a const hive).
    void sortNames(KeyId key) const;
    int findValue(KeyId key, QStringView name) const;
    int addValue(KeyId key, const RegValue& value);
    void forgetValue(KeyId key, int index);
    void touch(KeyId key);

    QByteArray m_source;
    std::vector<Chunk> m_chunks;
    std::vector<Node> m_nodes;
    std::vector<ValueRec> m_values;
    Arch m_arch = Arch::Unspecified;
    bool m_modified = false;
    // The last line of the file ended at the end of the file rather than with a line feed (also
    // after a NUL byte): appending anything to it would change what it says.
    qsizetype m_openTailPos = -1;
    QByteArray m_openTailText;

    struct Identity
    {
        static quint64 next()
        {
            static std::atomic<quint64> counter{0};
            return ++counter;
        }
        quint64 value = next();
        Identity() = default;
        Identity(const Identity&) : value(next()) {}
        Identity(Identity&& other) noexcept : value(other.value) { other.value = next(); }
        Identity& operator=(const Identity& other)
        {
            if (this != &other)
                value = next();
            return *this;
        }
        Identity& operator=(Identity&& other) noexcept
        {
            if (this != &other) {
                value = other.value;
                other.value = next();
            }
            return *this;
        }
    };
    Identity m_identity;
};

} // namespace vx
