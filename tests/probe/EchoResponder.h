#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// The hub's side of the echo tests: watches the echo requests that reach the hub's
// namespace and answers each one as scripted, forged replies first. It builds its replies
// with its own small code, not the program's.
namespace kntest {

enum class Forgery {
    WrongSequence,
    WrongIdentifier,
    BadChecksum,
    WrongSource,    // from the hub's second address, kSecondHubAddress
    AlteredPayload, // one payload byte changed, everything else right
};

struct SeenRequest {
    std::uint8_t ttl = 0;
    std::uint8_t tos = 0;
    bool dontFragment = false;
    std::vector<std::uint8_t> payload;
};

class EchoResponder {
public:
    static constexpr const char* kSecondHubAddress = "198.18.0.3";

    // With answer false only the forgeries are sent (the hub's kernel must then be told to
    // ignore echo requests, or it answers too). The hub must hold kSecondHubAddress.
    EchoResponder(const std::string& hubNamespace, std::vector<Forgery> forgeries, bool answer);
    ~EchoResponder();
    EchoResponder(const EchoResponder&) = delete;
    EchoResponder& operator=(const EchoResponder&) = delete;

    bool Ok() const { return ok_; }
    std::optional<SeenRequest> WaitForRequest(int timeoutMs);

private:
    void Serve();
    void Answer(const std::vector<std::uint8_t>& packet, std::size_t headerLength);

    int listen_ = -1;
    int second_ = -1;
    std::vector<Forgery> forgeries_;
    bool answer_;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable seen_;
    std::optional<SeenRequest> request_;
};

} // namespace kntest
