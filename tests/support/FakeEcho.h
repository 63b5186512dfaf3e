#pragma once

#include "platform/EchoService.h"
#include "platform/LastError.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

// An echo service of the test's choosing: every request is answered with its own payload,
// or fails with the given code; or there is no service at all, for the reason given.
struct FakeEcho {
    bool answers = true;
    std::uint32_t failure = platform::kIpReqTimedOut;
    std::string missing; // non-empty: no provider loads, for this reason
    int requests = 0;

    std::vector<platform::EchoProviderLoader> Providers();
};

namespace fake_echo {

class Channel final : public platform::IEchoChannel {
public:
    explicit Channel(FakeEcho& echo) : echo_(echo) {}
    std::uint32_t SendEcho(std::uint32_t destination, const void* requestData,
                           std::uint16_t requestSize, const platform::EchoRequestOptions&,
                           void* replyBuffer, std::uint32_t replySize, std::uint32_t) override {
        ++echo_.requests;
        if (!echo_.answers) {
            platform::SetLastError(echo_.failure);
            return 0;
        }
        platform::EchoReplyRecord record;
        record.address = destination;
        record.dataOffset = sizeof record;
        record.dataSize = static_cast<std::uint16_t>(
            std::min<std::uint32_t>(requestSize, replySize - sizeof record));
        auto* out = static_cast<std::uint8_t*>(replyBuffer);
        std::memcpy(out, &record, sizeof record);
        std::memcpy(out + sizeof record, requestData, record.dataSize);
        return 1;
    }

private:
    FakeEcho& echo_;
};

class Provider final : public platform::IEchoProvider {
public:
    explicit Provider(FakeEcho& echo) : echo_(echo) {}
    std::unique_ptr<platform::IEchoChannel> Open() override {
        return std::make_unique<Channel>(echo_);
    }

private:
    FakeEcho& echo_;
};

} // namespace fake_echo

inline std::vector<platform::EchoProviderLoader> FakeEcho::Providers() {
    return {[this]() -> platform::EchoProviderLoad {
        if (!missing.empty())
            return {nullptr, missing};
        return {std::make_unique<fake_echo::Provider>(*this), {}};
    }};
}
