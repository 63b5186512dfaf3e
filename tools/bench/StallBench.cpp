#include "tools/bench/StallBench.h"

#include "gui/ConsoleWindow.h"
#include "gui/EventLog.h"
#include "gui/IpAddressEdit.h"
#include "gui/MessageBoxes.h"
#include "resources/ConsoleTemplate.h"
#include "tools/bench/BenchSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <optional>
#include <sched.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using bench::Clock;
using bench::MsBetween;
using bench::Print;

constexpr double kStallTargetMs = 100;
constexpr double kFirstPaintTargetMs = 300;
constexpr int kFirstPaintRuns = 3;
constexpr int kCaseTimeoutMs = 15000;
constexpr int kDevicePeriodMs = 300;
// Where the IP apply moves the hub (bench.sh's site, 198.18.76.0/24); it goes back after.
constexpr const char* kMovedAddress = "198.18.76.60";
constexpr std::size_t kNameWidth = 46;
constexpr int kCheckBlockMs = 150;
constexpr int kFloodMs = 2000;

// Every box, answered Yes (or Ok), its text kept.
class Boxes {
public:
    Boxes() {
        SetMessageBoxHandler([this](const MessageBoxRequest& request) {
            texts << request.text;
            return request.buttons == BoxButtons::YesNo ? BoxAnswer::Yes : BoxAnswer::Ok;
        });
    }
    ~Boxes() { SetMessageBoxHandler({}); }
    Boxes(const Boxes&) = delete;
    Boxes& operator=(const Boxes&) = delete;

    void Restart() { texts.clear(); }
    bool Any(const QString& part) const {
        return std::any_of(texts.begin(), texts.end(),
                           [&](const QString& text) { return text.contains(part); });
    }
    std::string All() const { return bench::Text(texts.join(QStringLiteral(" | "))); }

private:
    QStringList texts;
};

// A device in the hubs' subnet that sends to the PC's port 30303 every 300 ms.
class ChattyDevice {
public:
    ChattyDevice(const std::string& nameSpace, const std::string& address, const std::string& pc) {
        sender = std::thread([this, nameSpace, address, pc] { Send(nameSpace, address, pc); });
        while (!ready.load() && !failed.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~ChattyDevice() {
        stop.store(true);
        sender.join();
    }
    ChattyDevice(const ChattyDevice&) = delete;
    ChattyDevice& operator=(const ChattyDevice&) = delete;

    bool Ok() const { return !failed.load(); }
    int Sent() const { return sent.load(); }

private:
    void Send(const std::string& nameSpace, const std::string& address, const std::string& pc) {
        // The namespace is this thread's alone.
        const int ns = ::open(("/run/netns/" + nameSpace).c_str(), O_RDONLY | O_CLOEXEC);
        const bool entered = ns >= 0 && ::setns(ns, CLONE_NEWNET) == 0;
        if (ns >= 0) {
            ::close(ns);
        }
        const int fd = entered ? ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0) : -1;
        sockaddr_in local{}, target{};
        local.sin_family = target.sin_family = AF_INET;
        target.sin_port = htons(30303);
        if (fd < 0 || ::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1 ||
            ::inet_pton(AF_INET, pc.c_str(), &target.sin_addr) != 1 ||
            ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            if (fd >= 0) {
                ::close(fd);
            }
            failed.store(true);
            return;
        }
        ready.store(true);
        while (!stop.load()) {
            static const char kText[] = "status ok\r\n";
            ::sendto(fd, kText, sizeof kText - 1, 0, reinterpret_cast<sockaddr*>(&target),
                     sizeof target);
            sent.fetch_add(1);
            for (int slept = 0; slept < kDevicePeriodMs && !stop.load(); slept += 10) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        ::close(fd);
    }

    std::atomic<bool> stop{false}, ready{false}, failed{false};
    std::atomic<int> sent{0};
    std::thread sender;
};

std::string Ms(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", ms);
    return text;
}

// The text padded to width characters (UTF-8: a character may take several bytes).
std::string Padded(const std::string& text, std::size_t width) {
    const std::size_t characters = static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
    return text + std::string(width > characters ? width - characters : 0, ' ');
}

void Shell(const std::string& command) {
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) {
        throw std::runtime_error("failed: " + command);
    }
}

struct CaseResult {
    std::string name;
    double tookMs = 0;
    double stallMs = 0;
};

class StallBench {
public:
    explicit StallBench(const StallBenchOptions& options)
        : options(options), control(options.control) {}

