#include "console/HubConflictTexts.h"

#include <algorithm>
#include <unordered_set>

namespace {

// The names, then how many more there are beyond them.
std::string Listed(const std::vector<std::string>& texts, std::size_t more = 0) {
    std::string list;
    for (const std::string& text : texts)
        list += (list.empty() ? "" : ", ") + text;
    if (more > 0)
        list += " и ещё " + std::to_string(more);
    return list;
}

std::string At(const std::vector<std::string>& list, std::size_t row) {
    return row < list.size() ? list[row] : std::string();
}

// Every physical address that answered from the row's address: its own first.
std::vector<std::string> PhysicalAddressesAt(const HubList& hubs, std::size_t row,
                                             const HubConflict& conflict) {
    std::vector<std::string> all{At(hubs.hubPhysicalAddresses, row)};
    all.insert(all.end(), conflict.otherPhysicalAddresses.begin(),
               conflict.otherPhysicalAddresses.end());
    return all;
}

std::vector<std::string> AddressesOf(const HubList& hubs, std::size_t row,
                                     const HubConflict& conflict) {
    std::vector<std::string> all{hubs.hubAddresses[row]};
    all.insert(all.end(), conflict.otherAddresses.begin(), conflict.otherAddresses.end());
    std::sort(all.begin(), all.end());
    return all;
}

const char kSeparate[] = "Чтобы разделить хабы, выключите питание всех, кроме одного, или задайте "
                         "одному из них другой адрес, пока остальные отключены от сети.";

} // namespace

std::string HubRowWarning(const HubConflict& conflict, const SearchedSubnet& adapter) {
    std::string text;
    const auto& physical = conflict.otherPhysicalAddresses;
    if (physical.size() == 1 && conflict.morePhysicalAddresses == 0)
        text += "С этого адреса отвечает также хаб с физическим адресом " + physical[0] + ".\n";
    else if (!physical.empty())
        text += "С этого адреса отвечают также хабы с физическими адресами " +
                Listed(physical, conflict.morePhysicalAddresses) + ".\n";
    const auto& addresses = conflict.otherAddresses;
    if (!addresses.empty())
        text +=
            std::string("Хаб с этим физическим адресом отвечает также ") +
            (addresses.size() == 1 && conflict.moreAddresses == 0 ? "с адреса " : "с адресов ") +
            Listed(addresses, conflict.moreAddresses) + ".\n";
    if (conflict.adapterAddress)
        text += "Адрес хаба совпадает с адресом сетевого адаптера компьютера.\n";
    if (conflict.outsideSubnet)
        text += "Хаб находится вне подсети " + adapter.subnet + " выбранного сетевого адаптера.\n";
    return text;
}

std::string HubConflictLogLines(const HubList& hubs, const std::vector<HubConflict>& conflicts,
                                const SearchedSubnet& adapter) {
    std::string lines;
    // What earlier rows have logged already: the addresses that several hubs answered
    // from, the physical addresses heard from several addresses, and the rows themselves
    // (one hub that answered twice from one address is logged once).
    std::unordered_set<std::string> sharedAddresses, movedHubs, rowsSeen;
    const std::size_t rows = std::min(hubs.hubAddresses.size(), conflicts.size());
    for (std::size_t row = 0; row < rows; ++row) {
        const HubConflict& conflict = conflicts[row];
        const std::string& address = hubs.hubAddresses[row];
        const std::string physical = At(hubs.hubPhysicalAddresses, row);
        const std::string key = ComparablePhysicalAddress(physical);
        if (!conflict.otherPhysicalAddresses.empty() && sharedAddresses.insert(address).second)
            lines +=
                "Конфликт адресов: с адреса " + address + " отвечают хабы с физическими адресами " +
                Listed(PhysicalAddressesAt(hubs, row, conflict), conflict.morePhysicalAddresses) +
                "\r\n";
        if (!conflict.otherAddresses.empty() && movedHubs.insert(key).second)
            lines += "Конфликт адресов: хаб с физическим адресом " + physical +
                     " отвечает с адресов " +
                     Listed(AddressesOf(hubs, row, conflict), conflict.moreAddresses) + "\r\n";
        // An unknown physical address is told apart by its text alone.
        const std::string rowKey = address + '\n' + (key.empty() ? "\n" + physical : key);
        if (!rowsSeen.insert(rowKey).second)
            continue;
        if (conflict.adapterAddress)
            lines += "Конфликт адресов: хаб с физическим адресом " + physical +
                     " отвечает с адреса сетевого адаптера " + address + "\r\n";
        if (conflict.outsideSubnet)
            lines += "Хаб " + address + " (физический адрес " + physical +
                     ") находится вне подсети " + adapter.subnet + "\r\n";
    }
    return lines;
}

std::string ConnectConflictQuestion(const HubList& hubs, const std::vector<HubConflict>& conflicts,
                                    const std::string& address, const SearchedSubnet& adapter) {
    const std::size_t rows = std::min(hubs.hubAddresses.size(), conflicts.size());
    std::size_t row = 0;
    while (row < rows && (hubs.hubAddresses[row] != address || !conflicts[row].Any()))
        ++row;
    if (row == rows)
        return {};
    const HubConflict& conflict = conflicts[row];

    std::string text;
    bool separate = false;
    if (!conflict.otherPhysicalAddresses.empty()) {
        text += "С адреса " + address + " отвечают несколько хабов (физические адреса: " +
                Listed(PhysicalAddressesAt(hubs, row, conflict), conflict.morePhysicalAddresses) +
                "). Соединение может установиться с любым из них.\n";
        separate = true;
    }
    if (!conflict.otherAddresses.empty()) {
        text += "Хаб с физическим адресом " + At(hubs.hubPhysicalAddresses, row) +
                " отвечает с нескольких адресов (" +
                Listed(AddressesOf(hubs, row, conflict), conflict.moreAddresses) +
                "): возможно, это разные хабы с одинаковым физическим адресом, и соединение "
                "может установиться с любым из них.\n";
        separate = true;
    }
    if (separate)
        text += std::string(kSeparate) + "\n";
    if (conflict.adapterAddress)
        text += "Адрес хаба " + address +
                " совпадает с адресом сетевого адаптера компьютера: "
                "соединение может установиться с самим компьютером, а не с хабом.\nЗадайте "
                "компьютеру на время настройки другой адрес, а затем смените адрес хаба.\n";
    if (conflict.outsideSubnet) {
        text += "Хаб " + address + " находится вне подсети " + adapter.subnet +
                " выбранного сетевого адаптера. Чтобы подключиться к нему, компьютеру нужен "
                "адрес в подсети хаба";
        if (const auto suggestion = SuggestPcAddress(address, adapter.mask, hubs))
            text += ", например " + suggestion->address + " с маской " + suggestion->mask +
                    " (с этого адреса при поиске никто не ответил)";
        text += ".\nПрограмма сама адреса компьютера не меняет: задайте адрес в настройках "
                "сетевого адаптера и выберите его кнопкой \"Выбор сетевого адаптера\".\n";
    }
    return text + "Если Вы всё равно хотите подключиться - нажмите \"Да (Yes)\"";
}
