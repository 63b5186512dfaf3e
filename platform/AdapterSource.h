#pragma once

#include "platform/Ipv4Address.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The PC's network adapters and its IPv4 address table, in the terms the adapter report
// needs. Each query answers with 0 or a numeric failure code with the values a Windows
// build would give (ERROR_NO_DATA 232 ...), so that the report's error lines read the
// same everywhere. A query that cannot get memory for its answer throws std::bad_alloc:
// the report has its own line for that case.
namespace platform {

// The address family the console asks for (AF_INET on every platform).
inline constexpr int kAdapterFamilyInet = 2;

// Interface type numbers from the IANA ifType registry.
enum InterfaceType : std::uint32_t {
    kIfTypeOther = 1,
    kIfTypeEthernet = 6,
    kIfTypePpp = 23,
    kIfTypeSoftwareLoopback = 24,
    kIfTypePropVirtual = 53,
    kIfTypeFastEthernet = 62,
    kIfTypeFastEthernetFx = 69,
    kIfTypeIeee80211 = 71,
    kIfTypeTunnel = 131,
    kIfTypeIeee1394 = 144,
    kIfTypeInfiniband = 199,
};

inline constexpr std::size_t kMaxPhysicalAddressLength = 8;

struct AdapterRecord {
    std::uint32_t interfaceType = kIfTypeOther;
    std::string description;                   // UTF-8: the hardware, as a person names it
    std::string friendlyName;                  // UTF-8: the connection's name
    std::vector<std::uint8_t> physicalAddress; // at most kMaxPhysicalAddressLength bytes
    std::vector<Ipv4Address> unicastAddresses; // in the adapter's own order
};

// Bits of AddressTableRow::typeAndState.
enum AddressState : std::uint16_t {
    kAddressPrimary = 0x0001,
    kAddressDynamic = 0x0004,
    kAddressDisconnected = 0x0008,
    kAddressDeleted = 0x0040,
    kAddressTransient = 0x0080,
};

struct AddressTableRow {
    Ipv4Address address{};
    std::uint32_t interfaceIndex = 0;
    Ipv4Address mask{};
    std::uint32_t reassemblySize = 65535;
    std::uint16_t typeAndState = 0;
};

class AdapterSource {
public:
    virtual ~AdapterSource() = default;

    // The adapters of the given family, in the platform's order, each with its unicast
    // addresses of that family. 0, or a failure code; kErrorNoData when there is none.
    virtual std::uint32_t GetAdapters(int family, std::vector<AdapterRecord>& adapters) = 0;

    // Every IPv4 address of the host, loopback included, in the platform's order.
    virtual std::uint32_t GetAddressTable(std::vector<AddressTableRow>& rows) = 0;

    // The system's text for a failure code, line end included as the system ends it, or
    // nothing when the system has no text for the code.
    virtual std::optional<std::string> ErrorText(std::uint32_t code) = 0;
};

// The host's own adapters.
std::unique_ptr<AdapterSource> MakeAdapterSource();

} // namespace platform
