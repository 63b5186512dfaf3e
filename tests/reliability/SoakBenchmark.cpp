// The full soak, run by hand: kestrune_soak [CYCLES [WRITES]] (default 1000 and 100).
// It builds its own test site (root), runs the window offscreen in the site's PC
// namespace and prints the figures; the exit code is 0 when every limit held.
#include "gui/ConsoleWindow.h"
#include "tests/common/ConsoleWaits.h"
#include "tests/common/MessageBoxScript.h"
#include "tests/reliability/SoakRun.h"
#include "tests/support/ConsoleDriver.h"
#include "tests/support/Netns.h"
#include "tests/support/TestSite.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <sched.h>

int main(int argc, char** argv) {
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int writes = argc > 2 ? std::atoi(argv[2]) : 100;
    std::string whyNot;
    if (!TestSite::Available(&whyNot) || ::unshare(CLONE_NEWNET) != 0) {
        std::fprintf(stderr, "kestrune_soak: %s\n", whyNot.empty() ? "needs root" : whyNot.c_str());
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    TestSite site(TestSiteOptions{.prefix = "kr9", .subnet = 59, .hubs = 1});
    if (!site.ok()) {
        std::fprintf(stderr, "kestrune_soak: %s\n", site.whyNot().c_str());
        return 2;
    }
    SoakFigures figures;
    {
        kntest::NetnsScope pc(site.PcNamespace());
        MessageBoxScript boxes;
        CConsoleWindow console(false);
        console.show();
        WaitUntilIdle(console); // the start-up search runs after the first paint
        SoakRun run(console, [&site](const QString& address) {
            const std::string wanted = "ip=" + address.toStdString() + " ";
            return console_driver::WaitUntil(
                [&] { return site.Control(1, "status").find(wanted) != std::string::npos; }, 5000);
        });
        figures =
            run.Run(QString::fromStdString(site.HubAddress(1)), QStringLiteral("198.18.59.99"),
                    SoakPlan{.cycles = cycles, .writes = writes});
        if (!boxes.boxes().empty()) {
            figures.failure += " boxes: " + boxes.Texts().join('|').toStdString();
        }
    }
    std::printf("%s", Describe(figures).c_str());
    const bool held =
        figures.failure.empty() && figures.worstDescriptorDrift == 0 &&
        figures.worstThreadDrift == 0 &&
        (!kResidentMemoryTells || figures.end.residentKiB - figures.start.residentKiB < 1024);
    std::printf("%s\n", held ? "every limit held" : "a limit was broken");
    return held ? 0 : 1;
}
