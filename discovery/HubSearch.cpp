#include "discovery/HubSearch.h"

#include "adapters/AddressText.h"
#include "adapters/ImproperArgument.h"
#include "discovery/DiscoveryReply.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <optional>
#include <vector>

namespace {

// Reads replies until a wait ends without one, or the search's time is up; returns the
// number counted.
int CollectReplies(platform::DiscoverySocket& socket, std::vector<std::uint8_t>& buffer,
                   const std::string& ownAddress, HubList& hubs, const LogSink& log,
                   const SearchWindow& window) {
    using Clock = std::chrono::steady_clock;
    const auto deadline =
        Clock::now() + std::chrono::milliseconds(std::max(window.limitMs, window.quietMs));
    int count = 0;
    std::size_t ignored = 0;
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        const auto wait = static_cast<std::uint32_t>(std::min<long long>(window.quietMs, left));
        if (WaitReadable(socket, wait) != WaitOutcome::Readable)
            break;
        platform::ReceivedDatagram datagram;
        if (!socket.Receive(buffer, datagram))
            break;
        if (datagram.fullLength > buffer.size())
            continue; // no hub sends that much: skipped, the next reply may still come
        const std::string source = DottedText(datagram.source);
        const auto reply = ParseDiscoveryReply(
            std::span<const std::uint8_t>(buffer.data(), datagram.length), source, ownAddress);
        if (!reply)
            continue;
        if (hubs.hubAddresses.size() >= window.maxRows) {
            ++ignored;
            continue;
        }
        hubs.hubAddresses.push_back(source);
        hubs.hubPhysicalAddresses.push_back(reply->physicalAddress);
        hubs.hubModelTexts.push_back(reply->modelText);
        log("Обнаружен хаб: \"" + reply->modelText + "\", " + source + ", " +
            reply->physicalAddress + "\r\n");
        ++count;
        if (window.enough && window.enough(hubs))
            break;
    }
    if (ignored > 0)
        log("Список хабов ограничен " + std::to_string(window.maxRows) +
            " строками, не учтено ответов: " + std::to_string(ignored) + "\r\n");
    return count;
}

} // namespace

WaitOutcome WaitReadable(platform::DiscoverySocket& socket, std::uint32_t milliseconds) {
    const int ready = socket.Poll(milliseconds);
    if (ready < 0)
        return WaitOutcome::Failed;
    return ready == 0 ? WaitOutcome::TimedOut : WaitOutcome::Readable;
}

int DiscoverHubs(const std::string& destination, const std::string& localAddress, HubList& hubs,
                 const LogSink& log, platform::DiscoverySocket& socket,
                 const SearchWindow& window) {
    const auto target = socket.Resolve(destination);
    if (!target || !socket.Create())
        return 0;

    int count = 0;
    bool ready = socket.SetBroadcast(true);
    if (ready && !localAddress.empty()) {
        const auto local = socket.Resolve(localAddress);
        ready = local && socket.Bind(*local, DISCOVERY_PORT);
    }
    ready = ready && socket.SendTo(*target, DISCOVERY_PORT, DiscoveryRequest()) &&
            socket.SetBroadcast(false);
    if (ready) {
        try {
            std::vector<std::uint8_t> buffer(kDiscoveryReceiveBufferSize, 0);
            count = CollectReplies(socket, buffer, localAddress, hubs, log, window);
        } catch (const std::bad_alloc&) {
            // No buffer, no search: counted as no hub, like every other set-up failure.
        }
    }
    socket.Close();
    return count;
}

int SearchHubs(const AdapterList& adapters, HubList& hubs, const LogSink& log,
               platform::DiscoverySocket& socket, const SearchWindow& window) {
    const std::int32_t entry = adapters.chosenIndex;
    const std::string subnet = CheckedAt(adapters.subnetAddresses, entry);
    const std::string broadcast = CheckedAt(adapters.broadcastAddresses, entry);
    const std::string address = CheckedAt(adapters.addresses, entry);

    log("Поиск хабов в подсети " + subnet + "\r\n");
    hubs.hubAddresses.clear();
    hubs.hubPhysicalAddresses.clear();
    hubs.hubModelTexts.clear();
    const int count = DiscoverHubs(broadcast, address, hubs, log, socket, window);
    if (count == 0)
        log("Хабы в подсети " + subnet + " не обнаружены\r\n");
    return count;
}

int SearchHubs(const AdapterList& adapters, HubList& hubs, const LogSink& log) {
    const auto socket = platform::MakeDiscoverySocket();
    return SearchHubs(adapters, hubs, log, *socket);
}
