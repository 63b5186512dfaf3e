// The console's adapter operations: the inventory, its report, and the choice of the
// entry through which the console works with hubs.
#include "adapters/AdapterReport.h"
#include "adapters/ImproperArgument.h"
#include "adapters/SelectNetworkAdapter.h"
#include "console/IpAddressEdit.h"
#include "console/KestruneDlg.h"
#include "console/MessageBoxes.h"
#include "platform/AdapterSource.h"
#include "resources/ConsoleTemplate.h"

#include <QPushButton>

void CKestruneDlg::EnumerateAdapters(bool writeReport, int family) {
    const std::string text =
        ::EnumerateAdapters(adapterList_, writeReport, family, *services_.adapters);
    if (!text.empty()) {
        WriteToLog(QString::fromStdString(text));
    }
}

void CKestruneDlg::ShowAdapterReport() { EnumerateAdapters(true, platform::kAdapterFamilyInet); }

void CKestruneDlg::ShowChosenAdapter() {
    const int chosen = adapterList_.chosenIndex;
    const QString address = QString::fromStdString(CheckedAt(adapterList_.addresses, chosen));
    const QString mask = QString::fromStdString(CheckedAt(adapterList_.subnetMasks, chosen));
    IpField(IDC_ADAPTER_ADDRESS)->SetAddressText(address);
    IpField(IDC_ADAPTER_MASK)->SetAddressText(mask);
}

void CKestruneDlg::StartWithAdapters() {
    EnumerateAdapters(false, platform::kAdapterFamilyInet);
    if (adapterList_.count == 0) {
        Button(IDC_SELECT_ADAPTER)->setEnabled(false);
        ShowAppMessage(QStringLiteral("Сетевые адаптеры в компьютере не обнаружены"),
                       BoxIcon::Warning);
        return;
    }
    adapterList_.chosenIndex = 0;
    if (adapterList_.count == 1) {
        Button(IDC_SELECT_ADAPTER)->setEnabled(false);
        ShowChosenAdapter();
        SearchHubs();
        return;
    }
    CSelectNetworkAdapter dialog(adapterList_);
    if (dialog.exec() == QDialog::Accepted) {
        adapterList_.chosenIndex = dialog.selectedAdapterIndex;
        ShowChosenAdapter();
        SearchHubs();
    }
}

void CKestruneDlg::SelectAdapter() {
    EnumerateAdapters(false, platform::kAdapterFamilyInet);
    int chosen = 0;
    {
        CSelectNetworkAdapter dialog(adapterList_);
        dialog.exec();
        chosen = dialog.selectedAdapterIndex;
    }
    adapterList_.chosenIndex = chosen;
    ShowChosenAdapter();
    SearchHubs();
}
