#include "tests/probe/HelperInstall.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace kntest {

bool RunQuietly(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int spawned = posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

HelperExit RunHelperDirectly(const std::string& path, const std::vector<std::string>& arguments,
                             const std::vector<int>& closed,
                             const std::function<void(pid_t)>& whileRunning) {
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    char* noEnvironment[] = {nullptr};
    HelperExit run;
    int output[2];
    if (::pipe2(output, O_CLOEXEC) != 0)
        return run;
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        if (null < 0 || ::dup2(null, 0) < 0 || ::dup2(output[1], 1) < 0 || ::dup2(null, 2) < 0)
            ::_exit(126);
        for (const int fd : closed)
            ::close(fd);
        ::execve(path.c_str(), argv.data(), noEnvironment);
        ::_exit(127);
    }
    ::close(output[1]);
    if (whileRunning)
        whileRunning(child);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    const auto left = [&deadline] {
        return std::max<int>(0,
                             static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                  deadline - std::chrono::steady_clock::now())
                                                  .count()));
    };
    char buffer[4096];
    for (pollfd wait{output[0], POLLIN, 0}; ::poll(&wait, 1, left()) > 0;) {
        const ssize_t got = ::read(output[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        run.output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(output[0]);
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (left() == 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return run;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

ScratchFolder::ScratchFolder() {
    char name[] = "/tmp/kestrune-test-XXXXXX";
    if (mkdtemp(name) != nullptr && chmod(name, 0755) == 0)
        path_ = name;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    if (Ok())
        std::filesystem::remove_all(path_, ignored);
}

std::string ScratchFolder::Install(const std::string& file, const std::string& name,
                                   bool netRaw) const {
    const std::string target = path_ + "/" + name;
    std::error_code error;
    if (!std::filesystem::copy_file(file, target, std::filesystem::copy_options::overwrite_existing,
                                    error) ||
        chmod(target.c_str(), 0755) != 0)
        return {};
    if (netRaw && !RunQuietly({"setcap", "cap_net_raw+ep", target}))
        return {};
    return target;
}

std::string ScratchFolder::Write(const std::string& name, const std::string& contents,
                                 int mode) const {
    const std::string target = path_ + "/" + name;
    std::ofstream(target, std::ios::trunc) << contents;
    if (chmod(target.c_str(), static_cast<mode_t>(mode)) != 0)
        return {};
    return target;
}

} // namespace kntest
