#include "adapters/PhysicalAddressLookup.h"

#include "net/AddressHelpers.h"
#include "net/SocketComm.h"
#include "platform/LastError.h"
#include "platform/NeighbourTable.h"

#include <array>

namespace {

constexpr std::uint32_t kRequestedLength = 6;

QString ErrorName(std::uint32_t result) {
    switch (result) {
    // Both are how the platform says that no ARP reply came.
    case platform::kErrorGenFailure:
    case platform::kErrorBadNetName:
        return QStringLiteral(" (ERROR_GEN_FAILURE)\r\n");
    case platform::kErrorNotSupported:
        return QStringLiteral(" (ERROR_NOT_SUPPORTED)\r\n");
    case platform::kErrorInvalidParameter:
        return QStringLiteral(" (ERROR_INVALID_PARAMETER)\r\n");
    case platform::kErrorBufferOverflow:
        return QStringLiteral(" (ERROR_BUFFER_OVERFLOW)\r\n");
    case platform::kErrorNotFound:
        return QStringLiteral(" (ERROR_NOT_FOUND)\r\n");
    case platform::kErrorInvalidUserBuffer:
        return QStringLiteral(" (ERROR_INVALID_USER_BUFFER)\r\n");
    default:
        return QStringLiteral("\r\n");
    }
}

} // namespace

QString PhysicalAddressText(const std::uint8_t* bytes, std::uint32_t length) {
    QString text;
    for (std::uint32_t i = 0; i < length; ++i) {
        if (i != 0)
            text += QLatin1Char('-');
        text += QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

QString PhysicalAddressLogText(std::uint32_t peerAddress, std::uint32_t result,
                               const std::uint8_t* bytes, std::uint32_t length,
                               QString& physicalAddressText) {
    QString log =
        QStringLiteral("Послан ARP запрос на IP адрес: %1\r\n").arg(DottedAddressText(peerAddress));
    if (result != 0) {
        return log +
               QStringLiteral("Ошибка: SendArp закончился неудачей с ошибкой: %1").arg(result) +
               ErrorName(result);
    }
    if (length == 0) {
        return log + QStringLiteral("Внимание: SendArp удачно завершился, но возвращённый "
                                    "размер физического адреса=0\r\n");
    }
    physicalAddressText += PhysicalAddressText(bytes, length);
    return QStringLiteral("Физический адрес хаба: %1\r\n").arg(physicalAddressText);
}

QString LookUpHubPhysicalAddress(std::uint32_t peerAddress, std::uint32_t localAddress,
                                 QString& physicalAddressText) {
    std::array<std::uint8_t, 8> buffer;
    buffer.fill(0xFF);
    std::uint32_t length = kRequestedLength;
    const std::uint32_t result =
        platform::LookUpPhysicalAddress(peerAddress, localAddress, buffer.data(), length);
    return PhysicalAddressLogText(peerAddress, result, buffer.data(), result == 0 ? length : 0,
                                  physicalAddressText);
}

QString LookUpHubPhysicalAddress(CSocketComm& connection, QString& physicalAddressText) {
    // A query that fails leaves 0.0.0.0, and the lookup then says so.
    platform::SocketAddressV4 local;
    platform::SocketAddressV4 peer;
    connection.GetLocalSocketAddress(local);
    connection.GetPeerAddress(peer);
    return LookUpHubPhysicalAddress(peer.address, local.address, physicalAddressText);
}
