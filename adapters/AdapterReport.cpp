#include "adapters/AdapterReport.h"

#include "adapters/AddressText.h"
#include "platform/LastError.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

constexpr char kUnfilled[] = "0.0.0.0";
constexpr char kLoopback[] = "127.0.0.1";
constexpr char kLineEnd[] = "\r\n";

bool IsAccepted(std::uint32_t interfaceType) {
    return interfaceType == platform::kIfTypeEthernet ||
           interfaceType == platform::kIfTypeFastEthernet ||
           interfaceType == platform::kIfTypeFastEthernetFx ||
           interfaceType == platform::kIfTypeIeee80211;
}

// "%d" of an unsigned platform value, as the reports have always printed it.
std::string Signed(std::uint32_t value) {
    return std::to_string(static_cast<std::int32_t>(value));
}

std::string PhysicalAddressLine(const std::vector<std::uint8_t>& bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string line = "Физический адрес: ";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        line += digits[bytes[i] >> 4];
        line += digits[bytes[i] & 0x0F];
        line += i + 1 < bytes.size() ? "-" : kLineEnd;
    }
    return line;
}

std::string TypeAndStateText(std::uint16_t flags) {
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
    std::string text;
    for (const auto& name : names)
        if ((flags & name.flag) != 0)
            text += name.text;
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
    list.interfaceTypes.clear();
    list.carriers.clear();
}

void AppendEntry(AdapterList& list, const std::string& address, const std::string& description,
                 const std::string& connectionName, std::uint32_t interfaceType) {
    list.addresses.push_back(address);
    list.connectionNames.push_back(connectionName);
    list.descriptions.push_back(description);
    list.subnetMasks.push_back(kUnfilled);
    list.broadcastAddresses.push_back(kUnfilled);
    list.subnetAddresses.push_back(kUnfilled);
    list.interfaceTypes.push_back(interfaceType);
    list.carriers.push_back(true);
}

std::string AdapterText(AdapterList& list, const platform::AdapterRecord& adapter) {
    const std::string& description = adapter.description;
    const std::string& name = adapter.friendlyName;
    std::string text = "Описание адаптера: " + description + kLineEnd;
    text += "Имя сетевого подключения: " + name + kLineEnd;
    for (const platform::Ipv4Address& unicast : adapter.unicastAddresses) {
        const std::string address = DottedText(unicast);
        text += "IP адрес (для одноадресных соединений): " + address + kLineEnd;
        AppendEntry(list, address, description, name, adapter.interfaceType);
    }
    if (adapter.unicastAddresses.empty())
        text += "Нет IP адреса (для одноадресных соединений)\r\n";
    if (!adapter.physicalAddress.empty())
        text += PhysicalAddressLine(adapter.physicalAddress);
    text += "IfType: " + Signed(adapter.interfaceType) + kLineEnd + kLineEnd;
    return text;
}

std::string RowText(AdapterList& list, int i, const platform::AddressTableRow& row) {
    const std::string index = std::to_string(i);
    std::string text =
        "\r\n\tInterface Index[" + index + "]:\t" + Signed(row.interfaceIndex) + kLineEnd;
    const std::string address = DottedText(row.address);
    if (address == kLoopback)
        return text;

    // Rows are matched by address text, never by interface index; a row of an adapter
    // that is not in the list is reported and fills nothing.
    const auto found = std::find(list.addresses.begin(), list.addresses.end(), address);
    const std::ptrdiff_t entry =
        found == list.addresses.end() ? -1 : found - list.addresses.begin();
    platform::Ipv4Address subnet{};
    platform::Ipv4Address broadcast{};
    for (std::size_t b = 0; b < 4; ++b) {
        subnet[b] = static_cast<std::uint8_t>(row.address[b] & row.mask[b]);
        broadcast[b] = static_cast<std::uint8_t>(row.address[b] | ~row.mask[b]);
    }
    const std::string maskText = DottedText(row.mask);
    const std::string subnetText = DottedText(subnet);
    const std::string broadcastText = DottedText(broadcast);
    if (entry >= 0) {
        const auto at = static_cast<std::size_t>(entry);
        list.subnetMasks[at] = maskText;
        list.subnetAddresses[at] = subnetText;
        list.broadcastAddresses[at] = broadcastText;
        list.carriers[at] = (row.typeAndState & platform::kAddressDisconnected) == 0;
    }

    text += "\tIP Address[" + index + "]:\t\t" + address + kLineEnd;
    text += "\tSubnet Mask[" + index + "]:\t\t" + maskText + kLineEnd;
    text += "\tSubnet Address[" + index + "]:\t\t" + subnetText + " (" +
            std::to_string(NetworkOrderNumber(subnet)) + ")\r\n";
    text += "\tBroadCast[" + index + "]:\t\t" + broadcastText + " (" +
            std::to_string(NetworkOrderNumber(broadcast)) + ")\r\n";
    text += "\tReassembly size[" + index + "]:\t" + Signed(row.reassemblySize) + kLineEnd;
    text += "\tType and State[" + index + "]:" + TypeAndStateText(row.typeAndState) + kLineEnd;
    return text;
}

} // namespace

std::string EnumerateAdapters(AdapterList& list, bool writeReport, int family,
                              platform::AdapterSource& source) {
    ClearEntries(list);

    std::vector<platform::AdapterRecord> adapters;
    std::uint32_t code = 0;
    try {
        code = source.GetAdapters(family, adapters);
    } catch (const std::bad_alloc&) {
        return "Memory allocation failed for IP_ADAPTER_ADDRESSES struct\r\n";
    }

    std::string report;
    if (code != platform::kErrorSuccess) {
        report = "Call to GetAdaptersAddresses failed with error: " + Signed(code) + kLineEnd;
        if (code == platform::kErrorNoData)
            report += "No addresses were found for the requested parameters\r\n";
        else if (const auto text = source.ErrorText(code))
            report += "Error: " + *text;
    } else {
        report = "\r\nСведения о сетевых адаптерах\r\n";
        for (const platform::AdapterRecord& adapter : adapters)
            if (IsAccepted(adapter.interfaceType))
                report += AdapterText(list, adapter);
    }

    std::string log = writeReport ? report : std::string();
    list.count = static_cast<std::int32_t>(list.addresses.size());
    if (list.count != 0)
        log += ReadIpAddressTable(list, writeReport, source);
    return log;
}

std::string ReadIpAddressTable(AdapterList& list, bool writeReport,
                               platform::AdapterSource& source) {
    std::vector<platform::AddressTableRow> rows;
    std::uint32_t code = 0;
    try {
        code = source.GetAddressTable(rows);
    } catch (const std::bad_alloc&) {
        return "Memory allocation failed for GetIpAddrTable\r\n";
    }
    if (code != platform::kErrorSuccess) {
        std::string text = "GetIpAddrTable failed with error " + Signed(code) + kLineEnd;
        if (const auto system = source.ErrorText(code))
            text += "\tError: " + *system;
        return text;
    }

    std::string report =
        "\tNum Entries: " + Signed(static_cast<std::uint32_t>(rows.size())) + kLineEnd;
    for (std::size_t i = 0; i < rows.size(); ++i)
        report += RowText(list, static_cast<int>(i), rows[i]);
    return writeReport ? report : std::string();
}
