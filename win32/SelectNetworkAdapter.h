#pragma once

#include "adapters/AdapterList.h"
#include "console/ConsoleView.h"
#include "win32/TemplateDialog.h"

#include <optional>

// The adapter selection dialog (template 120): lists the adapter entries it is given and
// hands back the index of the row the user chose; it opens with the preselected entry's row
// selected and focused, or with none. It keeps its own copy of the entries,
// so it never reads a console that has gone meanwhile.
class CSelectNetworkAdapter : public CTemplateDialog {
public:
    CSelectNetworkAdapter(AdapterList adapters, std::optional<int> preselected);

    // The chosen entry: the selected row's index after OK, 0 otherwise.
    int selectedAdapterIndex = 0;

    // Runs the dialog modally and says how it ended.
    AdapterChoice Choose(HWND owner);

protected:
    BOOL OnInitDialog() override;
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    const AdapterList adapters_;
    const std::optional<int> preselected_;
};
