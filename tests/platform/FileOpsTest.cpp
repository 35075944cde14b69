#include "platform/FileOps.h"
#include "platform/Errors.h"
#include "support/TemporaryFiles.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace vx;
using vx::test::readAll;
using vx::test::writeAll;

namespace {

using vx::test::deadPid;
using vx::test::temporaryFiles;

TEST(FileOps, AtomicWriteKeepsABackupAndNeverLeavesTheTargetMissing)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"p.vx7"_s);
    const QString backup = dir.filePath(u"p.vx7.bak"_s);
    writeAll(target, "old");
    writeAll(backup, "older");
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);

    FileStamp written;
    writeFileAtomically(target, "new", {backup, &written});
    EXPECT_EQ(readAll(target), QByteArray("new"));
    EXPECT_EQ(readAll(backup), QByteArray("old")) << "the older backup was replaced";
    EXPECT_EQ(written, fileStamp(target));
    struct stat st = {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << "the new file keeps the old one's permission bits";
    EXPECT_TRUE(temporaryFiles(dir.path()).isEmpty());

    // A backup on another file system cannot be a hard link: it is a copy.
    if (QFileInfo(u"/dev/shm"_s).isDir()) {
        QTemporaryDir elsewhere(u"/dev/shm/vx-test-XXXXXX"_s);
        ASSERT_TRUE(elsewhere.isValid());
        const QString farBackup = elsewhere.filePath(u"p.vx7.bak"_s);
        writeFileAtomically(target, "newer", {farBackup, nullptr});
        EXPECT_EQ(readAll(farBackup), QByteArray("new"));
        EXPECT_EQ(readAll(target), QByteArray("newer"));
        EXPECT_TRUE(temporaryFiles(elsewhere.path()).isEmpty());
    }

    // A write through a symbolic link replaces the file it points to; the link stays.
    const QString link = dir.filePath(u"link.vx7"_s);
    ASSERT_TRUE(QFile::link(target, link));
    writeFileAtomically(link, "through the link");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readAll(target), QByteArray("through the link"));
}

TEST(FileOps, ContentWrittenInPiecesArrivesWholeAndAFailedProducerChangesNothing)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"p.vx7"_s);
    const QString backup = dir.filePath(u"p.vx7.bak"_s);
    writeAll(target, "old");

    // Small pieces that fill the writer's buffer many times over, and one piece larger than it.
    // (A false start that is dropped is the INI replacement's fall back to UTF-8.)
    QByteArray expected;
    writeFileAtomically(target,
                        [&](ContentSink& sink) {
                            for (int i = 0; i < 20000; ++i) {
                                const QByteArray piece = "line " + QByteArray::number(i) + "\r\n";
                                sink.write(piece);
                                expected += piece;
                            }
                            const QByteArray big(200 * 1024, 'x');
                            sink.write(big);
                            expected += big;
                            sink.write("end");
                            expected += "end";
                        },
                        {backup, nullptr});
    EXPECT_EQ(readAll(target), expected);
    EXPECT_EQ(readAll(backup), QByteArray("old"));
    EXPECT_TRUE(temporaryFiles(dir.path()).isEmpty());

    // A producer that gives up half way: the target and its backup stay, nothing is left behind.
    EXPECT_THROW(writeFileAtomically(target,
                                     [](ContentSink& sink) {
                                         sink.write(QByteArray(300 * 1024, 'y'));
                                         throw OperationError(u"stopped"_s);
                                     },
                                     {backup, nullptr}),
                 OperationError);
    EXPECT_EQ(readAll(target), expected);
    EXPECT_EQ(readAll(backup), QByteArray("old"));
    EXPECT_TRUE(temporaryFiles(dir.path()).isEmpty());
}

TEST(FileOps, TemporaryFilesOfKilledWritersAreSweptAndLiveOnesKept)
{
    QTemporaryDir dir;
    const pid_t dead = deadPid();
    const QString stale = u".p.vx7.vxtmp-%1-k2x9"_s.arg(dead);
    const QString ours = u".p.vx7.vxtmp-%1-a1"_s.arg(::getpid());
    const QString living = u".user.reg.vxtmp-1-zz"_s; // pid 1 runs as long as the system does
    const QString lockedStale = u".q.ini.vxtmp-%1-b2"_s.arg(dead);
    const QString lookalikes[] = {u"p.vx7.vxtmp-%1-a"_s.arg(dead), u".p.vx7.vxtmp-x%1-a"_s.arg(dead)};
    for (const QString& name : {stale, ours, living, lockedStale})
        writeAll(dir.filePath(name), "partial");
    for (const QString& name : lookalikes)
        writeAll(dir.filePath(name), "someone else's");

    // A writer in another pid namespace: its pid means nothing here, but it holds the lock.
    const int fd = ::open(QFile::encodeName(dir.filePath(lockedStale)).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);

    EXPECT_EQ(removeStaleTemporaryFiles(dir.path()), 1);
    EXPECT_FALSE(QFile::exists(dir.filePath(stale)));
    for (const QString& name : {ours, living, lockedStale})
        EXPECT_TRUE(QFile::exists(dir.filePath(name))) << name.toStdString();
    for (const QString& name : lookalikes)
        EXPECT_TRUE(QFile::exists(dir.filePath(name))) << name.toStdString();

    ::close(fd);
    // The next write into the folder sweeps what is stale by then.
    writeFileAtomically(dir.filePath(u"q.ini"_s), "x");
    EXPECT_FALSE(QFile::exists(dir.filePath(lockedStale)));
    EXPECT_TRUE(QFile::exists(dir.filePath(ours)));
}

} // namespace
