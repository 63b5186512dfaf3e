#include "cli/Report.h"

#include "console/HubRowOrder.h"
#include "discovery/HubConflicts.h"
#include "discovery/HubListCsv.h"
#include "discovery/HubText.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

// Code points, for the columns' widths: model texts may be Cyrillic.
std::size_t Width(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// Hub texts are UTF-8 already; a byte that is not is shown as U+FFFD, not thrown at.
std::string Dump(const json& value) {
    return value.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

// The names, then how many more there are beyond them.
std::string Joined(const std::vector<std::string>& texts, std::size_t more) {
    std::string joined;
    for (const std::string& text : texts)
        joined += (joined.empty() ? "" : ", ") + text;
    if (more > 0)
        joined += " and " + std::to_string(more) + " more";
    return joined;
}

std::string ConflictWords(const HubConflict& conflict) {
    std::vector<std::string> words;
    if (!conflict.otherPhysicalAddresses.empty())
        words.push_back("address also answered by " +
                        Joined(conflict.otherPhysicalAddresses, conflict.morePhysicalAddresses));
    if (!conflict.otherAddresses.empty())
        words.push_back("also answers from " +
                        Joined(conflict.otherAddresses, conflict.moreAddresses));
    if (conflict.adapterAddress)
        words.push_back("answers from the adapter's own address");
    if (conflict.outsideSubnet)
        words.push_back("outside the adapter's subnet");
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : "; ") + word;
    return text;
}

// One line of a table: each cell but the last padded to its column's width and two
// blanks; a cell wider than its column (a row printed before all were known) pushes the
// rest right rather than failing.
std::string PaddedLine(const std::vector<std::string>& cells,
                       const std::vector<std::size_t>& widths) {
    std::string text;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        text += cells[i];
        if (i + 1 < cells.size()) {
            const std::size_t width = i < widths.size() ? widths[i] : 0;
            text += std::string(width - std::min(width, Width(cells[i])) + 2, ' ');
        }
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text + "\n";
}

} // namespace

std::string TextTable(const std::vector<std::string>& header,
                      const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths(header.size(), 0);
    for (std::size_t i = 0; i < header.size(); ++i)
        widths[i] = Width(header[i]);
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size() && i < widths.size(); ++i)
            widths[i] = std::max(widths[i], Width(row[i]));
    std::string table = PaddedLine(header, widths);
    for (const auto& row : rows)
        table += PaddedLine(row, widths);
    return table;
}

std::string CsvLine(const std::vector<std::string>& cells) {
    return CsvRecord(cells, "\n");
}

std::string AdaptersTable(const std::vector<AdapterEntry>& entries) {
    std::vector<std::vector<std::string>> rows;
    for (const AdapterEntry& entry : entries)
        rows.push_back({entry.interfaceName, entry.address.Text(), entry.mask.Text(), entry.description});
    return TextTable({"INTERFACE", "ADDRESS", "MASK", "DESCRIPTION"}, rows);
}

std::string AdaptersJson(const std::vector<AdapterEntry>& entries) {
    json list = json::array();
    for (const AdapterEntry& entry : entries) {
        list.push_back({{"interface", entry.interfaceName},
                        {"address", entry.address.Text()},
                        {"mask", entry.mask.Text()},
                        {"description", entry.description}});
    }
    return Dump(list);
}

std::vector<FoundHub> FoundHubs(const HubList& hubs, const std::string& adapterAddress,
                                const std::string& adapterMask) {
    AdapterEntry adapter;
    adapter.address = Ipv4::Parse(adapterAddress).value_or(Ipv4());
    return FoundHubs(HubRecords(hubs, FindHubConflicts(hubs, adapterAddress, adapterMask), adapter));
}

std::vector<FoundHub> FoundHubs(const std::vector<HubRecord>& records) {
    std::vector<FoundHub> found;
    for (const HubRecord& record : records) {
        FoundHub hub;
        hub.ip = record.address.Text();
        hub.mac = VisibleHubText(record.physicalAddress.Text(), false);
        hub.model = VisibleHubText(record.modelText, false);
        hub.adapter = record.adapter.Text();
        hub.conflict = ConflictWords(record.conflict);
        found.push_back(std::move(hub));
    }
    // The window's order for its address column, ascending.
    std::vector<HubRow> rows(found.size());
    for (std::size_t i = 0; i < found.size(); ++i)
        rows[i].address = found[i].ip;
    std::vector<FoundHub> sorted;
    sorted.reserve(found.size());
    for (const std::size_t i : HubRowOrder(rows, kHubAddressColumn, true))
        sorted.push_back(std::move(found[i]));
    return sorted;
}

