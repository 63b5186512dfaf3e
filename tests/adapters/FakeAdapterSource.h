#pragma once

#include "platform/AdapterSource.h"
#include "platform/LastError.h"

#include <map>
#include <new>

// Adapters and address rows as a test sets them, and the failures a real host will not
// produce on demand: an error code, a text for it or none, memory that cannot be had.
class FakeAdapterSource : public platform::AdapterSource {
public:
    std::vector<platform::AdapterRecord> adapters;
    std::uint32_t adaptersCode = platform::kErrorSuccess;
    bool adaptersOutOfMemory = false;

    std::vector<platform::AddressTableRow> rows;
    std::uint32_t tableCode = platform::kErrorSuccess;
    bool tableOutOfMemory = false;

    std::map<std::uint32_t, std::string> errorTexts;

    int adapterCalls = 0;
    int tableCalls = 0;
    int lastFamily = -1;

    std::uint32_t GetAdapters(int family, std::vector<platform::AdapterRecord>& out) override {
        ++adapterCalls;
        lastFamily = family;
        if (adaptersOutOfMemory)
            throw std::bad_alloc();
        out = adaptersCode == platform::kErrorSuccess ? adapters
                                                      : std::vector<platform::AdapterRecord>{};
        return adaptersCode;
    }

    std::uint32_t GetAddressTable(std::vector<platform::AddressTableRow>& out) override {
        ++tableCalls;
        if (tableOutOfMemory)
            throw std::bad_alloc();
        out =
            tableCode == platform::kErrorSuccess ? rows : std::vector<platform::AddressTableRow>{};
        return tableCode;
    }

    std::optional<std::string> ErrorText(std::uint32_t code) override {
        const auto found = errorTexts.find(code);
        if (found == errorTexts.end())
            return std::nullopt;
        return found->second;
    }

    // Shorthands for building the data.
    static platform::AdapterRecord Adapter(std::uint32_t type, std::string description,
                                           std::string name,
                                           std::vector<platform::Ipv4Address> addresses,
                                           std::vector<std::uint8_t> physical = {}) {
        platform::AdapterRecord record;
        record.interfaceType = type;
        record.description = std::move(description);
        record.friendlyName = std::move(name);
        record.unicastAddresses = std::move(addresses);
        record.physicalAddress = std::move(physical);
        return record;
    }

    static platform::AddressTableRow Row(platform::Ipv4Address address, std::uint32_t index,
                                         platform::Ipv4Address mask, std::uint16_t flags = 0) {
        platform::AddressTableRow row;
        row.address = address;
        row.interfaceIndex = index;
        row.mask = mask;
        row.typeAndState = flags;
        return row;
    }
};
