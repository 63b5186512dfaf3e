#pragma once

#include "adapters/AdapterList.h"
#include "console/AddressFields.h"
#include "console/Boxes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the console needs of the person in front of it: the controls of its window
// (template 100) by their template ids, the hub rows, the event log, the boxes with their
// answers and the adapter choice. The Qt window, the Win32 window and the command-line
// tool implement it; tests implement it with a recording view. Texts are UTF-8. Every
// call comes on the console's thread.
struct HubRow {
    std::string address;
    std::string name; // the "Сетевое имя" column, which the console leaves empty
    std::string physicalAddress;
    std::string model;
    // What the hub's reply conflicts with, in words for the person (one sentence per
    // conflict, each ending its line); empty when nothing. The window marks such a row.
    std::string warning;
};

// The standard dialog in which the person picks where a file is saved.
struct SaveFileRequest {
    std::string caption;
    std::string suggestedName; // a file name, without a folder
    std::string typeName;      // what the files are called: "Текстовые файлы"
    std::string extension;     // the type's extension, without the dot
};

// The outcome of the adapter selection dialog (template 120).
struct AdapterChoice {
    bool accepted = false; // OK rather than Отмена or the close box
    int index = 0;         // the selected row's entry after OK, 0 otherwise
};

class ConsoleView {
public:
    virtual ~ConsoleView() = default;

    // Push buttons, radio buttons and edits by id: caption or text, enabled, checked. The
    // console keeps what it enabled itself; it never asks the window.
    virtual void SetControlText(int id, const std::string& text) = 0;
    virtual std::string ControlText(int id) const = 0;
    virtual void EnableControl(int id, bool enabled) = 0;
    virtual void CheckControl(int id, bool checked) = 0;
    // The keyboard focus: to a control (with its text selected when asked), or back to
    // the control before the focused one in the window's order.
    virtual void FocusControl(int id, bool selectText = false) = 0;
    virtual void FocusPreviousControl() = 0;
    // The id of the control that has the focus, or 0.
    virtual int FocusedControl() const = 0;

    // The IP address controls: four parts, each blank or 0..255.
    virtual void SetAddress(int id, std::uint32_t value) = 0; // first part most significant
    virtual void SetAddressText(int id, const std::string& dotted) = 0; // else left blank
    virtual void ClearAddress(int id) = 0;
    virtual AddressParts AddressFields(int id) const = 0;
    // Dotted text with blank parts left empty ("192..1.10"), empty when all are blank.
    virtual std::string AddressText(int id) const = 0;

    // The hub list (control 102): its rows are replaced whole; the selected row, if any,
    // as its index in the rows given, however the person has sorted the list.
    virtual void ShowHubRows(const std::vector<HubRow>& rows) = 0;
    virtual std::optional<int> SelectedHubRow() const = 0;

    // The event log (control 104): text is whole lines, each with its "\r\n".
    virtual void AppendToLog(const std::string& text) = 0;
    virtual void ClearLog() = 0;
    // What the log shows now: whole lines, each with its "\r\n".
    virtual std::string LogText() const = 0;

    // A box, modal: the window keeps repainting while it is open. Returns the answer.
    virtual BoxAnswer ShowBox(const BoxRequest& request) = 0;

    // The adapter selection dialog over the given entries, modal; it opens with the
    // preselected entry's row selected, or with none.
    virtual AdapterChoice ChooseAdapter(const AdapterList& adapters,
                                        std::optional<int> preselected) = 0;

    // The standard file dialog for saving, modal: the path chosen (UTF-8), or nothing
    // when the person cancelled.
    virtual std::optional<std::string> ChooseSaveFile(const SaveFileRequest& request) = 0;

    // The About box (template 126), modal.
    virtual void ShowAbout() = 0;
};
