#include "platform/NeighbourTable.h"

#include "platform/LastError.h"

// Winsock 2 before the network headers that build on it, windows.h last.
// clang-format off
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>
#include <windows.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace platform {

namespace {

constexpr std::uint32_t kPollIntervalMs = 50;

// The neighbour table's entry for destination: a physical address the table vouches for,
// never one that is all zero (an entry whose resolution failed carries zeros).
enum class TableRead { Found, Missing, Failed };

TableRead ReadNeighbourTable(std::uint32_t destination, std::vector<std::uint8_t>& linkAddress) {
    MIB_IPNET_TABLE2* table = nullptr;
    if (::GetIpNetTable2(AF_INET, &table) != NO_ERROR || table == nullptr)
        return TableRead::Failed;
    TableRead read = TableRead::Missing;
    for (ULONG i = 0; i < table->NumEntries && read == TableRead::Missing; ++i) {
        const MIB_IPNET_ROW2& row = table->Table[i];
        if (row.Address.si_family != AF_INET ||
            row.Address.Ipv4.sin_addr.S_un.S_addr != destination)
            continue;
        if (row.State == NlnsUnreachable || row.State == NlnsIncomplete)
            continue;
        const ULONG length = std::min<ULONG>(row.PhysicalAddressLength, IF_MAX_PHYS_ADDRESS_LENGTH);
        const auto* bytes = row.PhysicalAddress;
        if (length == 0 || std::all_of(bytes, bytes + length, [](UCHAR b) { return b == 0; }))
            continue;
        linkAddress.assign(bytes, bytes + length);
        read = TableRead::Found;
    }
    ::FreeMibTable(table);
    return read;
}

// Where SendARP is not available, the entry that the session's own traffic has left in
// the neighbour table (its connection has just been made): read, and read again for a
// short while if the table has not caught up yet.
std::uint32_t LookUpInNeighbourTable(std::uint32_t destination, std::uint8_t* physicalAddress,
                                     std::uint32_t& length, std::uint32_t waitMs,
                                     std::uint32_t sendArpResult) {
    std::vector<std::uint8_t> linkAddress;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    TableRead read = ReadNeighbourTable(destination, linkAddress);
    while (read == TableRead::Missing && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollIntervalMs));
        read = ReadNeighbourTable(destination, linkAddress);
    }
    // With no entry either, the answer stays what SendARP said.
    if (read != TableRead::Found)
        return sendArpResult;
    if (linkAddress.size() > length)
        return kErrorBufferOverflow;
    std::memcpy(physicalAddress, linkAddress.data(), linkAddress.size());
    length = static_cast<std::uint32_t>(linkAddress.size());
    return kErrorSuccess;
}

} // namespace

std::uint32_t LookUpPhysicalAddress(std::uint32_t destination, std::uint32_t source,
                                    std::uint8_t* physicalAddress, std::uint32_t& length,
                                    std::uint32_t waitMs) {
    if (physicalAddress == nullptr || length == 0 || destination == 0 || destination == 0xFFFFFFFF)
        return kErrorInvalidParameter;
    // SendARP writes whole ULONGs: its buffer holds the largest address there is.
    ULONG buffer[(IF_MAX_PHYS_ADDRESS_LENGTH + sizeof(ULONG) - 1) / sizeof(ULONG)] = {};
    ULONG delivered = sizeof buffer;
    const DWORD result = ::SendARP(destination, source, buffer, &delivered);
    if (result == ERROR_NOT_SUPPORTED)
        return LookUpInNeighbourTable(destination, physicalAddress, length, waitMs, result);
    if (result != NO_ERROR)
        return result;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(buffer);
    if (delivered > length)
        return kErrorBufferOverflow;
    std::memcpy(physicalAddress, bytes, delivered);
    length = delivered;
    return kErrorSuccess;
}

} // namespace platform
