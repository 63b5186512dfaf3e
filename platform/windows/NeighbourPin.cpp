// Pins through the IP Helper's neighbour table: CreateIpNetEntry2 with a permanent row,
// DeleteIpNetEntry2 to remove it. Both need an elevated process. The three entry calls
// are looked up at run time: Wine's IP Helper has none of them, and a call through an
// import it lacks ends the program there.
#include "platform/NeighbourPin.h"

#include "platform/NeighbourPinRules.h"

// Winsock 2 before the network headers that build on it, windows.h last.
// clang-format off
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>
#include <windows.h>
// clang-format on

#include <cstring>

namespace platform {

namespace {

using EntryCall = DWORD(WINAPI*)(MIB_IPNET_ROW2*);
using ConstEntryCall = DWORD(WINAPI*)(const MIB_IPNET_ROW2*);

struct EntryCalls {
    ConstEntryCall create = nullptr;
    ConstEntryCall remove = nullptr;
    EntryCall get = nullptr;
    bool Present() const { return create != nullptr && remove != nullptr && get != nullptr; }
};

template <typename T> T Lookup(HMODULE module, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

const EntryCalls& Calls() {
    static const EntryCalls calls = [] {
        EntryCalls found;
        if (const HMODULE module = ::GetModuleHandleW(L"iphlpapi.dll")) {
            found.create = Lookup<ConstEntryCall>(module, "CreateIpNetEntry2");
            found.remove = Lookup<ConstEntryCall>(module, "DeleteIpNetEntry2");
            found.get = Lookup<EntryCall>(module, "GetIpNetEntry2");
        }
        return found;
    }();
    return calls;
}

PinFailure SystemFailure(DWORD code, const char* call) {
    PinFailure failure;
    if (code == ERROR_ACCESS_DENIED) {
        failure.kind = PinFailureKind::NoPermission;
        failure.permission = PinPermission::NotElevated;
        return failure;
    }
    failure.kind = PinFailureKind::SystemError;
    failure.code = code;
    failure.detail = std::string(call) + " failed";
    return failure;
}

PinFailure Refusal(PinRefusal refusal) {
    PinFailure failure;
    failure.kind = PinFailureKind::Refused;
    failure.refusal = refusal;
    return failure;
}

// Whether the process runs with an administrator's full token. Asked before any change,
// so the user hears "run as administrator" rather than a bare access denied.
bool Elevated() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return true; // cannot tell: let the call itself say
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool known =
        ::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) != 0;
    ::CloseHandle(token);
    return !known || elevation.TokenIsElevated != 0;
}

Ipv4Address AddressOf(const SOCKADDR_INET& address) {
    Ipv4Address result{};
    std::memcpy(result.data(), &address.Ipv4.sin_addr, result.size());
    return result;
}

DWORD GatherFacts(std::uint32_t interfaceIndex, pin_rules::InterfaceFacts& facts) {
    NET_LUID luid{};
    facts.exists = ::ConvertInterfaceIndexToLuid(interfaceIndex, &luid) == NO_ERROR;
    MIB_UNICASTIPADDRESS_TABLE* addresses = nullptr;
    if (const DWORD error = ::GetUnicastIpAddressTable(AF_INET, &addresses); error != NO_ERROR)
        return error;
    for (ULONG i = 0; i < addresses->NumEntries; ++i) {
        const MIB_UNICASTIPADDRESS_ROW& row = addresses->Table[i];
        facts.ownAddresses.push_back(AddressOf(row.Address));
        if (row.InterfaceIndex == interfaceIndex)
            facts.subnets.push_back({AddressOf(row.Address), row.OnLinkPrefixLength});
    }
    ::FreeMibTable(addresses);
    MIB_IPFORWARD_TABLE2* routes = nullptr;
    if (const DWORD error = ::GetIpForwardTable2(AF_INET, &routes); error != NO_ERROR)
        return error;
    for (ULONG i = 0; i < routes->NumEntries; ++i) {
        const Ipv4Address gateway = AddressOf(routes->Table[i].NextHop);
        if (gateway != Ipv4Address{})
            facts.gateways.push_back(gateway);
    }
    ::FreeMibTable(routes);
    return NO_ERROR;
}

MIB_IPNET_ROW2 RowFor(std::uint32_t interfaceIndex, const Ipv4Address& address) {
    MIB_IPNET_ROW2 row{};
    row.InterfaceIndex = interfaceIndex;
    row.Address.Ipv4.sin_family = AF_INET;
    std::memcpy(&row.Address.Ipv4.sin_addr, address.data(), address.size());
    return row;
}

// The table's entry for the address, as the rules see it. Windows keeps no originator, so
// an entry counts as the program's own when it is permanent and holds the physical address
// the program pinned.
std::optional<pin_rules::ExistingEntry>
FindEntry(std::uint32_t interfaceIndex, const Ipv4Address& address, const PhysicalAddress& ours) {
    MIB_IPNET_ROW2 row = RowFor(interfaceIndex, address);
    if (Calls().get(&row) != NO_ERROR)
        return std::nullopt;
    const bool permanent = row.State == NlnsPermanent;
    const bool same = row.PhysicalAddressLength == ours.size() &&
                      std::memcmp(row.PhysicalAddress, ours.data(), ours.size()) == 0;
    return pin_rules::ExistingEntry{permanent, permanent && same};
}

class WindowsPin final : public NeighbourPin {
public:
    WindowsPin(std::uint32_t interfaceIndex, Ipv4Address address, PhysicalAddress physical)
        : interfaceIndex_(interfaceIndex), address_(address), physical_(physical) {}
    ~WindowsPin() override { Remove(); }

