#include "platform/AdapterSource.h"

#include "platform/LastError.h"
#include "platform/windows/WideText.h"

// Winsock 2 before the network headers that build on it, windows.h last.
// clang-format off
#include <winsock2.h>
#include <iphlpapi.h>
#include <windows.h>
// clang-format on

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

// The adapters seldom change between the size query and the read; a few tries cover a
// change in between.
constexpr int kTableReadTries = 4;
constexpr ULONG kFirstAdapterBufferBytes = 16 * 1024;

Ipv4Address AddressOf(DWORD networkOrder) {
    Ipv4Address address{};
    std::memcpy(address.data(), &networkOrder, address.size());
    return address;
}

class WindowsAdapterSource : public AdapterSource {
public:
    std::uint32_t GetAdapters(int family, std::vector<AdapterRecord>& adapters) override {
        adapters.clear();
        constexpr ULONG kFlags =
            GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
        // A vector of 8-byte units keeps the list's structures aligned.
        std::vector<std::uint64_t> buffer;
        ULONG size = kFirstAdapterBufferBytes;
        ULONG result = ERROR_BUFFER_OVERFLOW;
        for (int tries = 0; tries < kTableReadTries && result == ERROR_BUFFER_OVERFLOW; ++tries) {
            buffer.assign(size / sizeof(std::uint64_t) + 1, 0); // throws bad_alloc
            size = static_cast<ULONG>(buffer.size() * sizeof(std::uint64_t));
            result = ::GetAdaptersAddresses(static_cast<ULONG>(family), kFlags, nullptr,
                                            reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()),
                                            &size);
        }
        if (result != ERROR_SUCCESS)
            return result;
        for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data());
             adapter != nullptr; adapter = adapter->Next) {
            AdapterRecord record;
            record.interfaceType = adapter->IfType;
            record.description =
                windows::Utf8FromWide(adapter->Description ? adapter->Description : L"");
            record.friendlyName =
                windows::Utf8FromWide(adapter->FriendlyName ? adapter->FriendlyName : L"");
            const ULONG length = std::min<ULONG>(adapter->PhysicalAddressLength,
                                                 static_cast<ULONG>(kMaxPhysicalAddressLength));
            record.physicalAddress.assign(adapter->PhysicalAddress,
                                          adapter->PhysicalAddress + length);
            for (auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr;
                 unicast = unicast->Next) {
                const SOCKADDR* address = unicast->Address.lpSockaddr;
                if (address == nullptr || address->sa_family != AF_INET)
                    continue;
                record.unicastAddresses.push_back(
                    AddressOf(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.S_un.S_addr));
            }
            adapters.push_back(std::move(record));
        }
        return adapters.empty() ? kErrorNoData : kErrorSuccess;
    }

    std::uint32_t GetAddressTable(std::vector<AddressTableRow>& rows) override {
        rows.clear();
        std::vector<std::uint64_t> buffer;
        ULONG size = 0;
        DWORD result = ::GetIpAddrTable(nullptr, &size, FALSE);
        for (int tries = 0; tries < kTableReadTries && result == ERROR_INSUFFICIENT_BUFFER;
             ++tries) {
            buffer.assign(size / sizeof(std::uint64_t) + 1, 0); // throws bad_alloc
            size = static_cast<ULONG>(buffer.size() * sizeof(std::uint64_t));
            result =
                ::GetIpAddrTable(reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data()), &size, FALSE);
        }
        if (result != NO_ERROR)
            return result;
        if (buffer.empty())
            return kErrorSuccess; // answered without asking for room: no address at all
        const auto* table = reinterpret_cast<const MIB_IPADDRTABLE*>(buffer.data());
        for (DWORD i = 0; i < table->dwNumEntries; ++i) {
            const MIB_IPADDRROW& entry = table->table[i];
            AddressTableRow row;
            row.address = AddressOf(entry.dwAddr);
            row.interfaceIndex = entry.dwIndex;
            row.mask = AddressOf(entry.dwMask);
            row.reassemblySize = entry.dwReasmSize;
            row.typeAndState = entry.wType;
            rows.push_back(row);
        }
        return kErrorSuccess;
    }

    std::optional<std::string> ErrorText(std::uint32_t code) override {
        wchar_t* text = nullptr;
        const DWORD length =
            ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        if (length == 0 || text == nullptr)
            return std::nullopt;
        std::string result = windows::Utf8FromWide(std::wstring_view(text, length));
        ::LocalFree(text);
        return result;
    }
};

} // namespace

std::unique_ptr<AdapterSource> MakeAdapterSource() {
    return std::make_unique<WindowsAdapterSource>();
}

} // namespace platform
