#pragma once

#include "platform/registry/WineHive.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace vx {

enum class RegRoot { CurrentUser, LocalMachine, ClassesRoot, Users, CurrentConfig };

// Splits a key path at '\'. Empty components (a leading, trailing or doubled separator) are
// dropped, so "\A\B\" and "A\B" name the same key.
QStringList splitKeyPath(const QString& path);

// The registry as the program sees it: keys below a few roots, each with named, typed values.
// Key and value names compare without regard to case; enumerations come in the store's order.
// Paths are "A\B\C" below the root; the empty path is the root key itself. Operations on a root
// the store does not hold fail (false, empty, nullopt). Changes stay in memory until commit().
class RegistryStore
{
  public:
    virtual ~RegistryStore() = default;

    virtual bool keyExists(RegRoot root, const QString& path) const = 0;
    // Creates every missing key of the path (new ones keep the given case); true when the key
    // exists afterwards, false when a name is longer than Windows allows
    // (WineHive::kMaxKeyNameLength).
    virtual bool createKey(RegRoot root, const QString& path) = 0;
    virtual QStringList subKeyNames(RegRoot root, const QString& path) const = 0;
    virtual QStringList valueNames(RegRoot root, const QString& path) const = 0;
    virtual std::optional<RegValue> value(RegRoot root, const QString& path, const QString& name) const = 0;
    // Creates or replaces a value of an existing key; false when the key does not exist or the
    // value name is longer than Windows allows (WineHive::kMaxValueNameLength).
    virtual bool setValue(RegRoot root, const QString& path, const RegValue& value) = 0;
    virtual bool deleteValue(RegRoot root, const QString& path, const QString& name) = 0;
    // Deletes a key that has no subkeys; false when it is missing, has subkeys or is a root.
    virtual bool deleteKey(RegRoot root, const QString& path) = 0;
    // Deletes a key and everything below it; false when it is missing or is a root.
    virtual bool deleteTree(RegRoot root, const QString& path) = 0;
    // Whether the key is one of Wine's link keys (whose values and subkeys are another key's).
    virtual bool isLink(RegRoot, const QString&) const { return false; }

    // Whether there are changes that commit() would write.
    virtual bool hasChanges() const = 0;
    // Makes the changes permanent. Throws OperationError when that is not possible; the changes
    // then stay pending.
    virtual void commit() = 0;
    // Forgets every change not committed.
    virtual void discardChanges() = 0;
};

// The operations on top of two Wine hives: HKEY_CURRENT_USER is the user hive, HKEY_LOCAL_MACHINE
// the machine hive as a 32-bit program (the IDE) sees it: in a win64 machine hive, HKLM\Software\X
// is Software\Wow6432Node\X for reading and writing, whether or not that node exists yet. Keys
// below Wow6432Node that Wine keeps as links to their 64-bit twins are read and written at the
// target, as Wine does; deleting a link key deletes the link, not its target.
// HKEY_CLASSES_ROOT is the machine hive's 64-bit Software\Classes, which Wine's own shell reads
// for file associations. It is not shared: Wine redirects a 32-bit program's HKEY_CLASSES_ROOT
// to Software\Classes\Wow6432Node, which the 64-bit shell never reads.
class HiveBackedStore : public RegistryStore
{
  public:
    enum class HiveFile { User, Machine };

    bool keyExists(RegRoot root, const QString& path) const override;
    bool createKey(RegRoot root, const QString& path) override;
    QStringList subKeyNames(RegRoot root, const QString& path) const override;
    QStringList valueNames(RegRoot root, const QString& path) const override;
    std::optional<RegValue> value(RegRoot root, const QString& path, const QString& name) const override;
    bool setValue(RegRoot root, const QString& path, const RegValue& value) override;
    bool deleteValue(RegRoot root, const QString& path, const QString& name) override;
    bool deleteKey(RegRoot root, const QString& path) override;
    bool deleteTree(RegRoot root, const QString& path) override;
    bool isLink(RegRoot root, const QString& path) const override;
    bool hasChanges() const override;

    // The hive's path for a key of a root as this store resolves it (after the 32-bit
    // redirection); nullopt for a root the store does not hold.
    std::optional<QStringList> hivePath(RegRoot root, const QString& path) const;

  protected:
    // The hive, read on first use. May throw OperationError (a file Wine would refuse).
    virtual WineHive& hive(HiveFile file) const = 0;
    // The hive when it is already in memory, else nullptr.
    virtual const WineHive* loadedHive(HiveFile file) const = 0;

