#include "platform/linux/HelperProcess.h"

#include <cerrno>
#include <cstdint>
#include <endian.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace helper_process {

bool OpenClosedStandardDescriptors() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
            continue;
        // The lowest free number: this one, as the ones below it are open.
        if (::open("/dev/null", O_RDWR) != fd)
            return false;
    }
    return true;
}

bool WriteAllToStdout(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

bool FileGrantsCapability(const std::string& path, int capability) {
    vfs_ns_cap_data data{};
    const ssize_t size = ::getxattr(path.c_str(), "security.capability", &data, sizeof data);
    if (size < static_cast<ssize_t>(XATTR_CAPS_SZ_2))
        return false;
    const std::uint32_t magic = le32toh(data.magic_etc);
    const std::uint32_t revision = magic & VFS_CAP_REVISION_MASK;
    if (revision != VFS_CAP_REVISION_2 && revision != VFS_CAP_REVISION_3)
        return false;
    return (magic & VFS_CAP_FLAGS_EFFECTIVE) != 0 &&
           (le32toh(data.data[0].permitted) & (1u << capability)) != 0;
}

} // namespace helper_process
