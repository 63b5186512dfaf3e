// The echo helper's request and answer, and the program's side of it against scripted
// helpers: whatever the helper does, the request ends with a record or a last-error code
// within the time-out and a margin, and no helper is left behind.
#include "platform/linux/EchoHelper.h"

#include "platform/LastError.h"
#include "platform/SocketApi.h"
#include "platform/linux/EchoHelperProtocol.h"
#include "tests/probe/HelperInstall.h"

#include <chrono>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace {

namespace eh = platform::echo_helper;
using kntest::ScratchFolder;

constexpr std::uint32_t kHub = 0x020012C6; // 198.18.0.2 in network byte order

std::optional<eh::Request> Parse(const std::vector<std::string>& arguments) {
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments)
        pointers.push_back(argument.c_str());
    return eh::ParseArguments(pointers);
}

auto Fields(const platform::EchoReplyRecord& r) {
    return std::tuple(r.address, r.status, r.roundTripMs, r.ttl, r.tos, r.flags, r.dataSize);
}

TEST(EchoHelperProtocol, RequestsAndAnswersComeBackWhole) {
    const eh::Request request{kHub, 10, 0x10, true, 1000, {0x45, 0x00, 0xff}};
    const std::vector<std::string> arguments = eh::FormatArguments(request);
    EXPECT_EQ(arguments,
              (std::vector<std::string>{"198.18.0.2", "10", "16", "1", "1000", "4500ff"}));
    const auto back = Parse(arguments);
    ASSERT_TRUE(back);
    EXPECT_EQ(std::tuple(back->destination, back->ttl, back->tos, back->dontFragment,
                         back->timeoutMs, back->data),
              std::tuple(kHub, 10, 0x10, true, 1000u, request.data));
    const auto edges = Parse({"0.0.0.0", "0", "255", "0", "4294967295", "-"});
    ASSERT_TRUE(edges);
    EXPECT_TRUE(edges->data.empty());
    EXPECT_EQ(edges->timeoutMs, platform::kInfinite);
    EXPECT_TRUE(Parse({"198.18.0.2", "1", "0", "0", "1", std::string(2 * eh::kMaxData, 'a')}));

    platform::EchoReplyRecord record;
    record.address = kHub;
    record.roundTripMs = 7;
    record.ttl = 64;
    record.tos = 0x10;
    record.flags = platform::kEchoFlagDontFragment;
    record.dataSize = 3;
    const std::vector<std::uint8_t> payload{0x45, 0x45, 0x00};
    const std::string text = eh::FormatReply(record, payload);
    EXPECT_EQ(text, "reply 198.18.0.2 0 7 64 16 2 454500\n");
    const auto answer = eh::ParseAnswer(text);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->error, 0u);
    EXPECT_EQ(Fields(answer->record), Fields(record));
    EXPECT_EQ(answer->payload, payload);
    const auto failure = eh::ParseAnswer(eh::FormatError(platform::kIpReqTimedOut));
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->error, platform::kIpReqTimedOut);
    EXPECT_TRUE(eh::ParseAnswer("reply 198.18.0.2 0 7 64 16 2 -\n"));
}

TEST(EchoHelperProtocol, ArgumentsOutsideTheirRangesAreNoRequest) {
    const std::vector<std::string> good{"198.18.0.2", "10", "0", "0", "1000", "45"};
    ASSERT_TRUE(Parse(good));
    // clang-format off
    const std::vector<std::pair<std::size_t, std::string>> bad = {
        {0, "198.18.0"}, {0, "198.18.0.2.1"}, {0, "198.18.0.256"}, {0, "198.18.0.02"},
        {0, "198.18..2"}, {0, " 198.18.0.2"}, {0, "198.18.0.2 "}, {0, "host"},
        {1, "256"}, {1, "-1"}, {1, "+1"}, {1, "010"}, {1, ""}, {2, "300"}, {3, "2"}, {3, "yes"},
        {4, "4294967296"}, {4, "99999999999"}, {4, "1e3"},
        {5, ""}, {5, "4"}, {5, "4G"}, {5, "4A"}, {5, "--"}, {5, std::string(2 * eh::kMaxData + 2, 'a')},
    };
    // clang-format on
    for (const auto& [field, value] : bad) {
        std::vector<std::string> arguments = good;
        arguments[field] = value;
        EXPECT_FALSE(Parse(arguments)) << "argument " << field << " '" << value << "'";
    }
    EXPECT_FALSE(Parse({"198.18.0.2", "10", "0", "0", "1000"}));
    EXPECT_FALSE(Parse({"198.18.0.2", "10", "0", "0", "1000", "45", "45"}));
}

