// The console as whoever starts it: offscreen, it connects to the hub address given and
// prints its capabilities, its log, its boxes and whether the session came up. The
// unprivileged tests run it as nobody.
#include "gui/ConsoleWindow.h"
#include "gui/EventLog.h"
#include "resources/ConsoleTemplate.h"
#include "tests/common/ConsoleWaits.h"
#include "tests/common/MessageBoxScript.h"
#include "tests/support/ConsoleDriver.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s HUB-ADDRESS\n", argv[0]);
        return 2;
    }
    // What the kernel says this process may do, before Qt has loaded anything.
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("CapPrm:") || line.starts_with("CapEff:"))
            std::printf("%s\n", line.c_str());
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    MessageBoxScript boxes;
    CConsoleWindow console(false);
    console.show();
    WaitUntilIdle(console); // the start-up search runs after the first paint
    console_driver::TypeHubAddress(console, QString::fromLocal8Bit(argv[1]));
    QTest::mouseClick(console.Button(IDC_CONNECT), Qt::LeftButton);
    WaitUntilIdle(console);
    const bool ready =
        console_driver::WaitUntil([&console] { return console_driver::Ready(console); }, 3000);

    std::printf("uid %u\n%s", static_cast<unsigned>(::getuid()),
                console.Log()->Text().toUtf8().constData());
    for (const QString& text : boxes.Texts()) {
        std::printf("box: %s\n", text.toUtf8().constData());
    }
    std::printf("ready: %s\n", ready ? "yes" : "no");
    return 0;
}
