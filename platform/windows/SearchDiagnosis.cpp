// The PC's side of a search that found nothing, as Windows tells it.
#include "platform/SearchDiagnosis.h"

#include "platform/windows/WideText.h"
#include "platform/windows/WindowsFirewall.h"

// Winsock 2 before the network headers that build on it, windows.h last.
// clang-format off
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>
#include <windows.h>
// clang-format on

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <string>
#include <vector>

namespace platform {

namespace {

constexpr int kTableReadTries = 4;
constexpr ULONG kFirstAdapterBufferBytes = 16 * 1024;

std::string SystemText(DWORD code) {
    std::string text = std::to_string(code);
    wchar_t* message = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    if (length != 0 && message != nullptr) {
        std::wstring_view view(message, length);
        while (!view.empty() &&
               (view.back() == L'\r' || view.back() == L'\n' || view.back() == L' '))
            view.remove_suffix(1);
        text += " " + windows::Utf8FromWide(view);
    }
    if (message != nullptr)
        ::LocalFree(message);
    return text;
}

bool Contains(std::wstring text, std::wstring_view part) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text.find(part) != std::wstring::npos;
}

// The adapter's link as the adapter list tells it, found by its connection name (the
// name the adapter list shows), else by its IPv4 address.
void ReadAdapters(const std::string& name, const std::string& address, SearchSystemFacts& facts) {
    constexpr ULONG kFlags =
        GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    std::vector<std::uint64_t> buffer;
    ULONG size = kFirstAdapterBufferBytes;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int tries = 0; tries < kTableReadTries && result == ERROR_BUFFER_OVERFLOW; ++tries) {
        buffer.assign(size / sizeof(std::uint64_t) + 1, 0);
        size = static_cast<ULONG>(buffer.size() * sizeof(std::uint64_t));
        result =
            ::GetAdaptersAddresses(AF_INET, kFlags, nullptr,
                                   reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result != ERROR_SUCCESS && result != ERROR_NO_DATA) {
        facts.enabled.whyNot = facts.carrier.whyNot = facts.kind.whyNot =
            facts.addressCount.whyNot = "the adapter list: " + SystemText(result);
        return;
    }
    const std::wstring wideName = windows::WideFromUtf8(name);
    const IP_ADAPTER_ADDRESSES* byName = nullptr;
    const IP_ADAPTER_ADDRESSES* byAddress = nullptr;
    int count = 0;
    const auto* first = result == ERROR_SUCCESS
                            ? reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data())
                            : nullptr;
    for (const auto* adapter = first; adapter != nullptr; adapter = adapter->Next) {
        if (adapter->FriendlyName != nullptr && wideName == adapter->FriendlyName)
            byName = adapter;
        for (auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr;
             unicast = unicast->Next) {
            const SOCKADDR* socketAddress = unicast->Address.lpSockaddr;
            if (socketAddress == nullptr || socketAddress->sa_family != AF_INET)
                continue;
            const auto* in = reinterpret_cast<const sockaddr_in*>(socketAddress);
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(&in->sin_addr);
            if (bytes[0] == 127)
                continue;
            ++count;
            const std::string text = std::to_string(bytes[0]) + '.' + std::to_string(bytes[1]) +
                                     '.' + std::to_string(bytes[2]) + '.' +
                                     std::to_string(bytes[3]);
            if (address == text)
                byAddress = adapter;
        }
    }
    facts.addressCount.value = count;
    const IP_ADAPTER_ADDRESSES* adapter = byName != nullptr ? byName : byAddress;
    if (adapter == nullptr) {
        facts.enabled.whyNot = facts.carrier.whyNot = facts.kind.whyNot =
            "no adapter " + name + " (" + address + ")";
        return;
    }

    // Down: no cable or no link; not present: a missing part (the driver, the card);
    // lower layer down: the link under a virtual adapter. Other states (testing,
    // dormant) say nothing about the cable.
    switch (adapter->OperStatus) {
    case IfOperStatusUp:
        facts.carrier.value = true;
        break;
    case IfOperStatusDown:
    case IfOperStatusNotPresent:
    case IfOperStatusLowerLayerDown:
        facts.carrier.value = false;
        break;
    default:
        facts.carrier.whyNot = "the adapter's state is " + std::to_string(adapter->OperStatus);
    }

    MIB_IF_ROW2 row{};
    row.InterfaceLuid = adapter->Luid;
    if (const NETIO_STATUS status = ::GetIfEntry2(&row); status != NO_ERROR)
        facts.enabled.whyNot = "the adapter's entry: " + SystemText(status);
    else
        facts.enabled.value = row.AdminStatus == NET_IF_ADMIN_STATUS_UP;

