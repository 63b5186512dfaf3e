#include "adapters/PhysicalAddressLookup.h"

#include "net/AddressHelpers.h"
#include "net/SocketComm.h"
#include "platform/LastError.h"
#include "platform/NeighbourTable.h"

#include <array>

namespace {

constexpr std::uint32_t kRequestedLength = 6;

std::string ErrorName(std::uint32_t result) {
    switch (result) {
    // Both are how the platform says that no ARP reply came.
    case platform::kErrorGenFailure:
    case platform::kErrorBadNetName:
        return " (ERROR_GEN_FAILURE)\r\n";
    case platform::kErrorNotSupported:
        return " (ERROR_NOT_SUPPORTED)\r\n";
    case platform::kErrorInvalidParameter:
        return " (ERROR_INVALID_PARAMETER)\r\n";
    case platform::kErrorBufferOverflow:
        return " (ERROR_BUFFER_OVERFLOW)\r\n";
    case platform::kErrorNotFound:
        return " (ERROR_NOT_FOUND)\r\n";
    case platform::kErrorInvalidUserBuffer:
        return " (ERROR_INVALID_USER_BUFFER)\r\n";
    default:
        return "\r\n";
    }
}

} // namespace

std::string PhysicalAddressText(const std::uint8_t* bytes, std::uint32_t length) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint32_t i = 0; i < length; ++i) {
        if (i != 0)
            text += '-';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

std::string PhysicalAddressLogText(std::uint32_t peerAddress, std::uint32_t result,
                                   const std::uint8_t* bytes, std::uint32_t length,
                                   std::string& physicalAddressText) {
    const std::string log =
        "Послан ARP запрос на IP адрес: " + DottedAddressText(peerAddress) + "\r\n";
    if (result != 0) {
        return log + "Ошибка: SendArp закончился неудачей с ошибкой: " + std::to_string(result) +
               ErrorName(result);
    }
    if (length == 0) {
        return log + "Внимание: SendArp удачно завершился, но возвращённый "
                     "размер физического адреса=0\r\n";
    }
    physicalAddressText += PhysicalAddressText(bytes, length);
    return "Физический адрес хаба: " + physicalAddressText + "\r\n";
}

std::string LookUpHubPhysicalAddress(std::uint32_t peerAddress, std::uint32_t localAddress,
                                     std::string& physicalAddressText) {
    std::array<std::uint8_t, 8> buffer;
    buffer.fill(0xFF);
    std::uint32_t length = kRequestedLength;
    const std::uint32_t result =
        platform::LookUpPhysicalAddress(peerAddress, localAddress, buffer.data(), length);
    return PhysicalAddressLogText(peerAddress, result, buffer.data(), result == 0 ? length : 0,
                                  physicalAddressText);
}

std::string LookUpHubPhysicalAddress(CSocketComm& connection, std::string& physicalAddressText) {
    // A query that fails leaves 0.0.0.0, and the lookup then says so.
    platform::SocketAddressV4 local;
    platform::SocketAddressV4 peer;
    connection.GetLocalSocketAddress(local);
    connection.GetPeerAddress(peer);
    return LookUpHubPhysicalAddress(peer.address, local.address, physicalAddressText);
}
