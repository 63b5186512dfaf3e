#include "tests/reliability/SoakRun.h"

#include "gui/ConsoleWindow.h"
#include "gui/EventLog.h"
#include "gui/IpAddressEdit.h"
#include "resources/ConsoleTemplate.h"
#include "tests/common/ConsoleWaits.h"
#include "tests/support/ConsoleDriver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <sstream>

namespace {

constexpr int kAnswerTimeoutMs = 5000;

// A click, and then what the event loop does until the action is over (the connect, the
// apply pause): whatever was posted meanwhile (a drop the watcher saw) is handled before
// the technician's next action is.
void Click(CConsoleWindow& console, QPushButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
    WaitUntilIdle(console);
    QCoreApplication::processEvents();
}

} // namespace

bool SoakRun::ConnectReady(const QString& hub, std::string& failure) {
    // Typed only when it changes, as a technician would: each keystroke stays in the
    // field's undo history, which would count as growth here.
    if (console.IpField(IDC_CONNECT_ADDRESS)->Text() != hub) {
        console_driver::TypeHubAddress(console, hub);
    }
    Click(console, console.Button(IDC_CONNECT));
    if (!console_driver::WaitUntil([this] { return console_driver::Ready(console); },
                                   kAnswerTimeoutMs)) {
        failure =
            "no session with " + hub.toStdString() + ":\n" + console.Log()->Text().toStdString();
        return false;
    }
    return true;
}

bool SoakRun::Cycle(const QString& hub, std::string& failure) {
    if (!ConnectReady(hub, failure)) {
        return false;
    }
    Click(console, console.Button(IDC_DISCONNECT));
    if (!console_driver::Idle(console)) {
        failure = "not idle after the disconnect";
        return false;
    }
    Click(console, console.Button(IDC_CLEAR_LOG));
    return true;
}

bool SoakRun::Write(const QString& from, const QString& to, std::string& failure) {
    if (!ConnectReady(from, failure)) {
        return false;
    }
    console_driver::TypeLastPart(console, IDC_HUB_IP_ADDRESS, to.section(QLatin1Char('.'), 3));
    // Writes, pauses a second and ends the session.
    Click(console, console.Button(IDC_APPLY_PARAMETERS));
    if (!console_driver::Idle(console)) {
        failure = "the write did not end the session:\n" + console.Log()->Text().toStdString();
        return false;
    }
    if (!hubAt(to)) {
        failure = "the hub did not move to " + to.toStdString();
        return false;
    }
    Click(console, console.Button(IDC_CLEAR_LOG));
    return true;
}

void SoakRun::Check(SoakFigures& figures) const {
    const ProcessFigures now = MeasureProcess();
    figures.worstDescriptorDrift = std::max(figures.worstDescriptorDrift,
                                            std::abs(now.descriptors - figures.start.descriptors));
    figures.worstThreadDrift =
        std::max(figures.worstThreadDrift, std::abs(now.threads - figures.start.threads));
}

SoakFigures SoakRun::Run(const QString& home, const QString& away, const SoakPlan& plan) {
    SoakFigures figures;
    for (int i = 0; i < plan.warmUpCycles; ++i) {
        if (!Cycle(home, figures.failure)) {
            return figures;
        }
    }
    figures.start = MeasureProcess();

    QElapsedTimer timer;
    timer.start();
    for (; figures.cyclesDone < plan.cycles; ++figures.cyclesDone) {
        if (!Cycle(home, figures.failure)) {
            return figures;
        }
        Check(figures);
    }
    figures.msPerCycle = plan.cycles > 0 ? double(timer.elapsed()) / plan.cycles : 0;

    timer.restart();
    QString at = home;
    for (; figures.writesDone < plan.writes; ++figures.writesDone) {
        const QString to = at == home ? away : home;
        if (!Write(at, to, figures.failure)) {
            return figures;
        }
        at = to;
        Check(figures);
    }
    figures.msPerWrite = plan.writes > 0 ? double(timer.elapsed()) / plan.writes : 0;
    // Home again, so that the next run finds the hub where it started.
    if (at != home && !Write(at, home, figures.failure)) {
        return figures;
    }
    figures.end = MeasureProcess();
    return figures;
}

std::string Describe(const SoakFigures& figures) {
    std::ostringstream text;
    text << "cycles " << figures.cyclesDone << " (" << figures.msPerCycle << " ms each), writes "
         << figures.writesDone << " (" << figures.msPerWrite << " ms each)\n"
         << "descriptors " << figures.start.descriptors << " -> " << figures.end.descriptors
         << ", worst drift after a cycle " << figures.worstDescriptorDrift << "\n"
         << "threads " << figures.start.threads << " -> " << figures.end.threads
         << ", worst drift after a cycle " << figures.worstThreadDrift << "\n"
         << "resident " << figures.start.residentKiB << " KiB -> " << figures.end.residentKiB
         << " KiB (" << (figures.end.residentKiB - figures.start.residentKiB) << " KiB)\n"
         << "heap in use " << figures.start.heapInUseKiB << " KiB -> " << figures.end.heapInUseKiB
         << " KiB (" << (figures.end.heapInUseKiB - figures.start.heapInUseKiB) << " KiB)\n";
    if (!figures.failure.empty()) {
        text << "failed: " << figures.failure << "\n";
    }
    return text.str();
}
