#include "platform/linux/SysfsNetInfo.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>

namespace platform::netlink {

namespace fs = std::filesystem;

namespace {

// A device sits a few levels below the bus device that carries its ids (a USB network
// interface below the USB device, a virtio device below its PCI function).
constexpr int kMaxParentSteps = 4;

std::optional<std::string> ReadLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line))
        return std::nullopt;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

std::optional<unsigned> ReadHex(const fs::path& path) {
    const auto text = ReadLine(path);
    if (!text || text->empty())
        return std::nullopt;
    try {
        std::size_t used = 0;
        const unsigned long value = std::stoul(*text, &used, 16);
        if (used != text->size() || value > 0xFFFF)
            return std::nullopt;
        return static_cast<unsigned>(value);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::string LinkTargetName(const fs::path& link) {
    std::error_code error;
    const fs::path target = fs::read_symlink(link, error);
    return error ? std::string() : target.filename().string();
}

std::string FirstFound(const std::vector<std::string>& databases, unsigned vendor,
                       unsigned device) {
    for (const auto& database : databases)
        if (auto name = LookUpHardwareIds(database, vendor, device); !name.empty())
            return name;
    return {};
}

std::string Joined(const std::string& first, const std::string& second) {
    if (first.empty() || second.empty())
        return first + second;
    return first + ' ' + second;
}

bool IsHexId(const std::string& text) {
    if (text.size() != 4)
        return false;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

} // namespace

SysfsNetInfo::SysfsNetInfo(std::string netClassRoot, std::vector<std::string> pciIds,
                           std::vector<std::string> usbIds)
    : root_(std::move(netClassRoot)), pciIds_(std::move(pciIds)), usbIds_(std::move(usbIds)) {}

bool SysfsNetInfo::Matches(const std::string& name, int index) const {
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
        return false;
    const auto text = ReadLine(fs::path(root_) / name / "ifindex");
    return text && *text == std::to_string(index);
}

bool SysfsNetInfo::IsWireless(const std::string& name, int index) const {
    if (!Matches(name, index))
        return false;
    std::error_code error;
    const fs::path dir = fs::path(root_) / name;
    return fs::exists(dir / "wireless", error) || fs::exists(dir / "phy80211", error);
}

std::string SysfsNetInfo::DescribeHardware(const std::string& name, int index) const {
    if (!Matches(name, index))
        return {};
    std::error_code error;
    const fs::path deviceLink = fs::path(root_) / name / "device";
    if (!fs::exists(deviceLink, error))
        return {}; // a virtual link: no hardware behind it
    const fs::path device = fs::canonical(deviceLink, error);
    if (error)
        return {};

    fs::path current = device;
    for (int step = 0; step <= kMaxParentSteps && current.has_relative_path(); ++step) {
        const std::string bus = LinkTargetName(current / "subsystem");
        if (bus == "pci") {
            const auto vendor = ReadHex(current / "vendor");
            const auto model = ReadHex(current / "device");
            if (vendor && model)
                if (auto text = FirstFound(pciIds_, *vendor, *model); !text.empty())
                    return text;
            break;
        }
        if (bus == "usb" && fs::exists(current / "idVendor", error)) {
            const auto vendor = ReadHex(current / "idVendor");
            const auto model = ReadHex(current / "idProduct");
            if (vendor && model)
                if (auto text = FirstFound(usbIds_, *vendor, *model); !text.empty())
                    return text;
            const std::string own = Joined(ReadLine(current / "manufacturer").value_or(""),
                                           ReadLine(current / "product").value_or(""));
            if (!own.empty())
                return own;
            break;
        }
        current = current.parent_path();
    }
    return LinkTargetName(device / "driver");
}

std::string LookUpHardwareIds(const std::string& databasePath, unsigned vendor, unsigned device) {
    std::ifstream in(databasePath);
    if (!in)
        return {};
    char vendorId[8];
    char deviceId[8];
    std::snprintf(vendorId, sizeof vendorId, "%04x", vendor & 0xFFFF);
    std::snprintf(deviceId, sizeof deviceId, "%04x", device & 0xFFFF);

    std::string vendorName;
    bool inVendor = false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] != '\t') {
            if (inVendor)
                break; // the vendor's block is over without the device
            // "vvvv  Vendor name"; the class list at the end ("C 02 ...") never matches.
            if (line.size() > 6 && IsHexId(line.substr(0, 4)) &&
                line.compare(0, 4, vendorId) == 0) {
                inVendor = true;
                vendorName = line.substr(4);
                vendorName.erase(0, vendorName.find_first_not_of(" \t"));
            }
            continue;
        }
        if (!inVendor || line.size() < 7 || line[1] == '\t')
            continue; // not our vendor, or a subsystem line
        if (line.compare(1, 4, deviceId) == 0) {
            std::string model = line.substr(5);
            model.erase(0, model.find_first_not_of(" \t"));
            return Joined(vendorName, model);
        }
    }
    return vendorName;
}

} // namespace platform::netlink
