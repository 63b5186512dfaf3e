#include "gui/HubListView.h"

#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>

namespace hub_list_view {

namespace {

enum Column { kAddress = 0, kName = 1, kPhysicalAddress = 2, kModel = 3 };
// The row's index in the console's list; its address as a number, for sorting.
constexpr int kRowIndexRole = Qt::UserRole;
constexpr int kAddressKeyRole = Qt::UserRole + 1;

// Dotted decimal as one number, so that 198.18.0.9 comes before 198.18.0.10; text that is
// no address sorts after every address.
qulonglong AddressKey(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('.'));
    qulonglong key = 0;
    bool valid = parts.size() == 4;
    for (const QString& part : parts) {
        bool ok = false;
        const uint value = part.toUInt(&ok);
        valid = valid && ok && value <= 255;
        key = key << 8 | (value & 0xFF);
    }
    return valid ? key : (qulonglong{1} << 32);
}

class HubItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;

    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : kAddress;
        int order = 0;
        if (column == kAddress) {
            const auto mine = data(kAddress, kAddressKeyRole).toULongLong();
            const auto theirs = other.data(kAddress, kAddressKeyRole).toULongLong();
            order = mine < theirs ? -1 : (mine > theirs ? 1 : 0);
        }
        if (order == 0)
            order = text(column).localeAwareCompare(other.text(column));
        // Equal cells keep the order the replies came in.
        if (order == 0)
            return data(kAddress, kRowIndexRole).toInt() <
                   other.data(kAddress, kRowIndexRole).toInt();
        return order < 0;
    }
};

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
                             list->sortItems(column, order);
                     });
}

void ShowRows(QTreeWidget* list, const std::vector<HubRow>& rows) {
    list->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    const QIcon warningIcon = list->style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const HubRow& row = rows[index];
        auto* item = new HubItem;
        item->setData(kAddress, kRowIndexRole, static_cast<int>(index));
        item->setText(kAddress, QString::fromStdString(row.address));
        item->setData(kAddress, kAddressKeyRole, AddressKey(item->text(kAddress)));
        item->setText(kName, QString::fromStdString(row.name));
        item->setText(kPhysicalAddress, QString::fromStdString(row.physicalAddress));
        item->setText(kModel, QString::fromStdString(row.model));
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
            item->setIcon(kAddress, warningIcon);
            for (int column = kAddress; column <= kModel; ++column) {
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
        list->sortItems(header->sortIndicatorSection(), header->sortIndicatorOrder());
}

std::optional<int> SelectedRow(const QTreeWidget* list) {
    const auto selected = list->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    return selected.first()->data(kAddress, kRowIndexRole).toInt();
}

} // namespace hub_list_view