  private:
    struct Location
    {
        WineHive* hive;
        QStringList path;
    };
    std::optional<Location> locate(RegRoot root, const QString& path) const;
    // The location after Wine's link keys on the path (a key marked #link whose SymbolicLinkValue
    // names another key of the two hives): the rest of the path continues at the link's target,
    // and with `followLast` so does a link that is the last key (its values are the target's).
    // `reached` is the key the whole path leads to, or kNoKey when part of it is missing.
    Location followLinks(Location at, bool followLast, WineHive::KeyId* reached) const;
    WineHive::KeyId find(RegRoot root, const QString& path, WineHive** hive, bool followLast = true) const;

    // The key found last: a run of calls on one key (every value of a key read or written in
    // turn) looks its path up once.
    struct FoundKey
    {
        RegRoot root;
        QString path;
        HiveFile file;
        quint64 hiveIdentity;
        WineHive::KeyId key;
    };
    mutable std::optional<FoundKey> m_lastFound;
};

// The registry of a Wine prefix: user.reg and system.reg in the prefix directory, read when
// first needed. Reading is always allowed. commit() writes every changed hive (a missing one is
// created in Wine's format) through PreparedFileWrite: both hives are prepared in full before
// either is replaced, so a failure leaves both as they were; a symbolic link keeps pointing to
// the file that gets the content; a hive with several hard links is written in place, last. It
// Between preparing the files and replacing the first, a record of the intent is written durably
// (kJournalFileName in the prefix); the first read of a later store, and every commit, complete
// such a commit that a crash interrupted, so that both hives are the old or both the new ones.
// It refuses while a wineserver runs for the prefix (the server would overwrite the files), while
// another instance commits to the same prefix, and when a hive file changed on disk since it
// was read (also when its link now leads elsewhere).
class HiveRegistryStore final : public HiveBackedStore
{
  public:
    explicit HiveRegistryStore(const QString& prefixDir);

    const QString& prefixDir() const { return m_prefix; }
    QString hiveFilePath(HiveFile file) const;

    void commit() override;
    // Forgets all pending changes; the files are read again when next needed.
    void discardChanges() override;
    // How long commit() waits for another instance's commit to end before it gives up.
    void setLockWaitMs(int ms) { m_lockWaitMs = ms; }

    // Whether a wineserver runs for this prefix; `why` then tells which process.
    bool serverRunning(QString* why = nullptr) const;
    static bool serverRunningFor(const QString& prefixDir, QString* why = nullptr);
    // Where a wineserver of the prefix keeps its socket and lock file: Wine's own
    // /tmp/.wine-<uid>/server-<dev>-<ino>, and Debian's ${TMPDIR:-/tmp}/<name>/server-<dev>-<ino>
    // where <name> ("wine-XXXXXX") is recorded in the prefix's file "wineserver". Empty when the
    // prefix does not exist.
    static QStringList serverDirectories(const QString& prefixDir);
    // The file whose lock keeps two instances from committing at once.
    static constexpr char kLockFileName[] = ".vorlix7.lock";
    // The record of a commit in progress.
    static constexpr char kJournalFileName[] = ".vorlix7-commit";
    QString journalPath() const;

  protected:
    WineHive& hive(HiveFile file) const override;
    const WineHive* loadedHive(HiveFile file) const override;

  private:
    // Completes a commit whose record is there (refused while Wine runs), and removes what a
    // commit stopped before its record left; takes the lock unless `lockHeld`.
    void finishInterruptedCommit(bool lockHeld) const;
    // Throws `refusal` (%1 the prefix, %2 the server's process) and the command that stops Wine
    // when a wineserver runs for the prefix.
    void refuseWhileWineRuns(const QString& refusal) const;

    struct Slot
    {
        std::optional<WineHive> hive;
        QByteArray onDisk; // the bytes read, to notice changes made by others
        QString target;    // the file the hive's path led to (after symbolic links)
        bool existed = false;
    };
    QString m_prefix;
    int m_lockWaitMs = 5000;
    mutable Slot m_slots[2];
};

// The architecture of a prefix as its hives say ("#arch="): system.reg, else user.reg; Wine's
// default win64 when neither says.
WineHive::Arch prefixArch(const QString& prefixDir);

} // namespace vx
