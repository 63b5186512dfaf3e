#include "hubsession/HubDispatch.h"
#include "tests/common/TextChecks.h"
#include "tests/hubsession/RecordingHubConsole.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Message(int code, std::initializer_list<std::pair<int, int>> bytes, std::size_t size = 32) {
    Bytes message(size, 0);
    message[3] = static_cast<std::uint8_t>(code);
    for (auto [offset, value] : bytes) {
        message[static_cast<std::size_t>(offset)] = static_cast<std::uint8_t>(value);
    }
    return message;
}

Texts Dispatch(const Bytes& block) {
    RecordingHubConsole console;
    DispatchHubBlock(block, console);
    return console.calls;
}

TEST(HubDispatch, EachCodeReachesItsReaction) {
    EXPECT_EQ(Dispatch(Message(0x00, {{15, 0x80}, {16, 1}, {18, 0xFF}})), Texts{"link 1010"});
    EXPECT_EQ(Dispatch(Message(0x81, {{4, 0xC0},
                                      {5, 0xA8},
                                      {6, 1},
                                      {7, 10},
                                      {8, 0xFF},
                                      {9, 0xFF},
                                      {10, 0xFF},
                                      {12, 0xC0},
                                      {13, 0xA8},
                                      {14, 1},
                                      {15, 1}})),
              (Texts{"ip c0a8010a", "mask ffffff00", "gateway c0a80101"}));
    EXPECT_EQ(Dispatch(Message(0x82, {{4, 3}, {5, 2}})), Texts{"number 3 result 2"});
}

TEST(HubDispatch, IgnoresWhatTheConsoleMustNotBelieve) {
    EXPECT_TRUE(Dispatch(Message(0x00, {{2, 0x01}, {15, 0x80}})).empty());
    EXPECT_TRUE(Dispatch(Message(0x00, {{15, 0x7F}})).empty());
    EXPECT_TRUE(Dispatch(Message(0x80, {{4, 1}})).empty());
    EXPECT_TRUE(Dispatch(Message(0x42, {})).empty());
    EXPECT_TRUE(Dispatch(Bytes{0, 0, 0}).empty());
    EXPECT_TRUE(Dispatch(Message(0x81, {}, 15)).empty());
    EXPECT_TRUE(Dispatch(Message(0x82, {}, 5)).empty());
    EXPECT_EQ(Dispatch(Message(0x82, {{4, 1}}, 6)), Texts{"number 1 result 0"});
}

TEST(HubDispatch, BackToBackMessagesInOneReadEachCount) {
    Bytes block = Message(0x81, {{7, 1}});
    const Bytes link = Message(0x00, {{15, 0x80}, {19, 1}});
    block.insert(block.end(), link.begin(), link.end());
    EXPECT_EQ(Dispatch(block),
              (Texts{"ip 00000001", "mask 00000000", "gateway 00000000", "link 0001"}));

    // A block that is not whole messages stays one message, read by its first code.
    Bytes odd = Message(0x82, {{4, 2}});
    odd.resize(40);
    EXPECT_EQ(Dispatch(odd), Texts{"number 2 result 0"});
}

} // namespace
