#include "platform/linux/SocketErrors.h"

#include "platform/LastError.h"

#include <cerrno>
#include <cstdint>

namespace platform::linux_errors {

namespace {

struct ErrnoCode {
    int error;
    std::uint32_t code;
};

// Winsock's WSAE* values; the ones without a Winsock counterpart go to the Windows
// system error that means the same.
constexpr ErrnoCode kCodes[] = {
    {EINTR, 10004},           {EBADF, 10009},
    {EACCES, 10013},          {EPERM, 10013},
    {EFAULT, 10014},          {EINVAL, 10022},
    {EMFILE, 10024},          {ENFILE, 10024},
    {EAGAIN, 10035},          {EINPROGRESS, 10036},
    {EALREADY, 10037},        {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039},    {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},      {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},      {EPFNOSUPPORT, 10046},
    {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049},   {ENETDOWN, 10050},
    {ENETUNREACH, 10051},     {ENETRESET, 10052},
    {ECONNABORTED, 10053},    {ECONNRESET, 10054},
    {ENOBUFS, 10055},         {EISCONN, 10056},
    {ENOTCONN, 10057},        {ESHUTDOWN, 10058},
    {EPIPE, 10058},           {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061},    {EHOSTDOWN, 10064},
    {EHOSTUNREACH, 10065},    {ENOMEM, 14},
};

} // namespace

void SetLastSocketError(int error) {
    for (const ErrnoCode& entry : kCodes) {
        if (entry.error == error) {
            SetLastError(entry.code);
            return;
        }
    }
    SetLastError(kErrorGenFailure);
}

void SetLastSocketErrorFromErrno() {
    SetLastSocketError(errno);
}

} // namespace platform::linux_errors
