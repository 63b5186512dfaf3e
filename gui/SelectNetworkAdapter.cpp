#include "gui/SelectNetworkAdapter.h"

#include "gui/TemplateBuilder.h"
#include "resources/ConsoleTemplate.h"
#include "resources/ProgramIcon.h"
#include "resources/SelectAdapterTemplate.h"

#include <QPushButton>
#include <QTreeWidget>

CSelectNetworkAdapter::CSelectNetworkAdapter(AdapterList adapters, std::optional<int> preselected,
                                             QWidget* parent)
    : CTemplateDialog(parent), adapters_(std::move(adapters)), preselected_(preselected) {
    setObjectName(QStringLiteral("selectAdapterDialog"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowIcon(ProgramIcon());
    TemplateBuilder builder(this, SelectAdapterTemplate());
    const auto controls = builder.Build();
    list_ = qobject_cast<QTreeWidget*>(controls.value(IDC_ADAPTER_LIST));
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(qobject_cast<QPushButton*>(controls.value(IDOK)), &QPushButton::clicked, this,
            &CSelectNetworkAdapter::OnOK);
    connect(qobject_cast<QPushButton*>(controls.value(IDCANCEL)), &QPushButton::clicked, this,
            &QDialog::reject);
}

void CSelectNetworkAdapter::OnInitDialog() {
    TemplateBuilder::SetColumns(list_, AdapterListColumns());
    // The console has said so already when there is no entry to offer.
    const AdapterList& adapters = adapters_;
    const auto cell = [](const std::vector<std::string>& list, std::size_t row) {
        return row < list.size() ? QString::fromStdString(list[row]) : QString();
    };
    for (std::size_t row = 0; row < adapters.descriptions.size(); ++row) {
        auto* item = new QTreeWidgetItem(list_);
        item->setData(0, Qt::UserRole, static_cast<int>(row));
        // Rows are filled from the same entry of each list; a list that is shorter than
        // the descriptions (never, for a whole enumeration) leaves its cell empty.
        item->setText(0, cell(adapters.connectionNames, row));
        item->setText(1, cell(adapters.addresses, row));
        item->setText(2, cell(adapters.descriptions, row));
    }
    list_->setCurrentItem(nullptr);
    list_->clearSelection();
    if (preselected_) {
        if (QTreeWidgetItem* last = list_->topLevelItem(*preselected_))
            list_->setCurrentItem(last);
    }
}

void CSelectNetworkAdapter::OnOK() {
    const auto selected = list_->selectedItems();
    if (!selected.isEmpty()) {
        selectedAdapterIndex = selected.first()->data(0, Qt::UserRole).toInt();
    }
    accept();
}
