#include "gui/HubListView.h"

#include "console/HubRowOrder.h"

#include <QCollator>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>

namespace hub_list_view {

namespace {

// The row's index in the console's list: the order the replies came in.
constexpr int kRowIndexRole = Qt::UserRole;

int RowIndex(const QTreeWidgetItem* item) {
    return item->data(0, kRowIndexRole).toInt();
}

// Puts the rows in the core's order for the column: the items are taken out and put back
// in that order, so that equal cells keep the order the replies came in, either way. The
// selection, the current row and the scrolled position stay as they were.
void SortRows(QTreeWidget* list, int column, Qt::SortOrder order) {
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    QTreeWidgetItem* current = list->currentItem();
    const int scrolled = list->verticalScrollBar()->value();

    QList<QTreeWidgetItem*> items = list->invisibleRootItem()->takeChildren();
    std::sort(items.begin(), items.end(), [](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return RowIndex(a) < RowIndex(b);
    });
    std::vector<HubRow> rows;
    rows.reserve(static_cast<std::size_t>(items.size()));
    for (const QTreeWidgetItem* item : items) {
        rows.push_back({item->text(kHubAddressColumn).toStdString(),
                        item->text(kHubNameColumn).toStdString(),
                        item->text(kHubPhysicalAddressColumn).toStdString(),
                        item->text(kHubModelColumn).toStdString(),
                        {}});
    }
    // The user's locale's order, which the core does not know.
    QCollator collator;
    const auto compareText = [&collator](const std::string& a, const std::string& b) {
        return collator.compare(QString::fromStdString(a), QString::fromStdString(b));
    };
    QList<QTreeWidgetItem*> sorted;
    sorted.reserve(items.size());
    for (const std::size_t index :
         HubRowOrder(rows, column, order == Qt::AscendingOrder, compareText))
        sorted << items[static_cast<qsizetype>(index)];
    list->addTopLevelItems(sorted);

    if (current != nullptr)
        list->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    for (QTreeWidgetItem* item : selected)
        item->setSelected(true);
    list->verticalScrollBar()->setValue(scrolled);
}

} // namespace

void AllowSorting(QTreeWidget* list) {
    // The header flips its indicator on a click: ascending first, then either way. Until
    // the first click it points nowhere, and the rows stay as the replies came.
    QHeaderView* header = list->header();
    header->setSectionsClickable(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setSortIndicatorShown(true);
    QObject::connect(header, &QHeaderView::sortIndicatorChanged, list,
                     [list](int column, Qt::SortOrder order) {
                         if (column >= 0)
                             SortRows(list, column, order);
                     });
}

void ShowRows(QTreeWidget* list, const std::vector<HubRow>& rows) {
    list->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    const QIcon warningIcon = list->style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const HubRow& row = rows[index];
        auto* item = new QTreeWidgetItem;
        item->setData(0, kRowIndexRole, static_cast<int>(index));
        for (int column = kHubAddressColumn; column < kHubColumnCount; ++column)
            item->setText(column, QString::fromStdString(HubCell(row, column)));
        if (!row.warning.empty()) {
            const QString warning = QString::fromStdString(row.warning)
                                        .replace(QLatin1String("\r\n"), QLatin1String("\n"))
                                        .trimmed();
            // A tooltip guesses whether it is rich text: this one always is, escaped, so
            // that no text in it is ever taken for markup.
            const QString tip =
                QLatin1String("<qt>") +
                warning.toHtmlEscaped().replace(QLatin1Char('\n'), QLatin1String("<br>")) +
                QLatin1String("</qt>");
            item->setIcon(kHubAddressColumn, warningIcon);
            for (int column = kHubAddressColumn; column < kHubColumnCount; ++column) {
                item->setToolTip(column, tip);
                item->setData(column, Qt::AccessibleDescriptionRole, warning);
            }
        }
        items << item;
    }
    if (items.isEmpty())
        return;
    list->addTopLevelItems(items);
    const QHeaderView* header = list->header();
    if (header->sortIndicatorSection() >= 0)
        SortRows(list, header->sortIndicatorSection(), header->sortIndicatorOrder());
}

std::optional<int> SelectedRow(const QTreeWidget* list) {
    const auto selected = list->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    return RowIndex(selected.first());
}

} // namespace hub_list_view
