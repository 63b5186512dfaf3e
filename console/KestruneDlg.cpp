#include "console/KestruneDlg.h"

#include "adapters/ImproperArgument.h"
#include "hubsession/ControllerNumber.h"
#include "resources/AboutTemplate.h"
#include "resources/ConsoleTemplate.h"

namespace {

constexpr const char* kNotConnectedCaption = "Нет связи";

} // namespace

CKestruneDlg::CKestruneDlg(ConsoleView& view, Scheduler& scheduler, bool debugMode,
                           const ConsoleServices& services)
    : view_(view), scheduler_(scheduler), debugMode_(debugMode),
      services_(services.WithSystemDefaults()), life_(std::make_shared<CKestruneDlg*>(this)),
      hub_(std::make_unique<HubSession>(scheduler, services_, debugMode)) {
    hub_->SetReportHandler([this](watcher::Report&& report) { OnReport(std::move(report)); });
}

CKestruneDlg::~CKestruneDlg() {
    life_.reset();
    // The window goes: its hub session's socket and watcher go first, and nothing the
    // watcher reports can reach this console any more.
    hub_.reset();
}

void CKestruneDlg::OnInitDialog() {
    for (int controller = 1; controller <= 4; ++controller)
        view_.EnableControl(IDC_LINK_1 + controller - 1, false);
    view_.EnableControl(IDC_CONNECT, false);
    view_.EnableControl(IDC_APPLY_PARAMETERS, false);
    view_.EnableControl(IDC_DISCONNECT, false);
    view_.EnableControl(IDC_WRITE_NUMBER, false);
    view_.SetControlText(IDC_WRITE_NUMBER, kNotConnectedCaption);
    view_.EnableControl(IDC_ADAPTER_ADDRESS, false);
    view_.EnableControl(IDC_ADAPTER_MASK, false);
    UpdateData(false);
    AppendToLog(kTitleLine);
    RunHandler([this] { StartWithAdapters(); });
}

void CKestruneDlg::OnFirstPaint() {
    // The window shows first; the search it starts with comes right after.
    if (std::exchange(startupSearchPending_, false))
        RunHandler([this] { SearchHubs(); });
}

bool CKestruneDlg::OnOK() { return UpdateData(true); }

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
        heldControls_.emplace(id, view_.IsControlEnabled(id));
        view_.EnableControl(id, false);
    }
}

void CKestruneDlg::End() {
    operation_ = Operation::None;
    const auto held = std::exchange(heldControls_, {});
    for (const auto& [id, enabled] : held)
        view_.EnableControl(id, enabled);
    // A held control that had the focus lost it only while it was held: the focus goes
    // where it would have gone had nothing been held: back to it, or, when the action
    // leaves it disabled, on to the next control, as a window moves it off a control
    // that goes disabled under it.
    if (held.contains(focusBefore_)) {
        if (view_.IsControlEnabled(focusBefore_)) {
            view_.FocusControl(focusBefore_);
        } else {
            view_.EnableControl(focusBefore_, true);
            view_.FocusControl(focusBefore_);
            view_.EnableControl(focusBefore_, false);
        }
    }
}

void CKestruneDlg::SetControlEnabled(int id, bool enabled) {
    if (const auto held = heldControls_.find(id); held != heldControls_.end())
        held->second = enabled;
    else
        view_.EnableControl(id, enabled);
}

std::function<void()> CKestruneDlg::WhileAlive(std::function<void(CKestruneDlg&)> task) {
    return [life = std::weak_ptr<CKestruneDlg*>(life_), task = std::move(task)] {
        if (const auto alive = life.lock())
            task(**alive);
    };
}
