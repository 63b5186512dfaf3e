#pragma once

#include "console/ConsoleCommands.h"
#include "console/ConsoleView.h"
#include "console/KestruneDlg.h"
#include "win32/HubList.h"
#include "win32/TemplateDialog.h"
#include "win32/Win32Scheduler.h"

#include <memory>

// The console's Win32 face: the window built from template 100, the view the console
// talks to, and the person's actions forwarded to the console. It holds no rule and no
// state of the console's; it converts texts between UTF-8 and UTF-16 at its edge.
// The string resource that names the window menu's About command.
inline constexpr UINT kAboutCommandStringId = 127;

class CConsoleWindow : public CTemplateDialog, public ConsoleView {
public:
    explicit CConsoleWindow(bool debugMode, const ConsoleServices& services = {});
    ~CConsoleWindow() override;

    // The console, from construction until the window is destroyed.
    CKestruneDlg* Console() { return console_.get(); }
    bool IsIdle() const { return console_ != nullptr && console_->IsIdle(); }

    // ConsoleView.
    void SetControlText(int id, const std::string& text) override;
    std::string ControlText(int id) const override;
    void EnableControl(int id, bool enabled) override;
    bool IsControlEnabled(int id) const;
    void CheckControl(int id, bool checked) override;
    void FocusControl(int id, bool selectText) override;
    void FocusPreviousControl() override;
    int FocusedControl() const override;
    void SetAddress(int id, std::uint32_t value) override;
    void SetAddressText(int id, const std::string& dotted) override;
    void ClearAddress(int id) override;
    AddressParts AddressFields(int id) const override;
    std::string AddressText(int id) const override;
    void ShowHubRows(const std::vector<HubRow>& rows) override;
    std::optional<int> SelectedHubRow() const override;
    void AppendToLog(const std::string& text) override;
    void ClearLog() override;
    std::string LogText() const override;
    BoxAnswer ShowBox(const BoxRequest& request) override;
    AdapterChoice ChooseAdapter(const AdapterList& adapters,
                                std::optional<int> preselected) override;
    std::optional<std::string> ChooseSaveFile(const SaveFileRequest& request) override;
    void ShowAbout() override;

protected:
    BOOL OnInitDialog() override;
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool OnCommand(int id, int code);
    void OnNotify(const NMHDR& header);
    void AddCommandsToSystemMenu();
    // Ctrl+S: the dialog's modal loop offers each message to the thread's message filter
    // before the dialog manager sees it, and the filter turns the window's keys into
    // commands through its accelerator table.
    static LRESULT CALLBACK MessageFilter(int code, WPARAM wParam, LPARAM lParam);
    void InstallAccelerators();
    void RemoveAccelerators();

    Win32Scheduler scheduler_; // before the console: it outlives it
    std::unique_ptr<CKestruneDlg> console_;
    CHubList hubList_;
    HACCEL accelerators_ = nullptr;
};
