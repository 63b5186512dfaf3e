#include "probe/Ping.h"

#include "platform/LastError.h"

#include <cstring>
#include <gtest/gtest.h>

// An echo service whose replies are whatever the test says: two replies to one request,
// or the exact buffers handed to the service, cannot be had from a real one.
namespace {

struct ServiceScript {
    std::uint32_t replies = 1;
    std::vector<std::uint8_t> replyPayload = std::vector<std::uint8_t>(32, 0x45);
    std::uint32_t failure = 0; // last-error code when replies is 0
    bool openFails = false;

    // What the service saw.
    int opened = 0;
    std::uint32_t destination = 0;
    std::vector<std::uint8_t> request;
    platform::EchoRequestOptions options;
    std::uint32_t replySize = 0;
    std::uint32_t timeoutMs = 0;
};

class ScriptedChannel : public platform::IEchoChannel {
public:
    explicit ScriptedChannel(ServiceScript& script) : script_(script) {}
    std::uint32_t SendEcho(std::uint32_t destination, const void* requestData,
                           std::uint16_t requestSize, const platform::EchoRequestOptions& options,
                           void* replyBuffer, std::uint32_t replySize,
                           std::uint32_t timeoutMs) override {
        script_.destination = destination;
        const auto* bytes = static_cast<const std::uint8_t*>(requestData);
        script_.request.assign(bytes, bytes + requestSize);
        script_.options = options;
        script_.replySize = replySize;
        script_.timeoutMs = timeoutMs;
        if (script_.replies == 0) {
            platform::SetLastError(script_.failure);
            return 0;
        }
        platform::EchoReplyRecord record;
        record.address = destination;
        record.roundTripMs = 3;
        record.status = 0;
        record.dataOffset = sizeof record;
        record.dataSize = static_cast<std::uint16_t>(script_.replyPayload.size());
        auto* out = static_cast<std::uint8_t*>(replyBuffer);
        std::memcpy(out, &record, sizeof record);
        std::memcpy(out + sizeof record, script_.replyPayload.data(), script_.replyPayload.size());
        return script_.replies;
    }

private:
    ServiceScript& script_;
};

class ScriptedProvider : public platform::IEchoProvider {
public:
    explicit ScriptedProvider(ServiceScript& script) : script_(script) {}
    std::unique_ptr<platform::IEchoChannel> Open() override {
        ++script_.opened;
        if (script_.openFails) {
            platform::SetLastError(10013);
            return nullptr;
        }
        return std::make_unique<ScriptedChannel>(script_);
    }

private:
    ServiceScript& script_;
};

platform::EchoProviderLoader Present(ServiceScript& script) {
    return [&script] {
        return platform::EchoProviderLoad{std::make_unique<ScriptedProvider>(script), {}};
    };
}

platform::EchoProviderLoader Missing(const std::string& why, int* tried = nullptr) {
    return [why, tried] {
        if (tried != nullptr)
            ++*tried;
        return platform::EchoProviderLoad{nullptr, why};
    };
}

bool Probe(CPing& ping, EchoReplyInfo& reply, std::uint16_t size = 32, bool dontFragment = false,
           const std::string& host = "198.18.0.2") {
    return ping.SendEchoRequest(host, reply, 10, 1000, size, 0, dontFragment);
}

TEST(CPing, WithoutAnyServiceEveryRequestFailsWith120AndSaysWhy) {
    int tried = 0;
    CPing ping({Missing("ICMP-датаграммный сокет недоступен", &tried),
                Missing("raw-сокет ICMP недоступен: нет права cap_net_raw", &tried)});
    EXPECT_EQ(tried, 2);
    EXPECT_FALSE(ping.HasEchoService());
    EchoReplyInfo reply;
    EXPECT_FALSE(Probe(ping, reply));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorCallNotImplemented);
    EXPECT_EQ(ping.MissingServiceDiagnosis(),
              "Нет службы эхо-запросов: ICMP-датаграммный сокет недоступен; raw-сокет ICMP "
              "недоступен: нет права cap_net_raw\r\n");
    // No provider at all, and a provider that gave no reason, which keeps its place.
    EXPECT_EQ(CPing(std::vector<platform::EchoProviderLoader>{}).MissingServiceDiagnosis(),
              "Нет службы эхо-запросов: ни одной не найдено\r\n");
    EXPECT_EQ(CPing({Missing(""), Missing("")}).MissingServiceDiagnosis(),
              "Нет службы эхо-запросов: ; \r\n");
}

