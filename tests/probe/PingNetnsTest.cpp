#include "platform/LastError.h"
#include "platform/linux/EchoHelper.h"
#include "platform/linux/EchoHelperProtocol.h"
#include "probe/Ping.h"
#include "tests/net/SocketTestSupport.h"
#include "tests/probe/EchoResponder.h"
#include "tests/probe/HelperInstall.h"
#include "tests/support/BetweenHosts.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <ostream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace kntest;

namespace {

constexpr const char* kEveryGroup = "0 2147483647";
constexpr const char* kNoGroup = "1 0";

// The helper's arguments for the program's probe to host.
std::vector<std::string> ProbeArguments(const char* host, const char* timeoutMs = "1000") {
    std::string data;
    for (int i = 0; i < 32; ++i)
        data += "45";
    return {host, "10", "0", "0", timeoutMs, data};
}

// /proc/PID/status once the helper has given up its capabilities and barred new
// privileges, which it does right after it has opened its socket; as it is after a second
// otherwise.
std::string StatusOnceItsSocketIsOpen(pid_t helper) {
    std::string status;
    for (int tries = 0; tries < 100 && status.find("NoNewPrivs:\t1\n") == std::string::npos;
         ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::stringstream text;
        text << std::ifstream("/proc/" + std::to_string(helper) + "/status").rdbuf();
        status = text.str();
    }
    return status;
}

enum class Provider { Datagram, Raw, Helper };

const char* Name(Provider provider) {
    switch (provider) {
    case Provider::Datagram:
        return "DatagramSocket";
    case Provider::Raw:
        return "RawSocket";
    case Provider::Helper:
        return "Helper";
    }
    return "?";
}

void PrintTo(Provider provider, std::ostream* out) {
    *out << Name(provider);
}

// The PC and a hub in namespaces of their own. Which echo provider the PC gets is chosen
// by its namespace's ping_group_range: root is refused the datagram socket when its group
// is outside the range and falls back to the raw socket. The helper's tests send through
// a copy of the echo helper given cap_net_raw, as the package gives it.
class EchoBetweenHosts : public BetweenHosts<::testing::TestWithParam<Provider>> {
protected:
    void SetUp() override {
        BetweenHosts::SetUp();
        if (Stopped())
            return;
        ASSERT_TRUE(folder.Ok());
        helper = folder.Install(KESTRUNE_ECHO_HELPER, "kestrune-echo", true);
        ASSERT_FALSE(helper.empty());
        ASSERT_TRUE(hosts->Pc().Sysctl("net.ipv4.ping_group_range",
                                       GetParam() == Provider::Datagram ? kEveryGroup : kNoGroup));
        ASSERT_TRUE(hosts->Hub().Ip(std::string("addr add ") + EchoResponder::kSecondHubAddress +
                                    "/24 dev " + hosts->HubInterface()));
    }

    // The hub's kernel stays silent; only the responder answers.
    void SilenceHubKernel() {
        ASSERT_TRUE(hosts->Hub().Sysctl("net.ipv4.icmp_echo_ignore_all", "1"));
    }

    bool Probe(const char* host, EchoReplyInfo& reply, bool dontFragment = false,
               std::uint8_t tos = 0) {
        CPing ping = GetParam() == Provider::Helper
                         ? CPing({[this] { return platform::LoadEchoHelper(helper); }})
                         : CPing();
        const auto start = Clock::now();
        const bool answered = ping.SendEchoRequest(host, reply, 10, 1000, 32, tos, dontFragment);
        lastError = platform::GetLastError();
        elapsedMs = MillisecondsSince(start);
        return answered;
    }

