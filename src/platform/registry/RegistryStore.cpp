#include "platform/registry/RegistryStore.h"

#include "platform/Errors.h"
#include "platform/FileOps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <exception>
#include <memory>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace vx {

namespace {

bool sameName(QStringView a, QStringView b)
{
    return WineHive::compareNames(a, b) == 0;
}

QString shellWord(const QString& text)
{
    static const QRegularExpression plain(u"^[A-Za-z0-9_/.,+@%:=-]+$"_s);
    if (plain.match(text).hasMatch())
        return text;
    QString quoted = text;
    quoted.replace(u"'"_s, u"'\\''"_s);
    return u"'"_s + quoted + u"'"_s;
}

QByteArray readFile(const QString& path, bool* exists)
{
    QFile file(path);
    *exists = file.exists();
    if (!*exists)
        return {};
    if (!file.open(QIODevice::ReadOnly))
        throw OperationError(u"Unable to read "_s + path);
    return file.readAll();
}

// The "#arch=" option of a hive file, read from its first lines only.
WineHive::Arch peekArch(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return WineHive::Arch::Unspecified;
    const QByteArray head = file.read(64 * 1024);
    for (QByteArray line : head.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('['))
            break;
        if (line == "#arch=win64")
            return WineHive::Arch::Win64;
        if (line == "#arch=win32")
            return WineHive::Arch::Win32;
    }
    return WineHive::Arch::Unspecified;
}

// An exclusive flock on the prefix's lock file for the duration of a commit.
class CommitLock
{
  public:
    CommitLock(const QString& prefix, int waitMs)
    {
        const QString path = prefix + u'/' + QLatin1StringView(HiveRegistryStore::kLockFileName);
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd < 0)
            throw FileWriteError(path);
        for (int waited = 0;; waited += 50) {
            if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
                return;
            if (errno == EINTR)
                continue;
            if (errno != EWOULDBLOCK || waited >= waitMs) {
                ::close(m_fd);
                throw OperationError(
                    u"Another instance of Delphi Vorlix is writing the registry of the Wine prefix %1. "
                    "Try again when it has finished."_s.arg(prefix));
            }
            QThread::msleep(50);
        }
    }
    ~CommitLock()
    {
        ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
    CommitLock(const CommitLock&) = delete;
    CommitLock& operator=(const CommitLock&) = delete;

  private:
    int m_fd = -1;
};

} // namespace

QStringList splitKeyPath(const QString& path)
{
    return path.split(u'\\', Qt::SkipEmptyParts);
}

// ---------------------------------------------------------------- HiveBackedStore

std::optional<HiveBackedStore::Location> HiveBackedStore::locate(RegRoot root, const QString& path) const
{
    QStringList parts = splitKeyPath(path);
    switch (root) {
    case RegRoot::CurrentUser:
        return Location{&hive(HiveFile::User), parts};
    case RegRoot::ClassesRoot:
        // The 64-bit view in every prefix: the one Wine's shell reads file associations from.
        parts.prepend(u"Classes"_s);
        parts.prepend(u"Software"_s);
        return Location{&hive(HiveFile::Machine), parts};
    case RegRoot::LocalMachine: {
        // The 32-bit view whether or not Software\Wow6432Node exists yet: createKey makes it.
        // Software itself is redirected as well as its subkeys (Wine does the same); Classes is
        // shared by both views.
        WineHive& machine = hive(HiveFile::Machine);
        if (!parts.isEmpty() && machine.arch() == WineHive::Arch::Win64 && sameName(parts[0], u"Software") &&
            (parts.size() == 1 || (!sameName(parts[1], u"Classes") && !sameName(parts[1], u"Wow6432Node"))))
            parts.insert(1, u"Wow6432Node"_s);
        return Location{&machine, parts};
    }
    case RegRoot::Users:
    case RegRoot::CurrentConfig:
        break;
    }
    return std::nullopt;
}

