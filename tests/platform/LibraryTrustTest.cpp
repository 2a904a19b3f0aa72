// Which library files may be loaded: one case per way another user could have planted one.
#include "platform/LibraryTrust.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

namespace fs = std::filesystem;
using platform::LibraryTrust;

#ifndef _WIN32

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;

TEST(LibraryTrust, RefusesWhatAnotherUserCouldHavePlanted)
{
    struct Case {
        const char* name;
        // Builds the case inside a fresh private folder; returns the path to check.
        std::function<fs::path(const fs::path& dir)> make;
        LibraryTrust expected;
        bool needsRoot = false;
    };
    auto file = [](const fs::path& p, mode_t mode) {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "library";
        ::chmod(p.c_str(), mode);
        return p;
    };
    auto folder = [](const fs::path& p, mode_t mode) {
        fs::create_directories(p);
        ::chmod(p.c_str(), mode);
        return p;
    };
    const Case cases[] = {
        {"private file", [&](const fs::path& d) { return file(d / "a.so", 0600); }, LibraryTrust::Trusted},
        {"readable by all", [&](const fs::path& d) { return file(d / "a.so", 0755); }, LibraryTrust::Trusted},
        {"group-writable", [&](const fs::path& d) { return file(d / "a.so", 0664); }, LibraryTrust::WritableByOthers},
        {"world-writable", [&](const fs::path& d) { return file(d / "a.so", 0646); }, LibraryTrust::WritableByOthers},
        {"missing", [](const fs::path& d) { return d / "a.so"; }, LibraryTrust::Missing},
        {"folder", [&](const fs::path& d) { return folder(d / "a.so", 0755); }, LibraryTrust::NotRegularFile},
        {"pipe",
         [](const fs::path& d) {
             ::mkfifo((d / "a.so").c_str(), 0600);
             return d / "a.so";
         },
         LibraryTrust::NotRegularFile},
        {"link to a good file",
         [&](const fs::path& d) {
             fs::create_symlink(file(d / "real.so", 0644), d / "a.so");
             return d / "a.so";
         },
         LibraryTrust::Trusted},
        {"link to a writable file",
         [&](const fs::path& d) {
             fs::create_symlink(file(d / "real.so", 0666), d / "a.so");
             return d / "a.so";
         },
         LibraryTrust::WritableByOthers},
        {"dangling link",
         [](const fs::path& d) {
             fs::create_symlink(d / "gone.so", d / "a.so");
             return d / "a.so";
         },
         LibraryTrust::Missing},
        {"folder writable by all",
         [&](const fs::path& d) { return file(folder(d / "up", 0777) / "a.so", 0644); }, LibraryTrust::UnsafeFolder},
        {"folder writable by the group",
         [&](const fs::path& d) { return file(folder(d / "up", 0775) / "a.so", 0644); }, LibraryTrust::UnsafeFolder},
        {"folder above writable by all",
         [&](const fs::path& d) {
             folder(d / "up", 0777);
             return file(folder(d / "up" / "in", 0755) / "a.so", 0644);
         },
         LibraryTrust::UnsafeFolder},
        {"sticky folder writable by all",
         [&](const fs::path& d) { return file(folder(d / "up", 01777) / "a.so", 0644); }, LibraryTrust::Trusted},
        {"file of another user",
         [&](const fs::path& d) {
             const fs::path p = file(d / "a.so", 0644);
             return ::chown(p.c_str(), kNobody, kNobody) == 0 ? p : fs::path();
         },
         LibraryTrust::ForeignOwner, true},
        {"folder of another user",
         [&](const fs::path& d) {
             const fs::path up = folder(d / "up", 0755);
             const fs::path p = file(up / "a.so", 0644);
             return ::chown(up.c_str(), kNobody, kNobody) == 0 ? p : fs::path();
         },
         LibraryTrust::UnsafeFolder, true},
    };
    for (const Case& c : cases) {
        if (c.needsRoot && ::geteuid() != 0) {
            std::cout << "[ skipped  ] " << c.name << ": only root can give a file to another user\n";
            continue;
        }
        const testfiles::TempFolder temp;
        ASSERT_TRUE(temp.valid());
        const fs::path& dir = temp.path();
        ::chmod(dir.c_str(), 0700); // private, whatever the umask
        const fs::path path = c.make(dir);
        ASSERT_FALSE(path.empty()) << c.name;
        EXPECT_EQ(platform::CheckLibraryTrust(path), c.expected) << c.name;
    }
}

} // namespace

#else // _WIN32

#include "support/AccessList.h"

#include <windows.h>

namespace {

using testfiles::GrantEveryone;

TEST(LibraryTrust, RefusesWhatOtherUsersMayChange)
{
    struct Case {
        const char* name;
        std::function<fs::path(const fs::path& dir)> make;
        LibraryTrust expected;
    };
    auto file = [](const fs::path& p) {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "library";
        return p;
    };
    const Case cases[] = {
        {"own file", [&](const fs::path& d) { return file(d / "a.dll"); }, LibraryTrust::Trusted},
        {"missing", [](const fs::path& d) { return d / "a.dll"; }, LibraryTrust::Missing},
        {"folder",
         [](const fs::path& d) {
             fs::create_directories(d / "a.dll");
             return d / "a.dll";
         },
         LibraryTrust::NotRegularFile},
        {"file everyone may write",
         [&](const fs::path& d) {
             const fs::path p = file(d / "a.dll");
             return GrantEveryone(p, GENERIC_WRITE) ? p : fs::path();
         },
         LibraryTrust::WritableByOthers},
        {"folder everyone may add to",
         [&](const fs::path& d) {
             const fs::path p = file(d / "up" / "a.dll");
             return GrantEveryone(d / "up", FILE_ADD_FILE) ? p : fs::path();
         },
         LibraryTrust::UnsafeFolder},
    };
    for (const Case& c : cases) {
        const testfiles::TempFolder dir;
        ASSERT_TRUE(dir.valid());
        const fs::path path = c.make(dir.path());
        ASSERT_FALSE(path.empty()) << c.name;
        EXPECT_EQ(platform::CheckLibraryTrust(path), c.expected) << c.name;
    }
}

} // namespace

#endif
