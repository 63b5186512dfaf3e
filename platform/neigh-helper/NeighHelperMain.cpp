// kestrune-neigh: pins a hub's physical address in the neighbour table for the program,
// and removes the pin again. The package gives this file cap_net_admin and lets only the
// group kestrune run it. Whoever runs it may only make and remove the program's own
// permanent IPv4 entries, for a host of the interface's subnet that is neither the PC's
// own address nor a gateway, with a unicast physical address: a pin can then misdirect
// nothing but a hub's session. It keeps cap_net_admin alone, takes nothing from its
// environment and loads nothing at run time (it is linked statically).
//
//   kestrune-neigh add INTERFACE-INDEX ADDRESS PHYSICAL-ADDRESS
//   kestrune-neigh remove INTERFACE-INDEX ADDRESS
//   kestrune-neigh sweep
//
// platform/linux/NeighHelperProtocol.h describes the arguments and the answer.
// Exit status: 0 done, 1 refused or failed (the answer says which), 2 for arguments that
// are not a request, 3 when the other capabilities could not be given up.
#include "platform/linux/NeighHelperProtocol.h"
#include "platform/linux/HelperProcess.h"
#include "platform/linux/NeighbourPinTable.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <linux/capability.h>
#include <span>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

namespace neigh_helper = platform::neigh_helper;
namespace pin_table = platform::pin_table;

enum ExitStatus { kDone = 0, kNotDone = 1, kBadArguments = 2, kPrivileged = 3 };

// Keeps cap_net_admin in the permitted and effective sets and nothing else, empties the
// inheritable and ambient sets and bars any later exec from gaining privileges, then
// reads the sets back to be sure. Root running the helper keeps no more than anyone.
bool KeepNetAdminOnly() {
    constexpr std::uint32_t kNetAdmin = 1u << CAP_NET_ADMIN; // in the first 32-bit word
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct sets[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, sets) != 0)
        return false;
    const std::uint32_t held = sets[0].permitted & kNetAdmin;
    if (::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0 && errno != EINVAL)
        return false;
    header = {_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct kept[_LINUX_CAPABILITY_U32S_3] = {};
    kept[0].permitted = held;
    kept[0].effective = held;
    if (::syscall(SYS_capset, &header, kept) != 0)
        return false;
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return false;
    header = {_LINUX_CAPABILITY_VERSION_3, 0};
    if (::syscall(SYS_capget, &header, sets) != 0)
        return false;
    return sets[0].permitted == held && sets[0].effective == held && sets[0].inheritable == 0 &&
           sets[1].permitted == 0 && sets[1].effective == 0 && sets[1].inheritable == 0;
}

} // namespace

int main(int argc, char** argv) {
    ::clearenv();
    ::close_range(3, ~0u, 0);
    if (!helper_process::OpenClosedStandardDescriptors())
        return kNotDone;
    if (!KeepNetAdminOnly()) {
        std::fputs("kestrune-neigh: cannot give up its other capabilities\n", stderr);
        return kPrivileged;
    }

    const std::size_t count = argc > 1 ? static_cast<std::size_t>(argc - 1) : 0;
    const auto request =
        neigh_helper::ParseArguments(std::span<const char* const>(argv + (count > 0), count));
    if (!request) {
        std::fputs("usage: kestrune-neigh add INTERFACE-INDEX ADDRESS PHYSICAL-ADDRESS\n"
                   "       kestrune-neigh remove INTERFACE-INDEX ADDRESS\n"
                   "       kestrune-neigh sweep\n",
                   stderr);
        return kBadArguments;
    }
    pin_table::Outcome outcome;
    switch (request->verb) {
    case neigh_helper::Verb::Add:
        outcome =
            pin_table::Add(request->interfaceIndex, request->address, request->physicalAddress);
        break;
    case neigh_helper::Verb::Remove:
        outcome = pin_table::Remove(request->interfaceIndex, request->address);
        break;
    case neigh_helper::Verb::Sweep:
        outcome = pin_table::Sweep();
        break;
    }
    const bool done = outcome.refusal == platform::PinRefusal::None && outcome.error == 0;
    if (!helper_process::WriteAllToStdout(neigh_helper::FormatAnswer(outcome)))
        return kNotDone;
    return done ? kDone : kNotDone;
}