namespace {

constexpr quint32 kRegLink = 6;

// Where a link key leads: its SymbolicLinkValue, "\Registry\Machine\..." or
// "\Registry\User\<Wine's user>\...", as a hive and a path; nullopt for anything else.
std::optional<std::pair<HiveBackedStore::HiveFile, QStringList>> linkTarget(const WineHive& hive,
                                                                            WineHive::KeyId key)
{
    const std::optional<RegValue> v = hive.value(key, u"SymbolicLinkValue");
    if (!v || v->type != kRegLink)
        return std::nullopt;
    QString target =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(v->data.constData()), v->data.size() / 2);
    while (target.endsWith(QChar(0)))
        target.chop(1);
    QStringList parts = splitKeyPath(target);
    if (parts.size() >= 2 && sameName(parts[0], u"Registry") && sameName(parts[1], u"Machine"))
        return std::pair{HiveBackedStore::HiveFile::Machine, parts.mid(2)};
    if (parts.size() >= 3 && sameName(parts[0], u"Registry") && sameName(parts[1], u"User") &&
        sameName(parts[2], u"S-1-5-21-0-0-0-1000"))
        return std::pair{HiveBackedStore::HiveFile::User, parts.mid(3)};
    return std::nullopt;
}

} // namespace

HiveBackedStore::Location HiveBackedStore::followLinks(Location at, bool followLast,
                                                       WineHive::KeyId* reached) const
{
    *reached = WineHive::kNoKey;
    // A few hops at most: links that lead to links, never in a circle.
    for (int hops = 0; hops < 8; ++hops) {
        WineHive::KeyId key = WineHive::root();
        bool redirected = false;
        for (qsizetype i = 0; i < at.path.size() && !redirected; ++i) {
            key = at.hive->findSubKey(key, at.path[i]);
            if (key == WineHive::kNoKey)
                return at;
            if (!at.hive->isLink(key) || (i + 1 == at.path.size() && !followLast))
                continue;
            const auto target = linkTarget(*at.hive, key);
            if (!target)
                continue;
            at = Location{&hive(target->first), target->second + at.path.mid(i + 1)};
            redirected = true;
        }
        if (!redirected) {
            *reached = key;
            return at;
        }
    }
    return at;
}

WineHive::KeyId HiveBackedStore::find(RegRoot root, const QString& path, WineHive** hive,
                                      bool followLast) const
{
    if (followLast && m_lastFound && m_lastFound->root == root && m_lastFound->path == path) {
        const WineHive* loaded = loadedHive(m_lastFound->file);
        if (loaded && loaded->identity() == m_lastFound->hiveIdentity && loaded->isValid(m_lastFound->key)) {
            *hive = &this->hive(m_lastFound->file);
            return m_lastFound->key;
        }
    }
    auto located = locate(root, path);
    if (!located)
        return WineHive::kNoKey;
    WineHive::KeyId key = WineHive::kNoKey;
    const Location at = followLinks(std::move(*located), followLast, &key);
    *hive = at.hive;
    if (key != WineHive::kNoKey && followLast) {
        const HiveFile file = at.hive == loadedHive(HiveFile::User) ? HiveFile::User : HiveFile::Machine;
        m_lastFound = FoundKey{root, path, file, at.hive->identity(), key};
    }
    return key;
}

std::optional<QStringList> HiveBackedStore::hivePath(RegRoot root, const QString& path) const
{
    const auto at = locate(root, path);
    if (!at)
        return std::nullopt;
    return at->path;
}

bool HiveBackedStore::keyExists(RegRoot root, const QString& path) const
{
    WineHive* h = nullptr;
    return find(root, path, &h) != WineHive::kNoKey;
}

bool HiveBackedStore::createKey(RegRoot root, const QString& path)
{
    auto located = locate(root, path);
    if (!located)
        return false;
    WineHive::KeyId existing = WineHive::kNoKey;
    const Location at = followLinks(std::move(*located), true, &existing);
    return existing != WineHive::kNoKey || at.hive->createKey(at.path) != WineHive::kNoKey;
}

