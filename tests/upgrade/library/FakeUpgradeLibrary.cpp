// A stand-in upgrade library for the tests. It appends one line per call, fields separated by
// tabs, to the file named by KRDL_FAKE_UPGRADE_LOG, and answers as told by the environment:
// InternetUpgrade returns true when KRDL_FAKE_INTERNET_UPGRADE is "1"; GetLastVersion returns
// KRDL_FAKE_LAST_VERSION, or a null pointer when that is not set. Built in variants that leave
// out some entry points (FAKE_WITHOUT_INIT, ..._INTERNET_UPGRADE, ..._GET_LAST_VERSION,
// ..._EXECUTE_UPGRADE).
#include "upgrade/UpgradeEntryPoints.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void record(const std::string& line)
{
    const char* log = std::getenv("KRDL_FAKE_UPGRADE_LOG");
    if (!log)
        return;
    if (std::FILE* f = std::fopen(log, "ab")) {
        std::fputs((line + "\n").c_str(), f);
        std::fclose(f);
    }
}

std::string text(const char* s)
{
    return s ? s : "(null)";
}

// Not std::to_string: its digit table is a unique symbol, which would keep the library from
// ever being unloaded, and the tests load a new library under the same name after each unload.
std::string number(long value)
{
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%ld", value);
    return buffer;
}

} // namespace

// Each entry point is followed by a pointer of the type the program calls it with, so that a
// mismatch does not compile.
extern "C" {

#ifndef FAKE_WITHOUT_INIT
void Init(const char* libraryPath)
{
    record("Init\t" + text(libraryPath));
}
[[maybe_unused]] static constexpr UpgradeInitFunction kInit = &Init;
#endif

#ifndef FAKE_WITHOUT_INTERNET_UPGRADE
bool InternetUpgrade()
{
    record("InternetUpgrade");
    const char* answer = std::getenv("KRDL_FAKE_INTERNET_UPGRADE");
    return answer && std::string(answer) == "1";
}
[[maybe_unused]] static constexpr UpgradeInternetUpgradeFunction kInternetUpgrade = &InternetUpgrade;
#endif

#ifndef FAKE_WITHOUT_GET_LAST_VERSION
const char* GetLastVersion(const char* executablePath, std::int32_t days, bool checkNow)
{
    record("GetLastVersion\t" + text(executablePath) + "\t" + number(days) + "\t"
           + (checkNow ? "true" : "false"));
    static std::string answer;
    const char* version = std::getenv("KRDL_FAKE_LAST_VERSION");
    if (!version)
        return nullptr;
    answer = version;
    return answer.c_str();
}
[[maybe_unused]] static constexpr UpgradeGetLastVersionFunction kGetLastVersion = &GetLastVersion;
#endif

#ifndef FAKE_WITHOUT_EXECUTE_UPGRADE
void ExecuteUpgrade(std::int32_t reserved, const char* argumentText)
{
    record("ExecuteUpgrade\t" + number(reserved) + "\t" + text(argumentText));
}
[[maybe_unused]] static constexpr UpgradeExecuteUpgradeFunction kExecuteUpgrade = &ExecuteUpgrade;
#endif

} // extern "C"
