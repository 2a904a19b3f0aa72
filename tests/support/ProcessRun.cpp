#include "support/ProcessRun.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testfiles {

namespace {

// Both ends close on exec, so that no other child keeps them open; the child gets the write end
// as a copy (dup2 clears the flag).
struct Pipe {
    int read = -1;
    int write = -1;
    bool Open()
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return false;
        read = fds[0];
        write = fds[1];
        return true;
    }
    ~Pipe()
    {
        Close(read);
        Close(write);
    }
    static void Close(int& fd)
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

} // namespace

ProcessRun RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                      std::chrono::milliseconds timeout)
{
    ProcessRun run;
    Pipe out, err;
    if (!out.Open() || !err.Open()) {
        run.problem = std::string("pipe: ") + std::strerror(errno);
        return run;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out.write, 1);
    posix_spawn_file_actions_adddup2(&actions, err.write, 2);
    pid_t pid = -1;
    // posix_spawnp reports a program that cannot be executed (glibc waits for the exec).
    const int spawned = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    Pipe::Close(out.write);
    Pipe::Close(err.write);
    if (spawned != 0) {
        run.problem = program + ": " + std::strerror(spawned);
        return run;
    }
    run.started = true;

    // Both pipes are read as the data comes, so that a child filling one of them never waits.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    while (out.read >= 0 || err.read >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd fds[2] = {{out.read, POLLIN, 0}, {err.read, POLLIN, 0}};
        if (poll(fds, 2, static_cast<int>(left.count())) < 0) {
            if (errno == EINTR)
                continue;
            timedOut = true;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[65536];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0)
                (i == 0 ? run.out : run.err).append(buffer, static_cast<std::size_t>(n));
            else if (n == 0 || errno != EINTR)
                Pipe::Close(i == 0 ? out.read : err.read);
        }
    }
    if (timedOut)
        kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut)
        run.problem = program + " did not end within " + std::to_string(timeout.count()) + " ms";
    else if (WIFSIGNALED(status))
        run.problem = program + " was ended by signal " + std::to_string(WTERMSIG(status));
    else {
        run.exited = true;
        run.exitCode = WEXITSTATUS(status);
    }
    return run;
}

} // namespace testfiles
