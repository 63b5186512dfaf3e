#include "platform/linux/RunProgram.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

int SpawnProgram(const std::string& path, const std::vector<std::string>& arguments, int outputFd,
                 int errorFd) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    if (errorFd >= 0)
        ::posix_spawn_file_actions_adddup2(&actions, errorFd, STDERR_FILENO);
    else
        ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    ::posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    ::posix_spawnattr_setsigmask(&attributes, &signals);
    sigfillset(&signals);
    ::posix_spawnattr_setsigdefault(&attributes, &signals);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    char* environment[] = {nullptr};
    pid_t child = -1;
    const int spawned =
        ::posix_spawn(&child, path.c_str(), &actions, &attributes, argv.data(), environment);
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attributes);
    return spawned == 0 ? child : -1;
}

ProgramRun RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                      std::chrono::milliseconds limit, std::size_t maxOutput) {
    using Clock = std::chrono::steady_clock;
    ProgramRun run;
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return run;
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return run;
    }
    const pid_t child = SpawnProgram(path, arguments, out[1], err[1]);
    ::close(out[1]);
    ::close(err[1]);
    if (child < 0) {
        ::close(out[0]);
        ::close(err[0]);
        return run;
    }
    run.started = true;

    const auto deadline = Clock::now() + limit;
    pollfd pipes[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* into[2] = {&run.output, &run.errors};
    bool killed = false;
    char buffer[16384];
    while (pipes[0].fd >= 0 || pipes[1].fd >= 0) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || run.output.size() + run.errors.size() > maxOutput) {
            killed = true;
            break;
        }
        const int ready =
            ::poll(pipes, 2, static_cast<int>(std::min<long long>(left.count(), 60000)));
        if (ready < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2 && ready > 0; ++i) {
            if (pipes[i].fd < 0 || pipes[i].revents == 0)
                continue;
            const ssize_t got = ::read(pipes[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                into[i]->append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                ::close(pipes[i].fd);
                pipes[i].fd = -1; // a negative descriptor is passed over by poll
            }
        }
    }
    for (const pollfd& pipe : pipes)
        if (pipe.fd >= 0)
            ::close(pipe.fd);
    // One that has closed its output but does not end is killed at the limit too.
    int status = 0;
    pid_t got = 0;
    while (!killed) {
        got = ::waitpid(child, &status, WNOHANG);
        if (got != 0 && !(got < 0 && errno == EINTR))
            break;
        if (Clock::now() >= deadline)
            killed = true;
        else
            ::usleep(2000);
    }
    if (killed) {
        ::kill(child, SIGKILL);
        do {
            got = ::waitpid(child, &status, 0);
        } while (got < 0 && errno == EINTR);
    }
    if (got == child && !killed && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
}

} // namespace platform
