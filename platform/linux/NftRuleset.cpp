#include "platform/linux/NftRuleset.h"

#include <cctype>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <variant>

namespace platform::netfilter {

namespace {

using Json = nlohmann::json;

constexpr long long kUdp = 17;
constexpr int kMaxJumps = 16; // deeper than any ruleset writes: a loop

enum class Tri { No, Yes, Unknown };

// One of the search's datagrams as the ruleset sees it.
// An address the datagram may have: any of low..high.
struct AddressRange {
    std::uint32_t low = 0, high = 0;
};

struct Datagram {
    std::string inInterface;  // "" on the way out
    std::string outInterface; // "" on the way in
    std::optional<AddressRange> source, destination;
    long long port = 0; // its source and destination port alike
};

// What a rule's left-hand side is for the datagram.
struct Port {
    long long value;
};
struct Protocol {};
struct CtState {};
struct Text {
    std::string value;
};
struct Absent {}; // a header the datagram does not have: the match fails
struct Unknown {};
using Subject = std::variant<Port, Protocol, CtState, Text, AddressRange, Absent, Unknown>;

Subject SubjectOf(const Json& left, const Datagram& datagram) {
    if (!left.is_object())
        return Unknown{};
    if (const auto payload = left.find("payload"); payload != left.end() && payload->is_object()) {
        const std::string protocol = payload->value("protocol", "");
        const std::string field = payload->value("field", "");
        if (protocol == "udp" || protocol == "th")
            return field == "sport" || field == "dport" ? Subject{Port{datagram.port}}
                                                        : Subject{Unknown{}};
        if (protocol == "ip" && field == "protocol")
            return Protocol{};
        if (protocol == "ip" && (field == "saddr" || field == "daddr")) {
            const auto& range = field == "saddr" ? datagram.source : datagram.destination;
            return range ? Subject{*range} : Subject{Unknown{}};
        }
        if (protocol == "tcp" || protocol == "sctp" || protocol == "dccp" || protocol == "icmp" ||
            protocol == "icmpv6" || protocol == "ip6" || protocol == "udplite")
            return Absent{};
        return Unknown{};
    }
    if (const auto meta = left.find("meta"); meta != left.end() && meta->is_object()) {
        const std::string key = meta->value("key", "");
        if (key == "l4proto")
            return Protocol{};
        if (key == "iifname" || key == "iif")
            return Text{datagram.inInterface};
        if (key == "oifname" || key == "oif")
            return Text{datagram.outInterface};
        if (key == "nfproto")
            return Text{"ipv4"};
        return Unknown{};
    }
    if (const auto ct = left.find("ct"); ct != left.end() && ct->is_object())
        return ct->value("key", "") == "state" ? Subject{CtState{}} : Subject{Unknown{}};
    return Unknown{};
}

// Whether one element of a right-hand side holds the subject's value.
Tri Holds(const Subject& subject, const Json& element) {
    if (const auto* port = std::get_if<Port>(&subject)) {
        const long long wanted = port->value;
        if (element.is_number_integer())
            return element.get<long long>() == wanted ? Tri::Yes : Tri::No;
        if (element.is_object() && element.contains("range") && element["range"].is_array() &&
            element["range"].size() == 2 && element["range"][0].is_number_integer() &&
            element["range"][1].is_number_integer())
            return element["range"][0].get<long long>() <= wanted &&
                           wanted <= element["range"][1].get<long long>()
                       ? Tri::Yes
                       : Tri::No;
        return Tri::Unknown; // a service name, a map, a variable
    }
    if (std::holds_alternative<Protocol>(subject)) {
        if (element.is_number_integer())
            return element.get<long long>() == kUdp ? Tri::Yes : Tri::No;
        if (element.is_string())
            return element.get<std::string>() == "udp" ? Tri::Yes : Tri::No;
        return Tri::Unknown;
    }
    if (std::holds_alternative<CtState>(subject)) {
        if (element.is_string())
            return element.get<std::string>() == "new" ? Tri::Yes : Tri::No;
        return Tri::Unknown;
    }
    if (const auto* range = std::get_if<AddressRange>(&subject)) {
        std::optional<AddressRange> rule;
        if (element.is_string()) {
            if (const auto one = ParseAddress(element.get<std::string>()))
                rule = AddressRange{*one, *one};
        } else if (element.is_object() && element.contains("prefix") &&
                   element["prefix"].is_object()) {
            const auto network = ParseAddress(element["prefix"].value("addr", ""));
            const int length = element["prefix"].value("len", -1);
            if (network && length >= 0 && length <= 32) {
                const AdapterSubnet block{*network, length};
                rule = AddressRange{block.Network(), block.Broadcast()};
            }
        } else if (element.is_object() && element.contains("range") &&
                   element["range"].is_array() && element["range"].size() == 2 &&
                   element["range"][0].is_string() && element["range"][1].is_string()) {
            const auto low = ParseAddress(element["range"][0].get<std::string>());
            const auto high = ParseAddress(element["range"][1].get<std::string>());
            if (low && high)
                rule = AddressRange{*low, *high};
        }
        if (!rule)
            return Tri::Unknown;
        if (rule->low <= range->low && range->high <= rule->high)
            return Tri::Yes;
        return range->high < rule->low || rule->high < range->low ? Tri::No : Tri::Unknown;
    }
    if (const auto* text = std::get_if<Text>(&subject)) {
        if (!element.is_string())
            return Tri::Unknown;
        const std::string pattern = element.get<std::string>();
        if (!pattern.empty() && pattern.back() == '*')
            return text->value.starts_with(pattern.substr(0, pattern.size() - 1)) ? Tri::Yes
                                                                                  : Tri::No;
        return text->value == pattern ? Tri::Yes : Tri::No;
    }
    return Tri::Unknown;
}

// Whether the right-hand side (a value, a list, an anonymous set) holds the value.
Tri AnyHolds(const Subject& subject, const Json& right) {
    const Json* elements = &right;
    if (right.is_object() && right.contains("set"))
        elements = &right["set"];
    if (!elements->is_array())
        return Holds(subject, *elements);
    Tri result = Tri::No;
    for (const Json& element : *elements) {
        const Tri one = Holds(subject, element);
        if (one == Tri::Yes)
            return Tri::Yes;
        if (one == Tri::Unknown)
            result = Tri::Unknown;
    }
    return result;
}

Tri Match(const Json& match, const Datagram& datagram) {
    const Subject subject = SubjectOf(match.value("left", Json()), datagram);
    if (std::holds_alternative<Absent>(subject))
        return Tri::No;
    if (std::holds_alternative<Unknown>(subject) || !match.contains("right"))
        return Tri::Unknown;
    const std::string op = match.value("op", "==");
    const Tri holds = AnyHolds(subject, match["right"]);
    if (op == "==" || op == "in")
        return holds;
    if (op == "!=")
        return holds == Tri::Unknown ? Tri::Unknown : holds == Tri::Yes ? Tri::No : Tri::Yes;
    return Tri::Unknown;
}

enum class Verdict { None, Accept, Drop, Jump, Goto, Return, Unknown };

struct Decision {
    Verdict verdict = Verdict::None;
    std::string target; // Jump, Goto
};

Decision VerdictOf(const std::string& key, const Json& value) {
    if (key == "accept")
        return {Verdict::Accept, {}};
    if (key == "drop" || key == "reject")
        return {Verdict::Drop, {}};
    if (key == "return")
        return {Verdict::Return, {}};
    if ((key == "jump" || key == "goto") && value.is_object() && value.contains("target") &&
        value["target"].is_string())
        return {key == "jump" ? Verdict::Jump : Verdict::Goto, value["target"].get<std::string>()};
    return {Verdict::Unknown, {}};
}

// Statements that decide nothing and match everything.
bool Passive(const std::string& key) {
    return key == "counter" || key == "log" || key == "comment" || key == "nftrace" ||
           key == "mangle" || key == "notrack";
}

struct Rule {
    std::string where; // "inet filter input handle 3"
    Json expressions;
};

struct Chain {
    std::string family, table, name;
    std::string hook, policy;
    std::vector<Rule> rules;
};

enum class Flow { Accept, Drop, FallThrough, Unclear };

struct Walk {
    const std::map<std::string, Chain>& chains;
    const Datagram& datagram;
    std::string decidedBy; // the rule that dropped, or the one that could not be judged

