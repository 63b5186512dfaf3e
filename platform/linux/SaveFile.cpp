#include "platform/SaveFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

// strerror_r gives the text in the language of the process's locale, which the window
// takes from the desktop.
std::string Reason(int error) {
    char buffer[256];
    return ::strerror_r(error, buffer, sizeof buffer);
}

} // namespace

std::string WriteWholeFile(const std::string& path, std::string_view bytes) {
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file < 0)
        return Reason(errno);
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t step = ::write(file, bytes.data() + written, bytes.size() - written);
        if (step < 0 && errno == EINTR)
            continue;
        if (step < 0) {
            const int error = errno;
            ::close(file);
            return Reason(error);
        }
        written += static_cast<std::size_t>(step);
    }
    // A full disk or a network folder may tell only on close.
    if (::close(file) != 0)
        return Reason(errno);
    return {};
}

std::tm LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return local;
}

} // namespace platform
