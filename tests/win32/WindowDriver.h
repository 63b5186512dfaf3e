#pragma once

#include "console/Boxes.h"
#include "win32/MessageBoxes.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>
#include <windows.h>

// Drives the Win32 face in the test's own process, as a technician would: the test pumps
// the thread's messages itself (a modeless window in place of the modal run), presses
// buttons with BM_CLICK, reads controls with GetDlgItemText, and answers the boxes
// through the face's message-box seam.
namespace window_driver {

// Dispatches the thread's messages, the dialog's keys through IsDialogMessage, until
// done() holds or timeoutMs pass.
bool PumpUntil(HWND dialog, const std::function<bool()>& done, int timeoutMs);

std::wstring ItemText(HWND dialog, int id);
// The log's text as UTF-8, for failure messages and checks.
std::string LogText(HWND dialog);

// Selects a row of a report-view list and tells the dialog of the click, as the list
// does after a click of the mouse.
void ClickListRow(HWND dialog, int listId, int row);
// Tells the dialog that a field of an address control changed, as the control does
// when the person types into it.
void NotifyFieldChanged(HWND dialog, int addressId);

// Records every box and answers each with the next scripted answer (Yes for a question
// and OK otherwise when the script has run out).
class BoxScript {
public:
    BoxScript();
    ~BoxScript();
    BoxScript(const BoxScript&) = delete;
    BoxScript& operator=(const BoxScript&) = delete;

    void Answer(BoxAnswer answer) { answers_.push_back(answer); }
    const std::vector<BoxRequest>& boxes() const { return boxes_; }
    std::vector<std::string> Texts() const;

private:
    std::deque<BoxAnswer> answers_;
    std::vector<BoxRequest> boxes_;
};

} // namespace window_driver
