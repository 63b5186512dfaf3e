#include "platform/windows/WindowsFirewall.h"

#include <gtest/gtest.h>

namespace {

using platform::windows::PortListCovers;

TEST(WindowsFirewallPorts, ListsRangesAndKeywords) {
    EXPECT_TRUE(PortListCovers(L"*", 30303));
    EXPECT_TRUE(PortListCovers(L"30303", 30303));
    EXPECT_TRUE(PortListCovers(L"5000, 30000-30400", 30303));
    EXPECT_TRUE(PortListCovers(L"RPC,30303", 30303));
    EXPECT_FALSE(PortListCovers(L"", 30303));
    EXPECT_FALSE(PortListCovers(L"3030,30304-30400", 30303));
    EXPECT_FALSE(PortListCovers(L"RPC-EPMap,Teredo", 30303));
    EXPECT_FALSE(PortListCovers(L"30303-", 30303));
}

} // namespace
