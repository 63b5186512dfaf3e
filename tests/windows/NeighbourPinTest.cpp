#include "platform/NeighbourPin.h"

// clang-format off
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>
#include <windows.h>
// clang-format on

#include <gtest/gtest.h>

namespace {

// The interface that holds 127.0.0.1.
std::uint32_t LoopbackIndex() {
    MIB_UNICASTIPADDRESS_TABLE* table = nullptr;
    if (::GetUnicastIpAddressTable(AF_INET, &table) != NO_ERROR)
        return 0;
    std::uint32_t index = 0;
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        if (table->Table[i].Address.Ipv4.sin_addr.S_un.S_addr == htonl(INADDR_LOOPBACK))
            index = table->Table[i].InterfaceIndex;
    }
    ::FreeMibTable(table);
    return index;
}

// A pin fails with a reason wherever it cannot be made, also on a Windows whose IP Helper
// lacks the neighbour entry calls (Wine's has none). An interface that does not exist is
// refused before anything changes. The loopback interface passes every check, so the pin
// reaches the entry calls; it has no neighbours, so nothing is left behind.
TEST(NeighbourPin, FailsWithAReasonWhereItCannotPin) {
    const auto pinner = platform::MakeNeighbourPinner();
    const platform::PhysicalAddress hub{0x02, 0, 0x5e, 0x12, 0, 0x0b};
    const auto result = pinner->Pin(0x7ffffff0u, {198, 18, 4, 11}, hub);
    EXPECT_FALSE(result.pin);
    if (result.failure.kind == platform::PinFailureKind::SystemError) {
        EXPECT_EQ(result.failure.code, 120u); // ERROR_CALL_NOT_IMPLEMENTED
    } else {
        EXPECT_EQ(result.failure.refusal, platform::PinRefusal::NoSuchInterface);
    }
    EXPECT_NE(platform::DescribePinFailure(result.failure), "");

    const std::uint32_t loopback = LoopbackIndex();
    ASSERT_NE(loopback, 0u);
    auto onLoopback = pinner->Pin(loopback, {127, 0, 0, 5}, hub);
    if (onLoopback.pin)
        EXPECT_FALSE(onLoopback.pin->Remove());
    else
        EXPECT_NE(platform::DescribePinFailure(onLoopback.failure), "");
    EXPECT_FALSE(pinner->SweepLeftovers());
}

} // namespace
