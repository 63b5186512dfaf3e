// The console's hub search and its hub list view.
#include "discovery/HubSearch.h"
#include "console/KestruneDlg.h"
#include "resources/ConsoleTemplate.h"

#include <QPushButton>
#include <QTreeWidget>

int CKestruneDlg::SearchHubs() {
    // An entry index outside the adapter list throws before anything is logged; the
    // list view then stays as it was.
    const int count = ::SearchHubs(adapterList_, hubList_,
                                   [this](const std::string& line) { AppendToLog(line); });
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
    const std::size_t rows = hubList_.hubAddresses.size();
    const auto cell = [](const std::vector<std::string>& texts, std::size_t row) {
        return row < texts.size() ? QString::fromStdString(texts[row]) : QString();
    };
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows));
    for (std::size_t row = 0; row < rows; ++row) {
        auto* item = new QTreeWidgetItem;
        item->setData(0, Qt::UserRole, static_cast<int>(row));
        item->setText(0, QString::fromStdString(hubList_.hubAddresses[row]));
        item->setText(2, cell(hubList_.hubPhysicalAddresses, row));
        item->setText(3, cell(hubList_.hubModelTexts, row));
        items << item;
    }
    if (!items.isEmpty()) {
        list->addTopLevelItems(items);
        UpdateData(true);
    }
}
