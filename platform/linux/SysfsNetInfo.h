#pragma once

#include <string>
#include <vector>

// What sysfs and the hardware id databases say about a network interface. The roots are
// parameters so that tests can present a made-up tree. sysfs shows the interfaces of the
// namespace it was mounted in, which need not be the caller's: an entry is believed only
// when its ifindex is the one the kernel gave the caller for that name.
namespace platform::netlink {

class SysfsNetInfo {
public:
    explicit SysfsNetInfo(std::string netClassRoot = "/sys/class/net",
                          std::vector<std::string> pciIds = {"/usr/share/misc/pci.ids",
                                                             "/usr/share/hwdata/pci.ids"},
                          std::vector<std::string> usbIds = {"/usr/share/misc/usb.ids",
                                                             "/var/lib/usbutils/usb.ids",
                                                             "/usr/share/hwdata/usb.ids"});

    // Wi-Fi links are Ethernet to the kernel; only sysfs tells them apart.
    bool IsWireless(const std::string& name, int index) const;

    // The vendor and model of the hardware behind the interface (PCI or USB, from the id
    // databases or the device's own strings), else its driver's name, else empty.
    std::string DescribeHardware(const std::string& name, int index) const;

    // sysfs shows this interface of the caller's namespace (see above).
    bool Matches(const std::string& name, int index) const;

private:

    std::string root_;
    std::vector<std::string> pciIds_;
    std::vector<std::string> usbIds_;
};

// Looks vendor and device up in a pci.ids / usb.ids style database: "Vendor Device", or
// the vendor alone when the device is not listed, or empty. Ids are 4 hex digits.
std::string LookUpHardwareIds(const std::string& databasePath, unsigned vendor, unsigned device);

} // namespace platform::netlink
