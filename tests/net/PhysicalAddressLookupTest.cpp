#include "adapters/PhysicalAddressLookup.h"

#include "net/SocketComm.h"
#include "tests/net/SocketTestSupport.h"
#include "tests/support/BetweenHosts.h"

#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

using namespace kntest;

namespace {

const std::uint32_t kHub = Ipv4("198.18.0.2");
const std::uint8_t kMac[6] = {0x02, 0x4B, 0x4E, 0x0A, 0xB0, 0xFF};

TEST(PhysicalAddressLogText, SuccessLogsOneLineAndAppendsTheAddress) {
    std::string text;
    EXPECT_EQ(PhysicalAddressLogText(kHub, 0, kMac, 6, text),
              "Физический адрес хаба: 02-4B-4E-0A-B0-FF\r\n");
    EXPECT_EQ(text, "02-4B-4E-0A-B0-FF");
    EXPECT_EQ(text.size(), 17u);
}

TEST(PhysicalAddressLogText, FailuresLogTheRequestAndTheCodeWithItsName) {
    const std::string request = "Послан ARP запрос на IP адрес: 198.18.0.2\r\n";
    const std::string error = "Ошибка: SendArp закончился неудачей с ошибкой: ";
    const std::pair<std::uint32_t, std::string> cases[] = {
        {67, "67 (ERROR_GEN_FAILURE)\r\n"},
        {31, "31 (ERROR_GEN_FAILURE)\r\n"},
        {50, "50 (ERROR_NOT_SUPPORTED)\r\n"},
        {87, "87 (ERROR_INVALID_PARAMETER)\r\n"},
        {111, "111 (ERROR_BUFFER_OVERFLOW)\r\n"},
        {1168, "1168 (ERROR_NOT_FOUND)\r\n"},
        {1784, "1784 (ERROR_INVALID_USER_BUFFER)\r\n"},
        {5, "5\r\n"},
    };
    for (const auto& [code, ending] : cases) {
        std::string text;
        EXPECT_EQ(PhysicalAddressLogText(kHub, code, kMac, 6, text), request + error + ending);
        EXPECT_TRUE(text.empty());
    }
}

TEST(PhysicalAddressLogText, SuccessWithNothingDeliveredIsAWarning) {
    std::string text;
    EXPECT_EQ(PhysicalAddressLogText(kHub, 0, kMac, 0, text),
              "Послан ARP запрос на IP адрес: 198.18.0.2\r\n"
              "Внимание: SendArp удачно завершился, но возвращённый размер физического "
              "адреса=0\r\n");
    EXPECT_TRUE(text.empty());
}

TEST(PhysicalAddressLookup, ClosedConnectionAsksAbout0000AndFails) {
    CSocketComm closed;
    std::string text;
    EXPECT_EQ(LookUpHubPhysicalAddress(closed, text),
              "Послан ARP запрос на IP адрес: 0.0.0.0\r\n"
              "Ошибка: SendArp закончился неудачей с ошибкой: 87 (ERROR_INVALID_PARAMETER)\r\n");
    EXPECT_TRUE(text.empty());
}

using PhysicalAddressLookupBetweenHosts = BetweenHosts<>;

TEST_F(PhysicalAddressLookupBetweenHosts, TheHubOfAnOpenSessionIsFound) {
    std::unique_ptr<TcpListener> listener;
    {
        NetnsScope atHub(hosts->Hub().Name());
        listener = std::make_unique<TcpListener>(TwoHosts::kHubAddress, 5000);
    }
    CSocketComm session;
    ASSERT_TRUE(session.OpenConnection(TwoHosts::kPcAddress, TwoHosts::kHubAddress, "5000",
                                       platform::kAddressFamilyInet, platform::kSocketStream));
    std::string text;
    const auto start = Clock::now();
    EXPECT_EQ(LookUpHubPhysicalAddress(session, text),
              "Физический адрес хаба: 02-4B-4E-00-00-02\r\n");
    RecordProperty("lookup_ms", static_cast<int>(MillisecondsSince(start)));
    EXPECT_EQ(text, "02-4B-4E-00-00-02");
}

TEST_F(PhysicalAddressLookupBetweenHosts, AnAbsentHostReports67) {
    std::string text;
    const auto start = Clock::now();
    EXPECT_EQ(
        LookUpHubPhysicalAddress(Ipv4(TwoHosts::kAbsentAddress), Ipv4(TwoHosts::kPcAddress), text),
        "Послан ARP запрос на IP адрес: 198.18.0.77\r\n"
        "Ошибка: SendArp закончился неудачей с ошибкой: 67 (ERROR_GEN_FAILURE)\r\n");
    RecordProperty("absent_ms", static_cast<int>(MillisecondsSince(start)));
    EXPECT_TRUE(text.empty());
}

} // namespace
