#include "net/SocketComm.h"

#include "net/AddressHelpers.h"
#include "platform/LastError.h"

#include <array>
#include <system_error>
#include <utility>

namespace {

using platform::kInvalidSocket;
using platform::SocketHandle;

// The object whose watcher runs on this thread, so that a Close called from a notification
// does not try to join its own thread.
thread_local const CSocketComm* watcherOfThisThread = nullptr;

} // namespace

// Registers a read, write or address query on the open descriptor for its whole duration.
class CSocketComm::CallInFlight {
public:
    explicit CallInFlight(CSocketComm& comm) : comm_(comm) {
        std::lock_guard lock(comm_.callsMutex);
        handle_ = comm_.socketHandle.load();
        if (handle_ != kInvalidSocket)
            ++comm_.callsInFlight;
    }
    ~CallInFlight() {
        if (handle_ == kInvalidSocket)
            return;
        std::lock_guard lock(comm_.callsMutex);
        if (--comm_.callsInFlight == 0)
            comm_.callsDone.notify_all();
    }
    CallInFlight(const CallInFlight&) = delete;
    CallInFlight& operator=(const CallInFlight&) = delete;

    SocketHandle Handle() const { return handle_; }

private:
    CSocketComm& comm_;
    SocketHandle handle_ = kInvalidSocket;
};

CSocketComm::~CSocketComm() {
    Close();
}

bool CSocketComm::OpenConnection(const std::string& localAddress, const std::string& remoteAddress,
                                 const std::string& service, int family, int type) {
    if (socketHandle.load() != kInvalidSocket)
        return false;
    const SocketHandle socket = platform::OpenSocket(family, type, 0);
    if (socket == kInvalidSocket)
        return false;

    // Failures close the new socket but keep the reason of the step that failed.
    const auto fail = [socket] {
        const std::uint32_t reason = platform::GetLastError();
        platform::CloseSocket(socket);
        platform::SetLastError(reason);
        return false;
    };

    platform::SocketAddressV4 local;
    if (!FillSocketAddress(local, localAddress, "0", static_cast<std::uint16_t>(family))) {
        platform::SetLastError(platform::kWsaEInvalid);
        return fail();
    }
    if (!platform::BindSocket(socket, local))
        return fail();

    // Not tested: an unresolvable name gives 255.255.255.255 and the connect fails.
    platform::SocketAddressV4 remote;
    FillSocketAddress(remote, remoteAddress, service, platform::kAddressFamilyInet);

    // A hub that vanishes without a word (cable pulled) must still end the session; the
    // options belong to TCP, so a failure on another kind of socket is no failure.
    if (type == platform::kSocketStream)
        platform::EnableDeadPeerDetection(socket);

    if (!platform::ConnectSocket(socket, remote, kConnectTimeoutMs))
        return fail();
    ++connectionSerial;
    socketHandle.store(socket);
    return true;
}

bool CSocketComm::StartWatcher() {
    const SocketHandle socket = socketHandle.load();
    if (watcherThread.joinable() || socket == kInvalidSocket)
        return false;
    watchedHandle = socket;
    watchedSerial = connectionSerial.load();
    watcherRunning.store(true);
    try {
        watcherThread = std::thread(&CSocketComm::WatcherThreadEntry, this);
    } catch (const std::system_error&) {
        watchedHandle = kInvalidSocket;
        watcherRunning.store(false);
        platform::SetLastError(platform::kErrorOutOfMemory);
        return false;
    }
    return true;
}

void CSocketComm::WatcherThreadEntry(CSocketComm* self) {
    watcherOfThisThread = self;
    self->WatchLoop();
    watcherOfThisThread = nullptr;
    self->watcherRunning.store(false);
}

