// What every part of the console shares: the step a handler runs as, the form binding of
// field 119, the boxes, the operations' hold on controls, and the chosen adapter.
#include "console/KestruneDlg.h"

#include "adapters/ImproperArgument.h"
#include "console/HubConflictTexts.h"
#include "hubsession/ControllerNumber.h"
#include "resources/AboutTemplate.h"
#include "resources/ConsoleTemplate.h"

void CKestruneDlg::RunHandler(const std::function<void()>& handler) {
    hub_->DrainReports();
    try {
        handler();
    } catch (const ImproperArgument&) {
        ShowAppMessage(ImproperArgument::Text(), BoxIcon::Stop);
    }
}

void CKestruneDlg::ClearLog() { view_.ClearLog(); }

void CKestruneDlg::ShowAbout(unsigned command) {
    if ((command & 0xFFF0u) == kAboutCommandId)
        view_.ShowAbout();
}

bool CKestruneDlg::UpdateData(bool saveAndValidate) {
    if (!saveAndValidate) {
        view_.SetControlText(IDC_CONTROLLER_NUMBER, std::to_string(controllerNumber_));
        return true;
    }
    const auto value = ParseControllerNumber(view_.ControlText(IDC_CONTROLLER_NUMBER));
    if (!value) {
        ShowAppMessage("Enter a positive integer.", BoxIcon::Warning);
        view_.FocusControl(IDC_CONTROLLER_NUMBER, true);
        return false;
    }
    controllerNumber_ = *value;
    return true;
}

BoxAnswer CKestruneDlg::ShowAppMessage(const std::string& text, BoxIcon icon) {
    return view_.ShowBox(AppMessage(text, icon));
}

bool CKestruneDlg::ConfirmWarning(const std::string& text) {
    return view_.ShowBox(Confirmation(text)) == BoxAnswer::Yes;
}

void CKestruneDlg::Begin(Operation operation, std::initializer_list<int> heldControls) {
    operation_ = operation;
    focusBefore_ = view_.FocusedControl();
    for (int id : heldControls) {
        heldControls_.emplace(id, IsEnabled(id));
        ShowEnabled(id, false);
    }
}

void CKestruneDlg::End() {
    operation_ = Operation::None;
    const auto held = std::exchange(heldControls_, {});
    for (const auto& [id, enabled] : held)
        ShowEnabled(id, enabled);
    // A held control that had the focus lost it only while it was held: the focus goes
    // where it would have gone had nothing been held: back to it, or, when the action
    // leaves it disabled, on to the next control, as a window moves it off a control
    // that goes disabled under it.
    if (held.contains(focusBefore_)) {
        if (IsEnabled(focusBefore_)) {
            view_.FocusControl(focusBefore_);
        } else {
            ShowEnabled(focusBefore_, true);
            view_.FocusControl(focusBefore_);
            ShowEnabled(focusBefore_, false);
        }
    }
}

void CKestruneDlg::ShowEnabled(int id, bool enabled) {
    enabled_[id] = enabled;
    view_.EnableControl(id, enabled);
}

bool CKestruneDlg::IsEnabled(int id) const {
    if (const auto found = enabled_.find(id); found != enabled_.end())
        return found->second;
    for (const ControlTemplate& control : ConsoleTemplate().controls) {
        if (control.id == id)
            return control.initiallyEnabled;
    }
    return true;
}

void CKestruneDlg::SetControlEnabled(int id, bool enabled) {
    if (const auto held = heldControls_.find(id); held != heldControls_.end())
        held->second = enabled;
    else
        ShowEnabled(id, enabled);
}

std::function<void()> CKestruneDlg::WhileAlive(std::function<void(CKestruneDlg&)> task) {
    return [life = std::weak_ptr<CKestruneDlg*>(life_), task = std::move(task)] {
        if (const auto alive = life.lock())
            task(**alive);
    };
}

SearchedSubnet CKestruneDlg::ChosenSubnet() const {
    const auto entry = [this](const std::vector<std::string>& list) {
        const std::int32_t chosen = adapterList_.chosenIndex;
        return chosen >= 0 && static_cast<std::size_t>(chosen) < list.size() ? list[chosen]
                                                                             : std::string();
    };
    return {entry(adapterList_.addresses), entry(adapterList_.subnetMasks),
            entry(adapterList_.subnetAddresses)};
}

std::optional<Ipv4> CKestruneDlg::ChosenAdapterAddress() const {
    const auto entry = static_cast<std::size_t>(adapterList_.chosenIndex);
    if (adapterList_.chosenIndex < 0 || entry >= adapterList_.addresses.size())
        return std::nullopt;
    return Ipv4::Parse(adapterList_.addresses[entry]);
}