    kntest::ScratchFolder folder;
    std::string helper;
    std::uint32_t lastError = 0;
    long long elapsedMs = 0;
};

TEST_P(EchoBetweenHosts, TheProviderChainPicksTheSocketThatMayBeOpened) {
    const auto providers = platform::SystemEchoProviders(helper);
    ASSERT_EQ(providers.size(), 3u);
    const platform::EchoProviderLoad datagram = providers[0]();
    EXPECT_EQ(datagram.provider != nullptr, GetParam() == Provider::Datagram);
    if (GetParam() != Provider::Datagram) {
        EXPECT_NE(datagram.failure.find("net.ipv4.ping_group_range (1 0)"), std::string::npos)
            << datagram.failure;
    }
    EXPECT_TRUE(providers[1]().provider);
    EXPECT_TRUE(providers[2]().provider);
}

TEST_P(EchoBetweenHosts, AHubAnswersTheProbe) {
    EchoReplyInfo reply;
    ASSERT_TRUE(Probe(TwoHosts::kHubAddress, reply)) << lastError;
    RecordProperty("probe_ms", static_cast<int>(elapsedMs));
    EXPECT_LT(elapsedMs, 200);
    EXPECT_EQ(reply.replyAddress, Ipv4(TwoHosts::kHubAddress));
    EXPECT_EQ(reply.replyStatus, 0u);
    EXPECT_LT(reply.roundTripMs, 200u);
}

TEST_P(EchoBetweenHosts, AnAbsentAddressFailsAfterTheTimeOutAndLeavesTheRecord) {
    EchoReplyInfo reply;
    EXPECT_FALSE(Probe(TwoHosts::kAbsentAddress, reply));
    RecordProperty("absent_ms", static_cast<int>(elapsedMs));
    EXPECT_GE(elapsedMs, 1000);
    EXPECT_LT(elapsedMs, 1150);
    EXPECT_EQ(lastError, platform::kIpReqTimedOut);
    EXPECT_EQ(reply.replyAddress, 0u);
    EXPECT_EQ(reply.roundTripMs, 0u);
}

TEST_P(EchoBetweenHosts, TtlTosAndDontFragmentReachTheWireBothWays) {
    // The helper sends only the probe's own type of service, 0.
    const std::uint8_t tos = GetParam() == Provider::Helper ? 0 : 0x10;
    for (const bool dontFragment : {false, true}) {
        EchoResponder watcher(hosts->Hub().Name(), {}, false);
        ASSERT_TRUE(watcher.Ok());
        EchoReplyInfo reply;
        EXPECT_TRUE(Probe(TwoHosts::kHubAddress, reply, dontFragment, tos));
        const auto seen = watcher.WaitForRequest(1000);
        ASSERT_TRUE(seen);
        EXPECT_EQ(seen->ttl, 10);
        EXPECT_EQ(seen->tos, tos);
        EXPECT_EQ(seen->dontFragment, dontFragment);
        EXPECT_EQ(seen->payload, std::vector<std::uint8_t>(32, 0x45));
    }
}

TEST_P(EchoBetweenHosts, StrayAndForgedRepliesNeverCount) {
    SilenceHubKernel();
    const std::vector<Forgery> forgeries = {Forgery::WrongSequence, Forgery::WrongIdentifier,
                                            Forgery::BadChecksum, Forgery::WrongSource};
    {
        EchoResponder forger(hosts->Hub().Name(), forgeries, false);
        ASSERT_TRUE(forger.Ok());
        EchoReplyInfo reply;
        EXPECT_FALSE(Probe(TwoHosts::kHubAddress, reply));
        EXPECT_EQ(lastError, platform::kIpReqTimedOut);
        EXPECT_GE(elapsedMs, 1000);
        ASSERT_TRUE(forger.WaitForRequest(0));
    }
    {
        // The same forgeries ahead of the true reply: the true one is found behind them.
        EchoResponder forger(hosts->Hub().Name(), forgeries, true);
        EchoReplyInfo reply;
        EXPECT_TRUE(Probe(TwoHosts::kHubAddress, reply)) << lastError;
        EXPECT_EQ(reply.replyAddress, Ipv4(TwoHosts::kHubAddress));
    }
}

TEST_P(EchoBetweenHosts, AReplyWithAnAlteredPayloadFailsWith59) {
    SilenceHubKernel();
    EchoResponder forger(hosts->Hub().Name(), {Forgery::AlteredPayload}, false);
    ASSERT_TRUE(forger.Ok());
    EchoReplyInfo reply;
    EXPECT_FALSE(Probe(TwoHosts::kHubAddress, reply));
    EXPECT_EQ(lastError, platform::kErrorUnexpNetErr);
    EXPECT_EQ(reply.replyAddress, 0u);
}

INSTANTIATE_TEST_SUITE_P(EveryProvider, EchoBetweenHosts,
                         ::testing::Values(Provider::Datagram, Provider::Raw, Provider::Helper),
                         [](const auto& info) { return Name(info.param); });

// The probe as an ordinary user (nobody, 65534) in a child process, which cannot change
// the host: its namespace's ping_group_range decides, and past it the echo helper, a copy
// of which the test may give cap_net_raw.
class EchoAsUnprivilegedUser : public BetweenHosts<> {
protected:
    void SetUp() override {
        BetweenHosts::SetUp();
        if (Stopped())
            return;
        ASSERT_TRUE(folder.Ok());
    }