void CSocketComm::WatchLoop() {
    std::array<std::uint8_t, kReceiveBufferSize> buffer;
    while (socketHandle.load() != kInvalidSocket) {
        const std::int32_t count =
            ReadFrom(watchedHandle, buffer.data(), kReceiveBufferSize, kWatcherReadTimeoutMs);
        if (count < 0) {
            // Close invalidates the handle before it shuts the socket down, so a read that
            // failed because of Close raises nothing.
            if (socketHandle.load() != kInvalidSocket)
                OnConnectionEvent(ConnectionDropped);
            return;
        }
        if (count > 0)
            OnReceive(buffer.data(), static_cast<std::uint32_t>(count));
        std::this_thread::yield();
    }
}

void CSocketComm::Close() {
    const SocketHandle socket = socketHandle.exchange(kInvalidSocket);
    // Shutting down, unlike closing, wakes a watcher waiting on the socket, and keeps the
    // descriptor's number from being reused while the watcher may still use it.
    if (socket != kInvalidSocket) {
        ++connectionSerial;
        platform::ShutdownSocket(socket);
    }
    // A notification on the watcher cannot wait for its own thread: the next Close on
    // another thread (the destructor at the latest) joins it and closes the descriptor.
    if (watcherOfThisThread == this)
        return;

    SocketHandle watched = kInvalidSocket;
    if (watcherThread.joinable()) {
        watcherThread.join();
        watched = std::exchange(watchedHandle, kInvalidSocket);
    }
    WaitForCallsInFlight();
    if (socket != kInvalidSocket)
        platform::CloseSocket(socket);
    if (watched != kInvalidSocket && watched != socket)
        platform::CloseSocket(watched);
}

void CSocketComm::WaitForCallsInFlight() {
    std::unique_lock lock(callsMutex);
    callsDone.wait(lock, [this] { return callsInFlight == 0; });
}

std::int32_t CSocketComm::ReadFrom(SocketHandle socket, void* buffer, std::uint32_t size,
                                   std::uint32_t timeoutMs) {
    if (platform::WaitForSocket(socket, platform::WaitFor::Readable, timeoutMs) !=
        platform::WaitResult::Ready)
        return 0;
    const std::int32_t received = platform::ReceiveFromSocket(socket, buffer, size);
    return received > 0 ? received : -1;
}

std::int32_t CSocketComm::Read(void* buffer, std::uint32_t size, std::uint32_t timeoutMs) {
    if (buffer == nullptr || size == 0)
        return 0;
    const CallInFlight call(*this);
    if (call.Handle() == kInvalidSocket)
        return 0;
    return ReadFrom(call.Handle(), buffer, size, timeoutMs);
}

std::int32_t CSocketComm::Write(const void* data, std::uint32_t count, std::uint32_t timeoutMs) {
    if (data == nullptr)
        return 0;
    const CallInFlight call(*this);
    if (call.Handle() == kInvalidSocket)
        return 0;
    if (platform::WaitForSocket(call.Handle(), platform::WaitFor::Writable, timeoutMs) !=
        platform::WaitResult::Ready)
        return 0;
    const std::int32_t sent = platform::SendToSocket(call.Handle(), data, count);
    return sent >= 0 ? sent : -1;
}

bool CSocketComm::IsSocketOpen() const {
    return socketHandle.load() != kInvalidSocket;
}

SocketState CSocketComm::State() const {
    if (!IsSocketOpen())
        return SocketState::Closed;
    if (!watcherThread.joinable())
        return SocketState::Open;
    return watcherRunning.load() ? SocketState::Watching : SocketState::Ended;
}

bool CSocketComm::GetPeerAddress(platform::SocketAddressV4& address) {
    const CallInFlight call(*this);
    return platform::GetPeerAddress(call.Handle(), address);
}

bool CSocketComm::GetLocalSocketAddress(platform::SocketAddressV4& address) {
    const CallInFlight call(*this);
    return platform::GetLocalAddress(call.Handle(), address);
}

void CSocketComm::OnReceive(const std::uint8_t*, std::uint32_t) {}

void CSocketComm::OnConnectionEvent(std::uint32_t) {}
