#include "HostNetwork.h"

#include "Ipv4.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <ifaddrs.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hubsim {

namespace {

struct AddressRequest {
    nlmsghdr header;
    ifaddrmsg body;
    char attributes[64];
};

void AddAttribute(AddressRequest& request, unsigned short type, std::uint32_t networkValue) {
    auto* attribute = reinterpret_cast<rtattr*>(reinterpret_cast<char*>(&request) +
                                                NLMSG_ALIGN(request.header.nlmsg_len));
    attribute->rta_type = type;
    attribute->rta_len = RTA_LENGTH(sizeof networkValue);
    std::memcpy(RTA_DATA(attribute), &networkValue, sizeof networkValue);
    request.header.nlmsg_len =
        NLMSG_ALIGN(request.header.nlmsg_len) + RTA_ALIGN(attribute->rta_len);
}

// One request, one acknowledgement: the kernel's error code in it is the result.
int Transact(AddressRequest& request) {
    const int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0) {
        return errno;
    }
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    int result = 0;
    if (sendto(fd, &request, request.header.nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel),
               sizeof kernel) < 0) {
        result = errno;
    } else {
        alignas(nlmsghdr) char reply[4096];
        const ssize_t got = recv(fd, reply, sizeof reply, 0);
        if (got < 0) {
            result = errno;
        } else {
            auto* header = reinterpret_cast<nlmsghdr*>(reply);
            result = EPROTO;
            if (NLMSG_OK(header, static_cast<unsigned>(got)) && header->nlmsg_type == NLMSG_ERROR &&
                header->nlmsg_len >= NLMSG_LENGTH(sizeof(nlmsgerr))) {
                result = -static_cast<const nlmsgerr*>(NLMSG_DATA(header))->error;
            }
        }
    }
    close(fd);
    return result;
}

int ChangeAddress(bool add, int interfaceIndex, std::uint32_t address, int prefixLength) {
    AddressRequest request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ifaddrmsg));
    request.header.nlmsg_type = add ? RTM_NEWADDR : RTM_DELADDR;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_ACK | (add ? NLM_F_CREATE | NLM_F_EXCL : 0);
    request.header.nlmsg_seq = 1;
    request.body.ifa_family = AF_INET;
    request.body.ifa_prefixlen = static_cast<unsigned char>(prefixLength);
    request.body.ifa_scope = RT_SCOPE_UNIVERSE;
    request.body.ifa_index = static_cast<unsigned>(interfaceIndex);
    AddAttribute(request, IFA_LOCAL, ToNetworkOrder(address));
    AddAttribute(request, IFA_ADDRESS, ToNetworkOrder(address));
    if (add && prefixLength <= 30) {
        AddAttribute(request, IFA_BROADCAST,
                     ToNetworkOrder(SubnetBroadcast(address, PrefixMask(prefixLength))));
    }
    return Transact(request);
}

ino_t NamespaceInode(const char* path) {
    struct stat info {};
    return stat(path, &info) == 0 ? info.st_ino : 0;
}

} // namespace

bool InPrivateNetworkNamespace() {
    const ino_t own = NamespaceInode("/proc/self/ns/net");
    if (own == 0) {
        return false;
    }
    // A namespace made with "ip netns add" (the test site's) is bound under /run/netns.
    if (DIR* named = opendir("/run/netns")) {
        bool found = false;
        while (dirent* entry = readdir(named)) {
            const std::string path = std::string("/run/netns/") + entry->d_name;
            found = found || (entry->d_name[0] != '.' && NamespaceInode(path.c_str()) == own);
        }
        closedir(named);
        if (found) {
            return true;
        }
    }
    // Any other namespace counts only when init's can be seen and differs.
    const ino_t init = NamespaceInode("/proc/1/ns/net");
    return init != 0 && own != init;
}

int AddInterfaceAddress(int interfaceIndex, std::uint32_t address, int prefixLength) {
    return ChangeAddress(true, interfaceIndex, address, prefixLength);
}

int DeleteInterfaceAddress(int interfaceIndex, std::uint32_t address, int prefixLength) {
    return ChangeAddress(false, interfaceIndex, address, prefixLength);
}

bool HasLocalAddress(std::uint32_t address) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return false;
    }
    bool found = false;
    for (ifaddrs* entry = list; entry != nullptr && !found; entry = entry->ifa_next) {
        if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
            found = FromNetworkOrder(in->sin_addr.s_addr) == address;
        }
    }
    freeifaddrs(list);
    return found;
}

int WriteIpv4Sysctl(const std::string& name, const std::string& value, std::string* previous) {
    const std::string path = "/proc/sys/net/ipv4/" + name;
    if (previous != nullptr) {
        std::ifstream in(path);
        if (!std::getline(in, *previous)) {
            return ENOENT;
        }
    }
    std::ofstream out(path);
    out << value << '\n';
    out.flush();
    return out ? 0 : EIO;
}

} // namespace hubsim
