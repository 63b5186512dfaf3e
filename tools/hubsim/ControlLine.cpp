#include "ControlLine.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hubsim {

namespace {
constexpr int kAnswerTimeoutMs = 5000;
} // namespace

bool UnixAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool WriteAll(int fd, const std::string& text, int timeoutMs) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0 && errno == EAGAIN) {
            pollfd writable{fd, POLLOUT, 0};
            if (poll(&writable, 1, timeoutMs) == 1) {
                continue;
            }
            return false;
        }
        if (put <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

bool SendControlCommand(const std::string& path, const std::string& command, std::string& answer) {
    sockaddr_un address;
    if (!UnixAddress(path, address)) {
        answer = "control socket path too long: " + path;
        return false;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        answer = "cannot reach " + path + ": " + std::strerror(errno);
        if (fd >= 0) {
            close(fd);
        }
        return false;
    }
    bool ok = WriteAll(fd, command + "\n", kAnswerTimeoutMs);
    answer.clear();
    char c = 0;
    while (ok) {
        pollfd readable{fd, POLLIN, 0};
        if (poll(&readable, 1, kAnswerTimeoutMs) != 1 || recv(fd, &c, 1, 0) != 1) {
            ok = false;
        } else if (c == '\n') {
            break;
        } else {
            answer += c;
        }
    }
    close(fd);
    if (!ok) {
        answer = "no answer from " + path;
    }
    return ok;
}

} // namespace hubsim
