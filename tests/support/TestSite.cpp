#include "tests/support/TestSite.h"

#include "tools/hubsim/ControlLine.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr const char* kStateRoot = "/run/kestrune-site/";

std::string StatePath(const std::string& prefix, const std::string& file) {
    return kStateRoot + prefix + "/" + file;
}

bool Executable(const std::string& path) {
    return access(path.c_str(), X_OK) == 0;
}

} // namespace

int RunCommand(const std::vector<std::string>& argv, std::string* output) {
    int pipeFds[2];
    if (argv.empty() || pipe2(pipeFds, O_CLOEXEC) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t child = -1;
    const int spawned = posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    std::string text;
    char buffer[4096];
    ssize_t got;
    while ((got = read(pipeFds[0], buffer, sizeof buffer)) != 0) {
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeFds[0]);
    if (output != nullptr) {
        *output = text;
    }
    if (spawned != 0) {
        if (output != nullptr) {
            *output = "cannot start " + argv[0] + ": " + std::strerror(spawned);
        }
        return -1;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {

// Every run of the script from a test, with or without --hubsim, finds the simulator that
// this test's own build made, wherever the build tree is.
const bool kHubsimExported = ::setenv("KESTRUNE_HUBSIM", KESTRUNE_HUBSIM_PATH, 1) == 0;

} // namespace

std::string TestSite::ScriptPath() {
    return KESTRUNE_TESTSITE_SCRIPT;
}
std::string TestSite::HubsimPath() {
    return KESTRUNE_HUBSIM_PATH;
}

bool TestSite::Available(std::string* whyNot) {
    std::string reason;
    if (geteuid() != 0) {
        reason = "the test site needs root (network namespaces)";
    } else if (!Executable("/usr/sbin/ip") && !Executable("/sbin/ip") &&
               !Executable("/usr/bin/ip") && !Executable("/bin/ip")) {
        reason = "the ip command (iproute2) is missing";
    } else if (!Executable(HubsimPath())) {
        reason = "hubsim is not built: " + HubsimPath();
    } else if (access(ScriptPath().c_str(), R_OK) != 0) {
        reason = "no test site script at " + ScriptPath();
    }
    if (whyNot != nullptr) {
        *whyNot = reason;
    }
    return reason.empty();
}

TestSite::TestSite(TestSiteOptions siteOptions) : options(std::move(siteOptions)) {
    if (!Available(&reason)) {
        return;
    }
    // A site with this prefix can only be a leftover of an earlier run of this test.
    if (access((kStateRoot + options.prefix).c_str(), F_OK) == 0 ||
        access(("/run/netns/" + options.prefix + "-sw").c_str(), F_OK) == 0) {
        RunCommand({"bash", ScriptPath(), "down", "--prefix", options.prefix});
    }

    std::vector<std::string> argv{"bash",
                                  ScriptPath(),
                                  "up",
                                  "--prefix",
                                  options.prefix,
                                  "--subnet",
                                  std::to_string(options.subnet),
                                  "--hubs",
                                  std::to_string(options.hubs),
                                  "--pc",
                                  options.pcNamespace ? "ns" : "host",
                                  "--hubsim",
                                  HubsimPath()};
    if (!options.hubArgs.empty()) {
        argv.insert(argv.end(), {"--hub-args", options.hubArgs});
    }
    if (options.sharing > 0) {
        argv.insert(argv.end(), {"--share", std::to_string(options.sharing)});
    }
    for (const auto& [index, args] : options.perHubArgs) {
        argv.insert(argv.end(), {"--hub", std::to_string(index), args});
    }
    std::string output;
    attempted = true;
    const int code = RunCommand(argv, &output);
    if (code != 0) {
        reason = "testsite.sh up failed (" + std::to_string(code) + "): " + output;
        return;
    }
    // "pc 198.18.0.1 ns P-pc" and "hub 1 198.18.0.11 ns P-h1 mac 02:..".
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string kind, where, place, macWord;
        if (!(words >> kind)) {
            continue;
        }
        if (kind == "pc") {
            words >> pcAddress >> where >> place;
            pcNamespace = where == "ns" ? place : "";
        } else if (kind == "hub") {
            int index = 0;
            Hub hub;
            words >> index >> hub.address >> where >> hub.nameSpace >> macWord >> hub.mac;
            hubs.push_back(hub);
        }
    }
    built = !pcAddress.empty() && static_cast<int>(hubs.size()) == options.hubs;
    if (!built) {
        reason = "unexpected output of testsite.sh up: " + output;
    }
}

TestSite::~TestSite() {
    if (attempted) {
        RunCommand({"bash", ScriptPath(), "down", "--prefix", options.prefix});
    }
}

const TestSite::Hub* TestSite::FindHub(int i) const {
    return i >= 1 && i <= HubCount() ? &hubs[static_cast<std::size_t>(i - 1)] : nullptr;
}

std::string TestSite::HubAddress(int i) const {
    const Hub* hub = FindHub(i);
    return hub ? hub->address : "";
}

std::string TestSite::HubMac(int i) const {
    const Hub* hub = FindHub(i);
    return hub ? hub->mac : "";
}

std::string TestSite::HubNamespace(int i) const {
    const Hub* hub = FindHub(i);
    return hub ? hub->nameSpace : "";
}

std::string TestSite::HubLog(int i) const {
    std::ifstream in(StatePath(options.prefix, "hub" + std::to_string(i) + ".log"));
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string TestSite::Control(int i, const std::string& command) const {
    const std::string path = StatePath(options.prefix, "hub" + std::to_string(i) + ".sock");
    std::string answer;
    if (!hubsim::SendControlCommand(path, command, answer)) {
        return "error hub " + std::to_string(i) + ": " + answer;
    }
    return answer;
}
