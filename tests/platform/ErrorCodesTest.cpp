#include "platform/DiscoverySocket.h"
#include "platform/LastError.h"
#include "platform/linux/SocketErrors.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>

namespace {

using platform::linux_errors::WindowsCode;

// The codes the log lines show: one errno, one number, whichever service failed.
TEST(ErrorCodes, OneErrnoGivesOneWindowsCode) {
    EXPECT_EQ(WindowsCode(0), platform::kErrorSuccess);
    EXPECT_EQ(WindowsCode(ENOMEM), 14u);          // ERROR_OUTOFMEMORY
    EXPECT_EQ(WindowsCode(EBADF), 10009u);        // WSAEBADF
    EXPECT_EQ(WindowsCode(EACCES), 10013u);       // WSAEACCES
    EXPECT_EQ(WindowsCode(EPERM), 10013u);
    EXPECT_EQ(WindowsCode(ENOBUFS), 10055u);      // WSAENOBUFS
    EXPECT_EQ(WindowsCode(ECONNREFUSED), 10061u); // WSAECONNREFUSED
    EXPECT_EQ(WindowsCode(ENODEV), 10049u);       // WSAEADDRNOTAVAIL: the adapter is gone
    EXPECT_EQ(WindowsCode(EXDEV), 31u);           // nothing matches: ERROR_GEN_FAILURE

    platform::linux_errors::SetLastSocketError(ENOMEM);
    EXPECT_EQ(platform::GetLastError(), 14u);
}

TEST(ErrorCodes, TheDiscoverySocketReportsThroughTheSameTable) {
    // Reading from a socket never created fails with EBADF, which a socket of the session
    // reports as WSAEBADF: the search's socket must say the same.
    const auto socket = platform::MakeDiscoverySocket();
    std::array<std::uint8_t, 16> buffer{};
    platform::ReceivedDatagram datagram;
    platform::SetLastError(0);
    EXPECT_FALSE(socket->Receive(buffer, datagram));
    EXPECT_EQ(platform::GetLastError(), WindowsCode(EBADF));
    EXPECT_EQ(platform::GetLastError(), 10009u);
}

} // namespace
