#include "adapters/AdapterReport.h"

#include "adapters/AddressText.h"
#include "platform/LastError.h"

#include <new>
#include <vector>

namespace {

const QString kUnfilled = QStringLiteral("0.0.0.0");
const QString kLoopback = QStringLiteral("127.0.0.1");
const QString kLineEnd = QStringLiteral("\r\n");

bool IsAccepted(std::uint32_t interfaceType) {
    return interfaceType == platform::kIfTypeEthernet ||
           interfaceType == platform::kIfTypeFastEthernet ||
           interfaceType == platform::kIfTypeFastEthernetFx ||
           interfaceType == platform::kIfTypeIeee80211;
}

// "%d" of an unsigned platform value, as the reports have always printed it.
QString Signed(std::uint32_t value) {
    return QString::number(static_cast<qint32>(value));
}

QString PhysicalAddressLine(const std::vector<std::uint8_t>& bytes) {
    QString line = QStringLiteral("Физический адрес: ");
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        line += QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
        line += i + 1 < bytes.size() ? QStringLiteral("-") : kLineEnd;
    }
    return line;
}

QString TypeAndStateText(std::uint16_t flags) {
    static const struct {
        std::uint16_t flag;
        const char* text;
    } names[] = {
        {platform::kAddressPrimary, "\t\tPrimary IP Address"},
        {platform::kAddressDynamic, "\t\tDynamic IP Address"},
        {platform::kAddressDisconnected, "\t\tAddress is on disconnected interface"},
        {platform::kAddressDeleted, "\t\tAddress is being deleted"},
        {platform::kAddressTransient, "\t\tTransient address"},
    };
    QString text;
    for (const auto& name : names)
        if ((flags & name.flag) != 0)
            text += QLatin1String(name.text);
    return text;
}

void ClearEntries(AdapterList& list) {
    list.count = 0;
    list.addresses.clear();
    list.descriptions.clear();
    list.connectionNames.clear();
    list.subnetMasks.clear();
    list.subnetAddresses.clear();
    list.broadcastAddresses.clear();
}

void AppendEntry(AdapterList& list, const QString& address, const QString& description,
                 const QString& connectionName) {
    list.addresses.append(address);
    list.connectionNames.append(connectionName);
    list.descriptions.append(description);
    list.subnetMasks.append(kUnfilled);
    list.broadcastAddresses.append(kUnfilled);
    list.subnetAddresses.append(kUnfilled);
}

QString AdapterText(AdapterList& list, const platform::AdapterRecord& adapter) {
    const QString description = QString::fromStdString(adapter.description);
    const QString name = QString::fromStdString(adapter.friendlyName);
    QString text = QStringLiteral("Описание адаптера: ") + description + kLineEnd;
    text += QStringLiteral("Имя сетевого подключения: ") + name + kLineEnd;
    for (const platform::Ipv4Address& unicast : adapter.unicastAddresses) {
        const QString address = DottedText(unicast);
        text += QStringLiteral("IP адрес (для одноадресных соединений): ") + address + kLineEnd;
        AppendEntry(list, address, description, name);
    }
    if (adapter.unicastAddresses.empty())
        text += QStringLiteral("Нет IP адреса (для одноадресных соединений)\r\n");
    if (!adapter.physicalAddress.empty())
        text += PhysicalAddressLine(adapter.physicalAddress);
    text += QStringLiteral("IfType: ") + Signed(adapter.interfaceType) + kLineEnd + kLineEnd;
    return text;
}

