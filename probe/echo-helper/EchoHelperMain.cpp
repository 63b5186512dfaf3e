// kestrune-echo: sends one ICMP echo request for the program and reports the reply. The
// package gives this file, and no other, cap_net_raw. The helper uses the capability for
// the one thing that needs it, opening a raw ICMP socket, and gives up every capability
// before it reads its arguments, sends or receives anything. It takes nothing from its
// environment and loads nothing at run time (it is linked statically).
//
//   kestrune-echo ADDRESS TTL TOS DONT-FRAGMENT TIME-OUT DATA
//
// platform/linux/EchoHelperProtocol.h describes the arguments and the answer. It sends only
// the program's own probe; any other request gets the error line of ERROR_INVALID_PARAMETER.
// Exit status: 0 with a reply, 1 with an error line, 2 for arguments that are not a
// request, 3 when the capabilities could not be given up.
#include "platform/LastError.h"
#include "platform/linux/HelperProcess.h"
#include "platform/linux/EchoHelper.h"
#include "platform/linux/EchoHelperProtocol.h"
#include "platform/linux/SocketErrors.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/capability.h>
#include <span>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

namespace echo_helper = platform::echo_helper;

enum ExitStatus { kReplied = 0, kFailed = 1, kBadArguments = 2, kPrivileged = 3 };

// Empties the permitted, effective, inheritable and ambient sets and bars any later exec
// from gaining privileges, then reads the sets back to be sure.
bool DropCapabilities() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct sets[_LINUX_CAPABILITY_U32S_3] = {};
    if (::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0 && errno != EINVAL)
        return false;
    if (::syscall(SYS_capset, &header, sets) != 0)
        return false;
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0)
        return false;
    header = {_LINUX_CAPABILITY_VERSION_3, 0};
    if (::syscall(SYS_capget, &header, sets) != 0)
        return false;
    for (const __user_cap_data_struct& set : sets) {
        if (set.effective != 0 || set.permitted != 0 || set.inheritable != 0)
            return false;
    }
    return true;
}

int Fail(std::uint32_t code) {
    helper_process::WriteAllToStdout(echo_helper::FormatError(code != 0 ? code : platform::kIpGeneralFailure));
    return kFailed;
}

} // namespace

int main(int argc, char** argv) {
    ::clearenv();
    // Only stdin, stdout and stderr are ours; nothing else the caller left open.
    ::close_range(3, ~0u, 0);
    if (!helper_process::OpenClosedStandardDescriptors())
        return kFailed;

    const int socket = platform::OpenRawEchoSocket();
    const int openError = errno;
    if (!DropCapabilities()) {
        std::fputs("kestrune-echo: cannot give up its capabilities\n", stderr);
        return kPrivileged;
    }

    const std::size_t count = argc > 1 ? static_cast<std::size_t>(argc - 1) : 0;
    const auto request =
        echo_helper::ParseArguments(std::span<const char* const>(argv + (count > 0), count));
    if (!request) {
        std::fputs("usage: kestrune-echo ADDRESS TTL TOS DONT-FRAGMENT TIME-OUT DATA\n", stderr);
        return kBadArguments;
    }
    if (!echo_helper::IsProbeRequest(*request))
        return Fail(platform::kErrorInvalidParameter);
    if (socket < 0) {
        platform::linux_errors::SetLastSocketError(openError);
        return Fail(platform::GetLastError());
    }
    const auto channel = platform::RawEchoChannelOn(socket);
    if (!channel)
        return Fail(platform::GetLastError());

    platform::EchoRequestOptions options;
    options.ttl = request->ttl;
    options.tos = request->tos;
    options.flags = request->dontFragment ? platform::kEchoFlagDontFragment : 0;
    std::vector<std::uint8_t> reply(sizeof(platform::EchoReplyRecord) + echo_helper::kMaxData);
    const std::uint32_t replies =
        channel->SendEcho(request->destination, request->data.data(),
                          static_cast<std::uint16_t>(request->data.size()), options, reply.data(),
                          static_cast<std::uint32_t>(reply.size()), request->timeoutMs);
    if (replies != 1)
        return Fail(platform::GetLastError());

    platform::EchoReplyRecord record;
    std::memcpy(&record, reply.data(), sizeof record);
    const std::span<const std::uint8_t> payload(reply.data() + record.dataOffset, record.dataSize);
    return helper_process::WriteAllToStdout(echo_helper::FormatReply(record, payload)) ? kReplied : kFailed;
}
