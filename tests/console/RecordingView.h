#pragma once

#include "console/ConsoleView.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

// The console's view in tests: every control of template 100 with its state, the log as
// one text, the boxes as they were asked for, answered from a script (OK, or No for a
// question, when the script has run out), and the adapter choice and the file dialogs'
// paths the test sets.
class RecordingView : public ConsoleView {
public:
    RecordingView();

    // What the console did.
    std::string log;
    int logAppends = 0; // the calls that wrote the log
    std::vector<BoxRequest> boxes;
    std::vector<std::vector<HubRow>> shownRows; // every ShowHubRows, in order
    int aboutShown = 0;
    int choicesShown = 0;
    std::optional<int> preselected;           // what the last adapter choice opened with
    std::vector<SaveFileRequest> saveDialogs; // every file dialog, in order
    int focused = 0; // the control last given the focus, -1 after FocusPreviousControl

    // What the person does.
    std::deque<BoxAnswer> answers;
    std::deque<AdapterChoice> choices;
    std::deque<std::optional<std::string>> savePaths; // nothing: cancelled
    std::optional<int> selectedRow;

    std::vector<std::string> BoxTexts() const;
    bool Enabled(int id) const { return IsControlEnabled(id); }
    bool Checked(int id) const;
    const std::vector<HubRow>& Rows() const;
    // The person types an address part by part (nothing for a blank part).
    void Type(int id, const AddressParts& parts) { addresses_[id] = parts; }

    void SetControlText(int id, const std::string& text) override { texts_[id] = text; }
    std::string ControlText(int id) const override;
    void EnableControl(int id, bool enabled) override { enabled_[id] = enabled; }
    bool IsControlEnabled(int id) const;
    void CheckControl(int id, bool checked) override { checked_[id] = checked; }
    void FocusControl(int id, bool) override { focused = id; }
    void FocusPreviousControl() override { focused = -1; }
    int FocusedControl() const override { return focused > 0 ? focused : 0; }
    void SetAddress(int id, std::uint32_t value) override;
    void SetAddressText(int id, const std::string& dotted) override;
    void ClearAddress(int id) override { addresses_[id] = {}; }
    AddressParts AddressFields(int id) const override;
    std::string AddressText(int id) const override;
    void ShowHubRows(const std::vector<HubRow>& rows) override;
    std::optional<int> SelectedHubRow() const override { return selectedRow; }
    void AppendToLog(const std::string& text) override {
        log += text;
        ++logAppends;
    }
    void ClearLog() override { log.clear(); }
    std::string LogText() const override { return log; }
    BoxAnswer ShowBox(const BoxRequest& request) override;
    AdapterChoice ChooseAdapter(const AdapterList& adapters,
                                std::optional<int> preselected) override;
    std::optional<std::string> ChooseSaveFile(const SaveFileRequest& request) override;
    void ShowAbout() override { ++aboutShown; }

private:
    std::map<int, std::string> texts_;
    std::map<int, bool> enabled_;
    std::map<int, bool> checked_;
    std::map<int, AddressParts> addresses_;
};
