#include "adapters/AddressText.h"

QString DottedText(const platform::Ipv4Address& address) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address[0])
        .arg(address[1])
        .arg(address[2])
        .arg(address[3]);
}

qint32 NetworkOrderNumber(const platform::Ipv4Address& address) {
    const quint32 value = quint32(address[0]) | quint32(address[1]) << 8 |
                          quint32(address[2]) << 16 | quint32(address[3]) << 24;
    return static_cast<qint32>(value);
}
