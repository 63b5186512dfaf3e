// A short soak in the test command: a hundred sessions and a few address writes through
// the window; the full thousand are the kestrune_soak benchmark's.
#include "tests/reliability/SoakRun.h"
#include "tests/support/ConsoleOnSite.h"

namespace {

class Soak : public SiteSuite<Soak, ConsoleOnSite> {
public:
    static TestSiteOptions SiteOptions() { return {.prefix = "kr5", .subnet = 55, .hubs = 1}; }

protected:
    void SetUp() override { OpenConsole(SuiteShared()); }

    bool HubAt(const QString& address) {
        const std::string wanted = "ip=" + address.toStdString() + " ";
        return WaitUntil(
            [&] { return site->Control(1, "status").find(wanted) != std::string::npos; }, 5000);
    }
};

TEST_F(Soak, SessionsAndWritesLeaveNothingBehind) {
    SoakRun run(*console, [this](const QString& address) { return HubAt(address); });
    const SoakFigures figures =
        run.Run(Hub(1), QStringLiteral("198.18.55.99"), SoakPlan{.cycles = 100, .writes = 3});
    std::cout << "[soak]\n" << Describe(figures);
    ASSERT_TRUE(figures.failure.empty()) << figures.failure;
    EXPECT_EQ(figures.cyclesDone, 100);
    EXPECT_EQ(figures.writesDone, 3);
    EXPECT_EQ(figures.worstDescriptorDrift, 0);
    EXPECT_EQ(figures.worstThreadDrift, 0);
    if (kResidentMemoryTells) {
        EXPECT_LT(figures.end.residentKiB - figures.start.residentKiB, 1024);
    }
    EXPECT_TRUE(boxes.boxes().empty()) << boxes.Texts().join('|').toStdString();
}

} // namespace