    static std::string Key(const std::string& family, const std::string& table,
                           const std::string& name) {
        return family + " " + table + " " + name;
    }

    // One rule: its matches, then its verdict (a verdict map decides by its key).
    Flow RunRule(const Chain& chain, const Rule& rule, int depth, bool& stop) {
        Tri matches = Tri::Yes;
        for (const Json& statement : rule.expressions) {
            if (!statement.is_object() || statement.size() != 1)
                return Unclear(rule);
            const auto first = statement.begin();
            const std::string key = first.key();
            const Json& value = first.value();
            if (key == "match") {
                const Tri one = Match(value, datagram);
                if (one == Tri::No)
                    return Flow::FallThrough;
                if (one == Tri::Unknown)
                    matches = Tri::Unknown;
                continue;
            }
            if (Passive(key))
                continue;
            Decision decision = key == "vmap" ? MapVerdict(value) : VerdictOf(key, value);
            if (decision.verdict == Verdict::None)
                return Flow::FallThrough; // no element of the map holds the datagram's value
            if (matches == Tri::Unknown || decision.verdict == Verdict::Unknown)
                return Unclear(rule);
            switch (decision.verdict) {
            case Verdict::Accept:
                stop = true;
                return Flow::Accept;
            case Verdict::Drop:
                stop = true;
                decidedBy = rule.where;
                return Flow::Drop;
            case Verdict::Return:
                stop = true;
                return Flow::FallThrough;
            case Verdict::Jump:
            case Verdict::Goto: {
                const auto target = chains.find(Key(chain.family, chain.table, decision.target));
                if (target == chains.end() || depth >= kMaxJumps)
                    return Unclear(rule);
                const Flow flow = RunChain(target->second, depth + 1);
                if (flow != Flow::FallThrough || decision.verdict == Verdict::Goto)
                    stop = true;
                return flow;
            }
            default:
                return Unclear(rule);
            }
        }
        return Flow::FallThrough; // matches alone, or a counter: nothing decided
    }

