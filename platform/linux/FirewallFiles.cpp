#include "platform/linux/FirewallFiles.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <vector>

namespace platform::netfilter {

namespace fs = std::filesystem;

namespace {

std::optional<std::string> ReadWhole(const fs::path& path, std::string* whyNot = nullptr) {
    std::ifstream in(path);
    if (!in) {
        if (whyNot)
            *whyNot = path.string() + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// KEY=value or KEY="value" in a shell-style file; empty when absent.
std::string Setting(const std::string& text, const std::string& key) {
    const std::regex line("^[ \\t]*" + key + "[ \\t]*=[ \\t]*\"?([^\"\\n#]*)\"?",
                          std::regex::multiline);
    std::smatch found;
    if (!std::regex_search(text, found, line))
        return {};
    std::string value = found[1];
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.pop_back();
    return value;
}

// "30303", "any", "30000:31000", "5000,30303": whether the port is among them.
bool PortListHolds(const std::string& list, char rangeMark, int port) {
    if (list == "any")
        return true;
    std::istringstream parts(list);
    std::string part;
    while (std::getline(parts, part, ',')) {
        try {
            const auto mark = part.find(rangeMark);
            const int low = std::stoi(part.substr(0, mark));
            const int high = mark == std::string::npos ? low : std::stoi(part.substr(mark + 1));
            if (low <= port && port <= high)
                return true;
        } catch (const std::exception&) {
        }
    }
    return false;
}

enum class Fit { No, Yes, Unknown };

// Whether every address of low..high is in a ufw address field ("any", "a.b.c.d",
// "a.b.c.d/len"), none of them is, or some are.
Fit AddressFits(const std::string& field,
                const std::optional<std::pair<std::uint32_t, std::uint32_t>>& range) {
    if (field == "any" || field == "0.0.0.0/0")
        return Fit::Yes;
    const auto slash = field.find('/');
    const auto address = ParseAddress(field.substr(0, slash));
    int length = 32;
    try {
        if (slash != std::string::npos)
            length = std::stoi(field.substr(slash + 1));
    } catch (const std::exception&) {
        return Fit::Unknown;
    }
    if (!range || !address || length < 0 || length > 32)
        return Fit::Unknown;
    const AdapterSubnet block{*address, length};
    if (block.Network() <= range->first && range->second <= block.Broadcast())
        return Fit::Yes;
    return range->second < block.Network() || block.Broadcast() < range->first ? Fit::No
                                                                               : Fit::Unknown;
}

// One way of the ufw rules: the first tuple that fits decides, else the policy.
// Nothing when a tuple that would fit names an address.
std::optional<std::vector<FirewallDrop>> UfwWay(const std::string& rules, const std::string& way,
                                                const std::string& interfaceName,
                                                const std::optional<AdapterSubnet>& subnet,
                                                int port, const std::string& policy,
                                                const std::string& policyKey) {
    using Range = std::optional<std::pair<std::uint32_t, std::uint32_t>>;
    Range source, destination;
    if (subnet && way == "in") {
        source = {subnet->Network(), subnet->Broadcast()};
        destination = {std::min(subnet->address, subnet->Broadcast()),
                       std::max(subnet->address, subnet->Broadcast())};
    } else if (subnet) {
        source = {subnet->address, subnet->address};
        destination = {subnet->Broadcast(), subnet->Broadcast()};
    }
    std::istringstream lines(rules);
    std::string line;
    const std::string mark = "### tuple ### ";
    while (std::getline(lines, line)) {
        if (!line.starts_with(mark))
            continue;
        std::istringstream fields(line.substr(mark.size()));
        std::vector<std::string> words;
        for (std::string word; fields >> word;)
            words.push_back(word);
        if (words.size() < 7)
            continue;
        const std::string& direction = words.back();
        const bool fitsWay = direction == way || direction == way + "_" + interfaceName;
        if (!fitsWay || (words[1] != "udp" && words[1] != "any") ||
            !PortListHolds(words[2], ':', port) || !PortListHolds(words[4], ':', port))
            continue;
        const Fit to = AddressFits(words[3], destination);
        const Fit from = AddressFits(words[5], source);
        if (to == Fit::No || from == Fit::No)
            continue;
        if (to == Fit::Unknown || from == Fit::Unknown)
            return std::nullopt;
        if (words[0] == "deny" || words[0] == "reject")
            return std::vector<FirewallDrop>{{"ufw " + line.substr(mark.size()), false}};
        return std::vector<FirewallDrop>{};
    }
    if (policy == "DROP" || policy == "REJECT")
        return std::vector<FirewallDrop>{{"ufw " + policyKey + "=" + policy, true}};
    return std::vector<FirewallDrop>{};
}

// The attribute's value in an XML start tag.
std::string Attribute(const std::string& tag, const std::string& name) {
    const std::regex pattern(name + "[ \\t]*=[ \\t]*[\"']([^\"']*)[\"']");
    std::smatch found;
    return std::regex_search(tag, found, pattern) ? std::string(found[1]) : std::string();
}

std::vector<std::string> Tags(const std::string& xml, const std::string& element) {
    const std::regex pattern("<" + element + "\\b[^>]*>");
    std::vector<std::string> tags;
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), pattern);
         it != std::sregex_iterator(); ++it)
        tags.push_back(it->str());
    return tags;
}

bool OpensThePort(const std::string& xml, int port) {
    for (const std::string& tag : Tags(xml, "port")) {
        const std::string protocol = Attribute(tag, "protocol");
        if (protocol == "udp" && PortListHolds(Attribute(tag, "port"), '-', port))
            return true;
    }
    return false;
}

std::optional<std::string> FirstOf(const std::vector<fs::path>& paths) {
    for (const fs::path& path : paths)
        if (auto text = ReadWhole(path))
            return text;
    return std::nullopt;
}

} // namespace