    struct Outcome {
        bool answered = false;
        std::uint32_t lastError = 0;
        std::string diagnosis;
    };

    Outcome ProbeAsNobody(const std::string& helper = "/nonexistent/kestrune-echo") {
        int channel[2];
        EXPECT_EQ(::pipe(channel), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(channel[0]);
            // The child starts in the PC's namespace, as this thread is.
            const gid_t nobody = 65534;
            if (::setgroups(1, &nobody) != 0 || ::setresgid(nobody, nobody, nobody) != 0 ||
                ::setresuid(nobody, nobody, nobody))
                ::_exit(2);
            CPing ping(platform::SystemEchoProviders(helper));
            EchoReplyInfo reply;
            const bool answered =
                ping.SendEchoRequest(TwoHosts::kHubAddress, reply, 10, 1000, 32, 0, false);
            const std::string text =
                std::to_string(platform::GetLastError()) + "\n" + ping.MissingServiceDiagnosis();
            const ssize_t written [[maybe_unused]] = ::write(channel[1], text.data(), text.size());
            ::_exit(answered ? 0 : 1);
        }
        ::close(channel[1]);
        std::string text;
        char buffer[512];
        for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<std::size_t>(n));
        ::close(channel[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        Outcome outcome;
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_NE(WEXITSTATUS(status), 2) << "the child could not become nobody";
        outcome.answered = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        const auto newline = text.find('\n');
        if (newline != std::string::npos) {
            outcome.lastError = static_cast<std::uint32_t>(std::stoul(text.substr(0, newline)));
            outcome.diagnosis = text.substr(newline + 1);
        }
        return outcome;
    }

    kntest::ScratchFolder folder;
};

TEST_F(EchoAsUnprivilegedUser, AnswersWhenPingGroupRangeAdmitsTheUser) {
    ASSERT_TRUE(hosts->Pc().Sysctl("net.ipv4.ping_group_range", "65534 65534"));
    const Outcome outcome = ProbeAsNobody();
    EXPECT_TRUE(outcome.answered) << outcome.lastError;
    EXPECT_TRUE(outcome.diagnosis.empty()) << outcome.diagnosis;
}

TEST_F(EchoAsUnprivilegedUser, AnswersThroughTheHelperThatAloneHoldsCapNetRaw) {
    ASSERT_TRUE(hosts->Pc().Sysctl("net.ipv4.ping_group_range", kNoGroup));
    const std::string helper = folder.Install(KESTRUNE_ECHO_HELPER, "kestrune-echo", true);
    ASSERT_FALSE(helper.empty());
    const Outcome outcome = ProbeAsNobody(helper);
    EXPECT_TRUE(outcome.answered) << outcome.lastError << " " << outcome.diagnosis;
    EXPECT_TRUE(outcome.diagnosis.empty()) << outcome.diagnosis;
}

TEST_F(EchoAsUnprivilegedUser, TheHelperHoldsNoCapabilityOnceItsSocketIsOpen) {
    const std::string helper = folder.Install(KESTRUNE_ECHO_HELPER, "kestrune-echo", true);
    ASSERT_FALSE(helper.empty());
    const pid_t child = ::fork();
    if (child == 0) {
        const gid_t nobody = 65534;
        const int null = ::open("/dev/null", O_WRONLY);
        if (::dup2(null, 1) < 0 || ::setgroups(1, &nobody) != 0 ||
            ::setresgid(nobody, nobody, nobody) != 0 || ::setresuid(nobody, nobody, nobody) != 0)
            ::_exit(2);
        const std::vector<std::string> arguments = ProbeArguments(TwoHosts::kAbsentAddress, "3000");
        ::execl(helper.c_str(), helper.c_str(), arguments[0].c_str(), arguments[1].c_str(),
                arguments[2].c_str(), arguments[3].c_str(), arguments[4].c_str(),
                arguments[5].c_str(), nullptr);
        ::_exit(127);
    }
    // It then waits for a reply that never comes.
    const std::string status = StatusOnceItsSocketIsOpen(child);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_NE(status.find("NoNewPrivs:\t1\n"), std::string::npos) << status;
    for (const char* set : {"CapInh", "CapPrm", "CapEff", "CapAmb"})
        EXPECT_NE(status.find(std::string(set) + ":\t0000000000000000\n"), std::string::npos)
            << set << "\n"
            << status;
}

TEST_F(EchoAsUnprivilegedUser, FailsWith120AndNamesTheMissingPermissionOtherwise) {
    ASSERT_TRUE(hosts->Pc().Sysctl("net.ipv4.ping_group_range", kNoGroup));
    const std::string helper = folder.Install(KESTRUNE_ECHO_HELPER, "kestrune-echo", false);
    ASSERT_FALSE(helper.empty());
    const Outcome outcome = ProbeAsNobody(helper);
    EXPECT_FALSE(outcome.answered);
    EXPECT_EQ(outcome.lastError, platform::kErrorCallNotImplemented);
    EXPECT_EQ(outcome.diagnosis,
              "Нет службы эхо-запросов: ICMP-датаграммный сокет недоступен: группа 65534 вне "
              "net.ipv4.ping_group_range (1 0); raw-сокет ICMP недоступен: нет права cap_net_raw; "
              "помощник эхо-запросов " +
                  helper + " недоступен: нет права cap_net_raw\r\n");
}

// The helper as root starts it, without some of its standard descriptors, as a careless
// or hostile caller may start it: its socket must not take their numbers, or the answer
// meant for stdout would be written into the socket.
using EchoHelperWithoutDescriptors = BetweenHosts<>;

TEST_F(EchoHelperWithoutDescriptors, AnswersAsEverWhicheverOfThemAreClosed) {
    const HelperExit whole =
        RunHelperDirectly(KESTRUNE_ECHO_HELPER, ProbeArguments(TwoHosts::kHubAddress), {0, 2});
    EXPECT_EQ(whole.status, 0);
    const auto answer = platform::echo_helper::ParseAnswer(whole.output);
    ASSERT_TRUE(answer) << whole.output;
    EXPECT_EQ(answer->record.address, Ipv4(TwoHosts::kHubAddress));
    EXPECT_EQ(answer->payload, std::vector<std::uint8_t>(32, 0x45));
    // The answer cannot be seen without stdout; the socket, which takes no write without
    // an address, would have failed it.
    for (const std::vector<int>& closed : {std::vector<int>{1}, std::vector<int>{0, 1, 2}}) {
        const HelperExit run =
            RunHelperDirectly(KESTRUNE_ECHO_HELPER, ProbeArguments(TwoHosts::kHubAddress), closed);
        EXPECT_EQ(run.status, 0) << closed.size() << " closed";
    }
}

TEST_F(EchoHelperWithoutDescriptors, ItsSocketComesAfterThemOnDevNull) {
    std::string links[4];
    std::string status;
    RunHelperDirectly(KESTRUNE_ECHO_HELPER, ProbeArguments(TwoHosts::kAbsentAddress, "3000"),
                      {0, 1, 2}, [&](pid_t helper) {
                          status = StatusOnceItsSocketIsOpen(helper);
                          for (int fd = 0; fd < 4; ++fd) {
                              std::error_code error;
                              links[fd] =
                                  std::filesystem::read_symlink("/proc/" + std::to_string(helper) +
                                                                    "/fd/" + std::to_string(fd),
                                                                error)
                                      .string();
                          }
                          ::kill(helper, SIGKILL);
                      });
    ASSERT_NE(status.find("NoNewPrivs:\t1\n"), std::string::npos) << status;
    for (int fd = 0; fd < 3; ++fd)
        EXPECT_EQ(links[fd], "/dev/null") << fd;
    EXPECT_EQ(links[3].rfind("socket:", 0), 0u) << links[3];
}

} // namespace
