#pragma once

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

// Copies of programs in a folder of the test's own, as an installation would place them:
// the echo tests give a copy of the echo helper cap_net_raw (setcap) instead of the build
// tree's file. Needs root for the capability.
namespace kntest {

// Runs argv without a shell, quietly; true when it exits with 0.
bool RunQuietly(const std::vector<std::string>& argv);

// The echo helper at path run directly with arguments and no environment, with its stdin
// and stderr on /dev/null and its stdout into a pipe, except the descriptors in closed,
// which it starts without. whileRunning, when given, sees its process id at once. It is
// killed after 5 s; status is then -1, else its exit status.
struct HelperExit {
    int status = -1;
    std::string output;
};
HelperExit RunHelperDirectly(const std::string& path, const std::vector<std::string>& arguments,
                             const std::vector<int>& closed = {},
                             const std::function<void(pid_t)>& whileRunning = {});

// A new folder under /tmp that every user may enter, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool Ok() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }

    // Path()/name: a copy of file with mode 0755 and, with netRaw, the capability
    // cap_net_raw+ep. Empty when that fails.
    std::string Install(const std::string& file, const std::string& name,
                        bool netRaw = false) const;
    // Path()/name with the given contents and mode.
    std::string Write(const std::string& name, const std::string& contents, int mode) const;

private:
    std::string path_;
};

} // namespace kntest