std::optional<FirewallReading> ReadUfw(const std::string& interfaceName, std::uint16_t port,
                                       const std::optional<AdapterSubnet>& subnet,
                                       const std::string& root) {
    const fs::path etc = fs::path(root) / "etc";
    const auto conf = ReadWhole(etc / "ufw" / "ufw.conf");
    if (!conf)
        return std::nullopt;
    FirewallReading reading{"ufw", {}};
    if (Setting(*conf, "ENABLED") != "yes") {
        reading.drops.value.emplace();
        return reading;
    }
    const std::string defaults = ReadWhole(etc / "default" / "ufw").value_or("");
    const auto rules = ReadWhole(etc / "ufw" / "user.rules", &reading.drops.whyNot);
    if (!rules)
        return reading;
    const auto in = UfwWay(*rules, "in", interfaceName, subnet, port,
                           Setting(defaults, "DEFAULT_INPUT_POLICY"), "DEFAULT_INPUT_POLICY");
    const auto out = UfwWay(*rules, "out", interfaceName, subnet, port,
                            Setting(defaults, "DEFAULT_OUTPUT_POLICY"), "DEFAULT_OUTPUT_POLICY");
    if (!in || !out) {
        reading.drops.whyNot =
            "a ufw rule for UDP " + std::to_string(port) + " names part of the subnet";
        return reading;
    }
    std::vector<FirewallDrop> drops = *in;
    drops.insert(drops.end(), out->begin(), out->end());
    reading.drops.value = std::move(drops);
    return reading;
}

std::optional<FirewallReading> ReadFirewalld(const std::string& interfaceName, std::uint16_t port,
                                             bool running, const std::string& root) {
    const fs::path etc = fs::path(root) / "etc" / "firewalld";
    const fs::path lib = fs::path(root) / "usr" / "lib" / "firewalld";
    std::error_code error;
    if (!fs::exists(etc, error) && !fs::exists(lib, error))
        return std::nullopt;
    FirewallReading reading{"firewalld", {}};
    if (!running) {
        reading.drops.value.emplace();
        return reading;
    }

    // The zone that names the interface, else the default zone.
    std::string zone;
    for (const fs::directory_entry& file : fs::directory_iterator(etc / "zones", error)) {
        const auto xml = ReadWhole(file.path());
        if (!xml)
            continue;
        for (const std::string& tag : Tags(*xml, "interface"))
            if (Attribute(tag, "name") == interfaceName)
                zone = file.path().stem().string();
    }
    if (zone.empty())
        zone = Setting(ReadWhole(etc / "firewalld.conf").value_or(""), "DefaultZone");
    if (zone.empty())
        zone = "public";
    const auto xml = FirstOf({etc / "zones" / (zone + ".xml"), lib / "zones" / (zone + ".xml")});
    if (!xml) {
        reading.drops.whyNot = "no file of the firewalld zone " + zone;
        return reading;
    }
    const auto zoneTags = Tags(*xml, "zone");
    const std::string target = zoneTags.empty() ? "" : Attribute(zoneTags.front(), "target");
    bool open = target == "ACCEPT" || OpensThePort(*xml, port);
    for (const std::string& tag : Tags(*xml, "service")) {
        const std::string name = Attribute(tag, "name");
        const auto service =
            FirstOf({etc / "services" / (name + ".xml"), lib / "services" / (name + ".xml")});
        open = open || (service && OpensThePort(*service, port));
    }
    if (!open && !Tags(*xml, "rule").empty()) {
        reading.drops.whyNot = "the firewalld zone " + zone + " has rich rules";
        return reading;
    }
    reading.drops.value.emplace();
    if (!open)
        reading.drops.value->push_back({"firewalld zone " + zone, true});
    return reading;
}

} // namespace platform::netfilter