    int Run();

private:
    // Starts the probe afresh, runs act from the event loop and the loop until done():
    // the row of the case.
    CaseResult Measure(const std::string& name, const std::function<void()>& act,
                       const std::function<bool()>& done);
    void Check(bool condition, const std::string& what) const;
    bool ParametersShown() const;
    bool Rows(int count) const { return console->HubListView()->topLevelItemCount() == count; }
    // The connect address as typed: the field's change reaches the console.
    void TypeAddress(int id, const std::string& address);
    CaseResult StartUp();
    // Ends when the console is idle with the hub listed (and the device's rows).
    CaseResult Search(const std::string& name, bool deviceTalking);
    CaseResult ChattySearch();
    CaseResult Connect(const std::string& name, const std::string& address);
    CaseResult FailedConnect(const std::string& name, const std::string& address);
    CaseResult SilentNumberWrite();
    CaseResult ApplyAddress();
    CaseResult FloodThenDisconnect();
    bool MeasureFirstPaint();

    StallBenchOptions options;
    bench::HubControl control;
    bench::StallProbe probe;
    Boxes boxes;
    std::unique_ptr<CConsoleWindow> console;
    std::string hub;
    std::string startUpDetail;
};

CaseResult StallBench::Measure(const std::string& name, const std::function<void()>& act,
                               const std::function<bool()>& done) {
    boxes.Restart();
    bool acted = false;
    probe.Restart();
    const Clock::time_point start = Clock::now();
    QTimer::singleShot(0, [&] {
        act();
        acted = true;
    });
    const bool finished = bench::RunEventsUntil([&] { return acted && done(); }, kCaseTimeoutMs);
    CaseResult result{name, MsBetween(start, Clock::now()), probe.Worst()};
    Check(finished, "not idle after " + std::to_string(kCaseTimeoutMs) + " ms");
    return result;
}

void StallBench::Check(bool condition, const std::string& what) const {
    if (!condition) {
        const std::string state =
            console
                ? " (idle " + std::to_string(console->IsIdle()) + ", operation " +
                      std::to_string(static_cast<int>(console->Console().operation())) + ", rows " +
                      std::to_string(console->HubListView()->topLevelItemCount()) + ")"
                : std::string();
        throw std::runtime_error(what + state + "; log:\n" +
                                 (console ? bench::Text(console->Log()->Text()) : "") +
                                 "\nboxes: " + boxes.All());
    }
}

bool StallBench::ParametersShown() const {
    for (int id : {IDC_HUB_IP_ADDRESS, IDC_HUB_SUBNET_MASK, IDC_HUB_GATEWAY}) {
        if (console->IpField(id)->IsBlank()) {
            return false;
        }
    }
    return true;
}

void StallBench::TypeAddress(int id, const std::string& address) {
    CIpAddressEdit* field = console->IpField(id);
    field->SetAddressText(QString::fromStdString(address));
    emit field->FieldChanged(3, 0);
}

CaseResult StallBench::StartUp() {
    Clock::time_point begun{}, built{}, shown{};
    const CaseResult result = Measure(
        "start-up (window shown, its search)",
        [&] {
            begun = Clock::now();
            console = std::make_unique<CConsoleWindow>(false);
            built = Clock::now();
            console->show();
            shown = Clock::now();
        },
        [this] { return console->IsIdle() && Rows(1); });
    Check(console->adapterList().count == 1, "the PC must have exactly one adapter address");
    startUpDetail = "start-up: the window built in " + Ms(MsBetween(begun, built)) +
                    ", shown (its adapters read) in " + Ms(MsBetween(built, shown));
    return result;
}

CaseResult StallBench::Search(const std::string& name, bool deviceTalking) {
    return Measure(
        name, [this] { console->Button(IDC_SEARCH_HUBS)->click(); },
        [this, deviceTalking] {
            // Each of the device's messages is listed as a row of its own.
            const int rows = console->HubListView()->topLevelItemCount();
            return console->IsIdle() && (deviceTalking ? rows > 1 : rows == 1);
        });
}

CaseResult StallBench::ChattySearch() {
    const std::string pc = bench::Text(console->IpField(IDC_ADAPTER_ADDRESS)->Text());
    ChattyDevice device(options.hubNamespace, options.deviceAddress, pc);
    Check(device.Ok(), "the chatty device cannot send from " + options.deviceAddress);
    bench::RunEventsFor(2 * kDevicePeriodMs);
    CaseResult result = Search("search, a device sending every 300 ms", true);
    Check(device.Sent() > 2, "the chatty device sent nothing");
    return result;
}

CaseResult StallBench::Connect(const std::string& name, const std::string& address) {
    TypeAddress(IDC_CONNECT_ADDRESS, address);
    const CaseResult result = Measure(
        name, [this] { console->Button(IDC_CONNECT)->click(); },
        [this] {
            return console->IsIdle() && ParametersShown() &&
                   console->Button(IDC_WRITE_NUMBER)->isEnabled();
        });
    Check(console->session().IsSocketOpen(), "not connected");
    return result;
}

CaseResult StallBench::FailedConnect(const std::string& name, const std::string& address) {
    TypeAddress(IDC_CONNECT_ADDRESS, address);
    const CaseResult result = Measure(
        name, [this] { console->Button(IDC_CONNECT)->click(); },
        [this] { return console->IsIdle(); });
    Check(!console->session().IsSocketOpen() && boxes.Any(QStringLiteral("Ошибка подключения")),
          "the connect to " + address + " did not fail");
    return result;
}

CaseResult StallBench::SilentNumberWrite() {
    control.Send("fault no-answer on");
    qobject_cast<QLineEdit*>(console->Control(IDC_CONTROLLER_NUMBER))->setText(QStringLiteral("3"));
    const CaseResult result = Measure(
        "number write, hub silent (5 s wait)",
        [this] { console->Button(IDC_WRITE_NUMBER)->click(); },
        [this] { return console->IsIdle(); });
    control.Send("fault no-answer off");
    Check(boxes.Any(QStringLiteral("Процедура записи номера")) &&
              boxes.Any(QStringLiteral("не получен")),
          "the number write did not wait for its result");
    return result;
}

CaseResult StallBench::ApplyAddress() {
    TypeAddress(IDC_HUB_IP_ADDRESS, kMovedAddress);
    const CaseResult result = Measure(
        "IP apply (write, 1 s pause, disconnect)",
        [this] { console->Button(IDC_APPLY_PARAMETERS)->click(); },
        [this] { return console->IsIdle() && !console->session().IsSocketOpen(); });
    Check(console->Log()->Text().contains(QStringLiteral("Подключение к хабу разорвано")),
          "the apply did not end the session");
    // The hub goes back where it was.
    control.Send("ip " + hub);
    return result;
}

CaseResult StallBench::FloodThenDisconnect() {
    control.Send("fault flood on");
    bool pressed = false;
    const CaseResult result = Measure(
        "extra: hub floods for 2 s, then disconnect",
        [&] {
            QTimer::singleShot(kFloodMs, Qt::PreciseTimer, [&] {
                console->Button(IDC_DISCONNECT)->click();
                pressed = true;
            });
        },
        [&] { return pressed && console->IsIdle() && !console->session().IsSocketOpen(); });
    control.Send("fault flood off");
    return result;
}

bool StallBench::MeasureFirstPaint() {
    Print("\nstart-up, a process of its own: its start to the window's first paint\n");
    bench::Samples total, toMain;
    for (int run = 1; run <= kFirstPaintRuns; ++run) {
        int pipeEnds[2];
        if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe failed");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        char* const argv[] = {const_cast<char*>(options.self.c_str()),
                              const_cast<char*>("first-paint"), nullptr};
        pid_t child = 0;
        const long long spawned = MonotonicNs();
        const int error =
            ::posix_spawn(&child, options.self.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeEnds[1]);
        std::string output;
        char buffer[256];
        for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
            output.append(buffer, static_cast<std::size_t>(got));
        }
        ::close(pipeEnds[0]);
        int status = 0;
        if (error != 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            throw std::runtime_error("the first-paint run failed: " + output);
        }
        long long mainNs = 0, paintNs = 0;
        if (std::sscanf(output.c_str(), "main %lld paint %lld", &mainNs, &paintNs) != 2) {
            throw std::runtime_error("the first-paint run said: " + output);
        }
        const double mainMs = (mainNs - spawned) / 1e6, paintMs = (paintNs - spawned) / 1e6;
        Print("  run %d: %6.1f ms (main reached after %5.1f ms, then %6.1f ms to the paint)\n", run,
              paintMs, mainMs, paintMs - mainMs);
        total.Add(paintMs);
        toMain.Add(mainMs);
    }
    Print("  first paint %s; main reached %s\n", total.Summary().c_str(), toMain.Summary().c_str());
    const bool met = total.Max() < kFirstPaintTargetMs;
    Print("  target first paint under %.0f ms: %s\n", kFirstPaintTargetMs, met ? "met" : "MISSED");
    return met;
}

