#include "tools/bench/SessionBench.h"

#include "gui/EventLog.h"
#include "gui/IpAddressEdit.h"
#include "gui/ConsoleWindow.h"
#include "gui/MessageBoxes.h"
#include "probe/Ping.h"
#include "resources/ConsoleTemplate.h"
#include "tools/bench/BenchSupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using bench::Clock;
using bench::MsBetween;
using bench::Print;

constexpr double kConnectTargetMs = 50;
constexpr double kResultTargetMs = 20; // beyond the hub's own delay
constexpr int kWaitMs = 7000;
const QString kResultText = QStringLiteral("Номер контроллера успешно установлен");

// Every line the log receives, with the moment it arrived.
class LogTimes {
public:
    explicit LogTimes(CConsoleWindow& console) : console(console) {
        QObject::connect(console.Log(), &QPlainTextEdit::textChanged, console.Log(), [this] {
            arrivals.push_back({Clock::now(), this->console.Log()->Text()});
        });
    }
    // The log is emptied first, so that each look at it stays cheap.
    void Restart() {
        console.ClearLog();
        arrivals.clear();
    }
    // When the log first held text, or nothing.
    std::optional<Clock::time_point> When(const QString& text) const {
        for (const auto& arrival : arrivals) {
            if (arrival.text.contains(text)) {
                return arrival.at;
            }
        }
        return std::nullopt;
    }

private:
    struct Arrival {
        Clock::time_point at;
        QString text;
    };
    CConsoleWindow& console;
    std::vector<Arrival> arrivals;
};

// Every box, answered Yes (or Ok), with the moment it was answered.
class BoxTimes {
public:
    BoxTimes() {
        SetMessageBoxHandler([this](const MessageBoxRequest& request) {
            boxes.push_back({Clock::now(), request.text});
            return request.buttons == BoxButtons::YesNo ? BoxAnswer::Yes : BoxAnswer::Ok;
        });
    }
    ~BoxTimes() { SetMessageBoxHandler({}); }
    BoxTimes(const BoxTimes&) = delete;
    BoxTimes& operator=(const BoxTimes&) = delete;

    void Restart() { boxes.clear(); }
    std::optional<Clock::time_point> When(const QString& start) const {
        for (const auto& box : boxes) {
            if (box.text.startsWith(start)) {
                return box.at;
            }
        }
        return std::nullopt;
    }
    QStringList Texts() const {
        QStringList texts;
        for (const auto& box : boxes) {
            texts << box.text;
        }
        return texts;
    }

private:
    struct Box {
        Clock::time_point at;
        QString text;
    };
    std::vector<Box> boxes;
};

bool ParametersShown(CConsoleWindow& console) {
    for (int id : {IDC_HUB_IP_ADDRESS, IDC_HUB_SUBNET_MASK, IDC_HUB_GATEWAY}) {
        if (console.IpField(id)->IsBlank()) {
            return false;
        }
    }
    return true;
}

// The console's own first step of a connect, alone: the echo probe with its settings.
double ProbeAloneMs(const QString& hub) {
    CPing ping;
    EchoReplyInfo reply;
    const Clock::time_point start = Clock::now();
    if (!ping.SendEchoRequest(hub.toStdString(), reply, 10, 1000, 32, 0, false)) {
        throw std::runtime_error("the hub does not answer the echo probe");
    }
    return MsBetween(start, Clock::now());
}

void ForgetNeighbours() {
    if (std::system("ip neigh flush all >/dev/null 2>&1") != 0) {
        throw std::runtime_error("ip neigh flush failed");
    }
}

struct ConnectTimes {
    double totalMs = 0; // press to the three fields filled
    double probeAndOpenMs = 0; // press to "успешно произведено": probe, TCP connect, watcher
    double lookupMs = 0; // to the physical address line: the ARP lookup
    double replyMs = 0;  // to the fields: the request, the hub's reply, its way to the window
    double idleMs = 0;   // press until the console is idle with "Записать" enabled
};

