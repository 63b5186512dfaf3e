#pragma once

#include <cstdint>

// The thread's last-error code. Operations that wrap an OS service report failure by
// their result and leave the reason here, with the values a Windows build would leave,
// so that the texts built from these codes read the same on every platform.
//
// Every Windows code the program leaves or reads is named here once, by its Windows
// name and with its Windows value; nothing else writes one as a literal.
namespace platform {

enum ErrorCode : std::uint32_t {
    // The system's error codes (winerror.h).
    kErrorSuccess = 0,              // ERROR_SUCCESS
    kErrorAccessDenied = 5,         // ERROR_ACCESS_DENIED
    kErrorNotEnoughMemory = 8,      // ERROR_NOT_ENOUGH_MEMORY
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
    kErrorTimeout = 1460,           // ERROR_TIMEOUT
    kErrorInvalidUserBuffer = 1784, // ERROR_INVALID_USER_BUFFER

    // Winsock's codes.
    kWsaEIntr = 10004,           // WSAEINTR
    kWsaEBadF = 10009,           // WSAEBADF
    kWsaEAcces = 10013,          // WSAEACCES
    kWsaEFault = 10014,          // WSAEFAULT
    kWsaEInvalid = 10022,        // WSAEINVAL
    kWsaEMFile = 10024,          // WSAEMFILE
    kWsaEWouldBlock = 10035,     // WSAEWOULDBLOCK
    kWsaEInProgress = 10036,     // WSAEINPROGRESS
    kWsaEAlready = 10037,        // WSAEALREADY
    kWsaENotSocket = 10038,      // WSAENOTSOCK
    kWsaEDestAddrReq = 10039,    // WSAEDESTADDRREQ
    kWsaEMsgSize = 10040,        // WSAEMSGSIZE
    kWsaEProtoType = 10041,      // WSAEPROTOTYPE
    kWsaENoProtoOpt = 10042,     // WSAENOPROTOOPT
    kWsaEProtoNoSupport = 10043, // WSAEPROTONOSUPPORT
    kWsaESocktNoSupport = 10044, // WSAESOCKTNOSUPPORT
    kWsaEOpNotSupp = 10045,      // WSAEOPNOTSUPP
    kWsaEPfNoSupport = 10046,    // WSAEPFNOSUPPORT
    kWsaEAfNoSupport = 10047,    // WSAEAFNOSUPPORT
    kWsaEAddrInUse = 10048,      // WSAEADDRINUSE
    kWsaEAddrNotAvail = 10049,   // WSAEADDRNOTAVAIL
    kWsaENetDown = 10050,        // WSAENETDOWN
    kWsaENetUnreach = 10051,     // WSAENETUNREACH
    kWsaENetReset = 10052,       // WSAENETRESET
    kWsaEConnAborted = 10053,    // WSAECONNABORTED
    kWsaEConnReset = 10054,      // WSAECONNRESET
    kWsaENoBufs = 10055,         // WSAENOBUFS
    kWsaEIsConn = 10056,         // WSAEISCONN
    kWsaENotConn = 10057,        // WSAENOTCONN
    kWsaEShutdown = 10058,       // WSAESHUTDOWN
    kWsaETimedOut = 10060,       // WSAETIMEDOUT
    kWsaEConnRefused = 10061,    // WSAECONNREFUSED
    kWsaEHostDown = 10064,       // WSAEHOSTDOWN
    kWsaEHostUnreach = 10065,    // WSAEHOSTUNREACH
    kWsaHostNotFound = 11001,    // WSAHOST_NOT_FOUND
    kWsaTryAgain = 11002,        // WSATRY_AGAIN
    kWsaNoRecovery = 11003,      // WSANO_RECOVERY
    kWsaNoData = 11004,          // WSANO_DATA

    // The ICMP echo service's codes (ipexport.h).
    kIpReqTimedOut = 11010,    // IP_REQ_TIMED_OUT: no echo reply within the time-out
    kIpGeneralFailure = 11050, // IP_GENERAL_FAILURE
};

std::uint32_t GetLastError();
void SetLastError(std::uint32_t code);

} // namespace platform
