#pragma once

#include "console/TemplateDialog.h"

class QTreeWidget;

// The adapter selection dialog (template 120): lists the console's adapter entries and
// hands back the index of the row the user chose. It keeps no copy of the list.
class CSelectNetworkAdapter : public CTemplateDialog {
    Q_OBJECT

public:
    explicit CSelectNetworkAdapter(QWidget* parent = nullptr);

    // The chosen entry: the selected row's index after OK, 0 otherwise.
    int selectedAdapterIndex = 0;

    QTreeWidget* AdapterListView() const { return list_; }
protected:
    void OnInitDialog() override;

private:
    void OnOK();

    QTreeWidget* list_ = nullptr;
};
