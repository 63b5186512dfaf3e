#pragma once

#include <QString>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

// What the benchmarks share: a clock, samples and their summary, the hubs' control
// channel, waiting on the console's event loop and timing its stalls.
namespace bench {

using Clock = std::chrono::steady_clock;

double MsBetween(Clock::time_point from, Clock::time_point to);

// Samples of one quantity, in milliseconds.
class Samples {
public:
    void Add(double ms) { values.push_back(ms); }
    bool Empty() const { return values.empty(); }
    double Median() const;
    double Max() const;
    // "median 12.3 ms, max 15.0 ms" (or "no samples").
    std::string Summary() const;

private:
    std::vector<double> values;
};

// One hubsim process through its control socket.
class HubControl {
public:
    explicit HubControl(std::string socketPath) : path(std::move(socketPath)) {}

    // The answer line; throws std::runtime_error unless it starts with "ok".
    std::string Send(const std::string& command) const;
    // Hub k (1-based) of the process.
    std::string SendTo(int hub, const std::string& command) const;
    // How many discovery replies hub k has sent since it started.
    long DiscoveryReplies(int hub) const;

private:
    std::string path;
};

// A timer every 10 ms on the calling (window's) thread; the worst lateness of its ticks
// is how long the event loop failed to answer.
class StallProbe {
public:
    static constexpr int kIntervalMs = 10;

    StallProbe();
    void Restart();
    // Since the last restart, up to now: a stall still under way counts too.
    double Worst() const;

private:
    QTimer timer;
    Clock::time_point last;
    double worst = 0;
};

// The UDP counters of the calling thread's network namespace (/proc/net/snmp).
struct UdpCounters {
    long inDatagrams = 0;
    long receiveBufferErrors = 0;
};
UdpCounters ReadUdpCounters();

// Runs the event loop until done() or timeoutMs; true when done.
bool RunEventsUntil(const std::function<bool()>& done, int timeoutMs);
// Runs the event loop for ms: a window just shown gets its first paint out of the way.
void RunEventsFor(int ms);

// printf to stdout, flushed (the output is read while the benchmark runs).
void Print(const char* format, ...) __attribute__((format(printf, 1, 2)));

// While it lives, every message box is printed and answered No (or OK): a search's
// benchmark expects none.
class PrintedBoxes {
public:
    PrintedBoxes();
    ~PrintedBoxes();
    PrintedBoxes(const PrintedBoxes&) = delete;
    PrintedBoxes& operator=(const PrintedBoxes&) = delete;
};
std::string Text(const QString& text);

// Makes a benchmark of options and runs it; a failure to set it up or run it is printed
// with the benchmark's name and gives exit status 2.
template <typename Benchmark, typename Options>
int RunBenchmark(const char* name, const Options& options) {
    try {
        Benchmark benchmark(options);
        return benchmark.Run();
    } catch (const std::exception& error) {
        Print("%s benchmark: %s\n", name, error.what());
        return 2;
    }
}

} // namespace bench