QString RowText(AdapterList& list, int i, const platform::AddressTableRow& row) {
    const QString index = QString::number(i);
    QString text = QStringLiteral("\r\n\tInterface Index[%1]:\t").arg(index) +
                   Signed(row.interfaceIndex) + kLineEnd;
    const QString address = DottedText(row.address);
    if (address == kLoopback)
        return text;

    // Rows are matched by address text, never by interface index; a row of an adapter
    // that is not in the list is reported and fills nothing.
    const qsizetype entry = list.addresses.indexOf(address);
    platform::Ipv4Address subnet{};
    platform::Ipv4Address broadcast{};
    for (std::size_t b = 0; b < 4; ++b) {
        subnet[b] = static_cast<std::uint8_t>(row.address[b] & row.mask[b]);
        broadcast[b] = static_cast<std::uint8_t>(row.address[b] | ~row.mask[b]);
    }
    const QString maskText = DottedText(row.mask);
    const QString subnetText = DottedText(subnet);
    const QString broadcastText = DottedText(broadcast);
    if (entry >= 0) {
        list.subnetMasks[entry] = maskText;
        list.subnetAddresses[entry] = subnetText;
        list.broadcastAddresses[entry] = broadcastText;
    }

    text += QStringLiteral("\tIP Address[%1]:\t\t").arg(index) + address + kLineEnd;
    text += QStringLiteral("\tSubnet Mask[%1]:\t\t").arg(index) + maskText + kLineEnd;
    text += QStringLiteral("\tSubnet Address[%1]:\t\t").arg(index) + subnetText +
            QStringLiteral(" (%1)\r\n").arg(NetworkOrderNumber(subnet));
    text += QStringLiteral("\tBroadCast[%1]:\t\t").arg(index) + broadcastText +
            QStringLiteral(" (%1)\r\n").arg(NetworkOrderNumber(broadcast));
    text += QStringLiteral("\tReassembly size[%1]:\t").arg(index) + Signed(row.reassemblySize) +
            kLineEnd;
    text += QStringLiteral("\tType and State[%1]:").arg(index) +
            TypeAndStateText(row.typeAndState) + kLineEnd;
    return text;
}

} // namespace

QString EnumerateAdapters(AdapterList& list, bool writeReport, int family,
                          platform::AdapterSource& source) {
    ClearEntries(list);

    std::vector<platform::AdapterRecord> adapters;
    std::uint32_t code = 0;
    try {
        code = source.GetAdapters(family, adapters);
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Memory allocation failed for IP_ADAPTER_ADDRESSES struct\r\n");
    }

    QString report;
    if (code != platform::kErrorSuccess) {
        report = QStringLiteral("Call to GetAdaptersAddresses failed with error: ") + Signed(code) +
                 kLineEnd;
        if (code == platform::kErrorNoData)
            report += QStringLiteral("No addresses were found for the requested parameters\r\n");
        else if (const auto text = source.ErrorText(code))
            report += QStringLiteral("Error: ") + QString::fromStdString(*text);
    } else {
        report = QStringLiteral("\r\nСведения о сетевых адаптерах\r\n");
        for (const platform::AdapterRecord& adapter : adapters)
            if (IsAccepted(adapter.interfaceType))
                report += AdapterText(list, adapter);
    }

    QString log = writeReport ? report : QString();
    list.count = static_cast<qint32>(list.addresses.size());
    if (list.count != 0)
        log += ReadIpAddressTable(list, writeReport, source);
    return log;
}

QString ReadIpAddressTable(AdapterList& list, bool writeReport, platform::AdapterSource& source) {
    std::vector<platform::AddressTableRow> rows;
    std::uint32_t code = 0;
    try {
        code = source.GetAddressTable(rows);
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Memory allocation failed for GetIpAddrTable\r\n");
    }
    if (code != platform::kErrorSuccess) {
        QString text =
            QStringLiteral("GetIpAddrTable failed with error ") + Signed(code) + kLineEnd;
        if (const auto system = source.ErrorText(code))
            text += QStringLiteral("\tError: ") + QString::fromStdString(*system);
        return text;
    }

    QString report = QStringLiteral("\tNum Entries: ") +
                     Signed(static_cast<std::uint32_t>(rows.size())) + kLineEnd;
    for (std::size_t i = 0; i < rows.size(); ++i)
        report += RowText(list, static_cast<int>(i), rows[i]);
    return writeReport ? report : QString();
}