class SessionBench {
public:
    explicit SessionBench(const SessionBenchOptions& options)
        : options(options), control(options.control), log(console) {}

    int Run();

private:
    ConnectTimes Connect();
    void Disconnect();
    // Confirmed to shown; the parts go to arrivedMs (the watcher has the result) and
    // shownAfterMs (from then to the box).
    double WriteNumber(double& arrivedMs, double& shownAfterMs);
    // Each prints its rounds and summary; true when the target was met.
    bool MeasureConnects();
    bool MeasureNumberWrites();

    SessionBenchOptions options;
    bench::HubControl control;
    CConsoleWindow console{false};
    LogTimes log;
    BoxTimes boxes;
    QString hub;
};

ConnectTimes SessionBench::Connect() {
    log.Restart();
    Clock::time_point filled{};
    std::vector<QMetaObject::Connection> watches;
    for (int id : {IDC_HUB_IP_ADDRESS, IDC_HUB_SUBNET_MASK, IDC_HUB_GATEWAY}) {
        watches.push_back(
            QObject::connect(console.IpField(id), &CIpAddressEdit::AddressChanged, [&] {
                if (filled == Clock::time_point{} && ParametersShown(console)) {
                    filled = Clock::now();
                }
            }));
    }
    const Clock::time_point start = Clock::now();
    console.Button(IDC_CONNECT)->click();
    const bool shown =
        bench::RunEventsUntil([&] { return filled != Clock::time_point{}; }, kWaitMs);
    for (const auto& watch : watches) {
        QObject::disconnect(watch);
    }
    if (!shown) {
        throw std::runtime_error("no IP parameters shown; log:\n" +
                                 bench::Text(console.Log()->Text()));
    }
    const auto opened = log.When(QStringLiteral("успешно произведено"));
    const auto looked = log.When(QStringLiteral("Физический адрес"));
    if (!opened || !looked) {
        throw std::runtime_error("unexpected log:\n" + bench::Text(console.Log()->Text()));
    }
    // "Записать" comes with the hub's first link status; the number write needs it.
    if (!bench::RunEventsUntil(
            [&] { return console.IsIdle() && console.Button(IDC_WRITE_NUMBER)->isEnabled(); },
            kWaitMs)) {
        throw std::runtime_error("the hub sent no link status");
    }
    const Clock::time_point idle = Clock::now();
    return {MsBetween(start, filled), MsBetween(start, *opened), MsBetween(*opened, *looked),
            MsBetween(*looked, filled), MsBetween(start, idle)};
}

void SessionBench::Disconnect() {
    console.Button(IDC_DISCONNECT)->click();
    if (console.session().IsSocketOpen()) {
        throw std::runtime_error("the session did not close");
    }
    // The hub notices the end of its session before the next one may begin.
    bench::RunEventsFor(50);
}

double SessionBench::WriteNumber(double& arrivedMs, double& shownAfterMs) {
    boxes.Restart();
    qobject_cast<QLineEdit*>(console.Control(IDC_CONTROLLER_NUMBER))->setText(QStringLiteral("3"));
    log.Restart();
    console.Button(IDC_WRITE_NUMBER)->click();
    const bool shown = bench::RunEventsUntil(
        [&] { return boxes.When(kResultText).has_value() && console.IsIdle(); }, kWaitMs);
    const auto confirmed = boxes.When(QStringLiteral("Процедура записи номера"));
    if (!shown || !confirmed) {
        throw std::runtime_error("unexpected boxes: " + bench::Text(boxes.Texts().join(" | ")));
    }
    const Clock::time_point result = *boxes.When(kResultText);
    // The result's log line and its box come in the same step on the console's thread.
    const Clock::time_point arrived = log.When(kResultText).value_or(result);
    arrivedMs = MsBetween(*confirmed, arrived);
    shownAfterMs = std::max(0.0, MsBetween(arrived, result));
    return MsBetween(*confirmed, result);
}

