#include "cli/Plan.h"

#include "cli/HubArgument.h"
#include "console/AddressFields.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Columns by name; the rest of the file is read through this.
struct Columns {
    int mac = -1;
    int ip = -1;
    int mask = -1;
    int gateway = -1;
    std::size_t count = 0;
};

void ReadHeader(const std::vector<std::string>& cells, int lineNumber, Columns& columns,
                std::vector<PlanProblem>& problems) {
    columns.count = cells.size();
    std::map<std::string, int*> known{{"mac", &columns.mac},
                                      {"ip", &columns.ip},
                                      {"mask", &columns.mask},
                                      {"gateway", &columns.gateway}};
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const std::string name = Lower(Trimmed(cells[i]));
        const auto found = known.find(name);
        if (found == known.end()) {
            problems.push_back({lineNumber, "unknown column \"" + name +
                                                "\" (the columns are mac, ip, mask, gateway)"});
        } else if (*found->second >= 0) {
            problems.push_back({lineNumber, "column \"" + name + "\" is named twice"});
        } else {
            *found->second = static_cast<int>(i);
        }
    }
    for (const char* required : {"mac", "ip"}) {
        if (*known[required] < 0)
            problems.push_back(
                {lineNumber, std::string("the header has no \"") + required + "\" column"});
    }
}

std::string Cell(const std::vector<std::string>& cells, int column) {
    if (column < 0 || static_cast<std::size_t>(column) >= cells.size())
        return {};
    return Trimmed(cells[static_cast<std::size_t>(column)]);
}

// An address cell; false with a problem when the text is no address at all.
bool ReadAddress(const std::string& text, const char* what, int lineNumber,
                 std::optional<AddressParts>& parts, std::vector<PlanProblem>& problems) {
    if (text.empty())
        return true;
    parts = ParseAddressParts(text);
    if (!parts)
        problems.push_back(
            {lineNumber, std::string(what) + " \"" + text + "\" is not an IPv4 address"});
    return parts.has_value();
}

// The rules on new hub parameters for a line: an empty mask cell keeps the hub's mask,
// not known before the session; an empty gateway cell keeps the hub's gateway, which
// its rules allowed.
std::optional<std::string> LineRefusal(const PlanLine& line, std::optional<Ipv4> adapterAddress) {
    const auto failure = CheckNewHubParameters(
        line.address, line.mask, line.gateway.value_or(AddressParts{}), adapterAddress);
    if (failure)
        return "the hub refuses these parameters: " + *failure;
    return std::nullopt;
}

// One data line; false when it is malformed.
bool ReadLine(const std::vector<std::string>& cells, int lineNumber, const Columns& columns,
              bool gatewaysOutsideAllowed, PlanLine& line, std::vector<PlanProblem>& problems) {
    const std::size_t before = problems.size();
    for (std::size_t i = columns.count; i < cells.size(); ++i) {
        if (!Trimmed(cells[i]).empty()) {
            problems.push_back({lineNumber, "more cells than the header names"});
            break;
        }
    }
    line.lineNumber = lineNumber;
    line.mac = Cell(cells, columns.mac);
    if (line.mac.empty()) {
        problems.push_back({lineNumber, "no physical address"});
    } else if (const auto key = PhysicalAddressKey(line.mac)) {
        line.physicalKey = *key;
    } else {
        problems.push_back({lineNumber, "\"" + line.mac +
                                            "\" is not a physical address (02-00-5E-12-00-0D "
                                            "or 02:00:5e:12:00:0d)"});
    }
    std::optional<AddressParts> address;
    const std::string addressText = Cell(cells, columns.ip);
    if (addressText.empty())
        problems.push_back({lineNumber, "no ip address"});
    else if (ReadAddress(addressText, "ip", lineNumber, address, problems))
        line.address = *address;
    ReadAddress(Cell(cells, columns.mask), "mask", lineNumber, line.mask, problems);
    ReadAddress(Cell(cells, columns.gateway), "gateway", lineNumber, line.gateway, problems);
    if (problems.size() != before)
        return false;

    if (const auto failure = LineRefusal(line, std::nullopt)) {
        problems.push_back({lineNumber, *failure});
        return false;
    }
    if (!gatewaysOutsideAllowed && line.mask && line.gateway &&
        GatewayOutsideSubnet(
            {AddressOf(line.address), AddressOf(*line.mask), AddressOf(*line.gateway)})) {
        problems.push_back(
            {lineNumber, GatewayOutsideWords(line.address, *line.mask, *line.gateway)});
        return false;
    }
    return true;
}

} // namespace