QStringList HiveBackedStore::subKeyNames(RegRoot root, const QString& path) const
{
    WineHive* h = nullptr;
    const WineHive::KeyId key = find(root, path, &h);
    return key == WineHive::kNoKey ? QStringList() : h->subKeyNames(key);
}

QStringList HiveBackedStore::valueNames(RegRoot root, const QString& path) const
{
    WineHive* h = nullptr;
    const WineHive::KeyId key = find(root, path, &h);
    return key == WineHive::kNoKey ? QStringList() : h->valueNames(key);
}

std::optional<RegValue> HiveBackedStore::value(RegRoot root, const QString& path, const QString& name) const
{
    WineHive* h = nullptr;
    const WineHive::KeyId key = find(root, path, &h);
    return key == WineHive::kNoKey ? std::nullopt : h->value(key, name);
}

bool HiveBackedStore::setValue(RegRoot root, const QString& path, const RegValue& value)
{
    WineHive* h = nullptr;
    const WineHive::KeyId key = find(root, path, &h);
    if (key == WineHive::kNoKey)
        return false;
    return h->setValue(key, value);
}

bool HiveBackedStore::deleteValue(RegRoot root, const QString& path, const QString& name)
{
    WineHive* h = nullptr;
    const WineHive::KeyId key = find(root, path, &h);
    return key != WineHive::kNoKey && h->deleteValue(key, name);
}

bool HiveBackedStore::deleteKey(RegRoot root, const QString& path)
{
    WineHive* h = nullptr;
    const WineHive::KeyId key = find(root, path, &h, false);
    return key != WineHive::kNoKey && h->deleteKey(key);
}

bool HiveBackedStore::deleteTree(RegRoot root, const QString& path)
{
    WineHive* h = nullptr;
    const WineHive::KeyId key = find(root, path, &h, false);
    return key != WineHive::kNoKey && h->deleteTree(key);
}

bool HiveBackedStore::isLink(RegRoot root, const QString& path) const
{
    WineHive* h = nullptr;
    const WineHive::KeyId key = find(root, path, &h, false);
    return key != WineHive::kNoKey && h->isLink(key);
}

bool HiveBackedStore::hasChanges() const
{
    for (const HiveFile file : {HiveFile::User, HiveFile::Machine}) {
        const WineHive* h = loadedHive(file);
        if (h && h->isModified())
            return true;
    }
    return false;
}

// ---------------------------------------------------------------- HiveRegistryStore

HiveRegistryStore::HiveRegistryStore(const QString& prefixDir)
    : m_prefix(QDir::cleanPath(QFileInfo(prefixDir).absoluteFilePath()))
{
}

QString HiveRegistryStore::hiveFilePath(HiveFile file) const
{
    return m_prefix + (file == HiveFile::User ? u"/user.reg"_s : u"/system.reg"_s);
}

const WineHive* HiveRegistryStore::loadedHive(HiveFile file) const
{
    const auto& slot = m_slots[file == HiveFile::User ? 0 : 1];
    return slot.hive ? &*slot.hive : nullptr;
}