int SessionBench::Run() {
    console.show();
    // The start-up search begins after the first paint.
    bench::RunEventsUntil(
        [&] { return console.IsIdle() && console.HubListView()->topLevelItemCount() > 0; },
        kWaitMs);
    QTreeWidget* list = console.HubListView();
    if (list->topLevelItemCount() != 1) {
        Print("the site must have exactly one hub; the search listed %d\n",
              list->topLevelItemCount());
        return 2;
    }
    list->setCurrentItem(list->topLevelItem(0));
    console.Console().SyncHubSelection();
    hub = console.IpField(IDC_CONNECT_ADDRESS)->Text();
    // A forced result changes no controller, so every round writes the same number.
    control.Send("result 0");
    Print("Session with hub %s, %d rounds; hub's own delay before the number result: %d ms\n",
          bench::Text(hub).c_str(), options.rounds, options.hubDelayMs);

    const bool connectMet = MeasureConnects();
    const bool numberMet = MeasureNumberWrites();
    Print("\ntarget connect under %.0f ms: %s; result under %.0f ms + the hub's %d ms: %s\n",
          kConnectTargetMs, connectMet ? "met" : "MISSED", kResultTargetMs, options.hubDelayMs,
          numberMet ? "met" : "MISSED");
    return connectMet && numberMet ? 0 : 1;
}

bool SessionBench::MeasureConnects() {
    Print("\nconnect     fields  probe+open  ARP lookup  hub reply   idle      | "
          "probe alone\n");
    bench::Samples total[2], probe, lookup;
    for (int r = 1; r <= options.rounds; ++r) {
        for (const bool cold : {true, false}) {
            if (cold) {
                ForgetNeighbours();
            }
            const double probeMs = ProbeAloneMs(hub);
            if (cold) {
                ForgetNeighbours();
            }
            const ConnectTimes times = Connect();
            Disconnect();
            Print("%d %-5s %6.1f ms  %6.1f ms  %6.1f ms  %6.1f ms  %6.1f ms | %6.1f ms\n", r,
                  cold ? "cold" : "warm", times.totalMs, times.probeAndOpenMs, times.lookupMs,
                  times.replyMs, times.idleMs, probeMs);
            total[cold ? 0 : 1].Add(times.totalMs);
            probe.Add(probeMs);
            lookup.Add(times.lookupMs);
        }
    }
    Print("\n\"Установить соединение\" to the three IP fields filled\n");
    Print("  ARP entry forgotten: %s\n", total[0].Summary().c_str());
    Print("  ARP entry known:     %s\n", total[1].Summary().c_str());
    const double median = std::max(total[0].Median(), total[1].Median());
    Print("  echo probe %s (%.0f %% of the slower median)\n", probe.Summary().c_str(),
          100 * probe.Median() / median);
    Print("  ARP lookup %s (%.0f %%)\n", lookup.Summary().c_str(), 100 * lookup.Median() / median);
    return total[0].Max() < kConnectTargetMs && total[1].Max() < kConnectTargetMs;
}

bool SessionBench::MeasureNumberWrites() {
    Connect();
    if (options.hubDelayMs > 0) {
        control.Send("answer-delay " + std::to_string(options.hubDelayMs));
        control.Send("fault slow on");
    }
    Print("\n\"Записать\"  total      result in  then shown\n");
    bench::Samples number;
    for (int r = 1; r <= options.rounds; ++r) {
        double arrivedMs = 0, shownAfterMs = 0;
        const double total = WriteNumber(arrivedMs, shownAfterMs);
        Print("%d       %7.1f ms  %6.1f ms  %6.1f ms\n", r, total, arrivedMs, shownAfterMs);
        number.Add(total);
    }
    Disconnect();
    control.Send("fault slow off");
    Print("\n\"Записать\" confirmed to the result shown: %s\n", number.Summary().c_str());
    return number.Max() < kResultTargetMs + options.hubDelayMs;
}

} // namespace

int RunSessionBench(const SessionBenchOptions& options) {
    return bench::RunBenchmark<SessionBench>("session", options);
}
