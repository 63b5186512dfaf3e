#pragma once

#include "adapters/AdapterList.h"
#include "gui/TemplateDialog.h"

#include <optional>

class QTreeWidget;

// The adapter selection dialog (template 120): lists the adapter entries it is given and
// hands back the index of the row the user chose; it opens with the preselected entry's
// row selected, if any. It keeps its own copy of the entries, so it never reads a console
// that has gone meanwhile.
class CSelectNetworkAdapter : public CTemplateDialog {
    Q_OBJECT

public:
    explicit CSelectNetworkAdapter(AdapterList adapters, std::optional<int> preselected = {},
                                   QWidget* parent = nullptr);

    // The chosen entry: the selected row's index after OK, 0 otherwise.
    int selectedAdapterIndex = 0;

    QTreeWidget* AdapterListView() const { return list_; }

protected:
    void OnInitDialog() override;

private:
    void OnOK();

    const AdapterList adapters_;
    const std::optional<int> preselected_;
    QTreeWidget* list_ = nullptr;
};
