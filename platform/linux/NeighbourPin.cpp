// The pins of a program: made in the program itself when it holds cap_net_admin, else by
// the helper kestrune-neigh, started once per change with an empty environment.
#include "platform/NeighbourPin.h"

#include "platform/linux/EchoHelper.h"
#include "platform/linux/HelperProcess.h"
#include "platform/linux/NeighHelperProtocol.h"
#include "platform/linux/NeighbourPinLinux.h"
#include "platform/linux/NeighbourPinTable.h"
#include "platform/linux/RunProgram.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <endian.h>
#include <filesystem>
#include <grp.h>
#include <linux/capability.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::chrono::seconds kHelperLimit{10};

PinFailure FromOutcome(const pin_table::Outcome& outcome) {
    PinFailure failure;
    if (outcome.refusal != PinRefusal::None) {
        failure.kind = PinFailureKind::Refused;
        failure.refusal = outcome.refusal;
    } else if (outcome.error != 0) {
        failure.kind = PinFailureKind::SystemError;
        failure.code = static_cast<std::uint32_t>(outcome.error);
        failure.detail = ::strerrordesc_np(outcome.error);
    }
    return failure;
}

bool HoldsNetAdmin() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct sets[_LINUX_CAPABILITY_U32S_3] = {};
    return ::syscall(SYS_capget, &header, sets) == 0 &&
           (sets[0].effective & (1u << CAP_NET_ADMIN)) != 0;
}

// Whether the user is listed in group gid though this process does not carry it: added
// since the login session began.
bool JoinedSinceLogin(gid_t gid) {
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
    const int count = ::getgroups(static_cast<int>(groups.size()), groups.data());
    if (count < 0 ||
        std::find(groups.begin(), groups.begin() + count, gid) != groups.begin() + count)
        return false;
    const passwd* user = ::getpwuid(::getuid());
    const group* entry = ::getgrgid(gid);
    if (user == nullptr || entry == nullptr || entry->gr_mem == nullptr)
        return false;
    const std::string name = user->pw_name;
    for (char** member = entry->gr_mem; *member != nullptr; ++member) {
        if (name == *member)
            return true;
    }
    return false;
}

// Why the helper at path cannot pin for this process; no failure when it can.
PinFailure WhyHelperFails(const std::string& path) {
    PinFailure failure;
    failure.kind = PinFailureKind::NoPermission;
    failure.permission = PinPermission::NoHelper;
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        failure.detail = path;
        return failure;
    }
    if (::access(path.c_str(), X_OK) != 0) {
        failure.permission = JoinedSinceLogin(status.st_gid) ? PinPermission::GroupNotYetActive
                                                             : PinPermission::NotInGroup;
        return failure;
    }
    if (!helper_process::FileGrantsCapability(path, CAP_NET_ADMIN)) {
        failure.permission = PinPermission::HelperLacksCapability;
        failure.detail = path;
        return failure;
    }
    // A file's capabilities count for nothing under no_new_privs, and reach no further
    // than the bounding set.
    if (::prctl(PR_GET_NO_NEW_PRIVS, 0, 0, 0, 0) == 1 ||
        ::prctl(PR_CAPBSET_READ, CAP_NET_ADMIN, 0, 0, 0) != 1) {
        failure.permission = PinPermission::HelperBlocked;
        failure.detail = path;
        return failure;
    }
    return {};
}

// One change through the helper: its answer, or a failure that says it gave none.
PinFailure AskHelper(const std::string& path, const neigh_helper::Request& request) {
    const ProgramRun run =
        RunProgram(path, neigh_helper::FormatArguments(request), kHelperLimit, 4096);
    const auto answer = neigh_helper::ParseAnswer(run.output);
    const bool done = answer && answer->refusal == PinRefusal::None && answer->error == 0;
    if (!answer || !run.exitCode || *run.exitCode != (done ? 0 : 1)) {
        PinFailure failure;
        failure.kind = PinFailureKind::SystemError;
        failure.code = EPROTO;
        failure.detail = "the helper " + path + " gave no answer" +
                         (run.errors.empty() ? "" : ": " + run.errors.substr(0, 200));
        return failure;
    }
    return FromOutcome(*answer);
}

class Pin final : public NeighbourPin {
public:
    // helperPath: empty when the program changes the table itself.
    Pin(std::string helperPath, std::uint32_t interfaceIndex, Ipv4Address address)
        : helperPath_(std::move(helperPath)), interfaceIndex_(interfaceIndex), address_(address) {}
    ~Pin() override { Remove(); }

    PinFailure Remove() override {
        if (removed_)
            return {};
        const PinFailure failure =
            helperPath_.empty()
                ? FromOutcome(pin_table::Remove(interfaceIndex_, address_))
                : AskHelper(helperPath_,
                            {neigh_helper::Verb::Remove, interfaceIndex_, address_, {}});
        removed_ = !failure;
        return failure;
    }

private:
    std::string helperPath_;
    std::uint32_t interfaceIndex_;
    Ipv4Address address_;
    bool removed_ = false;
};

class DirectPinner final : public NeighbourPinner {
public:
    PinResult Pin(std::uint32_t interfaceIndex, Ipv4Address address,
                  const PhysicalAddress& physicalAddress) override {
        PinResult result;
        result.failure = FromOutcome(pin_table::Add(interfaceIndex, address, physicalAddress));
        if (!result.failure)
            result.pin = std::make_unique<class Pin>(std::string(), interfaceIndex, address);
        return result;
    }
    PinFailure SweepLeftovers() override { return FromOutcome(pin_table::Sweep()); }
};

class HelperPinner final : public NeighbourPinner {
public:
    explicit HelperPinner(std::string path) : path_(std::move(path)) {}

    PinResult Pin(std::uint32_t interfaceIndex, Ipv4Address address,
                  const PhysicalAddress& physicalAddress) override {
        PinResult result;
        result.failure = WhyHelperFails(path_);
        if (!result.failure)
            result.failure = AskHelper(
                path_, {neigh_helper::Verb::Add, interfaceIndex, address, physicalAddress});
        if (!result.failure)
            result.pin = std::make_unique<class Pin>(path_, interfaceIndex, address);
        return result;
    }
    PinFailure SweepLeftovers() override {
        if (PinFailure failure = WhyHelperFails(path_))
            return failure;
        return AskHelper(path_, {});
    }

private:
    std::string path_;
};

} // namespace

std::string NeighHelperPath() {
    return (std::filesystem::path(EchoHelperPath()).parent_path() / "kestrune-neigh").string();
}

std::unique_ptr<NeighbourPinner> MakeDirectPinner() {
    return std::make_unique<DirectPinner>();
}

std::unique_ptr<NeighbourPinner> MakeHelperPinner(const std::string& helperPath) {
    return std::make_unique<HelperPinner>(helperPath);
}

std::unique_ptr<NeighbourPinner> MakeNeighbourPinner() {
    if (HoldsNetAdmin())
        return MakeDirectPinner();
    return MakeHelperPinner(NeighHelperPath());
}

} // namespace platform
