#include "net/SocketManager.h"

#include "net/LogWindow.h"
#include "tests/net/SocketTestSupport.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

using namespace kntest;

namespace {

// The console's side of ILogWindow: every append and post in the order they came.
class RecordingLogWindow : public ILogWindow {
public:
    struct Entry {
        std::string text;       // appended text, or empty for a post
        std::uint32_t code = 0; // posted code
        CSocketManager* manager = nullptr;
        bool posted = false;
    };

    void AppendToLog(const std::string& text) override { Add({text, 0, nullptr, false}); }
    void PostUpdateConnection(std::uint32_t code, CSocketManager* manager,
                              std::uint32_t) override {
        Add({std::string(), code, manager, true});
    }

    std::vector<Entry> Entries() {
        std::lock_guard lock(mutex_);
        return entries_;
    }
    bool WaitForEntries(std::size_t count, int timeoutMs) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [&] { return entries_.size() >= count; });
    }

private:
    void Add(Entry entry) {
        std::lock_guard lock(mutex_);
        entries_.push_back(std::move(entry));
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Entry> entries_;
};

TEST(SocketManager, EachEventIsLoggedWithItsTextThenPosted) {
    CSocketManager manager;
    RecordingLogWindow log;
    manager.SetLogWindow(&log);
    const std::string texts[] = {"Соединение установлено\r\n",
                                 "Не удалось установить соединение\r\n",
                                 "Подключение разорвано\r\n", "Нулевой длины сообщение\r\n"};
    for (std::uint32_t code = 0; code < 4; ++code) {
        manager.OnConnectionEvent(code);
        const auto entries = log.Entries();
        ASSERT_EQ(entries.size(), 2 * (code + 1));
        EXPECT_EQ(entries[2 * code].text, texts[code]);
        EXPECT_FALSE(entries[2 * code].posted);
        EXPECT_TRUE(entries[2 * code + 1].posted);
        EXPECT_EQ(entries[2 * code + 1].code, code);
        EXPECT_EQ(entries[2 * code + 1].manager, &manager);
    }
}

TEST(SocketManager, AnUnknownCodeIsPostedUnchangedWithoutText) {
    CSocketManager manager;
    RecordingLogWindow log;
    manager.SetLogWindow(&log);
    manager.OnConnectionEvent(4);
    manager.OnConnectionEvent(0x12345678);
    const auto entries = log.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries[0].posted && entries[1].posted);
    EXPECT_EQ(entries[0].code, 4u);
    EXPECT_EQ(entries[1].code, 0x12345678u);
}

TEST(SocketManager, DroppedConnectionReachesTheLogAndTheWindowExactlyOnce) {
    TcpListener listener;
    CSocketManager manager;
    RecordingLogWindow log;
    manager.SetLogWindow(&log);
    ASSERT_TRUE(manager.OpenConnection("127.0.0.1", "127.0.0.1", std::to_string(listener.Port()),
                                       platform::kAddressFamilyInet, platform::kSocketStream));
    const int server = listener.Accept();
    ASSERT_TRUE(manager.StartWatcher());
    ::close(server);
    ASSERT_TRUE(log.WaitForEntries(2, 1000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    manager.Close();
    const auto entries = log.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].text, "Подключение разорвано\r\n");
    EXPECT_TRUE(entries[1].posted);
    EXPECT_EQ(entries[1].code, static_cast<std::uint32_t>(ConnectionDropped));
    EXPECT_EQ(entries[1].manager, &manager);
}

TEST(SocketManager, WithoutALogWindowNothingIsWrittenOrPosted) {
    TcpListener listener;
    RecordingLogWindow log; // never handed to the manager
    CSocketManager manager;
    manager.AppendToLog("строка\r\n");
    manager.OnConnectionEvent(ConnectionDropped);
    ASSERT_TRUE(manager.OpenConnection("127.0.0.1", "127.0.0.1", std::to_string(listener.Port()),
                                       platform::kAddressFamilyInet, platform::kSocketStream));
    const int server = listener.Accept();
    ASSERT_TRUE(manager.StartWatcher());
    ::close(server);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(manager.StartWatcher()); // the watcher saw the drop and ended
    EXPECT_TRUE(log.Entries().empty());
}

// What the hub session will do: show every block with the address it came from.
class ShowingManager : public CSocketManager {
public:
    ~ShowingManager() override { Close(); }
    void ShowReceived(const std::uint8_t* data, std::uint32_t count,
                      const platform::SocketAddressV4& from) override {
        std::lock_guard lock(mutex);
        shown.insert(shown.end(), data, data + count);
        sender = from;
        arrived.notify_all();
    }
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<std::uint8_t> shown;
    platform::SocketAddressV4 sender;
};

TEST(SocketManager, ReceivedBlocksAreShownWithTheirSender) {
    TcpListener listener;
    ShowingManager manager;
    ASSERT_TRUE(manager.OpenConnection("127.0.0.1", "127.0.0.1", std::to_string(listener.Port()),
                                       platform::kAddressFamilyInet, platform::kSocketStream));
    const int server = listener.Accept();
    ASSERT_TRUE(manager.StartWatcher());
    ASSERT_TRUE(SendAll(server, {0, 0, 0, 0x81}));
    std::unique_lock lock(manager.mutex);
    ASSERT_TRUE(manager.arrived.wait_for(lock, std::chrono::seconds(1),
                                         [&] { return manager.shown.size() == 4; }));
    EXPECT_EQ(manager.shown, (std::vector<std::uint8_t>{0, 0, 0, 0x81}));
    EXPECT_EQ(platform::NetworkToHost32(manager.sender.address), 0x7F000001u);
    EXPECT_EQ(platform::NetworkToHost16(manager.sender.port), listener.Port());
    lock.unlock();
    ::close(server);
}

} // namespace
