#include "win32/TemplateDialog.h"

#include "win32/FitLabels.h"

CTemplateDialog::CTemplateDialog(const DialogTemplate& layout, DialogFrame frame,
                                 std::span<const ExtraControlStyle> extra)
    : template_(BuildDialogTemplate(layout, frame, extra)) {}

CTemplateDialog::~CTemplateDialog() {
    // A modeless window that outlives its object would call into a destroyed one.
    if (hwnd_ != nullptr && !modal_) {
        SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
        DestroyWindow(hwnd_);
    }
}

INT_PTR CTemplateDialog::DoModal(HWND owner) {
    modal_ = true;
    result_ = 0;
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), AsDialogTemplate(template_), owner,
                                   &CTemplateDialog::Procedure, reinterpret_cast<LPARAM>(this));
}

HWND CTemplateDialog::Create(HWND owner) {
    modal_ = false;
    result_ = 0;
    HWND window =
        CreateDialogIndirectParamW(GetModuleHandleW(nullptr), AsDialogTemplate(template_), owner,
                                   &CTemplateDialog::Procedure, reinterpret_cast<LPARAM>(this));
    if (window != nullptr)
        ShowWindow(window, SW_SHOW);
    return window;
}

INT_PTR CTemplateDialog::DialogProc(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED &&
        (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        End(LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

void CTemplateDialog::End(INT_PTR result) {
    result_ = result;
    if (modal_)
        EndDialog(hwnd_, result);
    else
        DestroyWindow(hwnd_);
}

void CTemplateDialog::SetProgramIcon() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const auto load = [instance](int metricX, int metricY) {
        return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kProgramIconId), IMAGE_ICON,
                                             GetSystemMetrics(metricX), GetSystemMetrics(metricY),
                                             LR_DEFAULTCOLOR | LR_SHARED));
    };
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(load(SM_CXICON, SM_CYICON)));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(load(SM_CXSMICON, SM_CYSMICON)));
}

INT_PTR CALLBACK CTemplateDialog::Procedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CTemplateDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->hwnd_ = window;
        WidenClippedLabels(window);
        return dialog->OnInitDialog();
    }
    auto* dialog = reinterpret_cast<CTemplateDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (dialog == nullptr)
        return FALSE;
    const INT_PTR handled = dialog->DialogProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        dialog->hwnd_ = nullptr;
    }
    return handled;
}
