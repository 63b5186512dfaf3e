#include "cli/CommandLineView.h"

#include "cli/HubArgument.h"
#include "console/AddressFields.h"
#include "resources/ConsoleTemplate.h"

#include <algorithm>

CommandLineView::CommandLineView(std::ostream* log) : log_(log) {}

bool CommandLineView::Checked(int id) const {
    const auto found = checked_.find(id);
    return found != checked_.end() && found->second;
}

void CommandLineView::Type(int id, const AddressParts& parts) {
    addresses_[id] = parts;
}

void CommandLineView::SetControlText(int id, const std::string& text) {
    texts_[id] = text;
    Changed();
}

std::string CommandLineView::ControlText(int id) const {
    const auto found = texts_.find(id);
    return found == texts_.end() ? std::string() : found->second;
}

void CommandLineView::EnableControl(int id, bool enabled) {
    enabled_[id] = enabled;
    Changed();
}

bool CommandLineView::IsControlEnabled(int id) const {
    const auto found = enabled_.find(id);
    return found == enabled_.end() || found->second;
}

void CommandLineView::CheckControl(int id, bool checked) {
    checked_[id] = checked;
    // The console sets the four indicators, the fourth last, on every status the hub
    // sends (and clears them when the session ends).
    if (id == IDC_LINK_4)
        linkStatusShown_ = true;
    Changed();
}

void CommandLineView::SetAddress(int id, std::uint32_t value) {
    AddressParts parts;
    for (std::size_t i = 0; i < parts.size(); ++i)
        parts[i] = static_cast<int>((value >> (24 - 8 * i)) & 0xFF);
    addresses_[id] = parts;
    Changed();
}

void CommandLineView::SetAddressText(int id, const std::string& dotted) {
    const auto parts = ParseAddressParts(dotted);
    const bool full = parts && std::all_of(parts->begin(), parts->end(),
                                           [](const auto& part) { return part.has_value(); });
    addresses_[id] = full ? *parts : AddressParts{};
    Changed();
}

void CommandLineView::ClearAddress(int id) {
    addresses_[id] = {};
    Changed();
}

AddressParts CommandLineView::AddressFields(int id) const {
    const auto found = addresses_.find(id);
    return found == addresses_.end() ? AddressParts{} : found->second;
}

std::string CommandLineView::AddressText(int id) const {
    return AddressFieldsText(AddressFields(id));
}

void CommandLineView::ShowHubRows(const std::vector<HubRow>& rows) {
    rows_ = rows;
    selectedRow.reset();
    Changed();
}

void CommandLineView::AppendToLog(const std::string& text) {
    logText_ += text;
    if (log_ != nullptr) {
        std::string lines = text;
        for (std::size_t at = lines.find("\r\n"); at != std::string::npos;
             at = lines.find("\r\n", at))
            lines.erase(at, 1);
        *log_ << lines << std::flush;
    }
    Changed();
}

BoxAnswer CommandLineView::ShowBox(const BoxRequest& request) {
    boxes_.push_back(request);
    BoxAnswer reply = BoxAnswer::Ok;
    if (request.buttons == BoxButtons::YesNo)
        reply = answer ? answer(request) : BoxAnswer::No;
    Changed();
    return reply;
}

AdapterChoice CommandLineView::ChooseAdapter(const AdapterList& adapters, std::optional<int>) {
    return chooseAdapter ? chooseAdapter(adapters) : AdapterChoice{};
}
