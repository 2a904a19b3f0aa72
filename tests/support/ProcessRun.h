#pragma once
// Runs a program to its end and keeps what it wrote, for tests that check files with an
// independent program (Debian's python3-olefile, libgsf's `gsf`). No Qt, so that the tests of the
// libraries without Qt need none. On Windows those programs are the Debian host's, reached through
// Wine (ProcessRunWindows.cpp); without Wine nothing starts and the tests that need them skip.

#include <chrono>
#include <string>
#include <vector>

namespace testfiles {

struct ProcessRun {
    bool started = false;  // the program could be started
    bool exited = false;   // it ended by itself, in time, and its exit code is known
    int exitCode = -1;
    std::string out;       // standard output and standard error, as written
    std::string err;
    std::string problem;   // why it did not start or did not end by itself, for messages

    bool Succeeded() const { return exited && exitCode == 0; }
    // The run for a failure message: the problem or the exit code, then standard error.
    std::string Describe() const
    {
        const std::string what = !problem.empty() ? problem : "exit code " + std::to_string(exitCode);
        return err.empty() ? what : what + ": " + err;
    }
};

// Starts `program` (a path, or a name looked up on PATH) with `arguments` (UTF-8), standard
// input empty, and waits for it; a program still running after `timeout` is killed.
ProcessRun RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                      std::chrono::milliseconds timeout = std::chrono::seconds(60));

} // namespace testfiles