    PinFailure Remove() override {
        if (removed_)
            return {};
        const auto existing = FindEntry(interfaceIndex_, address_, physical_);
        if (const PinRefusal refusal = pin_rules::CheckRemove(existing);
            refusal != PinRefusal::None)
            return Refusal(refusal);
        if (existing) {
            MIB_IPNET_ROW2 row = RowFor(interfaceIndex_, address_);
            const DWORD error = Calls().remove(&row);
            if (error != NO_ERROR && error != ERROR_NOT_FOUND)
                return SystemFailure(error, "DeleteIpNetEntry2");
        }
        removed_ = true;
        return {};
    }

private:
    std::uint32_t interfaceIndex_;
    Ipv4Address address_;
    PhysicalAddress physical_;
    bool removed_ = false;
};

class WindowsPinner final : public NeighbourPinner {
public:
    PinResult Pin(std::uint32_t interfaceIndex, Ipv4Address address,
                  const PhysicalAddress& physicalAddress) override {
        PinResult result;
        if (!Calls().Present()) {
            result.failure = SystemFailure(ERROR_CALL_NOT_IMPLEMENTED, "CreateIpNetEntry2");
            result.failure.detail = "this system's IP Helper has no CreateIpNetEntry2";
            return result;
        }
        pin_rules::InterfaceFacts facts;
        if (const DWORD error = GatherFacts(interfaceIndex, facts); error != NO_ERROR) {
            result.failure = SystemFailure(error, "GetUnicastIpAddressTable");
            return result;
        }
        PinRefusal refusal = pin_rules::CheckPin(facts, address, physicalAddress);
        if (refusal == PinRefusal::None)
            refusal = pin_rules::CheckReplace(FindEntry(interfaceIndex, address, physicalAddress));
        if (refusal != PinRefusal::None) {
            result.failure = Refusal(refusal);
            return result;
        }
        if (!Elevated()) {
            result.failure = SystemFailure(ERROR_ACCESS_DENIED, "");
            return result;
        }
        MIB_IPNET_ROW2 row = RowFor(interfaceIndex, address);
        row.PhysicalAddressLength = static_cast<ULONG>(physicalAddress.size());
        std::memcpy(row.PhysicalAddress, physicalAddress.data(), physicalAddress.size());
        row.State = NlnsPermanent;
        // A learnt entry for the address is replaced: CreateIpNetEntry2 does not overwrite.
        MIB_IPNET_ROW2 old = RowFor(interfaceIndex, address);
        Calls().remove(&old);
        if (const DWORD error = Calls().create(&row); error != NO_ERROR) {
            result.failure = SystemFailure(error, "CreateIpNetEntry2");
            return result;
        }
        result.pin = std::make_unique<WindowsPin>(interfaceIndex, address, physicalAddress);
        return result;
    }

    // Windows keeps no mark of who made an entry, so the program cannot tell a pin a crash
    // left from an administrator's permanent entry: it sweeps nothing, and each handle
    // removes its own pin.
    PinFailure SweepLeftovers() override { return {}; }
};

} // namespace

std::unique_ptr<NeighbourPinner> MakeNeighbourPinner() {
    return std::make_unique<WindowsPinner>();
}

} // namespace platform