bool SplitCsvLine(std::string_view line, char separator, std::vector<std::string>& cells) {
    cells.assign(1, std::string());
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"')
                cells.back() += c;
            else if (i + 1 < line.size() && line[i + 1] == '"')
                cells.back() += line[++i];
            else
                quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (c == separator) {
            cells.emplace_back();
        } else {
            cells.back() += c;
        }
    }
    return !quoted;
}

Plan ReadPlan(std::string_view content, bool gatewaysOutsideAllowed) {
    Plan plan;
    if (content.starts_with(kByteOrderMark))
        content.remove_prefix(kByteOrderMark.size());

    std::optional<Columns> columns;
    char separator = ',';
    std::map<std::string, int> macLines;
    std::map<std::string, int> addressLines;
    std::vector<std::string> cells;
    int lineNumber = 0;
    while (!content.empty()) {
        const std::size_t end = content.find('\n');
        const std::string text = Trimmed(content.substr(0, end));
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
        ++lineNumber;
        if (text.empty() || text.front() == '#')
            continue;
        if (!columns) {
            // A header with a semicolon and no comma is a spreadsheet's of a Russian locale.
            separator = text.find(';') != std::string::npos && text.find(',') == std::string::npos
                            ? ';'
                            : ',';
            SplitCsvLine(text, separator, cells);
            columns.emplace();
            ReadHeader(cells, lineNumber, *columns, plan.problems);
            // Lines under a header that cannot be read cannot be read either.
            if (!plan.problems.empty())
                return plan;
            continue;
        }
        if (!SplitCsvLine(text, separator, cells)) {
            plan.problems.push_back({lineNumber, "a quote is left open"});
            continue;
        }
        PlanLine line;
        if (!ReadLine(cells, lineNumber, *columns, gatewaysOutsideAllowed, line, plan.problems))
            continue;
        if (const auto [first, isNew] = macLines.emplace(line.physicalKey, lineNumber); !isNew) {
            plan.problems.push_back({lineNumber, "physical address " + line.mac +
                                                     " is planned on line " +
                                                     std::to_string(first->second) + " too"});
        }
        const std::string address = AddressFieldsText(line.address);
        if (const auto [first, isNew] = addressLines.emplace(address, lineNumber); !isNew) {
            plan.problems.push_back({lineNumber, "address " + address + " is planned on line " +
                                                     std::to_string(first->second) + " too"});
        }
        plan.lines.push_back(std::move(line));
    }
    if (!columns)
        plan.problems.push_back(
            {lineNumber, "the plan has no header line (mac,ip[,mask,gateway])"});
    else if (plan.lines.empty() && plan.problems.empty())
        plan.problems.push_back({lineNumber, "the plan names no hub"});
    return plan;
}

std::vector<PlanProblem> AdapterProblems(const Plan& plan, Ipv4 adapterAddress) {
    std::vector<PlanProblem> problems;
    for (const PlanLine& line : plan.lines)
        if (const auto failure = LineRefusal(line, adapterAddress))
            problems.push_back({line.lineNumber, *failure});
    return problems;
}

std::string GatewayOutsideWords(const AddressParts& address, const AddressParts& mask,
                                const AddressParts& gateway) {
    return "the gateway " + AddressFieldsText(gateway) + " is outside the hub's new subnet (" +
           AddressFieldsText(address) + " mask " + AddressFieldsText(mask) +
           "): give --yes to set it all the same";
}