// The probe itself: a block of known length on the window's thread must read as one.
bool ProbeSees(bench::StallProbe& probe) {
    probe.Restart();
    bool blocked = false;
    QTimer::singleShot(0, [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(kCheckBlockMs));
        blocked = true;
    });
    bench::RunEventsUntil([&] { return blocked; }, 1000);
    bench::RunEventsFor(3 * bench::StallProbe::kIntervalMs);
    const double seen = probe.Worst();
    Print("probe check: a %d ms block reads as a %.1f ms stall\n", kCheckBlockMs, seen);
    return seen >= kCheckBlockMs - bench::StallProbe::kIntervalMs &&
           seen < kCheckBlockMs + 2 * bench::StallProbe::kIntervalMs;
}

int StallBench::Run() {
    if (!ProbeSees(probe)) {
        Print("the probe does not see a stall of known length\n");
        return 2;
    }
    std::vector<CaseResult> rows;
    rows.push_back(StartUp());
    // The hub the search listed is the one every connect goes to.
    QTreeWidget* list = console->HubListView();
    list->setCurrentItem(list->topLevelItem(0));
    console->Console().SyncHubSelection();
    hub = bench::Text(console->IpField(IDC_CONNECT_ADDRESS)->Text());
    control.Send("result auto");
    Print("Stalls of the window's event loop (a %d ms timer's worst lateness); hub %s\n",
          bench::StallProbe::kIntervalMs, hub.c_str());

    rows.push_back(Search("search (\"Поиск хабов\")", false));
    rows.push_back(ChattySearch());
    rows.push_back(FailedConnect("connect to an absent address " + options.absentAddress,
                                 options.absentAddress));
    Shell("ip -n " + options.hubNamespace + " rule add ipproto tcp sport 5000 blackhole");
    try {
        rows.push_back(FailedConnect("connect, hub drops the SYN (5 s deadline)", hub));
    } catch (...) {
        Shell("ip -n " + options.hubNamespace + " rule del ipproto tcp sport 5000 blackhole");
        throw;
    }
    Shell("ip -n " + options.hubNamespace + " rule del ipproto tcp sport 5000 blackhole");
    rows.push_back(Connect("connect to the hub", hub));
    rows.push_back(SilentNumberWrite());
    rows.push_back(ApplyAddress());
    // One case more: a hub that sends 10,000 messages a second.
    Connect("", hub);
    rows.push_back(FloodThenDisconnect());
    console.reset();

    Print("\n%s %12s %12s\n", Padded("case", kNameWidth).c_str(), "until idle", "worst stall");
    double longest = 0;
    for (const CaseResult& row : rows) {
        Print("%s %9.1f ms %9.1f ms%s\n", Padded(row.name, kNameWidth).c_str(), row.tookMs,
              row.stallMs, row.stallMs < kStallTargetMs ? "" : "  over");
        longest = std::max(longest, row.stallMs);
    }
    Print("%s\n", startUpDetail.c_str());
    const bool stallsMet = longest < kStallTargetMs;
    const bool paintMet = MeasureFirstPaint();
    Print("\nlongest stall: %.0f ms\n", longest);
    Print("target every stall under %.0f ms: %s; first paint under %.0f ms: %s\n", kStallTargetMs,
          stallsMet ? "met" : "MISSED", kFirstPaintTargetMs, paintMet ? "met" : "MISSED");
    return stallsMet && paintMet ? 0 : 1;
}

// The window as the program shows it, with the end of its first paint noted.
class PaintedWindow : public CConsoleWindow {
public:
    PaintedWindow() : CConsoleWindow(false) {}
    std::optional<long long> paintedNs;

protected:
    void paintEvent(QPaintEvent* event) override {
        CConsoleWindow::paintEvent(event);
        if (!paintedNs) {
            paintedNs = MonotonicNs();
        }
    }
};

} // namespace

long long MonotonicNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

int RunStallBench(const StallBenchOptions& options) {
    return bench::RunBenchmark<StallBench>("stall", options);
}

int RunFirstPaint(long long mainEnteredNs) {
    int argc = 1;
    char name[] = "kestrune_bench";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrune"));
    PaintedWindow window;
    window.show();
    if (!bench::RunEventsUntil([&] { return window.paintedNs.has_value(); }, 5000)) {
        return 1;
    }
    std::printf("main %lld paint %lld\n", mainEnteredNs, *window.paintedNs);
    std::fflush(stdout);
    // The search the paint has queued is no part of this run.
    std::_Exit(0);
}
