#include "tools/bench/BenchSupport.h"

#include "gui/MessageBoxes.h"
#include "tools/hubsim/ControlLine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace bench {

double MsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double Samples::Median() const {
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t middle = sorted.size() / 2;
    return sorted.size() % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

double Samples::Max() const {
    return *std::max_element(values.begin(), values.end());
}

std::string Samples::Summary() const {
    if (values.empty()) {
        return "no samples";
    }
    char text[96];
    std::snprintf(text, sizeof text, "median %.1f ms, max %.1f ms (%zu runs)", Median(), Max(),
                  values.size());
    return text;
}

std::string HubControl::Send(const std::string& command) const {
    std::string answer;
    if (!hubsim::SendControlCommand(path, command, answer) || answer.rfind("ok", 0) != 0) {
        throw std::runtime_error(path + ": " + command + ": " + answer);
    }
    return answer;
}

std::string HubControl::SendTo(int hub, const std::string& command) const {
    return Send("hub " + std::to_string(hub) + " " + command);
}

long HubControl::DiscoveryReplies(int hub) const {
    const std::string status = SendTo(hub, "status");
    const auto at = status.find(" discovery=");
    if (at == std::string::npos) {
        throw std::runtime_error("no discovery count in: " + status);
    }
    return std::stol(status.substr(at + 11));
}

StallProbe::StallProbe() {
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [this] {
        const Clock::time_point now = Clock::now();
        worst = std::max(worst, MsBetween(last, now) - kIntervalMs);
        last = now;
    });
    Restart();
    timer.start(kIntervalMs);
}

void StallProbe::Restart() {
    last = Clock::now();
    worst = 0;
}

double StallProbe::Worst() const {
    return std::max(worst, MsBetween(last, Clock::now()) - kIntervalMs);
}

UdpCounters ReadUdpCounters() {
    // Two "Udp:" lines: the names, then the values.
    std::ifstream snmp("/proc/net/snmp");
    std::string line, names;
    UdpCounters counters;
    while (std::getline(snmp, line)) {
        if (line.rfind("Udp: ", 0) != 0) {
            continue;
        }
        if (names.empty()) {
            names = line;
            continue;
        }
        std::istringstream nameWords(names), valueWords(line);
        std::string name, value;
        while (nameWords >> name && valueWords >> value) {
            if (name == "InDatagrams") {
                counters.inDatagrams = std::stol(value);
            } else if (name == "RcvbufErrors") {
                counters.receiveBufferErrors = std::stol(value);
            }
        }
        break;
    }
    return counters;
}

bool RunEventsUntil(const std::function<bool()>& done, int timeoutMs) {
    // The tick only wakes the wait below, so that the deadline is noticed; anything
    // posted to this thread wakes it at once.
    QTimer tick;
    tick.start(10);
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() >= timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void RunEventsFor(int ms) {
    RunEventsUntil([] { return false; }, ms);
}

void Print(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
    std::fflush(stdout);
}

std::string Text(const QString& text) {
    return text.toStdString();
}

PrintedBoxes::PrintedBoxes() {
    SetMessageBoxHandler([](const MessageBoxRequest& request) {
        Print("message box: %s\n", Text(request.text).c_str());
        return request.buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
    });
}

PrintedBoxes::~PrintedBoxes() {
    SetMessageBoxHandler({});
}

} // namespace bench
