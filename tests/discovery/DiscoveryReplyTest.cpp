#include "discovery/DiscoveryReply.h"
#include "discovery/HubText.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const std::string kOwn = "198.18.20.1";

std::optional<DiscoveryReply> Parse(const std::string& bytes,
                                    const std::string& source = "198.18.20.7") {
    return ParseDiscoveryReply(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                      bytes.size()),
        source, kOwn);
}

// Line 1 and line 2 of a datagram that counts.
std::pair<std::string, std::string> Lines(const std::string& bytes) {
    const auto reply = Parse(bytes);
    if (!reply)
        return {"<not counted>", "<not counted>"};
    return {reply->modelText, reply->physicalAddress};
}

using LinePair = std::pair<std::string, std::string>;

} // namespace

TEST(DiscoveryReply, RequestIsTheTextAndItsZero) {
    const auto request = DiscoveryRequest();
    ASSERT_EQ(request.size(), 29u);
    EXPECT_EQ(std::string(request.begin(), request.end() - 1), "Discovery: Who is out there?");
    EXPECT_EQ(request.back(), 0);
}

TEST(DiscoveryReply, OwnRequestIsNotCountedAnyOtherDatagramIsWhateverItsText) {
    const std::string request(reinterpret_cast<const char*>(DiscoveryRequest().data()), 29);
    EXPECT_FALSE(Parse(request, kOwn).has_value());
    EXPECT_FALSE(Parse(request.substr(0, 28), kOwn).has_value());
    // A hub that was given the PC's own address still shows.
    EXPECT_TRUE(Parse("A\r\nB\r\n", kOwn).has_value());
    EXPECT_TRUE(Parse("A\r\nB\r\n", "198.18.20.10").has_value()); // no prefix match
    EXPECT_EQ(Lines(request), (LinePair{"Discovery: Who is out there?", ""}));
    EXPECT_EQ(Lines(""), (LinePair{"", ""}));
}

TEST(DiscoveryReply, TwoLinesSplitAtCrOrZero) {
    EXPECT_EQ(Lines("A\r\nB\r\n"), (LinePair{"A", "B"}));
    EXPECT_EQ(Lines("IPH-4 v3.2\r\n00-1A-2B-3C-4D-5E\r\nrest"),
              (LinePair{"IPH-4 v3.2", "00-1A-2B-3C-4D-5E"}));
    EXPECT_EQ(Lines(std::string("AB\0\0CD\0tail", 11)), (LinePair{"AB", "CD"}));
    EXPECT_EQ(Lines("A\rXB\r"), (LinePair{"A", "B"})); // the byte after CR is skipped unseen
    // The first byte of a line is taken whatever it is, and shown as a visible CR.
    EXPECT_EQ(Lines("\rX\r\n\rY"), (LinePair{"\u240dX", "\u240dY"}));
    EXPECT_EQ(Lines(std::string("\0XY\r\nB", 6)), (LinePair{"", "B"}));
}

TEST(DiscoveryReply, LinesNeverReachPastTheReceivedBytes) {
    EXPECT_EQ(Lines("ABC"), (LinePair{"ABC", ""}));
    EXPECT_EQ(Lines("ABC\r"), (LinePair{"ABC", ""}));
    EXPECT_EQ(Lines("ABC\r\n"), (LinePair{"ABC", ""}));
    EXPECT_EQ(Lines("ABC\r\nD"), (LinePair{"ABC", "D"}));

    // A buffer that holds more than was received: the rest (an earlier, longer reply of
    // the same search) must not show through.
    const std::string stale = "NEW\r\nOLD-LEFTOVER-TEXT\r\n";
    const auto reply = ParseDiscoveryReply(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(stale.data()), 5),
        "198.18.20.7", kOwn);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->physicalAddress, "");
}

TEST(DiscoveryReply, LongLinesAreCutAt511Bytes) {
    const std::string longLine(600, 'x');
    const auto [first, second] = Lines(longLine + "\r\n" + longLine + "\r\n");
    EXPECT_EQ(first, std::string(511, 'x'));
    EXPECT_EQ(second, std::string(511, 'x'));
    EXPECT_EQ(Lines(std::string(511, 'y') + "\r\nB"), (LinePair{std::string(511, 'y'), "B"}));

    // A reply that fills the whole 1024-byte buffer, with no room for a terminator.
    const std::string full = "M\r\n" + std::string(1021, 'z');
    EXPECT_EQ(Lines(full), (LinePair{"M", std::string(511, 'z')}));
}

TEST(DiscoveryReply, ModelTextIsUtf8WhenValidElseCp1251) {
    const std::string hub = "Хаб-4 2.05";
    EXPECT_EQ(Lines("IPH-4 2.05\r\nM\r\n").first, "IPH-4 2.05"); // ASCII stays as it is
    EXPECT_EQ(Lines("\xD0\xA5\xD0\xB0\xD0\xB1-4 2.05\r\nM\r\n").first, hub); // UTF-8
    EXPECT_EQ(Lines("\xD5\xE0\xE1-4 2.05\r\nM\r\n").first, hub);             // CP1251
    // Not UTF-8, so CP1251, where 0x98 stands for nothing; 0xA8 and 0xB9 are "Ё" and "№".
    EXPECT_EQ(Lines("\xA8\x98\xB9\r\nM\r\n").first, "Ё\uFFFD№");
    // Overlong and surrogate forms are not UTF-8.
    EXPECT_EQ(Lines("\xC0\xAF\r\n").first, "АЇ");
    EXPECT_EQ(Lines("\xED\xA0\x80\r\n").first, "н\u00A0Ђ");
}

TEST(DiscoveryReply, AUtf8CharacterSplitByTheCutIsDropped) {
    // 255 two-byte letters and one more: the 511-byte cut falls inside the last one.
    std::string line;
    for (int k = 0; k < 256; ++k)
        line += "\xD0\xB1";
    EXPECT_EQ(Lines(line + "\r\nM").first, line.substr(0, 510)); // 255 letters
    // Uncut, a line that ends inside a character is not UTF-8.
    EXPECT_EQ(Lines("A\xD0\r\n").first, "AР");
}

TEST(DiscoveryReply, ControlsInAHubsTextBecomeVisibleStandInsAndATabStays) {
    // An LF would forge a line of the log, an ESC drive the terminal; DEL and C1 hide.
    EXPECT_EQ(Lines("IPH\nFake line\x1b[2J\tv2\x7f\xc2\x9b\r\n00-11\x07\r\n"),
              LinePair("IPH\u240aFake line\u241b[2J\tv2\u2421\ufffd", "00-11\u2407"));
    EXPECT_EQ(VisibleHubText("a\tb", false), "a\u2409b");
    EXPECT_EQ(VisibleHubText("Хаб\x01", false), "Хаб\u2401");
}
