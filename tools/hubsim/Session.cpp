#include "Session.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hubsim {

namespace {
constexpr std::size_t kReadSize = 1024;
}

void LogLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

Session::Session(EventLoop& loop, int fd, std::string peer, SessionOwner& owner,
                 const bool& verbose, std::string tag)
    : loop(loop), fd(fd), peer(std::move(peer)), owner(owner), verbose(verbose),
      tag(std::move(tag)) {
    watch = loop.Watch(fd, POLLIN, [this](short revents) { OnEvents(revents); });
}

Session::~Session() {
    Close();
}

void Session::Close() {
    if (fd < 0) {
        return;
    }
    loop.Unwatch(watch);
    loop.Cancel(pumpTimer);
    loop.Cancel(failTimer);
    ::close(fd);
    fd = -1;
    outbox.clear();
}

bool Session::PeerHasLeft() const {
    if (fd < 0) {
        return true;
    }
    std::uint8_t byte = 0;
    const ssize_t got = recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR);
}

void Session::Send(Bytes chunk, std::chrono::milliseconds gap) {
    if (fd < 0) {
        return;
    }
    outbox.push_back(Chunk{std::move(chunk), 0, EventLoop::Clock::now() + gap});
    Pump();
}

std::size_t Session::PendingBytes() const {
    std::size_t total = 0;
    for (const Chunk& chunk : outbox) {
        total += chunk.bytes.size() - chunk.sent;
    }
    return total;
}

void Session::Dump(std::string_view marker, ByteView bytes) const {
    if (verbose) {
        LogLine(tag + " " + HexDump(marker, bytes));
    }
}

void Session::OnEvents(short revents) {
    if (revents & POLLOUT) {
        Pump();
    }
    if (fd >= 0 && (revents & (POLLIN | POLLHUP | POLLERR))) {
        Read();
    }
}

void Session::Read() {
    std::uint8_t block[kReadSize];
    const ssize_t got = recv(fd, block, sizeof block, MSG_DONTWAIT);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
        return;
    }
    if (got <= 0) {
        const std::string why = got == 0 ? "closed by the console" : std::strerror(errno);
        Close();
        owner.OnSessionEnded(why);
        return;
    }
    Dump("<<", ByteView(block, static_cast<std::size_t>(got)));
    input.insert(input.end(), block, block + got);
    std::size_t used = 0;
    while (fd >= 0 && input.size() - used >= kMessageSize) {
        owner.OnRequest(ByteView(input.data() + used, kMessageSize));
        used += kMessageSize;
    }
    if (fd >= 0) {
        input.erase(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(used));
    }
}

void Session::Pump() {
    loop.Cancel(pumpTimer);
    pumpTimer = 0;
    while (fd >= 0 && !outbox.empty()) {
        Chunk& chunk = outbox.front();
        const auto now = EventLoop::Clock::now();
        if (chunk.notBefore > now) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(chunk.notBefore - now);
            pumpTimer = loop.After(wait, [this] { Pump(); });
            break;
        }
        const ssize_t put = send(fd, chunk.bytes.data() + chunk.sent,
                                 chunk.bytes.size() - chunk.sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (put < 0 && (errno == EAGAIN || errno == EINTR)) {
            break;
        }
        if (put < 0) {
            Fail(std::strerror(errno));
            return;
        }
        chunk.sent += static_cast<std::size_t>(put);
        if (chunk.sent < chunk.bytes.size()) {
            break;
        }
        Dump(">>", chunk.bytes);
        outbox.pop_front();
    }
    if (fd >= 0) {
        const bool blocked = !outbox.empty() && pumpTimer == 0;
        loop.SetEvents(watch, blocked ? POLLIN | POLLOUT : POLLIN);
    }
}

// A failed send is found inside calls from the owner; it hears of it from the loop,
// not from under its own feet.
void Session::Fail(const std::string& why) {
    loop.Unwatch(watch);
    loop.Cancel(pumpTimer);
    outbox.clear();
    if (failTimer == 0) {
        failTimer = loop.After(std::chrono::milliseconds(0), [this, why] {
            failTimer = 0;
            Close();
            owner.OnSessionEnded(why);
        });
    }
}

} // namespace hubsim