WineHive& HiveRegistryStore::hive(HiveFile file) const
{
    Slot& slot = m_slots[file == HiveFile::User ? 0 : 1];
    if (slot.hive)
        return *slot.hive;
    const QString path = hiveFilePath(file);
    slot.target = resolveSymbolicLinks(path);
    // What a killed commit left behind goes; a commit still at work in another process keeps its
    // files (they are locked).
    if (!m_slots[0].hive && !m_slots[1].hive)
        removeStaleTemporaryFiles(QFileInfo(slot.target).absolutePath());
    // A commit that a crash interrupted is completed (or what it prepared removed) before
    // anything is read.
    if (!m_slots[0].hive && !m_slots[1].hive)
        finishInterruptedCommit(false);
    bool exists = false;
    QByteArray bytes = readFile(path, &exists);
    if (exists) {
        slot.hive = WineHive::parse(bytes, path);
    } else {
        // A new hive agrees with the other one; win64 (Wine's default) when there is none.
        const QString other = hiveFilePath(file == HiveFile::User ? HiveFile::Machine : HiveFile::User);
        const WineHive::Arch arch = QFileInfo::exists(other) ? peekArch(other) : WineHive::Arch::Win64;
        slot.hive = WineHive::createNew(
            file == HiveFile::User ? WineHive::kUserRelativeTo : WineHive::kMachineRelativeTo, arch);
    }
    slot.onDisk = bytes;
    slot.existed = exists;
    return *slot.hive;
}

void HiveRegistryStore::discardChanges()
{
    for (Slot& slot : m_slots)
        slot = Slot();
}

QString HiveRegistryStore::journalPath() const
{
    return m_prefix + u'/' + QLatin1StringView(kJournalFileName);
}

namespace {

// The intent of a commit: the files it replaces, each by a rename or in place.
struct JournalEntry
{
    QString target;
    bool inPlace = false;
};

QByteArray journalBytes(const std::vector<JournalEntry>& entries)
{
    QJsonArray files;
    for (const JournalEntry& e : entries)
        files.append(QJsonObject{{u"target"_s, e.target}, {u"inPlace"_s, e.inPlace}});
    return QJsonDocument(QJsonObject{{u"files"_s, files}}).toJson();
}

// The journal's entries, each naming one of `allowed` (the hives' files): a journal naming any
// other file is not one we wrote and is refused.
std::vector<JournalEntry> readJournal(const QString& path, const QStringList& allowed)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw OperationError(u"Unable to read "_s + path);
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
    std::vector<JournalEntry> entries;
    for (const QJsonValue v : doc.object().value(u"files"_s).toArray()) {
        const JournalEntry e{v[u"target"_s].toString(), v[u"inPlace"_s].toBool()};
        if (!allowed.contains(e.target))
            throw OperationError(path +
                                 u" is not the record of an interrupted change of this prefix's registry "_s
                                 u"(it names "_s +
                                 (e.target.isEmpty() ? u"no hive file"_s : e.target) +
                                 u"). Remove it to go on."_s);
        entries.push_back(e);
    }
    if (entries.empty())
        throw OperationError(
            path + u" is not the record of an interrupted change of this prefix's registry. Remove it "_s
                   u"to go on."_s);
    return entries;
}

