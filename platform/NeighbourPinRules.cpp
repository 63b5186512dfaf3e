#include "platform/NeighbourPinRules.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace platform {

namespace pin_rules {

namespace {

std::uint32_t HostOrder(const Ipv4Address& address) {
    return std::uint32_t{address[0]} << 24 | std::uint32_t{address[1]} << 16 |
           std::uint32_t{address[2]} << 8 | address[3];
}

bool IsHostOf(const Subnet& subnet, std::uint32_t host) {
    if (subnet.prefixLength == 0 || subnet.prefixLength > 32)
        return false; // a default route is no subnet of the interface
    const std::uint32_t mask = subnet.prefixLength == 32 ? ~0u : ~(~0u >> subnet.prefixLength);
    const std::uint32_t network = HostOrder(subnet.address) & mask;
    if ((host & mask) != network)
        return false;
    // A /31 has no network or broadcast address (RFC 3021); a /32 has only itself.
    if (subnet.prefixLength >= 31)
        return true;
    return host != network && host != (network | ~mask);
}

bool Contains(const std::vector<Ipv4Address>& list, const Ipv4Address& address) {
    return std::find(list.begin(), list.end(), address) != list.end();
}

constexpr std::array<std::pair<PinRefusal, std::string_view>, 6> kNames{{
    {PinRefusal::NoSuchInterface, "no-such-interface"},
    {PinRefusal::NotInSubnet, "not-in-subnet"},
    {PinRefusal::OwnAddress, "own-address"},
    {PinRefusal::Gateway, "gateway"},
    {PinRefusal::NotUnicast, "not-unicast"},
    {PinRefusal::NotOurs, "not-ours"},
}};

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

bool IsUnicast(const PhysicalAddress& physicalAddress) {
    const bool zero = std::all_of(physicalAddress.begin(), physicalAddress.end(),
                                  [](std::uint8_t b) { return b == 0; });
    return !zero && (physicalAddress[0] & 0x01) == 0;
}

PinRefusal CheckPin(const InterfaceFacts& facts, Ipv4Address address,
                    const PhysicalAddress& physicalAddress) {
    if (!facts.exists)
        return PinRefusal::NoSuchInterface;
    const std::uint32_t host = HostOrder(address);
    if (std::none_of(facts.subnets.begin(), facts.subnets.end(),
                     [host](const Subnet& subnet) { return IsHostOf(subnet, host); }))
        return PinRefusal::NotInSubnet;
    if (Contains(facts.ownAddresses, address))
        return PinRefusal::OwnAddress;
    if (Contains(facts.gateways, address))
        return PinRefusal::Gateway;
    if (!IsUnicast(physicalAddress))
        return PinRefusal::NotUnicast;
    return PinRefusal::None;
}

PinRefusal CheckReplace(const std::optional<ExistingEntry>& existing) {
    return existing && existing->permanent && !existing->ours ? PinRefusal::NotOurs
                                                              : PinRefusal::None;
}

PinRefusal CheckRemove(const std::optional<ExistingEntry>& existing) {
    return existing && !existing->ours ? PinRefusal::NotOurs : PinRefusal::None;
}

std::string_view RefusalName(PinRefusal refusal) {
    for (const auto& [value, name] : kNames) {
        if (value == refusal)
            return name;
    }
    return "none";
}

std::optional<PinRefusal> RefusalFromName(std::string_view name) {
    for (const auto& [value, known] : kNames) {
        if (known == name)
            return value;
    }
    return std::nullopt;
}

std::string FormatPhysicalAddress(const PhysicalAddress& physicalAddress) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", physicalAddress[0],
                  physicalAddress[1], physicalAddress[2], physicalAddress[3], physicalAddress[4],
                  physicalAddress[5]);
    return text;
}

