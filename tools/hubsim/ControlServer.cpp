#include "ControlServer.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace hubsim {

namespace {

// A line longer than this is no command of ours; the client is dropped.
constexpr std::size_t kMaxLine = 4096;
constexpr int kClientTimeoutMs = 5000;

bool MakeAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0 && errno == EAGAIN) {
            pollfd writable{fd, POLLOUT, 0};
            if (poll(&writable, 1, kClientTimeoutMs) == 1) {
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

} // namespace

ControlServer::~ControlServer() {
    while (!clients.empty()) {
        Drop(clients.begin()->first);
    }
    if (listenFd >= 0) {
        loop.Unwatch(listenWatch);
        close(listenFd);
        unlink(path.c_str());
    }
}

bool ControlServer::Open(const std::string& socketPath, Handler onLine, std::string* error) {
    sockaddr_un address;
    if (!MakeAddress(socketPath, address)) {
        *error = "control socket path too long: " + socketPath;
        return false;
    }
    listenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd < 0) {
        *error = std::string("control socket: ") + std::strerror(errno);
        return false;
    }
    unlink(socketPath.c_str()); // left by a hub that was killed
    if (bind(listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listenFd, 16) != 0) {
        *error = "control socket " + socketPath + ": " + std::strerror(errno);
        close(listenFd);
        listenFd = -1;
        return false;
    }
    path = socketPath;
    handler = std::move(onLine);
    listenWatch = loop.Watch(listenFd, POLLIN, [this](short) { Accept(); });
    return true;
}

void ControlServer::Accept() {
    const int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
        return;
    }
    Client& client = clients[fd];
    client.fd = fd;
    client.watch = loop.Watch(fd, POLLIN, [this, fd](short) { Serve(fd); });
}

void ControlServer::Serve(int fd) {
    auto it = clients.find(fd);
    if (it == clients.end()) {
        return;
    }
    char buffer[1024];
    const ssize_t got = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
        return;
    }
    if (got <= 0) {
        Drop(fd);
        return;
    }
    it->second.input.append(buffer, static_cast<std::size_t>(got));
    std::size_t end;
    while ((end = it->second.input.find('\n')) != std::string::npos) {
        std::string line = it->second.input.substr(0, end);
        it->second.input.erase(0, end + 1);
        // A client that does not take its answer within the time-out is dropped.
        if (!WriteAll(fd, handler(line) + "\n")) {
            Drop(fd);
            return;
        }
    }
    if (it->second.input.size() > kMaxLine) {
        Drop(fd);
    }
}

void ControlServer::Drop(int fd) {
    auto it = clients.find(fd);
    if (it == clients.end()) {
        return;
    }
    loop.Unwatch(it->second.watch);
    close(fd);
    clients.erase(it);
}

bool SendControlCommand(const std::string& path, const std::string& command, std::string& answer) {
    sockaddr_un address;
    if (!MakeAddress(path, address)) {
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
    bool ok = WriteAll(fd, command + "\n");
    answer.clear();
    char c = 0;
    while (ok) {
        pollfd readable{fd, POLLIN, 0};
        if (poll(&readable, 1, kClientTimeoutMs) != 1 || recv(fd, &c, 1, 0) != 1) {
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