void syncDirectoryOf(const QString& path)
{
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

void HiveRegistryStore::refuseWhileWineRuns(const QString& refusal) const
{
    QString why;
    if (serverRunning(&why))
        throw OperationError(refusal.arg(m_prefix, why) + u" WINEPREFIX="_s + shellWord(m_prefix) +
                             u" wineserver -k"_s);
}

void HiveRegistryStore::finishInterruptedCommit(bool lockHeld) const
{
    const QString journal = journalPath();
    const QStringList targets{resolveSymbolicLinks(hiveFilePath(HiveFile::User)),
                              resolveSymbolicLinks(hiveFilePath(HiveFile::Machine))};
    const auto leftBehind = [&] {
        if (QFileInfo::exists(journal + u".vx-new"_s))
            return true;
        for (const QString& t : targets) {
            if (QFileInfo::exists(t + u".vx-new"_s) || QFileInfo::exists(t + u".vx-old"_s))
                return true;
        }
        return false;
    };
    if (!QFileInfo::exists(journal) && !leftBehind())
        return;
    // Under the lock: another instance's commit may be preparing its files right now.
    std::optional<CommitLock> lock;
    if (!lockHeld)
        lock.emplace(m_prefix, m_lockWaitMs);
    if (QFileInfo::exists(journal)) {
        // The commit got as far as recording its intent: every new content is on the disk, so it
        // is completed, and both hives end up new.
        const std::vector<JournalEntry> entries = readJournal(journal, targets);
        refuseWhileWineRuns(
            u"A change of the registry of the Wine prefix %1 was interrupted before all its hive files "
            "were written, and it cannot be completed while Wine runs there (%2). Stop Wine with:"_s);
        for (const JournalEntry& e : entries)
            PreparedFileWrite::finishInterrupted(e.target, e.inPlace);
        if (!QFile::remove(journal))
            throw FileWriteError(journal);
        syncDirectoryOf(journal);
    }
    // Without a record, a commit was stopped before it replaced anything: what it prepared goes.
    for (const QString& t : targets + QStringList{journal})
        PreparedFileWrite::discardInterrupted(t);
}

void HiveRegistryStore::commit()
{
    std::vector<HiveFile> dirty;
    for (const HiveFile file : {HiveFile::Machine, HiveFile::User}) {
        const WineHive* h = loadedHive(file);
        if (h && h->isModified())
            dirty.push_back(file);
    }
    if (dirty.empty())
        return;
    if (!QFileInfo(m_prefix).isDir())
        throw OperationError(
            u"The Wine prefix %1 does not exist; the registry changes were not written."_s.arg(m_prefix));

    const CommitLock lock(m_prefix, m_lockWaitMs);
    refuseWhileWineRuns(
        u"Wine is running in the prefix %1 (%2) and would overwrite the registry files, so the "
        "changes were not written. Close the Windows programs of that prefix, or stop it with:"_s);
    // A commit another process began after our hives were read is completed first; the check
    // below then finds the hives it changed.
    finishInterruptedCommit(true);

    // Nothing is written when any hive was changed by someone else since it was read: its
    // content, or the file a symbolic link leads to.
    for (const HiveFile file : dirty) {
        const Slot& slot = m_slots[file == HiveFile::User ? 0 : 1];
        const QString path = hiveFilePath(file);
        bool exists = false;
        const QByteArray now = readFile(path, &exists);
        if (exists != slot.existed || now != slot.onDisk || resolveSymbolicLinks(path) != slot.target)
            throw OperationError(
                u"%1 was changed by another program after it was read; the registry changes were "
                "not written. Repeat the operation."_s.arg(path));
    }

    // Both hives or neither: every hive is prepared in full (written and flushed) before any is
    // replaced, so a failure until then leaves all as they were. Then the intent is recorded
    // durably, so that a crash between the replacements is completed by the next start
    // (finishInterruptedCommit). The renames follow each other with nothing in between; a hive
    // written in place (several hard links) comes last.
    struct Pending
    {
        HiveFile file;
        QByteArray bytes;
        std::unique_ptr<PreparedFileWrite> write;
    };
    std::vector<Pending> pending;
    for (const HiveFile file : dirty) {
        QByteArray bytes = m_slots[file == HiveFile::User ? 0 : 1].hive->save();
        auto write = std::make_unique<PreparedFileWrite>(hiveFilePath(file), bytes);
        pending.push_back({file, std::move(bytes), std::move(write)});
    }
    std::stable_partition(pending.begin(), pending.end(),
                          [](const Pending& p) { return !p.write->inPlace(); });

    const QString journal = journalPath();
    std::vector<JournalEntry> intent;
    for (const Pending& p : pending)
        intent.push_back({p.write->targetPath(), p.write->inPlace()});
    if (durableStepFails(DurableWriteStep::Journal, journal))
        throw FileWriteError(journal);
    writeFileDurably(journal, journalBytes(intent));

    size_t committed = 0;
    std::exception_ptr failed;
    QString failure;
    try {
        for (; committed < pending.size(); ++committed)
            pending[committed].write->commit();
    } catch (const OperationError& e) {
        failed = std::current_exception();
        failure = e.message();
    }
    QStringList written;
    for (size_t i = 0; i < committed; ++i) {
        Pending& done = pending[i];
        done.write->flushDirectory();
        Slot& slot = m_slots[done.file == HiveFile::User ? 0 : 1];
        const QString path = hiveFilePath(done.file);
        slot.hive = WineHive::parse(done.bytes, path);
        slot.onDisk = done.bytes;
        slot.existed = true;
        written << path;
    }
    // The intent stays only for a hive left damaged with its new content prepared: the next start
    // writes it.
    const bool unfinished = failed && pending[committed].write->leftPrepared();
    if (!unfinished && !durableStepFails(DurableWriteStep::Finish, journal)) {
        QFile::remove(journal);
        syncDirectoryOf(journal);
    }
    if (!failed)
        return;
    if (written.isEmpty() && !unfinished)
        std::rethrow_exception(failed);
    QStringList notWritten;
    for (size_t i = committed; i < pending.size(); ++i)
        notWritten << hiveFilePath(pending[i].file);
    if (written.isEmpty())
        throw PartialWriteError(failure, written,
                                notWritten); // the hive may be damaged: a change all the same
    throw PartialWriteError(failure + u" The registry changes in "_s + written.join(u", "_s) +
                                u" were written; those in "_s + notWritten.join(u", "_s) + u" were not."_s,
                            written, notWritten);
}

QStringList HiveRegistryStore::serverDirectories(const QString& prefixDir)
{
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(prefixDir).constData(), &st) != 0)
        return {};
    const QString leaf = u"/server-%1-%2"_s.arg(QString::number(qulonglong(st.st_dev), 16),
                                                QString::number(qulonglong(st.st_ino), 16));
    QStringList dirs{u"/tmp/.wine-"_s + QString::number(::getuid()) + leaf};

    QFile record(prefixDir + u"/wineserver"_s);
    if (record.open(QIODevice::ReadOnly)) {
        const QString name = QString::fromLocal8Bit(record.read(256)).trimmed();
        if (!name.isEmpty() && !name.contains(u'/') && name != u".."_s) {
            QString tmp = qEnvironmentVariable("TMPDIR");
            if (tmp.isEmpty())
                tmp = u"/tmp"_s;
            for (const QString& base : {tmp, u"/tmp"_s}) {
                const QString dir = QDir::cleanPath(base) + u'/' + name + leaf;
                if (!dirs.contains(dir))
                    dirs << dir;
            }
        }
    }
    return dirs;
}

