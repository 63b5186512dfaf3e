#pragma once

#include "console/ConsoleView.h"

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

// The console's view in kestrunectl: the window's controls kept as plain state that the
// tool reads and fills in for the person, the log written to standard error when asked
// for, the boxes kept for the command to report and the questions answered by it.
class CommandLineView final : public ConsoleView {
public:
    // log: where the window's log lines go, or null for nowhere. Their "\r\n" ends
    // become the terminal's "\n".
    explicit CommandLineView(std::ostream* log);

    // Called after every change the console makes: the tool's waits look at it.
    std::function<void()> changed;
    // Answers the console's Yes/No questions.
    std::function<BoxAnswer(const BoxRequest&)> answer;
    // Chooses the adapter entry when the console has several.
    std::function<AdapterChoice(const AdapterList&)> chooseAdapter;
    // The hub-list row the person would have clicked.
    std::optional<int> selectedRow;

    // The boxes the console showed, in order.
    const std::vector<BoxRequest>& Boxes() const { return boxes_; }
    const std::vector<HubRow>& Rows() const { return rows_; }
    // The link indicators were set since the last ForgetLinkStatus: a status came in.
    bool LinkStatusShown() const { return linkStatusShown_; }
    void ForgetLinkStatus() { linkStatusShown_ = false; }
    bool Checked(int id) const;
    // The person types into an address field.
    void Type(int id, const AddressParts& parts);

    void SetControlText(int id, const std::string& text) override;
    std::string ControlText(int id) const override;
    void EnableControl(int id, bool enabled) override;
    bool IsControlEnabled(int id) const override;
    void CheckControl(int id, bool checked) override;
    void FocusControl(int id, bool) override { focused_ = id; }
    void FocusPreviousControl() override {}
    int FocusedControl() const override { return focused_; }
    void SetAddress(int id, std::uint32_t value) override;
    void SetAddressText(int id, const std::string& dotted) override;
    void ClearAddress(int id) override;
    AddressParts AddressFields(int id) const override;
    std::string AddressText(int id) const override;
    void ShowHubRows(const std::vector<HubRow>& rows) override;
    std::optional<int> SelectedHubRow() const override { return selectedRow; }
    void AppendToLog(const std::string& text) override;
    void ClearLog() override { logText_.clear(); }
    std::string LogText() const override { return logText_; }
    BoxAnswer ShowBox(const BoxRequest& request) override;
    // The tool names its adapter on the command line: the window's last choice plays no
    // part.
    AdapterChoice ChooseAdapter(const AdapterList& adapters, std::optional<int>) override;
    // The tool has no save command: the console never asks it for a file.
    std::optional<std::string> ChooseSaveFile(const SaveFileRequest&) override { return {}; }
    void ShowAbout() override {}

private:
    void Changed() {
        if (changed)
            changed();
    }

    std::ostream* log_;
    std::map<int, std::string> texts_;
    std::map<int, bool> enabled_;
    std::map<int, bool> checked_;
    std::map<int, AddressParts> addresses_;
    std::vector<HubRow> rows_;
    std::vector<BoxRequest> boxes_;
    std::string logText_;
    bool linkStatusShown_ = false;
    int focused_ = 0;
};