    Decision MapVerdict(const Json& map) {
        if (!map.is_object())
            return {Verdict::Unknown, {}};
        const Subject subject = SubjectOf(map.value("key", Json()), datagram);
        const Json data = map.value("data", Json());
        if (std::holds_alternative<Unknown>(subject) || !data.is_object() ||
            !data.contains("set") || !data["set"].is_array())
            return {Verdict::Unknown, {}};
        if (std::holds_alternative<Absent>(subject))
            return {Verdict::None, {}};
        for (const Json& element : data["set"]) {
            if (!element.is_array() || element.size() != 2 || !element[1].is_object() ||
                element[1].size() != 1)
                return {Verdict::Unknown, {}};
            const Tri holds = Holds(subject, element[0]);
            if (holds == Tri::Unknown)
                return {Verdict::Unknown, {}};
            if (holds == Tri::Yes) {
                const auto first = element[1].begin();
                return VerdictOf(first.key(), first.value());
            }
        }
        return {Verdict::None, {}};
    }

    Flow Unclear(const Rule& rule) {
        decidedBy = rule.where;
        return Flow::Unclear;
    }

    Flow RunChain(const Chain& chain, int depth) {
        for (const Rule& rule : chain.rules) {
            bool stop = false;
            const Flow flow = RunRule(chain, rule, depth, stop);
            if (flow == Flow::Unclear || stop)
                return flow;
        }
        return Flow::FallThrough;
    }
};

} // namespace

namespace {

Reading<std::vector<FirewallDrop>> Judge(const std::string& json, const std::string& interfaceName,
                                         const std::optional<AdapterSubnet>& subnet,
                                         std::uint16_t port) {
    Reading<std::vector<FirewallDrop>> reading;
    const Json document = Json::parse(json, nullptr, false);
    if (document.is_discarded() || !document.is_object() || !document.contains("nftables") ||
        !document["nftables"].is_array()) {
        reading.whyNot = "nft printed no ruleset";
        return reading;
    }

    std::map<std::string, Chain> chains;
    std::vector<std::string> order; // base chains in the order listed
    for (const Json& object : document["nftables"]) {
        if (!object.is_object())
            continue;
        if (const auto chain = object.find("chain"); chain != object.end() && chain->is_object()) {
            Chain read{chain->value("family", ""), chain->value("table", ""),
                       chain->value("name", ""),   chain->value("hook", ""),
                       chain->value("policy", ""), {}};
            const std::string key = Walk::Key(read.family, read.table, read.name);
            if (!read.hook.empty())
                order.push_back(key);
            chains[key] = std::move(read);
        } else if (const auto rule = object.find("rule");
                   rule != object.end() && rule->is_object()) {
            const std::string key = Walk::Key(rule->value("family", ""), rule->value("table", ""),
                                              rule->value("chain", ""));
            const auto owner = chains.find(key);
            if (owner == chains.end())
                continue;
            const std::string handle =
                rule->contains("handle") ? rule->at("handle").dump() : std::string("?");
            owner->second.rules.push_back({key + " handle " + handle, rule->value("expr", Json())});
        }
    }

    std::vector<FirewallDrop> drops;
    std::string unclear;
    for (const std::string& key : order) {
        const Chain& chain = chains[key];
        if ((chain.family != "ip" && chain.family != "inet") ||
            (chain.hook != "input" && chain.hook != "output"))
            continue;
        // The replies: from a hub of the subnet to the adapter (unicast or the subnet's
        // broadcast: a reply to 255.255.255.255 is not told apart here). The request: from
        // the adapter to the subnet's broadcast address.
        Datagram datagram = chain.hook == "input" ? Datagram{interfaceName, "", {}, {}, port}
                                                  : Datagram{"", interfaceName, {}, {}, port};
        if (subnet) {
            const AddressRange own{subnet->address, subnet->address};
            const AddressRange all{subnet->Network(), subnet->Broadcast()};
            const AddressRange broadcast{subnet->Broadcast(), subnet->Broadcast()};
            if (chain.hook == "input") {
                datagram.source = all;
                datagram.destination = AddressRange{std::min(own.low, broadcast.low),
                                                    std::max(own.high, broadcast.high)};
            } else {
                datagram.source = own;
                datagram.destination = broadcast;
            }
        }
        Walk walk{chains, datagram, {}};
        switch (walk.RunChain(chain, 0)) {
        case Flow::Drop:
            drops.push_back({walk.decidedBy, false});
            break;
        case Flow::FallThrough:
            if (chain.policy == "drop")
                drops.push_back({key, true});
            break;
        case Flow::Unclear:
            if (unclear.empty())
                unclear = walk.decidedBy;
            break;
        case Flow::Accept:
            break;
        }
    }
    if (drops.empty() && !unclear.empty()) {
        reading.whyNot = "rule " + unclear + " depends on more than port and protocol";
        return reading;
    }
    reading.value = std::move(drops);
    return reading;
}

} // namespace

std::optional<std::uint32_t> ParseAddress(const std::string& text) {
    std::uint32_t value = 0;
    int parts = 0;
    std::size_t at = 0;
    while (parts < 4) {
        std::size_t used = 0;
        unsigned long part = 0;
        try {
            if (at >= text.size() || !std::isdigit(static_cast<unsigned char>(text[at])))
                return std::nullopt;
            part = std::stoul(text.substr(at), &used);
        } catch (const std::exception&) {
            return std::nullopt;
        }
        if (part > 255)
            return std::nullopt;
        value = value << 8 | static_cast<std::uint32_t>(part);
        at += used;
        ++parts;
        if (parts < 4 && (at >= text.size() || text[at++] != '.'))
            return std::nullopt;
    }
    return at == text.size() ? std::optional<std::uint32_t>(value) : std::nullopt;
}

Reading<std::vector<FirewallDrop>> JudgeNftRuleset(const std::string& json,
                                                   const std::string& interfaceName,
                                                   std::uint16_t port,
                                                   const std::optional<AdapterSubnet>& subnet) {
    try {
        return Judge(json, interfaceName, subnet, port);
    } catch (const nlohmann::json::exception&) {
        // A field of an unexpected type: a ruleset of a newer nft than this reading knows.
        return {std::nullopt, "nft printed a ruleset of an unknown form"};
    }
}

} // namespace platform::netfilter
