// Whatever a hub sends arrives at the watcher as blocks of 1 to 1024 bytes. The session
// manager must dump every block whole, read no byte beyond it, and hand the console
// exactly the messages the hub's layouts say are there: checked here against a reading of
// the layouts written apart from the console's codec.
#include "hubsession/ClientSocketManager.h"
#include "hubsession/HubConsole.h"
#include "net/LogWindow.h"
#include "tests/fuzz/FuzzRequire.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// One reaction: what the console was asked to do, with its values.
struct Call {
    enum Kind { Link, Ip, Mask, Gateway, Number } kind;
    std::uint32_t value = 0; // link flags as bits, an address, or number << 8 | result
    bool operator==(const Call&) const = default;
};
using Calls = std::vector<Call>;

class CheckingConsole : public IHubConsole {
public:
    Calls calls;

    void ShowLinkStatus(const std::array<bool, kControllerCount>& onLink) override {
        std::uint32_t flags = 0;
        for (std::size_t k = 0; k < onLink.size(); ++k) {
            flags |= onLink[k] ? 1u << k : 0u;
        }
        calls.push_back({Call::Link, flags});
    }
    void ShowHubIpAddress(std::uint32_t value) override { calls.push_back({Call::Ip, value}); }
    void ShowHubSubnetMask(std::uint32_t value) override { calls.push_back({Call::Mask, value}); }
    void ShowHubGateway(std::uint32_t value) override { calls.push_back({Call::Gateway, value}); }
    void OnControllerNumberResult(const ControllerNumberResult& result) override {
        calls.push_back({Call::Number, std::uint32_t{result.number} << 8 | result.resultCode});
    }
};

class RecordingLog : public ILogWindow {
public:
    std::vector<std::string> lines;
    void AppendToLog(const std::string& text) override { lines.push_back(text); }
    void PostUpdateConnection(std::uint32_t, CSocketManager*, std::uint32_t) override {
        Require(false, "a connection event from received data");
    }
};

std::uint32_t Value(const std::uint8_t* m, std::size_t at) {
    return (std::uint32_t{m[at]} << 24) | (std::uint32_t{m[at + 1]} << 16) |
           (std::uint32_t{m[at + 2]} << 8) | m[at + 3];
}

// The reactions one message of size bytes calls for, by the hub's layouts.
void Expect(const std::uint8_t* m, std::size_t size, Calls& expected) {
    if (size < 4) {
        return;
    }
    switch (m[3]) {
    case 0x00:
        if (size >= 20 && (m[2] & 0x7F) == 0 && (m[15] & 0x80) != 0) {
            std::uint32_t flags = 0;
            for (std::size_t k = 0; k < 4; ++k) {
                flags |= m[16 + k] != 0 ? 1u << k : 0u;
            }
            expected.push_back({Call::Link, flags});
        }
        break;
    case 0x81:
        if (size >= 16) {
            expected.push_back({Call::Ip, Value(m, 4)});
            expected.push_back({Call::Mask, Value(m, 8)});
            expected.push_back({Call::Gateway, Value(m, 12)});
        }
        break;
    case 0x82:
        if (size >= 6) {
            expected.push_back({Call::Number, std::uint32_t{m[4]} << 8 | m[5]});
        }
        break;
    default:
        break;
    }
}

// "<<", "XX " for every byte, and the line end.
bool IsDumpOf(const std::string& line, const std::uint8_t* data, std::size_t size) {
    static const char digits[] = "0123456789ABCDEF";
    if (line.size() != 2 + 3 * size + 2 || !line.starts_with("<<") || !line.ends_with("\r\n")) {
        return false;
    }
    for (std::size_t i = 0; i < size; ++i) {
        const std::size_t at = 2 + 3 * i;
        if (line[at] != digits[data[i] >> 4] || line[at + 1] != digits[data[i] & 0x0F] ||
            line[at + 2] != ' ') {
            return false;
        }
    }
    return true;
}

} // namespace

// The input is a stream of blocks, each a length byte pair (1 to 1024 after folding)
// followed by that many bytes, or by what is left.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static RecordingLog log;
    static CheckingConsole console;
    static CClientSocketManager* const manager = [] {
        auto* made = new CClientSocketManager(true);
        made->SetLogWindow(&log);
        made->SetConsole(&console);
        return made;
    }();

    std::size_t at = 0;
    while (at + 2 <= size) {
        const std::size_t wanted = ((std::size_t{data[at]} << 8 | data[at + 1]) % 1024) + 1;
        at += 2;
        const std::size_t count = std::min(wanted, size - at);
        if (count == 0) {
            break;
        }
        // A copy of exactly the block's size, so that a read past it is caught.
        const std::vector<std::uint8_t> block(data + at, data + at + count);
        at += count;

        Calls expected;
        if (count > 32 && count % 32 == 0) {
            for (std::size_t offset = 0; offset < count; offset += 32) {
                Expect(block.data() + offset, 32, expected);
            }
        } else {
            Expect(block.data(), count, expected);
        }

        log.lines.clear();
        console.calls.clear();
        manager->OnReceive(block.data(), static_cast<std::uint32_t>(count));
        Require(log.lines.size() == 1, "not one dump line per block");
        Require(IsDumpOf(log.lines.front(), block.data(), count),
                "the dump differs from the block");
        Require(console.calls == expected, "the console was not told what the hub said");
    }
    return 0;
}
