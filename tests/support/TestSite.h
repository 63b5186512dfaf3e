#pragma once

#include <map>
#include <string>
#include <vector>

// A network test site for integration tests: the technician's PC and a few hubs, each
// hub a hubsim in a network namespace of its own, joined by a bridge. Built by
// tools/testsite.sh in the constructor and torn down in the destructor. Needs root.
//
//   #include "tests/support/Netns.h"
//   #include "tests/support/TestSite.h"
//
//   TEST(Discovery, FindsBothHubs) {
//       std::string whyNot;
//       if (!TestSite::Available(&whyNot)) {
//           GTEST_SKIP() << whyNot;
//       }
//       TestSite site({.prefix = "kd", .hubs = 2, .perHubArgs = {{2, "--firmware 0.98"}}});
//       ASSERT_TRUE(site.ok()) << site.whyNot();
//       kntest::NetnsScope pc(site.PcNamespace()); // sockets made from here on are the PC's
//       ASSERT_TRUE(pc.ok()) << pc.whyNot();
//       ... search from site.PcAddress() (198.18.0.1), expect site.HubAddress(1), (2) ...
//       EXPECT_EQ(site.Control(2, "link 2 up"), "ok");
//   }
//
// Give every test binary its own prefix: two sites with one prefix cannot coexist, and
// a site left behind by a crashed run of the same test is cleared before the new one.
struct TestSiteOptions {
    std::string prefix{};                    // 1 to 4 letters or digits
    int subnet = 0;                          // the site is 198.18.<subnet>.0/24
    int hubs = 1;                            // hub i (1-based) is 198.18.<subnet>.<10 + i>
    bool pcNamespace = true;                 // false: the PC's veth stays in the calling namespace
    std::string hubArgs{};                   // hubsim arguments for every hub (shell words)
    std::map<int, std::string> perHubArgs{}; // and for hub i, after hubArgs
    int sharing = 0; // hubs 1 to sharing all answer from hub 1's address (HubAddress says)
};

class TestSite {
public:
    explicit TestSite(TestSiteOptions options);
    ~TestSite();
    TestSite(const TestSite&) = delete;
    TestSite& operator=(const TestSite&) = delete;

    bool ok() const { return built; }
    const std::string& whyNot() const { return reason; }

    std::string PcAddress() const { return pcAddress; }
    // "P-pc" with the PC in a namespace, empty with the PC on the calling side.
    std::string PcNamespace() const { return pcNamespace; }
    std::string PcInterface() const { return options.prefix + "-pc0"; }
    int HubCount() const { return static_cast<int>(hubs.size()); }
    std::string HubAddress(int i) const;
    std::string HubMac(int i) const; // "02:00:5e:12:00:0b"
    std::string HubNamespace(int i) const;
    std::string HubLog(int i) const; // what hub i's hubsim printed so far

    // One control command to hub i's hubsim ("link 2 up", "fault split on", "status"):
    // its answer line, "ok ..." or "error ...".
    std::string Control(int i, const std::string& command) const;

    // Root, the ip command and a built hubsim; otherwise false with the reason.
    static bool Available(std::string* whyNot);
    static std::string ScriptPath();
    static std::string HubsimPath();

private:
    struct Hub {
        std::string address;
        std::string nameSpace;
        std::string mac;
    };
    const Hub* FindHub(int i) const;

    TestSiteOptions options;
    bool attempted = false; // up was run, so down is owed
    bool built = false;
    std::string reason;
    std::string pcAddress;
    std::string pcNamespace;
    std::vector<Hub> hubs;
};

// Runs argv (no shell) and waits for it; returns its exit code (-1 when it could not be
// started or was killed), its stdout and stderr together in *output when not null.
int RunCommand(const std::vector<std::string>& argv, std::string* output = nullptr);