std::string HubsTable(const std::vector<FoundHub>& hubs) {
    std::vector<std::vector<std::string>> rows;
    for (const FoundHub& hub : hubs)
        rows.push_back({hub.ip, hub.mac, hub.model, hub.adapter, hub.conflict});
    return TextTable({"ADDRESS", "PHYSICAL ADDRESS", "MODEL/FIRMWARE", "ADAPTER", "CONFLICT"},
                     rows);
}

std::string HubsJson(const std::vector<FoundHub>& hubs) {
    json list = json::array();
    for (const FoundHub& hub : hubs) {
        json item = {
            {"ip", hub.ip}, {"mac", hub.mac}, {"model", hub.model}, {"adapter", hub.adapter}};
        if (!hub.conflict.empty())
            item["conflict"] = hub.conflict;
        list.push_back(std::move(item));
    }
    return Dump(list);
}

std::string HubsCsv(const std::vector<FoundHub>& hubs) {
    std::string csv = CsvLine({"ip", "mac", "model", "adapter", "conflict"});
    for (const FoundHub& hub : hubs)
        csv += CsvLine({hub.ip, hub.mac, hub.model, hub.adapter, hub.conflict});
    return csv;
}

std::string HubStateText(const HubState& hub) {
    std::string onLink;
    for (const int controller : hub.controllersOnLink)
        onLink += (onLink.empty() ? "" : " ") + std::to_string(controller);
    std::vector<std::vector<std::string>> rows = {
        {"physical address:", hub.mac},
        {"controllers on link:", onLink.empty() ? "none" : onLink},
        {"address:", hub.address},
        {"mask:", hub.mask},
        {"gateway:", hub.gateway}};
    if (!hub.model.empty())
        rows.insert(rows.begin() + 1, {"model/firmware:", hub.model});
    const std::vector<std::string> first = rows.front();
    rows.erase(rows.begin());
    return TextTable(first, rows);
}

std::string HubStateJson(const HubState& hub) {
    json item = {{"ip", hub.ip},
                 {"mac", hub.mac},
                 {"controllers_on_link", hub.controllersOnLink},
                 {"address", hub.address},
                 {"mask", hub.mask},
                 {"gateway", hub.gateway}};
    if (!hub.model.empty())
        item["model"] = hub.model;
    return Dump(item);
}

namespace {

json ApplyItem(const ApplyRow& row) {
    return {{"line", row.line},
            {"mac", row.mac},
            {"old_address", row.oldAddress},
            {"new_address", row.newAddress},
            {"result", row.result},
            {"reason", row.reason}};
}

const std::vector<std::string> kApplyHeader = {"LINE",        "PHYSICAL ADDRESS", "OLD ADDRESS",
                                               "NEW ADDRESS", "RESULT",           "REASON"};

std::vector<std::string> ApplyCells(const ApplyRow& row) {
    return {std::to_string(row.line), row.mac,    row.oldAddress.empty() ? "-" : row.oldAddress,
            row.newAddress,           row.result, row.reason};
}

} // namespace

std::string ApplyJson(const std::vector<ApplyRow>& rows) {
    json list = json::array();
    for (const ApplyRow& row : rows)
        list.push_back(ApplyItem(row));
    return Dump(list);
}

ApplyReport::ApplyReport(ApplyForm form, const std::vector<ApplyRow>& firstLook) : form_(form) {
    for (const std::string& title : kApplyHeader)
        widths_.push_back(Width(title));
    // Every result word fits: a row's result changes as its hub is worked.
    widths_[4] = std::max(widths_[4], Width("unchanged"));
    for (const ApplyRow& row : firstLook) {
        const auto cells = ApplyCells(row);
        for (std::size_t i = 0; i < cells.size(); ++i)
            widths_[i] = std::max(widths_[i], Width(cells[i]));
    }
}

std::string ApplyReport::Start() const {
    if (form_ == ApplyForm::Csv)
        return CsvLine({"line", "mac", "old_address", "new_address", "result", "reason"});
    return form_ == ApplyForm::Table ? TableLine(kApplyHeader) : std::string();
}

std::string ApplyReport::Row(const ApplyRow& row) const {
    switch (form_) {
    case ApplyForm::Csv:
        return CsvLine({std::to_string(row.line), row.mac, row.oldAddress, row.newAddress,
                        row.result, row.reason});
    case ApplyForm::JsonLines:
        return ApplyItem(row).dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
    case ApplyForm::Json:
        return {};
    case ApplyForm::Table:
        break;
    }
    return TableLine(ApplyCells(row));
}

std::string ApplyReport::TableLine(const std::vector<std::string>& cells) const {
    return PaddedLine(cells, widths_);
}

std::string ApplyReport::End(const std::vector<ApplyRow>& rows) const {
    return form_ == ApplyForm::Json ? ApplyJson(rows) : std::string();
}
