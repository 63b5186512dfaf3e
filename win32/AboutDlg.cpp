#include "win32/AboutDlg.h"

#include "resources/AboutTemplate.h"

CAboutDlg::CAboutDlg() : CTemplateDialog(AboutTemplate(), ChildDialogFrame()) {}

BOOL CAboutDlg::OnInitDialog() {
    SetProgramIcon();
    return TRUE;
}
