#include "tests/probe/HelperInstall.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

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
