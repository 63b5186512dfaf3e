#pragma once

#include <string>
#include <vector>

// Copies of programs in a folder of the test's own, as an installation would place them:
// the echo tests give a copy of the echo helper cap_net_raw (setcap) instead of the build
// tree's file. Needs root for the capability.
namespace kntest {

// Runs argv without a shell, quietly; true when it exits with 0.
bool RunQuietly(const std::vector<std::string>& argv);

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
