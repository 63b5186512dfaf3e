#pragma once

#include <cstdint>

// The thread's last-error code. Operations that wrap an OS service report failure by
// their result and leave the reason here, with the values a Windows build would leave,
// so that the texts built from these codes read the same on every platform.
namespace platform {

enum ErrorCode : std::uint32_t {
    kErrorSuccess = 0,
    kErrorOutOfMemory = 14,         // ERROR_OUTOFMEMORY
    kErrorGenFailure = 31,          // ERROR_GEN_FAILURE
    kErrorNotSupported = 50,        // ERROR_NOT_SUPPORTED
    kErrorUnexpNetErr = 59,         // ERROR_UNEXP_NET_ERR
    kErrorBadNetName = 67,          // ERROR_BAD_NET_NAME: no ARP reply
    kErrorInvalidParameter = 87,    // ERROR_INVALID_PARAMETER
    kErrorBufferOverflow = 111,     // ERROR_BUFFER_OVERFLOW
    kErrorCallNotImplemented = 120, // ERROR_CALL_NOT_IMPLEMENTED
    kErrorInsufficientBuffer = 122, // ERROR_INSUFFICIENT_BUFFER
    kErrorNoData = 232,             // ERROR_NO_DATA
    kErrorNotFound = 1168,          // ERROR_NOT_FOUND
    kErrorInvalidUserBuffer = 1784, // ERROR_INVALID_USER_BUFFER
    kErrorTimeout = 11010,          // IP_REQ_TIMED_OUT: no echo reply in time
};

std::uint32_t GetLastError();
void SetLastError(std::uint32_t code);

} // namespace platform
