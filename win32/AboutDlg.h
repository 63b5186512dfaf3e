#pragma once

#include "win32/TemplateDialog.h"

// The About box (template 126): the program icon, the program's name and edition, OK.
class CAboutDlg : public CTemplateDialog {
public:
    CAboutDlg();

protected:
    BOOL OnInitDialog() override;
};