// The program's probe as the helper's arguments.
std::vector<std::string> ProbeArguments() {
    std::string data;
    for (std::size_t i = 0; i < eh::kProbeDataSize; ++i)
        data += "45";
    return {"198.18.0.2", "10", "0", "0", "1000", data};
}

TEST(EchoHelperProtocol, OnlyTheProgramsProbeIsServed) {
    const std::string probeData = ProbeArguments()[5];
    // clang-format off
    const std::vector<std::pair<std::size_t, std::string>> served = {
        {0, "1.0.0.1"}, {0, "127.0.0.1"}, {0, "223.255.255.254"}, {1, "1"}, {1, "255"},
        {3, "1"}, {4, "0"}, {4, "10000"},
    };
    const std::vector<std::pair<std::size_t, std::string>> refused = {
        {0, "0.0.0.0"}, {0, "0.1.2.3"}, {0, "224.0.0.1"}, {0, "239.255.255.255"}, {0, "240.0.0.1"},
        {0, "255.255.255.255"}, {1, "0"}, {2, "16"}, {2, "184"}, {4, "10001"}, {4, "4294967295"},
        {5, "-"}, {5, probeData.substr(2)}, {5, probeData + "45"}, {5, std::string(2 * 65000, 'a')},
        {5, probeData.substr(2) + "46"}, {5, std::string(probeData.size(), '0')},
    };
    // clang-format on
    const auto parse = [](std::size_t field, const std::string& value) {
        std::vector<std::string> arguments = ProbeArguments();
        arguments[field] = value;
        const auto request = Parse(arguments);
        EXPECT_TRUE(request) << "argument " << field << " '" << value << "'";
        return request.value_or(eh::Request{});
    };
    EXPECT_TRUE(eh::IsProbeRequest(parse(0, "198.18.0.2")));
    for (const auto& [field, value] : served)
        EXPECT_TRUE(eh::IsProbeRequest(parse(field, value))) << field << " '" << value << "'";
    for (const auto& [field, value] : refused)
        EXPECT_FALSE(eh::IsProbeRequest(parse(field, value))) << field << " '" << value << "'";
}

// The helper itself, without its capability: it refuses before it would need its socket.
TEST(EchoHelperProgram, AnythingButTheProbeGetsAnErrorLineAndNothingIsSent) {
    for (const auto& [field, value] : std::initializer_list<std::pair<std::size_t, std::string>>{
             {5, std::string(2 * 65000, 'a')}, {2, "16"}, {0, "224.0.0.1"}, {4, "4294967295"}}) {
        std::vector<std::string> arguments = ProbeArguments();
        arguments[field] = value;
        const kntest::HelperExit run = kntest::RunHelperDirectly(KESTRUNE_ECHO_HELPER, arguments);
        EXPECT_EQ(run.status, 1) << field;
        EXPECT_EQ(run.output, "error 87\n") << field;
    }
}

