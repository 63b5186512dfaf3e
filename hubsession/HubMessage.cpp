#include "hubsession/HubMessage.h"

namespace {

constexpr std::size_t kLinkStatusSize = 20;       // flags of controller 1..4 in bytes 16..19
constexpr std::size_t kIpParametersSize = 16;     // three values in bytes 4..15
constexpr std::size_t kControllerResultSize = 6;  // number in byte 4, result in byte 5

HubRequest MakeRequest(HubMessageCode code) {
    HubRequest request{};
    request[kHubMessageCodeOffset] = static_cast<std::uint8_t>(code);
    return request;
}

std::uint32_t ReadIpv4(HubBytes message, std::size_t offset) {
    return (std::uint32_t{message[offset]} << 24) | (std::uint32_t{message[offset + 1]} << 16) |
           (std::uint32_t{message[offset + 2]} << 8) | std::uint32_t{message[offset + 3]};
}

void WriteOctets(HubRequest& request, std::size_t offset, const Ipv4Octets& octets) {
    for (std::size_t i = 0; i < octets.size(); ++i) {
        request[offset + i] = octets[i];
    }
}

} // namespace

HubRequest MakeIpParametersRequest() { return MakeRequest(HubMessageCode::IpParameters); }

HubRequest MakeSetIpParametersRequest(const Ipv4Octets& address, const Ipv4Octets& mask,
                                      const Ipv4Octets& gateway) {
    HubRequest request = MakeRequest(HubMessageCode::SetIpParameters);
    WriteOctets(request, 4, address);
    WriteOctets(request, 8, mask);
    WriteOctets(request, 12, gateway);
    return request;
}

HubRequest MakeControllerNumberRequest(std::uint8_t number) {
    HubRequest request = MakeRequest(HubMessageCode::ControllerNumber);
    request[4] = number;
    return request;
}

std::optional<LinkStatus> DecodeLinkStatus(HubBytes message) {
    if (message.size() < kLinkStatusSize) {
        return std::nullopt;
    }
    // The hub marks a valid status block with bits 0..6 of byte 2 clear and bit 7 of
    // byte 15 set; anything else is not a status the console may believe.
    if ((message[2] & 0x7F) != 0 || (message[15] & 0x80) == 0) {
        return std::nullopt;
    }
    LinkStatus status;
    for (unsigned k = 0; k < kControllerCount; ++k) {
        status.onLink[k] = message[16 + k] != 0;
    }
    return status;
}

std::optional<HubIpParameters> DecodeIpParameters(HubBytes message) {
    if (message.size() < kIpParametersSize) {
        return std::nullopt;
    }
    return HubIpParameters{ReadIpv4(message, 4), ReadIpv4(message, 8), ReadIpv4(message, 12)};
}

std::optional<ControllerNumberResult> DecodeControllerNumberResult(HubBytes message) {
    if (message.size() < kControllerResultSize) {
        return std::nullopt;
    }
    return ControllerNumberResult{message[4], message[5]};
}

std::string ControllerNumberResultText(const ControllerNumberResult& result,
                                       std::uint32_t controllerNumber) {
    if (result.number != controllerNumber) {
        return "Возвращен неверный номер " + std::to_string(result.number) +
               " контроллера после записи";
    }
    if (result.resultCode == 0) {
        return "Номер контроллера успешно установлен";
    }
    const std::string text =
        "Ошибка " + std::to_string(result.resultCode) + " при записи номера контроллера: ";
    switch (result.resultCode) {
    case 1:
        return text + "запись закончилась неудачно";
    case 2:
        return text + "не обнаружен контроллер с установленной перемычкой";
    default:
        return text + "неизвестный код ошибки";
    }
}

std::vector<HubBytes> SplitHubBlock(HubBytes block) {
    std::vector<HubBytes> messages;
    if (block.size() > kHubRequestSize && block.size() % kHubRequestSize == 0) {
        for (std::size_t offset = 0; offset < block.size(); offset += kHubRequestSize) {
            messages.push_back(block.subspan(offset, kHubRequestSize));
        }
    } else if (!block.empty()) {
        messages.push_back(block);
    }
    return messages;
}

std::string HexBytes(HubBytes bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
        text += ' ';
    }
    return text;
}