TEST(CPing, TheFirstProviderThatLoadsIsUsedAndTheRestAreNotTried) {
    ServiceScript second;
    int triedAfter = 0;
    CPing ping({Missing("first"), Present(second), Missing("third", &triedAfter)});
    EXPECT_TRUE(ping.HasEchoService());
    EXPECT_TRUE(ping.MissingServiceDiagnosis().empty());
    EXPECT_EQ(triedAfter, 0);
    EchoReplyInfo reply;
    EXPECT_TRUE(Probe(ping, reply));
    EXPECT_EQ(second.opened, 1);
}

TEST(CPing, RequestCarriesThePayloadOptionsAndBufferOfTheCall) {
    ServiceScript service;
    CPing ping({Present(service)});
    EchoReplyInfo reply;
    ASSERT_TRUE(ping.SendEchoRequest("198.18.0.2", reply, 10, 1000, 32, 0x10, true));
    EXPECT_EQ(service.destination, 0x020012C6u);
    EXPECT_EQ(service.request, std::vector<std::uint8_t>(32, 0x45));
    EXPECT_EQ(service.options.ttl, 10);
    EXPECT_EQ(service.options.tos, 0x10);
    EXPECT_EQ(service.options.flags, platform::kEchoFlagDontFragment);
    EXPECT_EQ(service.options.optionsSize, 0);
    EXPECT_EQ(service.replySize, 60u);
    EXPECT_EQ(service.timeoutMs, 1000u);
    EXPECT_EQ(reply.replyAddress, 0x020012C6u);
    EXPECT_EQ(reply.roundTripMs, 3u);
    EXPECT_EQ(reply.replyStatus, 0u);

    service.replyPayload.clear();
    ASSERT_TRUE(Probe(ping, reply, 0, false));
    EXPECT_TRUE(service.request.empty());
    EXPECT_EQ(service.replySize, 36u);
    EXPECT_EQ(service.options.flags, 0);
}

TEST(CPing, AnAlteredPayloadByteFailsWith59AndLeavesTheRecord) {
    ServiceScript service;
    service.replyPayload[17] = 0x46;
    CPing ping({Present(service)});
    EchoReplyInfo reply;
    EXPECT_FALSE(Probe(ping, reply));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorUnexpNetErr);
    EXPECT_EQ(reply.replyAddress, 0u);
    EXPECT_EQ(reply.roundTripMs, 0u);
}

TEST(CPing, AShorterReplyPayloadPassesWhenWhatItCarriesIsRight) {
    ServiceScript service;
    service.replyPayload.resize(5);
    CPing ping({Present(service)});
    EchoReplyInfo reply;
    EXPECT_TRUE(Probe(ping, reply));
}

TEST(CPing, MoreThanOneReplyFailsAndLeavesTheLastErrorAlone) {
    ServiceScript service;
    service.replies = 2;
    CPing ping({Present(service)});
    EchoReplyInfo reply;
    platform::SetLastError(4242);
    EXPECT_FALSE(Probe(ping, reply));
    EXPECT_EQ(platform::GetLastError(), 4242u);
    EXPECT_EQ(reply.replyAddress, 0u);
}

TEST(CPing, FailuresOfTheServiceComeThroughWithTheirCodes) {
    ServiceScript silent;
    silent.replies = 0;
    silent.failure = platform::kIpReqTimedOut;
    CPing ping({Present(silent)});
    EchoReplyInfo reply;
    EXPECT_FALSE(Probe(ping, reply));
    EXPECT_EQ(platform::GetLastError(), platform::kIpReqTimedOut);
    EXPECT_EQ(reply.replyAddress, 0u);

    ServiceScript closed;
    closed.openFails = true;
    CPing refused({Present(closed)});
    EXPECT_FALSE(Probe(refused, reply));
    EXPECT_EQ(platform::GetLastError(), 10013u);
}

TEST(CPing, AHostThatIsNoAddressOrNameNeverReachesTheService) {
    ServiceScript service;
    CPing ping({Present(service)});
    EchoReplyInfo reply;
    EXPECT_FALSE(Probe(ping, reply, 32, false, ""));
    EXPECT_FALSE(Probe(ping, reply, 32, false, std::string(1, '\0') + "198.18.0.2"));
    EXPECT_EQ(service.opened, 0);
}

} // namespace
