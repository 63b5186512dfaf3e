#pragma once

#include "Wire.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Everything a running hub is: its identity, its address, its controllers and the
// faults it has been told to show. Pure data with a command interpreter, so that the
// command line and the control channel share one vocabulary.
namespace hubsim {

enum class Fault {
    DiscoverySilent,    // no discovery reply
    DiscoveryLate,      // the reply after the discovery delay
    DiscoveryOversized, // 2,000-byte reply
    DiscoveryNoCrlf,    // the two texts without line ends
    DiscoveryLongLines, // a 600-byte first line
    DiscoveryHighBytes, // bytes above 0x7F
    DiscoveryNuls,      // NUL inside the first line, NUL padding after
    NoAnswer,           // requests are read and never answered
    Slow,               // answers after the answer delay
    Split,              // every message in two writes
    Merge,              // every answer in one write behind a link status
    CloseAtOnce,        // accept, then close without a byte
    CloseMid,           // close right after the first answer
    Refuse,             // no listener on the session port
    NoEcho,             // the namespace ignores echo requests
    Flood,              // 10,000 link status messages a second
    BadStatus,          // link status with bits 0..6 of byte 2 set
    WrongNumber,        // a controller-number result for another number
    NoMove,             // new IP parameters end the session, and the hub stays where it was
    Count
};
std::string_view FaultName(Fault fault);
std::optional<Fault> FaultByName(std::string_view name);

enum class ReplyRoute { Unicast, SubnetBroadcast, Broadcast };
std::string_view ReplyRouteName(ReplyRoute route);

// One of the four controller places on the hub's line.
struct Controller {
    bool present = false;
    bool onLink = false;
    int number = 1; // the address number it answers to, 1..4
    bool jumper = false;
    int flapMs = 0; // link toggles every flapMs when not 0
};

struct HubState {
    std::string model = "IPH-4";
    std::string firmware = "2.05";
    std::string physical; // empty: made from the address when the hub starts
    std::uint32_t address = 0xC6120000u | 11;
    std::uint32_t mask = 0xFFFFFF00u;
    std::uint32_t gateway = 0xC6120001u;
    std::array<Controller, kControllers> controllers{};
    std::bitset<static_cast<std::size_t>(Fault::Count)> faults;
    ReplyRoute route = ReplyRoute::Unicast;
    std::optional<Bytes> customReply;
    std::optional<int> forcedResult;
    int discoveryDelayMs = 1500;
    // How many replies one request gets; the copies after the first carry made-up
    // physical addresses, as from one host that floods the search.
    int discoveryCopies = 1;
    int answerDelayMs = 6000;
    int splitAt = 16;
    int splitGapMs = 100;
    int periodMs = 3000;
    bool verbose = false;

    HubState();
    bool Has(Fault fault) const { return faults.test(static_cast<std::size_t>(fault)); }
    std::string ModelText() const { return model + " " + firmware; }
    // The link flag of each address number: a present controller on link answers to it.
    std::array<bool, kControllers> LinkByNumber() const;
    std::string Describe() const;
};

// The outcome of a ControllerNumber request by the controllers' state; applies the
// new number to the one controller with its jumper fitted when it succeeds.
struct NumberOutcome {
    std::uint8_t number = 0;
    std::uint8_t resultCode = 0;
};
NumberOutcome ProgramControllerNumber(HubState& state, std::uint8_t number);

// Whether the hub takes these parameters; the reason when not.
bool AcceptableIpParameters(std::uint32_t address, std::uint32_t mask, std::string* why);

using Words = std::vector<std::string>;
Words SplitWords(std::string_view line);

// Applies one state command ("link 2 up", "fault split on", "model IPH-4") to state.
// Returns false with an answer text for an unknown or malformed command; commands
// that need the running hub (status, close) are not handled here.
bool ApplyCommand(HubState& state, const Words& words, std::string* error);

// The vocabulary, for --help.
extern const char* const kCommandHelp;

} // namespace hubsim
