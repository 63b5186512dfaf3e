// The person's actions by the ids the window gives them: which push button runs which
// handler, which address fields the console follows, which menu commands are its own,
// and when it is idle. Each face forwards its events here and keeps only the way its
// toolkit delivers them.
#include "console/ConsoleCommands.h"

#include "console/KestruneDlg.h"
#include "resources/AboutTemplate.h"
#include "resources/ConsoleTemplate.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

struct ButtonCommand {
    int id;
    void (CKestruneDlg::*handler)();
};

constexpr ButtonCommand kButtonCommands[] = {
    {IDC_CLEAR_LOG, &CKestruneDlg::ClearLog},
    {IDC_ABOUT_ADAPTERS, &CKestruneDlg::ShowAdapterReport},
    {IDC_SELECT_ADAPTER, &CKestruneDlg::SelectAdapter},
    {IDC_SEARCH_HUBS, &CKestruneDlg::OnSearchHubsButton},
    {IDC_CONNECT, &CKestruneDlg::ConnectToHub},
    {IDC_DISCONNECT, &CKestruneDlg::DisconnectFromHub},
    {IDC_APPLY_PARAMETERS, &CKestruneDlg::ApplyHubParameters},
    {IDC_WRITE_NUMBER, &CKestruneDlg::WriteControllerNumber},
};

// The fields whose edits mark the hub's parameters changed; the connect address also
// enables "connect". The adapter's address and mask are shown, never edited.
constexpr int kEditedFields[] = {IDC_CONNECT_ADDRESS, IDC_HUB_IP_ADDRESS, IDC_HUB_SUBNET_MASK,
                                 IDC_HUB_GATEWAY};

constexpr unsigned kMenuCommandMask = 0xFFF0u;

} // namespace

bool CKestruneDlg::OnButtonClicked(int id) {
    const auto command = std::find_if(std::begin(kButtonCommands), std::end(kButtonCommands),
                                      [id](const ButtonCommand& entry) { return entry.id == id; });
    if (command == std::end(kButtonCommands))
        return false;
    RunHandler([this, handler = command->handler] { (this->*handler)(); });
    return true;
}

bool CKestruneDlg::OnFieldEdited(int id) {
    if (std::find(std::begin(kEditedFields), std::end(kEditedFields), id) ==
        std::end(kEditedFields))
        return false;
    RunHandler([this, id] { OnParameterFieldChanged(id); });
    return true;
}

void CKestruneDlg::OnHubListSelectionChanged() {
    RunHandler([this] { SyncHubSelection(); });
}

void CKestruneDlg::OnHubListActivated() {
    RunHandler([this] { OpenSelectedHub(); });
}

bool CKestruneDlg::OnMenuCommand(unsigned command) {
    switch (command & kMenuCommandMask) {
    case kAboutCommandId:
        RunHandler([this, command] { ShowAbout(command); });
        return true;
    case kSaveLogCommandId:
        RunHandler([this] { SaveLog(); });
        return true;
    case kSaveHubListCommandId:
        RunHandler([this] { SaveHubList(); });
        return true;
    default:
        return false;
    }
}

bool CKestruneDlg::OnPaint() {
    return !std::exchange(painted_, true);
}

bool CKestruneDlg::IsIdle() const {
    return painted_ && operation_ == Operation::None && !startupSearchPending_;
}