TEST(EchoHelperProtocol, AGarbledOrCutAnswerIsNoAnswer) {
    const std::string reply = "reply 198.18.0.2 0 7 64 16 2 454545\n";
    for (std::size_t length = 0; length < reply.size(); ++length)
        EXPECT_FALSE(eh::ParseAnswer(reply.substr(0, length))) << length;
    std::string nul = "error 11010\n";
    nul[6] = '\0';
    // clang-format off
    for (const std::string& garbled : std::initializer_list<std::string>{
             reply + reply, reply + "\n", "reply 198.18.0.2 0 7 64 16 2 454545 \n",
             "reply  198.18.0.2 0 7 64 16 2 454545\n", " " + reply, "reply 198.18.0.2 0 7 64 16 2 454545\r\n",
             "reply 198.18.0.2 0 7 64 16 2\n", "reply 198.18.0.2 0 7 64 16 2 45 45\n",
             "reply 198.18.0.2 0 7 64 16 256 4545\n", "reply 198.18.0.2 0 -7 64 16 2 4545\n",
             "reply 198.18.0.2 0 4294967296 64 16 2 4545\n", "reply 198.18.0.2 0 7 64 16 2 454\n",
             "reply 198.18.0.2 0 7 64 16 2 45X5\n", "reply 198.18.0 0 7 64 16 2 4545\n",
             "REPLY 198.18.0.2 0 7 64 16 2 4545\n", "error 0\n", "error\n", "error 11010 1\n",
             "error 011010\n", "error 11010", "ok\n", "\n", nul,
             "reply 198.18.0.2 0 7 64 16 2 " + std::string(2 * eh::kMaxData + 2, 'a') + "\n"})
        EXPECT_FALSE(eh::ParseAnswer(garbled)) << garbled;
    // clang-format on
}

TEST(EchoHelperLoad, TheFailureNamesTheHelperAndWhatItLacks) {
    EXPECT_EQ(platform::LoadEchoHelper("/nonexistent/kestrune-echo").failure,
              "помощник эхо-запросов /nonexistent/kestrune-echo недоступен: нет такого файла");
    ScratchFolder folder;
    const std::string plain = folder.Install(KESTRUNE_ECHO_HELPER, "kestrune-echo");
    ASSERT_FALSE(plain.empty());
    const auto withoutCapability = platform::LoadEchoHelper(plain);
    EXPECT_FALSE(withoutCapability.provider);
    EXPECT_EQ(withoutCapability.failure,
              "помощник эхо-запросов " + plain + " недоступен: нет права cap_net_raw");

    // A program of the build tree looks for the helper beside itself.
    char self[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    const std::string program = self;
    EXPECT_EQ(platform::EchoHelperPath(), program.substr(0, program.rfind('/')) + "/kestrune-echo");
}

// Scripts in place of the helper, given the helper's capability so that they load (the
// kernel ignores a script's capabilities, so nothing runs privileged).
class ScriptedHelper : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to give the scripted helpers a capability (setcap)";
        ASSERT_TRUE(folder.Ok());
    }

    // One request of 32 bytes through a helper that is the script body; what it left in
    // the reply buffer goes to record and payload.
    bool Request(const std::string& body, std::uint32_t timeoutMs = 1000,
                 std::uint32_t replySize = 64) {
        const std::string script = folder.Write("helper", "#!/bin/sh\n" + body + "\n", 0755);
        EXPECT_TRUE(kntest::RunQuietly({"setcap", "cap_net_raw+ep", script}));
        auto loaded = platform::LoadEchoHelper(script);
        if (!loaded.provider) {
            ADD_FAILURE() << loaded.failure;
            return false;
        }
        const std::vector<std::uint8_t> data(32, 0x45);
        platform::EchoRequestOptions options;
        options.ttl = 10;
        options.flags = platform::kEchoFlagDontFragment;
        std::vector<std::uint8_t> buffer(replySize, 0xEE);
        const auto start = std::chrono::steady_clock::now();
        const std::uint32_t replies = loaded.provider->Open()->SendEcho(
            kHub, data.data(), 32, options, buffer.data(), replySize, timeoutMs);
        lastError = platform::GetLastError();
        elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
        std::memcpy(&record, buffer.data(), sizeof record);
        payload.assign(buffer.begin() + sizeof record, buffer.end());
        return replies == 1;
    }

    std::string Read(const std::string& name) const {
        std::stringstream text;
        text << std::ifstream(folder.Path() + "/" + name).rdbuf();
        return text.str();
    }

    ScratchFolder folder;
    std::uint32_t lastError = 0;
    long long elapsedMs = 0;
    platform::EchoReplyRecord record;
    std::vector<std::uint8_t> payload;
};

