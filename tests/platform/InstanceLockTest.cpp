// The single-instance lock: taken once, refused while held, free again when its holder ends.
#include "platform/InstanceLock.h"
#include "platform/Paths.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

using platform::InstanceLock;
using testfiles::ScopedEnv;

namespace {

class InstanceLockTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.valid()); }
    testfiles::TempFolder dir;
    // A runtime folder that does not exist yet: the lock creates it.
    ScopedEnv runtime{"KRDL_RUNTIME_DIR", (dir / "run" / "sub").string()};
};

bool WaitFor(const std::filesystem::path& file)
{
    for (int i = 0; i < 600 && !std::filesystem::exists(file); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return std::filesystem::exists(file);
}

} // namespace

// The other process of the next test: this same program, started with KRDL_LOCK_CHILD naming a
// folder. It takes the lock, says so with a file, and keeps it until told to let go.
TEST(InstanceLockChild, DISABLED_HoldsTheLockUntilReleased)
{
    const char* folder = std::getenv("KRDL_LOCK_CHILD");
    if (!folder || !*folder)
        GTEST_SKIP() << "runs only as the second process of InstanceLockTest.HeldAcrossProcesses";
    const std::filesystem::path talk(folder);
    InstanceLock lock("KRDLTWO");
    std::ofstream(talk / (lock.Owned() ? "owned" : "refused")).put('x');
    EXPECT_TRUE(WaitFor(talk / "release"));
}

TEST_F(InstanceLockTest, HeldAcrossProcesses)
{
    const std::filesystem::path talk = dir / "talk";
    std::filesystem::create_directory(talk);
    const std::string command = "\"" + platform::ExecutablePath().string()
        + "\" --gtest_also_run_disabled_tests --gtest_filter=InstanceLockChild.DISABLED_HoldsTheLockUntilReleased";
    int exitCode = -1;
    std::thread child;
    {
        ScopedEnv forChild("KRDL_LOCK_CHILD", talk.string());
        child = std::thread([&] { exitCode = std::system(command.c_str()); });
        ASSERT_TRUE(WaitFor(talk / "owned") || WaitFor(talk / "refused")) << command;
    }
    EXPECT_TRUE(std::filesystem::exists(talk / "owned"));
    {
        InstanceLock whileHeld("KRDLTWO");
        EXPECT_FALSE(whileHeld.Owned());
        EXPECT_TRUE(whileHeld.HeldElsewhere());
    }
    std::ofstream(talk / "release").put('x');
    child.join();
    EXPECT_EQ(exitCode, 0);
    InstanceLock afterwards("KRDLTWO");
    EXPECT_TRUE(afterwards.Owned());
}

TEST_F(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstLetsGo)
{
    {
        InstanceLock first("KRDLTEST");
        EXPECT_TRUE(first.Owned());
        EXPECT_FALSE(first.HeldElsewhere());
#ifndef _WIN32
        EXPECT_TRUE(std::filesystem::exists(InstanceLock::LockFilePath("KRDLTEST")));
        EXPECT_EQ(InstanceLock::LockFilePath("KRDLTEST").parent_path(), dir / "run" / "sub");
#endif
        InstanceLock second("KRDLTEST");
        EXPECT_FALSE(second.Owned());
        EXPECT_TRUE(second.HeldElsewhere());

        // Another name is another lock.
        InstanceLock other("KRDLTEST2");
        EXPECT_TRUE(other.Owned());
    }
    InstanceLock again("KRDLTEST");
    EXPECT_TRUE(again.Owned());
}

// Runs that name their own runtime folder (tests, side by side) have their own lock and channel;
// the same runtime folder written another way is the same lock and channel: one instance.
TEST_F(InstanceLockTest, TheRuntimeFolderHoweverSpelledDecidesTheLockAndChannel)
{
    InstanceLock first("KRDLSCOPE");
    ASSERT_TRUE(first.Owned());
    const auto channelNow = [] { return std::filesystem::path(platform::InstanceChannelName("KRDLSCOPE")).lexically_normal(); };
    const auto channel = channelNow();
    const std::string folder = (dir / "run" / "sub").string();
    std::vector<std::pair<std::string, bool>> spellings = {
        {(dir / "other").string(), false}, {folder + "/", true}, {(dir / "run" / "." / "sub").string(), true}};
#ifdef _WIN32
    // Either separator, any letter case: one folder on Windows.
    std::string slashes = folder;
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    std::string upper = folder;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    spellings.insert(spellings.end(), {{slashes, true}, {upper, true}});
#endif
    for (const auto& [spelling, same] : spellings) {
        SCOPED_TRACE(spelling);
        ScopedEnv runtimeFolder("KRDL_RUNTIME_DIR", spelling);
        InstanceLock lock("KRDLSCOPE");
        EXPECT_EQ(lock.Owned(), !same);
        EXPECT_EQ(lock.HeldElsewhere(), same);
        EXPECT_EQ(channelNow() == channel, same);
    }
    InstanceLock again("KRDLSCOPE");
    EXPECT_TRUE(again.HeldElsewhere());
    EXPECT_EQ(channelNow(), channel);
}

TEST_F(InstanceLockTest, InstanceAlreadyRunningKeepsTheLockForTheProcess)
{
    EXPECT_FALSE(platform::InstanceAlreadyRunning("KRDLKEEP"));
    // Nothing of the caller holds anything, yet the lock stays taken.
    InstanceLock probe("KRDLKEEP");
    EXPECT_TRUE(probe.HeldElsewhere());
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
        const char ok = lock.Owned() ? '1' : '0';
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
        EXPECT_TRUE(whileAlive.HeldElsewhere());
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    InstanceLock afterDeath("KRDLKILL");
    EXPECT_TRUE(afterDeath.Owned());
}

TEST_F(InstanceLockTest, UnusableRuntimeFolderLetsTheProgramRunAlone)
{
    // A plain file where the folder should be: no lock can be made, and nobody is reported
    // as holding it.
    const auto blocker = dir / "file";
    std::ofstream(blocker).put('x');
    ScopedEnv unusable("KRDL_RUNTIME_DIR", (blocker / "run").string());
    InstanceLock lock("KRDLTEST");
    EXPECT_FALSE(lock.Owned());
    EXPECT_FALSE(lock.HeldElsewhere());
}

TEST_F(InstanceLockTest, LockFileThatIsALinkIsNotFollowed)
{
    const auto path = InstanceLock::LockFilePath("KRDLLINK");
    std::filesystem::create_directories(path.parent_path());
    const auto target = dir / "target";
    std::ofstream(target).put('x');
    std::filesystem::create_symlink(target, path);
    InstanceLock lock("KRDLLINK");
    EXPECT_FALSE(lock.Owned());
    EXPECT_FALSE(lock.HeldElsewhere());
}
#endif
