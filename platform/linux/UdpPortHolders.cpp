#include "platform/linux/UdpPortHolders.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace platform::netlink {

namespace fs = std::filesystem;

namespace {

// Reads "sl local_address rem_address st ... inode" lines; adds the inodes of sockets
// whose local port is port. False when the table cannot be opened.
bool ReadTable(const fs::path& table, std::uint16_t port, std::map<unsigned long, int>& inodes) {
    std::ifstream in(table);
    if (!in)
        return false;
    std::string line;
    std::getline(in, line); // the heading
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout;
        unsigned long inode = 0;
        if (!(fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
              timeout >> inode))
            continue;
        const auto colon = local.rfind(':');
        if (colon == std::string::npos)
            continue;
        try {
            if (std::stoul(local.substr(colon + 1), nullptr, 16) == port && inode != 0)
                inodes.emplace(inode, 0);
        } catch (const std::exception&) {
        }
    }
    return true;
}

std::string FirstLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

} // namespace

Reading<PortHolders> FindUdpPortHolders(std::uint16_t port, const std::string& procRoot) {
    Reading<PortHolders> reading;
    // The thread's own namespace: the search's thread may sit in another than the process.
    const fs::path net = fs::path(procRoot) / "thread-self" / "net";
    std::map<unsigned long, int> inodes; // inode: the pid that holds it, 0 while unknown
    if (!ReadTable(net / "udp", port, inodes)) {
        reading.whyNot = std::string((net / "udp").string()) + ": " + std::strerror(errno);
        return reading;
    }
    ReadTable(net / "udp6", port, inodes); // absent without IPv6

    PortHolders found;
    std::error_code error;
    if (!inodes.empty()) {
        for (const fs::directory_entry& process : fs::directory_iterator(procRoot, error)) {
            const std::string pid = process.path().filename().string();
            if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos)
                continue;
            std::error_code fdError;
            fs::directory_iterator fds(process.path() / "fd", fdError);
            if (fdError) {
                if (fdError == std::errc::permission_denied)
                    found.someHidden = true;
                continue; // else the process has ended meanwhile
            }
            for (const fs::directory_entry& fd : fds) {
                std::error_code linkError;
                const std::string target = fs::read_symlink(fd.path(), linkError).string();
                if (linkError || !target.starts_with("socket:["))
                    continue;
                try {
                    const auto held = inodes.find(std::stoul(target.substr(8)));
                    if (held != inodes.end() && held->second == 0) {
                        held->second = std::stoi(pid);
                        found.holders.push_back({held->second, FirstLine(process.path() / "comm")});
                    }
                } catch (const std::exception&) {
                }
            }
        }
    }
    for (const auto& [inode, pid] : inodes) {
        if (pid == 0)
            found.holders.push_back({}); // held, by a process the system does not show
    }
    reading.value = std::move(found);
    return reading;
}

} // namespace platform::netlink
