// The console's start and end: its session, the controls' first states, the adapters
// and the search it starts with once the window shows.
#include "console/KestruneDlg.h"

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
        ShowEnabled(IDC_LINK_1 + controller - 1, false);
    ShowEnabled(IDC_CONNECT, false);
    ShowEnabled(IDC_APPLY_PARAMETERS, false);
    ShowEnabled(IDC_DISCONNECT, false);
    ShowEnabled(IDC_WRITE_NUMBER, false);
    view_.SetControlText(IDC_WRITE_NUMBER, kNotConnectedCaption);
    ShowEnabled(IDC_ADAPTER_ADDRESS, false);
    ShowEnabled(IDC_ADAPTER_MASK, false);
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
