#include "Wire.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace hubsim {

namespace {

constexpr char kRequestText[] = "Discovery: Who is out there?";
constexpr std::size_t kRequestSize = sizeof(kRequestText); // the text and its NUL
static_assert(kRequestSize == 29);

constexpr std::size_t kOversizedReply = 2000;
constexpr std::size_t kLongLine = 600;
constexpr std::size_t kNulPadding = 32;

void Append(Bytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

void AppendLineEnd(Bytes& out) {
    Append(out, "\r\n");
}

Bytes Message(std::uint8_t code) {
    Bytes message(kMessageSize, 0);
    message[3] = code;
    return message;
}

void PutIpv4(Bytes& message, std::size_t offset, std::uint32_t value) {
    message[offset] = static_cast<std::uint8_t>(value >> 24);
    message[offset + 1] = static_cast<std::uint8_t>(value >> 16);
    message[offset + 2] = static_cast<std::uint8_t>(value >> 8);
    message[offset + 3] = static_cast<std::uint8_t>(value);
}

std::uint32_t GetIpv4(ByteView message, std::size_t offset) {
    return (std::uint32_t{message[offset]} << 24) | (std::uint32_t{message[offset + 1]} << 16) |
           (std::uint32_t{message[offset + 2]} << 8) | std::uint32_t{message[offset + 3]};
}

// The first non-zero byte in [from, to), or to.
std::size_t FirstNonZero(ByteView message, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        if (message[i] != 0) {
            return i;
        }
    }
    return to;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

bool IsDiscoveryRequest(ByteView datagram) {
    return datagram.size() == kRequestSize &&
           std::memcmp(datagram.data(), kRequestText, kRequestSize) == 0;
}

Bytes DiscoveryReply(std::string_view modelText, std::string_view physicalText, ReplyShape shape) {
    Bytes out;
    switch (shape) {
    case ReplyShape::Normal:
    case ReplyShape::Oversized:
        Append(out, modelText);
        AppendLineEnd(out);
        Append(out, physicalText);
        AppendLineEnd(out);
        if (shape == ReplyShape::Oversized) {
            out.resize(std::max(out.size(), kOversizedReply), '.');
        }
        break;
    case ReplyShape::NoLineEnds:
        Append(out, modelText);
        Append(out, " ");
        Append(out, physicalText);
        break;
    case ReplyShape::LongLines:
        Append(out, modelText);
        out.resize(std::max(out.size(), kLongLine), '#');
        AppendLineEnd(out);
        Append(out, physicalText);
        AppendLineEnd(out);
        break;
    case ReplyShape::HighBytes: {
        Append(out, modelText);
        // Cyrillic in CP1251, a lone UTF-8 continuation byte, 0xFF.
        const std::uint8_t high[] = {0x20, 0xCA, 0xE5, 0xF1, 0xF2, 0x80, 0x98, 0xFF};
        out.insert(out.end(), std::begin(high), std::end(high));
        AppendLineEnd(out);
        Append(out, physicalText);
        out.push_back(0xA0);
        AppendLineEnd(out);
        break;
    }
    case ReplyShape::Nuls: {
        const std::size_t space = modelText.find(' ');
        Append(out, modelText.substr(0, space));
        if (space != std::string_view::npos) {
            out.push_back(0);
            Append(out, modelText.substr(space + 1));
        }
        AppendLineEnd(out);
        Append(out, physicalText);
        AppendLineEnd(out);
        out.insert(out.end(), kNulPadding, 0);
        break;
    }
    }
    return out;
}

Bytes LinkStatusMessage(const std::array<bool, kControllers>& linkByNumber, bool valid) {
    Bytes message = Message(kCodeLinkStatus);
    // Bit 7 of byte 2 is the hub's own marker and is not looked at; bits 0..6 set
    // make the console drop the block, which the bad-status fault wants.
    message[2] = valid ? 0x80 : 0x81;
    message[15] = valid ? 0x80 : 0x00;
    for (int k = 0; k < kControllers; ++k) {
        message[16 + static_cast<std::size_t>(k)] = linkByNumber[static_cast<std::size_t>(k)];
    }
    return message;
}

Bytes IpParametersMessage(std::uint32_t address, std::uint32_t mask, std::uint32_t gateway) {
    Bytes message = Message(kCodeIpParameters);
    PutIpv4(message, 4, address);
    PutIpv4(message, 8, mask);
    PutIpv4(message, 12, gateway);
    return message;
}

Bytes NumberResultMessage(std::uint8_t number, std::uint8_t resultCode) {
    Bytes message = Message(kCodeControllerNumber);
    message[4] = number;
    message[5] = resultCode;
    return message;
}

Request DecodeRequest(ByteView message) {
    Request request;
    if (message.size() != kMessageSize) {
        request.why = "length " + std::to_string(message.size()) + ", not 32";
        return request;
    }
    request.code = message[3];
    auto zeroFrom = [&](std::size_t from, std::size_t to) {
        const std::size_t at = FirstNonZero(message, from, to);
        if (at != to) {
            request.kind = Request::Kind::Malformed;
            request.why = "byte " + std::to_string(at) + " is not 0";
            return false;
        }
        return true;
    };
    if (!zeroFrom(0, 3)) {
        return request;
    }
    switch (message[3]) {
    case kCodeIpParameters:
        request.kind = Request::Kind::GetIpParameters;
        zeroFrom(4, kMessageSize);
        break;
    case kCodeSetIpParameters:
        request.kind = Request::Kind::SetIpParameters;
        request.address = GetIpv4(message, 4);
        request.mask = GetIpv4(message, 8);
        request.gateway = GetIpv4(message, 12);
        zeroFrom(16, kMessageSize);
        break;
    case kCodeControllerNumber:
        request.kind = Request::Kind::ControllerNumber;
        request.number = message[4];
        zeroFrom(5, kMessageSize);
        break;
    default:
        request.kind = Request::Kind::Unknown;
        break;
    }
    return request;
}

std::string HexDump(std::string_view marker, ByteView bytes) {
    std::string text(marker);
    text.reserve(marker.size() + 3 * bytes.size());
    char group[4];
    for (std::uint8_t byte : bytes) {
        std::snprintf(group, sizeof group, "%.2X ", byte);
        text += group;
    }
    return text;
}

bool ParseHex(std::string_view text, Bytes& bytes) {
    bytes.clear();
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == ',' || c == ':' || c == '-') {
            if (high >= 0) {
                return false;
            }
            continue;
        }
        const int digit = HexDigit(c);
        if (digit < 0) {
            return false;
        }
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + digit));
            high = -1;
        }
    }
    return high < 0;
}

} // namespace hubsim
