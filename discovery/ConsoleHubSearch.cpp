// The console's hub search and its hub list view.
#include "discovery/HubSearch.h"
#include "console/KestruneDlg.h"
#include "resources/ConsoleTemplate.h"

#include <QPushButton>
#include <QTreeWidget>

int CKestruneDlg::SearchHubs() {
    // An entry index outside the adapter list throws before anything is logged; the
    // list view then stays as it was.
    const int count =
        ::SearchHubs(adapterList_, hubList_, [this](const QString& line) { AppendToLog(line); });
    FillHubList();
    return count;
}

void CKestruneDlg::OnSearchHubsButton() {
    Button(IDC_CONNECT)->setEnabled(false);
    SearchHubs();
}

void CKestruneDlg::FillHubList() {
    QTreeWidget* list = HubListView();
    list->clear();
    UpdateData(true);
    const auto rows = hubList_.hubAddresses.size();
    QList<QTreeWidgetItem*> items;
    items.reserve(rows);
    for (qsizetype row = 0; row < rows; ++row) {
        auto* item = new QTreeWidgetItem;
        item->setData(0, Qt::UserRole, static_cast<int>(row));
        item->setText(0, hubList_.hubAddresses[row]);
        item->setText(2, hubList_.hubPhysicalAddresses.value(row));
        item->setText(3, hubList_.hubModelTexts.value(row));
        items << item;
    }
    if (!items.isEmpty()) {
        list->addTopLevelItems(items);
        UpdateData(true);
    }
}