std::optional<PhysicalAddress> ParsePhysicalAddress(std::string_view text) {
    if (text.size() != 17)
        return std::nullopt;
    PhysicalAddress result{};
    for (std::size_t i = 0; i < result.size(); ++i) {
        const int high = HexDigit(text[3 * i]);
        const int low = HexDigit(text[3 * i + 1]);
        if (high < 0 || low < 0 || (i < 5 && text[3 * i + 2] != ':'))
            return std::nullopt;
        result[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return result;
}

} // namespace pin_rules

namespace {

std::string RefusalReason(PinRefusal refusal) {
    switch (refusal) {
    case PinRefusal::NoSuchInterface:
        return "the adapter is no longer there";
    case PinRefusal::NotInSubnet:
        return "the address is not a host of the adapter's subnet";
    case PinRefusal::OwnAddress:
        return "the address is this PC's own";
    case PinRefusal::Gateway:
        return "the address is a gateway of this PC's routes";
    case PinRefusal::NotUnicast:
        return "the physical address is a multicast, broadcast or zero address, not one hub's";
    case PinRefusal::NotOurs:
        return "the address already has a permanent neighbour entry that Kestrune did not make; "
               "remove that entry first";
    case PinRefusal::None:
        break;
    }
    return "no reason given";
}

std::string RefusalReasonRu(PinRefusal refusal) {
    switch (refusal) {
    case PinRefusal::NoSuchInterface:
        return "сетевого адаптера больше нет";
    case PinRefusal::NotInSubnet:
        return "адрес не принадлежит подсети адаптера";
    case PinRefusal::OwnAddress:
        return "это собственный адрес компьютера";
    case PinRefusal::Gateway:
        return "это адрес шлюза в маршрутах компьютера";
    case PinRefusal::NotUnicast:
        return "физический адрес групповой, широковещательный или нулевой, а не адрес одного "
               "хаба";
    case PinRefusal::NotOurs:
        return "для этого адреса уже есть постоянная запись в таблице соседей, сделанная не "
               "программой Kestrune; сначала удалите её";
    case PinRefusal::None:
        break;
    }
    return "причина не указана";
}

} // namespace

std::string DescribePinFailure(const PinFailure& failure) {
    const std::string cannot = "cannot pin the hub's physical address: ";
    switch (failure.kind) {
    case PinFailureKind::None:
        return {};
    case PinFailureKind::Refused:
        return "refused to pin the hub's physical address: " + RefusalReason(failure.refusal);
    case PinFailureKind::SystemError:
        return cannot + failure.detail + " (error " + std::to_string(failure.code) + ")";
    case PinFailureKind::NoPermission:
        break;
    }
    switch (failure.permission) {
    case PinPermission::NotInGroup:
        return cannot + "not running as root, and not a member of the group kestrune, whose "
                        "members may use the helper; run \"sudo adduser $USER kestrune\", then "
                        "log out and in again";
    case PinPermission::GroupNotYetActive:
        return cannot + "a member of the group kestrune only since this login; log out and in "
                        "again";
    case PinPermission::HelperLacksCapability:
        return cannot + "the helper " + failure.detail +
               " lacks the capability cap_net_admin; reinstall the package kestrune";
    case PinPermission::NotElevated:
        return cannot + "changing the neighbour table needs an administrator; run as "
                        "administrator";
    case PinPermission::HelperBlocked:
        return cannot + "not running as root, and this program runs where the helper " +
               failure.detail +
               " cannot get its capability cap_net_admin (no_new_privs or a sandbox); run as "
               "root, or outside the sandbox";
    case PinPermission::NoHelper:
    case PinPermission::None:
        break;
    }
    return cannot + "not running as root, and the helper " + failure.detail +
           " is missing; run as root, or reinstall the package kestrune";
}

std::string DescribePinFailureRu(const PinFailure& failure) {
    const std::string cannot = "Не удалось закрепить физический адрес хаба: ";
    switch (failure.kind) {
    case PinFailureKind::None:
        return {};
    case PinFailureKind::Refused:
        return "Закрепление физического адреса хаба отклонено: " +
               RefusalReasonRu(failure.refusal) + ".";
    case PinFailureKind::SystemError:
        return cannot + failure.detail + " (ошибка " + std::to_string(failure.code) + ").";
    case PinFailureKind::NoPermission:
        break;
    }
    switch (failure.permission) {
    case PinPermission::NotInGroup:
        return cannot + "программа запущена не от имени root, а пользователь не состоит в "
                        "группе kestrune, которой разрешён помощник. Выполните "
                        "«sudo adduser $USER kestrune» и войдите в систему заново.";
    case PinPermission::GroupNotYetActive:
        return cannot + "пользователь добавлен в группу kestrune после входа в систему. "
                        "Войдите в систему заново.";
    case PinPermission::HelperLacksCapability:
        return cannot + "у помощника " + failure.detail +
               " нет права cap_net_admin. Переустановите пакет kestrune.";
    case PinPermission::NotElevated:
        return cannot + "изменять таблицу соседей может только администратор. Запустите "
                        "программу от имени администратора.";
    case PinPermission::HelperBlocked:
        return cannot +
               "программа запущена не от имени root и в таком окружении, где "
               "помощник " +
               failure.detail +
               " не может получить право cap_net_admin (no_new_privs или песочница). "
               "Запустите программу от имени root или вне песочницы.";
    case PinPermission::NoHelper:
    case PinPermission::None:
        break;
    }
    return cannot + "программа запущена не от имени root, а помощника " + failure.detail +
           " нет. Запустите программу от имени root или переустановите пакет kestrune.";
}

} // namespace platform
