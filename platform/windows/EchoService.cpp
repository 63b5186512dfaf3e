#include "platform/EchoService.h"

#include "platform/LastError.h"
#include "platform/windows/WinsockErrors.h"

// Winsock 2 before the network headers that build on it, windows.h last.
// clang-format off
#include <winsock2.h>
#include <iphlpapi.h>
#include <icmpapi.h>
#include <windows.h>
// clang-format on

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform {

namespace {

// The service's three calls, found by name: newer systems have them in Iphlpapi.dll,
// older ones only in ICMP.DLL.
using CreateCall = HANDLE(WINAPI*)();
using CloseCall = BOOL(WINAPI*)(HANDLE);
using SendCall = DWORD(WINAPI*)(HANDLE, IPAddr, LPVOID, WORD, PIP_OPTION_INFORMATION, LPVOID, DWORD,
                                DWORD);

struct EchoCalls {
    CreateCall create = nullptr;
    CloseCall close = nullptr;
    SendCall send = nullptr;
};

// The system's reply record: larger than the program's on a 64-bit system, where it
// holds pointers. The system also wants room for an IO_STATUS_BLOCK and 8 bytes.
constexpr std::size_t kSystemReplyExtra = sizeof(ICMP_ECHO_REPLY) + 8 + 2 * sizeof(void*);

template <typename Call> Call Find(HMODULE module, const char* name) {
    return reinterpret_cast<Call>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

class IcmpEchoChannel final : public IEchoChannel {
public:
    IcmpEchoChannel(const EchoCalls& calls, HANDLE handle) : calls_(calls), handle_(handle) {}
    ~IcmpEchoChannel() override { calls_.close(handle_); }
    IcmpEchoChannel(const IcmpEchoChannel&) = delete;
    IcmpEchoChannel& operator=(const IcmpEchoChannel&) = delete;

    std::uint32_t SendEcho(std::uint32_t destination, const void* requestData,
                           std::uint16_t requestSize, const EchoRequestOptions& options,
                           void* replyBuffer, std::uint32_t replySize,
                           std::uint32_t timeoutMs) override {
        if (!EchoBuffersUsable(requestData, requestSize, replyBuffer, replySize))
            return 0;
        IP_OPTION_INFORMATION native{};
        native.Ttl = options.ttl;
        native.Tos = options.tos;
        native.Flags = options.flags;
        // The system's record and the largest payload a reply to this request can carry.
        std::vector<std::uint8_t> reply(kSystemReplyExtra + std::max<std::size_t>(requestSize, 8));
        const DWORD count =
            calls_.send(handle_, destination, const_cast<void*>(requestData), requestSize, &native,
                        reply.data(), static_cast<DWORD>(reply.size()), timeoutMs);
        if (count == 0) {
            windows::SetLastErrorFromSystem();
            return 0;
        }
        const auto* in = reinterpret_cast<const ICMP_ECHO_REPLY*>(reply.data());
        EchoReplyRecord record;
        record.address = in->Address;
        record.status = in->Status;
        record.roundTripMs = in->RoundTripTime;
        record.dataOffset = sizeof record;
        record.ttl = in->Options.Ttl;
        record.tos = in->Options.Tos;
        record.flags = in->Options.Flags;
        // The payload pointer must lie within the system's buffer before it is read.
        const auto* begin = static_cast<const std::uint8_t*>(in->Data);
        const std::uint8_t* end = reply.data() + reply.size();
        std::size_t payload = 0;
        if (begin != nullptr && begin >= reply.data() && begin <= end)
            payload = std::min<std::size_t>(in->DataSize, static_cast<std::size_t>(end - begin));
        record.dataSize =
            static_cast<std::uint16_t>(std::min<std::size_t>(payload, replySize - sizeof record));
        auto* out = static_cast<std::uint8_t*>(replyBuffer);
        std::memcpy(out, &record, sizeof record);
        if (record.dataSize != 0)
            std::memcpy(out + sizeof record, begin, record.dataSize);
        return 1;
    }

private:
    EchoCalls calls_;
    HANDLE handle_;
};

class IcmpEchoProvider final : public IEchoProvider {
public:
    IcmpEchoProvider(HMODULE module, const EchoCalls& calls) : module_(module), calls_(calls) {}
    ~IcmpEchoProvider() override { ::FreeLibrary(module_); }
    IcmpEchoProvider(const IcmpEchoProvider&) = delete;
    IcmpEchoProvider& operator=(const IcmpEchoProvider&) = delete;

    std::unique_ptr<IEchoChannel> Open() override {
        const HANDLE handle = calls_.create();
        if (handle == INVALID_HANDLE_VALUE) {
            windows::SetLastErrorFromSystem();
            return nullptr;
        }
        return std::make_unique<IcmpEchoChannel>(calls_, handle);
    }

private:
    HMODULE module_;
    EchoCalls calls_;
};

EchoProviderLoad LoadFrom(const wchar_t* library, const char* libraryName) {
    const HMODULE module = ::LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr)
        return {nullptr, std::string(libraryName) + " не загружается: ошибка " +
                             std::to_string(::GetLastError())};
    EchoCalls calls;
    calls.create = Find<CreateCall>(module, "IcmpCreateFile");
    calls.close = Find<CloseCall>(module, "IcmpCloseHandle");
    calls.send = Find<SendCall>(module, "IcmpSendEcho");
    if (calls.create == nullptr || calls.close == nullptr || calls.send == nullptr) {
        ::FreeLibrary(module);
        return {nullptr, std::string("в ") + libraryName + " нет функций эхо-запроса"};
    }
    return {std::make_unique<IcmpEchoProvider>(module, calls), {}};
}

} // namespace

std::vector<EchoProviderLoader> SystemEchoProviders() {
    return {
        [] { return LoadFrom(L"iphlpapi.dll", "Iphlpapi.dll"); },
        [] { return LoadFrom(L"icmp.dll", "ICMP.DLL"); },
    };
}

} // namespace platform
