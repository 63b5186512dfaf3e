// The program's side of the echo helper: it finds the helper, starts it once per request
// with an empty environment and a fixed argument list, and reads its one-line answer.
#include "platform/LastError.h"
#include "platform/linux/HelperProcess.h"
#include "platform/SocketApi.h"
#include "platform/linux/EchoHelper.h"
#include "platform/linux/EchoHelperProtocol.h"
#include "platform/linux/RunProgram.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <endian.h>
#include <fcntl.h>
#include <filesystem>
#include <linux/capability.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

#if !defined(KESTRUNE_INSTALLED_PROGRAM) || !defined(KESTRUNE_INSTALLED_ECHO_HELPER)
#error "the build names the installed program and its echo helper"
#endif

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// Beyond the request's own time-out, the helper has this long to start, answer and end.
constexpr std::chrono::milliseconds kHelperMargin{1000};

// Why the helper at path would not get its socket; empty when it would.
std::string WhyHelperFails(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return errno == ENOENT ? "нет такого файла" : ::strerrordesc_np(errno);
    if (!S_ISREG(status.st_mode))
        return "это не файл";
    if (::access(path.c_str(), X_OK) != 0)
        return ::strerrordesc_np(errno);
    if (!helper_process::FileGrantsCapability(path, CAP_NET_RAW))
        return "нет права cap_net_raw";
    // A file's capabilities count for nothing under no_new_privs, and reach no further
    // than the bounding set.
    if (::prctl(PR_GET_NO_NEW_PRIVS, 0, 0, 0, 0) == 1)
        return "программа запущена с no_new_privs, право cap_net_raw не действует";
    if (::prctl(PR_CAPBSET_READ, CAP_NET_RAW, 0, 0, 0) != 1)
        return "права cap_net_raw нет в ограничивающем наборе программы";
    return {};
}

struct HelperRun {
    bool overstayed = false; // killed at the deadline
    std::optional<int> status;
    std::string output;
};

void Reap(pid_t child, HelperRun& run) {
    int status = 0;
    pid_t got;
    do {
        got = ::waitpid(child, &status, 0);
    } while (got < 0 && errno == EINTR);
    if (got == child)
        run.status = status;
}

