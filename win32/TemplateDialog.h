#pragma once

#include "win32/DialogTemplateBuilder.h"

#include <span>
#include <vector>
#include <windows.h>

// A dialog built in memory from a layout table, run modally (the program's way) or
// created modeless (a test's way, which pumps the messages itself). The procedure of each
// window reaches its object through DWLP_USER.
class CTemplateDialog {
public:
    CTemplateDialog(const DialogTemplate& layout, DialogFrame frame,
                    std::span<const ExtraControlStyle> extra = {});
    virtual ~CTemplateDialog();
    CTemplateDialog(const CTemplateDialog&) = delete;
    CTemplateDialog& operator=(const CTemplateDialog&) = delete;

    // Runs the dialog modally over owner (may be none); the result of EndDialog, or -1
    // when the window could not be created.
    INT_PTR DoModal(HWND owner);
    // Creates the dialog modeless and shows it; nullptr when it could not be created.
    HWND Create(HWND owner);

    HWND hwnd() const { return hwnd_; }
    HWND Item(int id) const { return hwnd_ != nullptr ? GetDlgItem(hwnd_, id) : nullptr; }
    // The result the dialog ended with; 0 while it runs.
    INT_PTR result() const { return result_; }

protected:
    // WM_INITDIALOG: TRUE lets the dialog manager give the default focus.
    virtual BOOL OnInitDialog() { return TRUE; }
    // Every message; the default ends the dialog on IDOK and IDCANCEL.
    virtual INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Ends a modal run with result, or destroys a modeless window.
    void End(INT_PTR result);
    // The program icon as the window's large and small icon.
    void SetProgramIcon();

private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::vector<WORD> template_;
    HWND hwnd_ = nullptr;
    bool modal_ = false;
    INT_PTR result_ = 0;
};
