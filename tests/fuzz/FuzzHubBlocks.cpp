// Whatever a hub sends arrives at the watcher as blocks of 1 to 1024 bytes. The session
// manager must dump every block whole, read no byte beyond it, and hand the console
// exactly the messages the hub's layouts say are there: checked here against a reading of
// the layouts written apart from the console's codec.
#include "hubsession/ClientSocketManager.h"
#include "hubsession/HubConsole.h"
#include "net/LogWindow.h"

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "hub blocks: %s\n", what);
        std::abort();
    }
}

// One reaction as text: what the console was asked to do.
using Calls = std::deque<std::string>;

class CheckingConsole : public IHubConsole {
public:
    Calls calls;

    void ShowLinkStatus(const std::array<bool, kControllerCount>& onLink) override {
        std::string flags;
        for (bool on : onLink) {
            flags += on ? '1' : '0';
        }
        calls.push_back("link " + flags);
    }
    void ShowHubIpAddress(std::uint32_t value) override { calls.push_back("ip " + Hex(value)); }
    void ShowHubSubnetMask(std::uint32_t value) override { calls.push_back("mask " + Hex(value)); }
    void ShowHubGateway(std::uint32_t value) override { calls.push_back("gw " + Hex(value)); }
    void OnControllerNumberResult(const ControllerNumberResult& result) override {
        calls.push_back("number " + std::to_string(result.number) + " " +
                        std::to_string(result.resultCode));
    }

    static std::string Hex(std::uint32_t value) {
        char text[16];
        std::snprintf(text, sizeof text, "%08X", value);
        return text;
    }
};

class RecordingLog : public ILogWindow {
public:
    std::vector<QString> lines;
    void AppendToLog(const QString& text) override { lines.push_back(text); }
    void PostUpdateConnection(std::uint32_t, CSocketManager*) override {
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
            std::string flags;
            for (std::size_t k = 16; k < 20; ++k) {
                flags += m[k] != 0 ? '1' : '0';
            }
            expected.push_back("link " + flags);
        }
        break;
    case 0x81:
        if (size >= 16) {
            expected.push_back("ip " + CheckingConsole::Hex(Value(m, 4)));
            expected.push_back("mask " + CheckingConsole::Hex(Value(m, 8)));
            expected.push_back("gw " + CheckingConsole::Hex(Value(m, 12)));
        }
        break;
    case 0x82:
        if (size >= 6) {
            expected.push_back("number " + std::to_string(m[4]) + " " + std::to_string(m[5]));
        }
        break;
    default:
        break;
    }
}

QString Dump(const std::uint8_t* data, std::size_t size) {
    std::string text = "<<";
    for (std::size_t i = 0; i < size; ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%.2X ", data[i]);
        text += byte;
    }
    return QString::fromLatin1(text + "\r\n");
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
        Require(log.lines.front() == Dump(block.data(), count), "the dump differs from the block");
        Require(console.calls == expected, "the console was not told what the hub said");
    }
    return 0;
}
