#include "hubsession/HubMessage.h"
#include "hubsession/HubParameterRules.h"
#include "tests/common/TextChecks.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Block(std::size_t size, std::initializer_list<std::pair<int, int>> bytes) {
    Bytes block(size, 0);
    for (auto [offset, value] : bytes) {
        block[static_cast<std::size_t>(offset)] = static_cast<std::uint8_t>(value);
    }
    return block;
}

std::string Zeros(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += std::string("00 ");
    }
    return text;
}

TEST(HubRequests, CarryOnlyTheirCodeAndValues) {
    EXPECT_EQ(HexBytes(MakeIpParametersRequest()), std::string("00 00 00 81 ") + Zeros(28));
    EXPECT_EQ(HexBytes(MakeControllerNumberRequest(3)), std::string("00 00 00 82 03 ") + Zeros(27));
    const HubRequest set = MakeSetIpParametersRequest({192, 168, 1, 10}, {255, 255, 255, 0},
                                                      {192, 168, 1, 1});
    EXPECT_EQ(HexBytes(set),
              std::string("00 00 00 80 C0 A8 01 0A FF FF FF 00 C0 A8 01 01 ") + Zeros(16));
    EXPECT_EQ(HexBytes(set).size(), 96);
}

TEST(LinkStatus, IsTakenOnlyWithItsValidityBits) {
    const Bytes taken = Block(32, {{2, 0x80}, {15, 0x80}, {16, 1}, {18, 0xFF}});
    const auto status = DecodeLinkStatus(taken);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->onLink, (std::array<bool, 4>{true, false, true, false}));

    EXPECT_FALSE(DecodeLinkStatus(Block(32, {{2, 0x01}, {15, 0x80}})));
    EXPECT_FALSE(DecodeLinkStatus(Block(32, {{15, 0x7F}})));
    EXPECT_TRUE(DecodeLinkStatus(Block(32, {{15, 0xFF}})));
    // Too short to hold controller 4's flag: ignored rather than read past the end.
    EXPECT_FALSE(DecodeLinkStatus(Block(19, {{15, 0x80}})));
    EXPECT_TRUE(DecodeLinkStatus(Block(20, {{15, 0x80}})));
}

TEST(IpParameters, ReadFirstOctetFirst) {
    const Bytes reply = Block(32, {{3, 0x81}, {4, 0xC0}, {5, 0xA8}, {6, 1}, {7, 10}, {8, 0xFF},
                                   {9, 0xFF}, {10, 0xFF}, {12, 0xC0}, {13, 0xA8}, {14, 1}, {15, 1}});
    const auto parameters = DecodeIpParameters(reply);
    ASSERT_TRUE(parameters);
    EXPECT_EQ(parameters->address, 0xC0A8010Au);
    EXPECT_EQ(parameters->subnetMask, 0xFFFFFF00u);
    EXPECT_EQ(parameters->gateway, 0xC0A80101u);
    EXPECT_FALSE(DecodeIpParameters(Block(15, {})));
}

TEST(ControllerNumberResult, TextsByNumberAndCode) {
    const auto text = [](int number, int code, std::uint32_t asked) {
        const auto result = DecodeControllerNumberResult(Block(32, {{4, number}, {5, code}}));
        return ControllerNumberResultText(*result, asked);
    };
    EXPECT_EQ(text(3, 0, 3), std::string("Номер контроллера успешно установлен"));
    EXPECT_EQ(text(3, 1, 3),
              std::string("Ошибка 1 при записи номера контроллера: запись закончилась неудачно"));
    EXPECT_EQ(text(3, 2, 3), std::string("Ошибка 2 при записи номера контроллера: не обнаружен "
                                         "контроллер с установленной перемычкой"));
    EXPECT_EQ(text(3, 7, 3),
              std::string("Ошибка 7 при записи номера контроллера: неизвестный код ошибки"));
    EXPECT_EQ(text(3, 255, 3),
              std::string("Ошибка 255 при записи номера контроллера: неизвестный код ошибки"));
    EXPECT_EQ(text(4, 0, 3), std::string("Возвращен неверный номер 4 контроллера после записи"));
    // The comparison is with the whole 32-bit number the console asked for.
    EXPECT_EQ(text(4, 0, 260), std::string("Возвращен неверный номер 4 контроллера после записи"));
    EXPECT_FALSE(DecodeControllerNumberResult(Block(5, {})));
}

TEST(HubBlocks, SplitIntoThirtyTwoByteMessagesOnlyWhenTheyAreWhole) {
    const Bytes two = Block(64, {{3, 0x81}, {35, 0x00}});
    const auto messages = SplitHubBlock(two);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0][3], 0x81);
    EXPECT_EQ(messages[1][3], 0x00);
    EXPECT_EQ(messages[1].size(), 32u);

    EXPECT_EQ(SplitHubBlock(Block(32, {})).size(), 1u);
    EXPECT_EQ(SplitHubBlock(Block(48, {})).size(), 1u); // not whole messages: one block
    EXPECT_EQ(SplitHubBlock(Block(1024, {})).size(), 32u);
    EXPECT_EQ(SplitHubBlock(Block(3, {})).size(), 1u);
    EXPECT_TRUE(SplitHubBlock(Bytes{}).empty());
}

TEST(HexBytes, TwoUpperCaseDigitsAndASpaceEach) {
    EXPECT_EQ(HexBytes(Bytes{0x00, 0xAB, 0x7F, 0xFF}), std::string("00 AB 7F FF "));
    EXPECT_EQ(HexBytes(Bytes{}), std::string());
}

// The byte after the first space decides; every character beyond ASCII counts as above
// "1", so a UTF-8 lead byte must be read unsigned.
TEST(FirmwareSupportsControllerNumbers, TheCharacterAfterTheFirstSpaceIsOneOrAbove) {
    for (const std::string& passes : Texts{"IPH-4", "", "IPH-4 1.00", "IPH-4 2.05", "IPH-4 z",
                                           "Хаб-4 2.05", "IPH-4 бета", "IPH-4 \xFF"}) {
        EXPECT_TRUE(FirmwareSupportsControllerNumbers(passes)) << passes;
    }
    for (const std::string& fails : Texts{"IPH-4 0.95", "IPH-4 ", " ", "IPH-4  2.05", "IPH-4 /",
                                          "Хаб-4 0.95", std::string{'I', ' ', '\0', '2'}}) {
        EXPECT_FALSE(FirmwareSupportsControllerNumbers(fails)) << fails;
    }
}

} // namespace
