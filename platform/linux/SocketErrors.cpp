#include "platform/linux/SocketErrors.h"

#include "platform/LastError.h"

#include <cerrno>

namespace platform::linux_errors {

namespace {

struct ErrnoCode {
    int error;
    std::uint32_t code;
};

constexpr ErrnoCode kCodes[] = {
    {EINTR, kWsaEIntr},
    {EBADF, kWsaEBadF},
    {EACCES, kWsaEAcces},
    {EPERM, kWsaEAcces},
    {EFAULT, kWsaEFault},
    {EINVAL, kWsaEInvalid},
    {EMFILE, kWsaEMFile},
    {ENFILE, kWsaEMFile},
    {EAGAIN, kWsaEWouldBlock},
    {EINPROGRESS, kWsaEInProgress},
    {EALREADY, kWsaEAlready},
    {ENOTSOCK, kWsaENotSocket},
    {EDESTADDRREQ, kWsaEDestAddrReq},
    {EMSGSIZE, kWsaEMsgSize},
    {EPROTOTYPE, kWsaEProtoType},
    {ENOPROTOOPT, kWsaENoProtoOpt},
    {EPROTONOSUPPORT, kWsaEProtoNoSupport},
    {ESOCKTNOSUPPORT, kWsaESocktNoSupport},
    {EOPNOTSUPP, kWsaEOpNotSupp},
    {EPFNOSUPPORT, kWsaEPfNoSupport},
    {EAFNOSUPPORT, kWsaEAfNoSupport},
    {EADDRINUSE, kWsaEAddrInUse},
    {EADDRNOTAVAIL, kWsaEAddrNotAvail},
    // SO_BINDTODEVICE names an interface that has gone: the adapter's address is gone.
    {ENODEV, kWsaEAddrNotAvail},
    {ENETDOWN, kWsaENetDown},
    {ENETUNREACH, kWsaENetUnreach},
    {ENETRESET, kWsaENetReset},
    {ECONNABORTED, kWsaEConnAborted},
    {ECONNRESET, kWsaEConnReset},
    {ENOBUFS, kWsaENoBufs},
    {EISCONN, kWsaEIsConn},
    {ENOTCONN, kWsaENotConn},
    {ESHUTDOWN, kWsaEShutdown},
    {EPIPE, kWsaEShutdown},
    {ETIMEDOUT, kWsaETimedOut},
    {ECONNREFUSED, kWsaEConnRefused},
    {EHOSTDOWN, kWsaEHostDown},
    {EHOSTUNREACH, kWsaEHostUnreach},
    {ENOMEM, kErrorOutOfMemory},
};

} // namespace

std::uint32_t WindowsCode(int error) {
    if (error == 0)
        return kErrorSuccess;
    for (const ErrnoCode& entry : kCodes) {
        if (entry.error == error)
            return entry.code;
    }
    return kErrorGenFailure;
}

void SetLastSocketError(int error) {
    SetLastError(WindowsCode(error));
}

void SetLastSocketErrorFromErrno() {
    SetLastSocketError(errno);
}

} // namespace platform::linux_errors
