// RunProcess on Windows. The independent programs the tests compare with (Debian's python3 with
// olefile, libgsf's gsf) exist only on the Debian host of the Windows lane, which runs the tests
// under Wine. Wine starts a host program when asked to, but tells neither when it ends nor its
// exit code; so the host's /bin/sh runs it with its outputs and exit code going to files in a
// scratch folder, which this side waits for. Arguments that name files become host paths. Outside Wine nothing is started and the run says why.
#include "support/ProcessRun.h"

#include "text/Utf8.h"

#include <windows.h>

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace testfiles {

namespace {

using UnixName = char*(CDECL*)(const wchar_t*);
using DosName = wchar_t*(CDECL*)(const char*);

// Wine's own calls between its file names and the host's.
struct WineNames {
    UnixName toUnix = nullptr;
    DosName toDos = nullptr;
    WineNames()
    {
        const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        toUnix = reinterpret_cast<UnixName>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
        toDos = reinterpret_cast<DosName>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
    }
    bool ok() const { return toUnix && toDos; }
    std::string unixPath(const std::wstring& path) const
    {
        char* name = toUnix(path.c_str());
        const std::string result = name ? name : "";
        HeapFree(GetProcessHeap(), 0, name);
        return result;
    }
    std::wstring dosPath(const char* path) const
    {
        wchar_t* name = toDos(path);
        const std::wstring result = name ? name : L"";
        HeapFree(GetProcessHeap(), 0, name);
        return result;
    }
};

// A file name to hand over as the host's: one with a drive letter, or one that names something
// that exists (a host path such as /work/x/a.doc, also with backslashes added to it).
bool IsFileName(const std::string& a)
{
    if (a.size() >= 3 && std::isalpha(static_cast<unsigned char>(a[0])) && a[1] == ':' && (a[2] == '\\' || a[2] == '/'))
        return true;
    return a.find_first_of("/\\") != std::string::npos
        && GetFileAttributesW(text::WideFromUtf8(a).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// One argument of a command line as the C runtime (and Wine, for a host program) splits it.
std::wstring Quoted(const std::wstring& arg)
{
    std::wstring out = L"\"";
    std::size_t slashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        out.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
        slashes = 0;
        out += c;
    }
    out.append(2 * slashes, L'\\');
    return out + L"\"";
}

std::string ReadAll(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

ProcessRun RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                      std::chrono::milliseconds timeout)
{
    ProcessRun run;
    static const WineNames wine;
    if (!wine.ok()) {
        run.problem = "not running under Wine on a Debian host, where " + program + " would be";
        return run;
    }
    static std::atomic<int> counter{0};
    std::error_code ec;
    const std::filesystem::path scratch = std::filesystem::temp_directory_path(ec)
        / ("krdl-host-run-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(scratch, ec);
    const std::string host = wine.unixPath(scratch.wstring());
    if (ec || host.empty()) {
        run.problem = "no scratch folder for the host's outputs";
        return run;
    }
    const std::wstring shell = wine.dosPath("/bin/sh");
    std::wstring command = Quoted(shell) + L" -c "
        + Quoted(L"PATH=/usr/local/bin:/usr/bin:/bin; d=\"$1\"; shift; \"$@\" </dev/null >\"$d/out\" 2>\"$d/err\"; "
                 L"echo $? >\"$d/rc.part\"; mv \"$d/rc.part\" \"$d/rc\"")
        + L" sh " + Quoted(text::WideFromUtf8(host)) + L" " + Quoted(text::WideFromUtf8(program));
    for (const std::string& a : arguments) {
        const std::string hostArg = IsFileName(a) ? wine.unixPath(text::WideFromUtf8(a)) : a;
        command += L" " + Quoted(text::WideFromUtf8(hostArg));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(shell.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        run.problem = "cannot start the host's /bin/sh (" + std::to_string(GetLastError()) + ")";
        std::filesystem::remove_all(scratch, ec);
        return run;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    run.started = true;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!std::filesystem::exists(scratch / "rc") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (std::filesystem::exists(scratch / "rc")) {
        run.exited = true;
        run.exitCode = std::atoi(ReadAll(scratch / "rc").c_str());
        // 127: the shell found no such program.
        if (run.exitCode == 127)
            run.problem = program + " is not on the host";
    } else {
        run.problem = "did not end within " + std::to_string(timeout.count()) + " ms";
    }
    run.out = ReadAll(scratch / "out");
    run.err = ReadAll(scratch / "err");
    std::filesystem::remove_all(scratch, ec);
    return run;
}

} // namespace testfiles
