#include "tests/console/RecordingView.h"

#include "platform/Utf8.h"
#include "resources/ConsoleTemplate.h"

RecordingView::RecordingView() {
    for (const ControlTemplate& control : ConsoleTemplate().controls) {
        if (control.id == 0)
            continue;
        enabled_[control.id] = control.initiallyEnabled;
        texts_[control.id] =
            control.caption ? platform::Utf8FromUtf16(control.caption) : std::string();
    }
}

std::vector<std::string> RecordingView::BoxTexts() const {
    std::vector<std::string> texts;
    for (const BoxRequest& box : boxes)
        texts.push_back(box.text);
    return texts;
}

bool RecordingView::Checked(int id) const {
    const auto found = checked_.find(id);
    return found != checked_.end() && found->second;
}

const std::vector<HubRow>& RecordingView::Rows() const {
    static const std::vector<HubRow> none;
    return shownRows.empty() ? none : shownRows.back();
}

std::string RecordingView::ControlText(int id) const {
    const auto found = texts_.find(id);
    return found == texts_.end() ? std::string() : found->second;
}

bool RecordingView::IsControlEnabled(int id) const {
    const auto found = enabled_.find(id);
    return found != enabled_.end() && found->second;
}

void RecordingView::SetAddress(int id, std::uint32_t value) {
    AddressParts parts;
    for (int i = 0; i < 4; ++i)
        parts[static_cast<std::size_t>(i)] = static_cast<int>((value >> (24 - 8 * i)) & 0xFF);
    addresses_[id] = parts;
}

void RecordingView::SetAddressText(int id, const std::string& dotted) {
    AddressParts parts;
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t end = i < 3 ? dotted.find('.', start) : dotted.size();
        const std::string part =
            end == std::string::npos ? std::string() : dotted.substr(start, end - start);
        if (part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(part) > 255) {
            addresses_[id] = {};
            return;
        }
        parts[static_cast<std::size_t>(i)] = std::stoi(part);
        start = end + 1;
    }
    addresses_[id] = parts;
}

AddressParts RecordingView::AddressFields(int id) const {
    const auto found = addresses_.find(id);
    return found == addresses_.end() ? AddressParts{} : found->second;
}

std::string RecordingView::AddressText(int id) const {
    const AddressParts parts = AddressFields(id);
    bool any = false;
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            text += '.';
        if (parts[i]) {
            text += std::to_string(*parts[i]);
            any = true;
        }
    }
    return any ? text : std::string();
}

void RecordingView::ShowHubRows(const std::vector<HubRow>& rows) {
    // New rows, as a list view's, come with no row selected.
    shownRows.push_back(rows);
    selectedRow.reset();
}

BoxAnswer RecordingView::ShowBox(const BoxRequest& request) {
    boxes.push_back(request);
    if (!answers.empty()) {
        const BoxAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return request.buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
}

AdapterChoice RecordingView::ChooseAdapter(const AdapterList&, std::optional<int> opensWith) {
    ++choicesShown;
    preselected = opensWith;
    if (choices.empty())
        return {};
    const AdapterChoice choice = choices.front();
    choices.pop_front();
    return choice;
}

std::optional<std::string> RecordingView::ChooseSaveFile(const SaveFileRequest& request) {
    saveDialogs.push_back(request);
    if (savePaths.empty())
        return std::nullopt;
    auto path = savePaths.front();
    savePaths.pop_front();
    return path;
}