namespace {

// Asks whether someone holds the write lock on byte 0 of a wineserver's lock file.
bool lockHeld(const QString& lockPath, QString* why)
{
    const int fd = ::open(QFile::encodeName(lockPath).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return false;
        if (why)
            *why = u"its wineserver lock %1 cannot be checked"_s.arg(lockPath);
        return true;
    }
    struct flock probe
    {
    };
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 1;
    const int rc = ::fcntl(fd, F_GETLK, &probe);
    ::close(fd);
    if (rc != 0) {
        if (why)
            *why = u"its wineserver lock %1 cannot be checked"_s.arg(lockPath);
        return true;
    }
    if (probe.l_type == F_UNLCK)
        return false;
    if (why)
        *why = u"wineserver process %1"_s.arg(probe.l_pid);
    return true;
}

} // namespace

bool HiveRegistryStore::serverRunningFor(const QString& prefixDir, QString* why)
{
    for (const QString& dir : serverDirectories(prefixDir))
        if (lockHeld(dir + u"/lock"_s, why))
            return true;
    return false;
}

bool HiveRegistryStore::serverRunning(QString* why) const
{
    return serverRunningFor(m_prefix, why);
}

WineHive::Arch prefixArch(const QString& prefixDir)
{
    for (const char16_t* hive : {u"/system.reg", u"/user.reg"}) {
        const WineHive::Arch arch = peekArch(prefixDir + QStringView(hive));
        if (arch != WineHive::Arch::Unspecified)
            return arch;
    }
    return WineHive::Arch::Win64;
}

} // namespace vx
