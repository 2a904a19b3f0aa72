// The single-instance lock: taken once, refused while held, free again when its holder ends.
#include "platform/InstanceLock.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <filesystem>

#ifndef _WIN32
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
#endif

using platform::InstanceLock;

namespace {

class InstanceLockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        // A runtime folder that does not exist yet: the lock creates it.
        qputenv("KRDL_RUNTIME_DIR", (dir.path() + u"/run/sub"_s).toUtf8());
    }
    void TearDown() override { qunsetenv("KRDL_RUNTIME_DIR"); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstLetsGo)
{
    {
        InstanceLock first("KRDLTEST");
        EXPECT_TRUE(first.owned());
        EXPECT_FALSE(first.heldElsewhere());
#ifndef _WIN32
        EXPECT_TRUE(std::filesystem::exists(InstanceLock::lockFilePath("KRDLTEST")));
        EXPECT_EQ(InstanceLock::lockFilePath("KRDLTEST").parent_path(),
                  std::filesystem::path((dir.path() + u"/run/sub"_s).toStdString()));
#endif
        InstanceLock second("KRDLTEST");
        EXPECT_FALSE(second.owned());
        EXPECT_TRUE(second.heldElsewhere());

        // Another name is another lock.
        InstanceLock other("KRDLTEST2");
        EXPECT_TRUE(other.owned());
    }
    InstanceLock again("KRDLTEST");
    EXPECT_TRUE(again.owned());
}

TEST_F(InstanceLockTest, InstanceAlreadyRunningKeepsTheLockForTheProcess)
{
    EXPECT_FALSE(platform::InstanceAlreadyRunning("KRDLKEEP"));
    // Nothing of the caller holds anything, yet the lock stays taken.
    InstanceLock probe("KRDLKEEP");
    EXPECT_TRUE(probe.heldElsewhere());
    EXPECT_TRUE(platform::InstanceAlreadyRunning("KRDLKEEP"));
}

#ifndef _WIN32
TEST_F(InstanceLockTest, KernelDropsTheLockOfAKilledProcess)
{
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        InstanceLock lock("KRDLKILL");
        const char ok = lock.owned() ? '1' : '0';
        (void)!::write(ready[1], &ok, 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(ok, '1');
    {
        InstanceLock whileAlive("KRDLKILL");
        EXPECT_TRUE(whileAlive.heldElsewhere());
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    InstanceLock afterDeath("KRDLKILL");
    EXPECT_TRUE(afterDeath.owned());
}

TEST_F(InstanceLockTest, UnusableRuntimeFolderLetsTheProgramRunAlone)
{
    // A plain file where the folder should be: no lock can be made, and nobody is reported
    // as holding it.
    const QString blocker = dir.path() + u"/file"_s;
    ASSERT_TRUE(QFile(blocker).open(QIODevice::WriteOnly));
    qputenv("KRDL_RUNTIME_DIR", (blocker + u"/run"_s).toUtf8());
    InstanceLock lock("KRDLTEST");
    EXPECT_FALSE(lock.owned());
    EXPECT_FALSE(lock.heldElsewhere());
}

TEST_F(InstanceLockTest, LockFileThatIsALinkIsNotFollowed)
{
    const auto path = InstanceLock::lockFilePath("KRDLLINK");
    std::filesystem::create_directories(path.parent_path());
    const QString target = dir.filePath(u"target"_s);
    ASSERT_TRUE(QFile(target).open(QIODevice::WriteOnly));
    std::filesystem::create_symlink(target.toStdString(), path);
    InstanceLock lock("KRDLLINK");
    EXPECT_FALSE(lock.owned());
    EXPECT_FALSE(lock.heldElsewhere());
}
#endif