TEST_F(ScriptedHelper, GetsTheRequestAsItsArgumentsWithNoEnvironment) {
    const std::string out = folder.Path();
    ASSERT_TRUE(Request("echo \"$@\" >" + out + "/arguments\n" +
                        "tr '\\0' '\\n' </proc/$$/environ >" + out + "/environment\n" +
                        "echo 'reply 198.18.0.2 0 7 64 16 2 4545'"));
    std::string data;
    for (int i = 0; i < 32; ++i)
        data += "45";
    EXPECT_EQ(Read("arguments"), "198.18.0.2 10 0 1 1000 " + data + "\n");
    EXPECT_EQ(Read("environment"), "");
}

TEST_F(ScriptedHelper, AReplyFillsTheRecordWithThePayloadCutToTheRoomLeft) {
    ASSERT_TRUE(Request("echo 'reply 198.18.0.2 0 7 64 16 2 45454545'"));
    EXPECT_EQ(Fields(record), std::tuple(kHub, 0u, 7u, 64, 16, 2, 4));
    EXPECT_EQ(record.dataOffset, sizeof record);
    EXPECT_EQ(std::vector<std::uint8_t>(payload.begin(), payload.begin() + 4),
              std::vector<std::uint8_t>(4, 0x45));

    ASSERT_TRUE(Request("echo 'reply 198.18.0.2 0 7 64 16 2 " + std::string(40, '4') + "'", 1000,
                        sizeof record + 8));
    EXPECT_EQ(record.dataSize, 8);
}

TEST_F(ScriptedHelper, AFailureKeepsTheHelpersCodeAndAnythingButAProperAnswerIsAGeneralOne) {
    // clang-format off
    const std::vector<std::pair<std::string, std::uint32_t>> cases = {
        {"echo 'error 10065'; exit 1", 10065},
        {"printf 'reply 198.18.0.2 0 7 64 16 2 4545'", platform::kIpGeneralFailure},       // no end of line
        {"echo 'reply 198.18.0.2 0 7 64 16 2 4545'; exit 1", platform::kIpGeneralFailure}, // a failure's status
        {"echo 'error 11010'", platform::kIpGeneralFailure},                               // a reply's status
        {"echo 'reply 198.18.0.9 0 7 64 16 2 4545'", platform::kIpGeneralFailure},         // another host
        {"echo 'reply 198.18.0.2 0 7 64 16 2 4545'; kill -9 $$", platform::kIpGeneralFailure},
        {"exit 0", platform::kIpGeneralFailure},
        {"echo 'usage'; exit 2", platform::kIpGeneralFailure},
    };
    // clang-format on
    for (const auto& [body, code] : cases) {
        EXPECT_FALSE(Request(body)) << body;
        EXPECT_EQ(lastError, code) << body;
        EXPECT_EQ(record.address, 0xEEEEEEEEu) << "the reply buffer was written: " << body;
    }
}

TEST_F(ScriptedHelper, AHelperThatOverstaysIsKilledAndReapedAfterTheTimeOutAndAMargin) {
    for (const char* body : {"exec /bin/sleep 30",
                             "echo 'reply 198.18.0.2 0 7 64 16 2 4545'; exec /bin/sleep 30 >&-"}) {
        EXPECT_FALSE(Request(body, 200)) << body;
        EXPECT_EQ(lastError, platform::kIpReqTimedOut) << body;
        EXPECT_GE(elapsedMs, 1200) << body;
        EXPECT_LT(elapsedMs, 1700) << body;
        int status = 0;
        EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1) << "a helper is left behind: " << body;
    }
}

} // namespace