    const std::wstring description = adapter->Description != nullptr ? adapter->Description : L"";
    facts.kind.value = AdapterKind::Vpn;
    if (adapter->IfType == IF_TYPE_IEEE80211)
        facts.kind.value = AdapterKind::Wireless;
    else if (adapter->IfType == IF_TYPE_PPP)
        facts.kindName = "ppp";
    else if (adapter->IfType == IF_TYPE_TUNNEL)
        facts.kindName = "tunnel";
    else if (Contains(description, L"wireguard"))
        facts.kindName = "wireguard";
    else if (Contains(description, L"tap-") || Contains(description, L"tap "))
        facts.kindName = "tap";
    else
        facts.kind.value = AdapterKind::Wired;
}

std::string ProgramOf(DWORD pid, bool& hidden) {
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) {
        hidden = true;
        return "";
    }
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = static_cast<DWORD>(path.size());
    const bool read = ::QueryFullProcessImageNameW(process, 0, path.data(), &length) != FALSE;
    ::CloseHandle(process);
    if (!read) {
        hidden = true;
        return "";
    }
    path.resize(length);
    const std::size_t slash = path.find_last_of(L"\\/");
    return windows::Utf8FromWide(slash == std::wstring::npos ? path : path.substr(slash + 1));
}

// The rows of one family's UDP table that are on the port, by their owners' pids.
template <typename Table>
DWORD ReadUdpOwners(ULONG family, std::uint16_t port, std::vector<DWORD>& pids) {
    std::vector<std::uint64_t> buffer;
    DWORD size = 0;
    DWORD result = ::GetExtendedUdpTable(nullptr, &size, FALSE, family, UDP_TABLE_OWNER_PID, 0);
    for (int tries = 0; tries < kTableReadTries && result == ERROR_INSUFFICIENT_BUFFER; ++tries) {
        buffer.assign(size / sizeof(std::uint64_t) + 1, 0);
        size = static_cast<DWORD>(buffer.size() * sizeof(std::uint64_t));
        result = ::GetExtendedUdpTable(buffer.data(), &size, FALSE, family, UDP_TABLE_OWNER_PID, 0);
    }
    if (result != NO_ERROR || buffer.empty())
        return result;
    const auto* table = reinterpret_cast<const Table*>(buffer.data());
    for (DWORD i = 0; i < table->dwNumEntries; ++i)
        if (::ntohs(static_cast<u_short>(table->table[i].dwLocalPort)) == port)
            pids.push_back(table->table[i].dwOwningPid);
    return NO_ERROR;
}

Reading<PortHolders> FindPortHolders(std::uint16_t port) {
    Reading<PortHolders> reading;
    std::vector<DWORD> pids;
    if (const DWORD result = ReadUdpOwners<MIB_UDPTABLE_OWNER_PID>(AF_INET, port, pids);
        result != NO_ERROR) {
        reading.whyNot = "the UDP table: " + SystemText(result);
        return reading;
    }
    if (const DWORD result = ReadUdpOwners<MIB_UDP6TABLE_OWNER_PID>(AF_INET6, port, pids);
        result != NO_ERROR) {
        reading.whyNot = "the UDP table of IPv6: " + SystemText(result);
        return reading;
    }
    reading.value.emplace();
    const DWORD own = ::GetCurrentProcessId();
    std::vector<DWORD> seen;
    for (const DWORD pid : pids) {
        if (pid == own || std::find(seen.begin(), seen.end(), pid) != seen.end())
            continue;
        seen.push_back(pid);
        // Pid 0 (the idle process) holds no socket: the table does not tell the owner.
        PortHolder holder;
        holder.pid = static_cast<int>(pid);
        if (pid == 0)
            reading.value->someHidden = true;
        else
            holder.program = ProgramOf(pid, reading.value->someHidden);
        reading.value->holders.push_back(std::move(holder));
    }
    return reading;
}

class WindowsSearchDiagnosis final : public SearchDiagnosis {
public:
    SearchSystemFacts Gather(const std::string& interfaceName, const std::string& address,
                             std::uint16_t port) override {
        SearchSystemFacts facts;
        facts.interfaceName = interfaceName;
        ReadAdapters(interfaceName, address, facts);
        facts.portHolders = FindPortHolders(port);
        facts.firewalls.push_back(windows::ReadWindowsFirewall(port));
        // Windows has no reverse-path filter of its own.
        facts.reversePathFilter.value = 0;
        return facts;
    }
};

} // namespace

std::unique_ptr<SearchDiagnosis> MakeSearchDiagnosis() {
    return std::make_unique<WindowsSearchDiagnosis>();
}

} // namespace platform
