#include "discovery/HubText.h"

#include "platform/Utf8.h"

#include <array>
#include <cstddef>
#include <optional>

namespace {

// CP1251's upper half below the Cyrillic alphabet; 0xC0..0xFF are U+0410..U+044F.
constexpr std::array<char16_t, 64> kCp1251From80 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
};

// The length of the well-formed UTF-8 sequence at bytes[at], 0 when there is none; and
// whether the bytes ended inside a sequence that was well-formed so far.
struct Utf8Step {
    std::size_t length = 0;
    bool endedInside = false;
};

Utf8Step Utf8SequenceAt(std::span<const std::uint8_t> bytes, std::size_t at) {
    const std::uint8_t lead = bytes[at];
    if (lead < 0x80)
        return {1, false};
    std::size_t length;
    std::uint8_t low = 0x80; // the second byte's range excludes overlong forms and surrogates
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return {};
    }
    for (std::size_t k = 1; k < length; ++k) {
        if (at + k >= bytes.size())
            return {0, true};
        const std::uint8_t next = bytes[at + k];
        if (k == 1 ? (next < low || next > high) : (next < 0x80 || next > 0xBF))
            return {};
    }
    return {length, false};
}

// The number of leading bytes that are valid UTF-8, or nothing when some byte is not.
std::optional<std::size_t> ValidUtf8Length(std::span<const std::uint8_t> bytes, bool wasCut) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        const Utf8Step step = Utf8SequenceAt(bytes, at);
        if (step.length == 0)
            return step.endedInside && wasCut ? std::optional<std::size_t>(at) : std::nullopt;
        at += step.length;
    }
    return at;
}

} // namespace

std::string DecodeHubText(std::span<const std::uint8_t> bytes, bool wasCut) {
    if (const auto valid = ValidUtf8Length(bytes, wasCut))
        return std::string(reinterpret_cast<const char*>(bytes.data()), *valid);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        if (byte < 0x80)
            platform::AppendUtf8(out, byte);
        else if (byte < 0xC0)
            platform::AppendUtf8(out, kCp1251From80[byte - 0x80]);
        else
            platform::AppendUtf8(out, 0x0410 + (byte - 0xC0));
    }
    return out;
}

std::string VisibleHubText(std::string_view utf8, bool keepTab) {
    constexpr char32_t kControlPictures = 0x2400;
    constexpr char32_t kDeletePicture = 0x2421;
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size(); ++at) {
        const auto byte = static_cast<unsigned char>(utf8[at]);
        if (byte == '\t' && keepTab) {
            out += '\t';
        } else if (byte < 0x20) {
            platform::AppendUtf8(out, kControlPictures + byte);
        } else if (byte == 0x7F) {
            platform::AppendUtf8(out, kDeletePicture);
        } else if (byte == 0xC2 && at + 1 < utf8.size() &&
                   static_cast<unsigned char>(utf8[at + 1]) <= 0x9F &&
                   static_cast<unsigned char>(utf8[at + 1]) >= 0x80) {
            platform::AppendUtf8(out, 0xFFFD); // a C1 control, such as the 8-bit CSI
            ++at;
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
}