// Runs the helper at path with arguments, no environment, stdin and stderr on /dev/null
// and stdout into a pipe. Past the deadline (none when absent), or once it has said more
// than any answer holds, it is killed and reaped.
HelperRun RunHelper(const std::string& path, const std::vector<std::string>& arguments,
                    std::optional<Clock::time_point> deadline) {
    HelperRun run;
    int output[2];
    if (::pipe2(output, O_CLOEXEC) != 0)
        return run;

    const pid_t child = SpawnProgram(path, arguments, output[1], -1);
    ::close(output[1]);
    if (child < 0) {
        ::close(output[0]);
        return run;
    }

    const auto millisecondsLeft = [&deadline] {
        if (!deadline)
            return -1;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
        return static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, 60'000));
    };
    char buffer[16384];
    for (;;) {
        pollfd wait{output[0], POLLIN, 0};
        const int waitMs = millisecondsLeft();
        const int ready = ::poll(&wait, 1, waitMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            break; // left to end by itself or be killed at the deadline
        if (ready == 0) {
            if (waitMs == 0) {
                run.overstayed = true;
                break;
            }
            continue; // a wait cut at a minute: go on waiting
        }
        const ssize_t got = ::read(output[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // the helper has closed its end: it is ending
        run.output.append(buffer, static_cast<std::size_t>(got));
        if (run.output.size() > echo_helper::kMaxAnswer)
            break; // no answer: it is killed below
    }
    ::close(output[0]);

    // A helper that has closed its output ends at once; one that does not is killed too.
    while (!run.overstayed && run.output.size() <= echo_helper::kMaxAnswer) {
        int status = 0;
        const pid_t got = ::waitpid(child, &status, WNOHANG);
        if (got == child) {
            run.status = status;
            return run;
        }
        if (got < 0 && errno != EINTR)
            return run; // reaped by someone else: no exit status to go by
        if (millisecondsLeft() == 0)
            run.overstayed = true;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::kill(child, SIGKILL);
    Reap(child, run);
    return run;
}

class HelperEchoChannel final : public IEchoChannel {
public:
    explicit HelperEchoChannel(std::string path) : path_(std::move(path)) {}

    std::uint32_t SendEcho(std::uint32_t destination, const void* requestData,
                           std::uint16_t requestSize, const EchoRequestOptions& options,
                           void* replyBuffer, std::uint32_t replySize,
                           std::uint32_t timeoutMs) override;

private:
    std::string path_;
};

std::uint32_t HelperEchoChannel::SendEcho(std::uint32_t destination, const void* requestData,
                                          std::uint16_t requestSize,
                                          const EchoRequestOptions& options, void* replyBuffer,
                                          std::uint32_t replySize, std::uint32_t timeoutMs) {
    if (!EchoBuffersUsable(requestData, requestSize, replyBuffer, replySize))
        return 0;
    echo_helper::Request request{destination, options.ttl,
                                 options.tos, (options.flags & kEchoFlagDontFragment) != 0,
                                 timeoutMs,   {}};
    const auto* data = static_cast<const std::uint8_t*>(requestData);
    request.data.assign(data, data + requestSize);

    std::optional<Clock::time_point> deadline;
    if (timeoutMs != kInfinite)
        deadline = Clock::now() + std::chrono::milliseconds(timeoutMs) + kHelperMargin;
    const HelperRun run = RunHelper(path_, echo_helper::FormatArguments(request), deadline);
    if (run.overstayed) {
        SetLastError(kIpReqTimedOut);
        return 0;
    }
    // The answer counts only when the helper ended by itself with the status that goes
    // with it, and a reply only when it comes from the address asked.
    const auto answer = echo_helper::ParseAnswer(run.output);
    const bool ended = run.status && WIFEXITED(*run.status);
    if (!answer || !ended || WEXITSTATUS(*run.status) != (answer->error == 0 ? 0 : 1) ||
        (answer->error == 0 && answer->record.address != destination)) {
        SetLastError(kIpGeneralFailure);
        return 0;
    }
    if (answer->error != 0) {
        SetLastError(answer->error);
        return 0;
    }

    EchoReplyRecord record = answer->record;
    const std::size_t room = replySize - sizeof record;
    record.dataSize = static_cast<std::uint16_t>(std::min(answer->payload.size(), room));
    record.dataOffset = sizeof record;
    auto* out = static_cast<std::uint8_t*>(replyBuffer);
    std::memcpy(out, &record, sizeof record);
    if (record.dataSize != 0)
        std::memcpy(out + sizeof record, answer->payload.data(), record.dataSize);
    return 1;
}

class HelperEchoProvider final : public IEchoProvider {
public:
    explicit HelperEchoProvider(std::string path) : path_(std::move(path)) {}
    std::unique_ptr<IEchoChannel> Open() override {
        return std::make_unique<HelperEchoChannel>(path_);
    }

private:
    std::string path_;
};

} // namespace

// The installed programs (the package's /usr/bin/kestrune and /usr/bin/kestrunectl) start
// the installed helper.
// A program anywhere else, a build tree above all, starts the helper beside itself: the
// build puts kestrune-echo next to the window's program. The program's own path comes
// from the kernel (/proc/self/exe), never from the environment; and since the program
// holds no capability, a helper a user puts beside a copy of it runs with that user's
// rights alone.
std::string EchoHelperPath() {
    std::error_code error;
    std::string self = std::filesystem::read_symlink("/proc/self/exe", error).string();
    if (error || self.empty())
        return KESTRUNE_INSTALLED_ECHO_HELPER;
    // A program replaced on disk while it runs (a package upgrade) still finds its helper.
    constexpr std::string_view kDeleted = " (deleted)";
    if (self.ends_with(kDeleted))
        self.resize(self.size() - kDeleted.size());
    if (self == KESTRUNE_INSTALLED_PROGRAM || self == KESTRUNE_INSTALLED_COMMAND)
        return KESTRUNE_INSTALLED_ECHO_HELPER;
    const std::filesystem::path helper(KESTRUNE_INSTALLED_ECHO_HELPER);
    return (std::filesystem::path(self).parent_path() / helper.filename()).string();
}

EchoProviderLoad LoadEchoHelper(const std::string& path) {
    const std::string why = WhyHelperFails(path);
    if (!why.empty())
        return {nullptr, "помощник эхо-запросов " + path + " недоступен: " + why};
    return {std::make_unique<HelperEchoProvider>(path), {}};
}

} // namespace platform
