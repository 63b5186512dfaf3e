// kestrunectl against simulated hubs on a test site, run from the PC's namespace as a
// technician runs it from the laptop.
#include "cli/HubArgument.h"
#include "tests/cli/RunTool.h"
#include "tests/support/SiteTest.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>

namespace {

using nlohmann::json;

// Hub 2 has an old firmware, hub 3 a second controller with its programming jumper on.
class Kestrunectl : public SiteSuite<Kestrunectl> {
public:
    static TestSiteOptions SiteOptions() {
        return {.prefix = "kc1",
                .subnet = 100,
                .hubs = 4,
                .perHubArgs = {{2, "--firmware 0.98"}, {3, "--controller 2 present --jumper 2 on"}}};
    }

protected:
    ToolRun Run(std::vector<std::string> arguments) {
        ToolRun run = RunTool(arguments);
        if (HasFailure())
            std::cerr << run.err;
        return run;
    }
    json Discovered() {
        const ToolRun run = Run({"discover", "--json"});
        EXPECT_EQ(run.code, 0) << run.err;
        return run.code == 0 ? json::parse(run.out) : json::array();
    }
    // What hub i's simulator says of itself: "ip=... mask=... c2=present,up,id2 ...".
    std::string Status(int i) { return site->Control(i, "status"); }
    std::string Requests(int i) {
        const std::string status = Status(i);
        const auto at = status.find(" requests=");
        return status.substr(at, status.find(' ', at + 1) - at);
    }
    // A hub's address, "198.18.100.5x", that no hub has.
    static std::string Free(int i) { return "198.18.100." + std::to_string(50 + i); }
};

TEST_F(Kestrunectl, DiscoverFindsEveryHubInEachReplyMode) {
    for (const char* mode : {"unicast", "subnet", "broadcast"}) {
        for (int i = 1; i <= 4; ++i)
            Tell(i, std::string("reply ") + mode);
        const json hubs = Discovered();
        ASSERT_EQ(hubs.size(), 4u) << mode;
        for (int i = 1; i <= 4; ++i) {
            EXPECT_EQ(hubs[i - 1]["ip"], site->HubAddress(i)) << mode;
            EXPECT_EQ(PhysicalAddressKey(hubs[i - 1]["mac"]), PhysicalAddressKey(site->HubMac(i)));
            EXPECT_FALSE(hubs[i - 1].contains("conflict")) << hubs[i - 1];
        }
    }
    EXPECT_NE(Discovered()[1]["model"].get<std::string>().find("0.98"), std::string::npos);
}

TEST_F(Kestrunectl, DiscoverMarksTwoHubsThatClaimOnePhysicalAddress) {
    Tell(4, "phys " + site->HubMac(1));
    const json hubs = Discovered();
    ASSERT_EQ(hubs.size(), 4u);
    EXPECT_TRUE(hubs[0].contains("conflict"));
    EXPECT_TRUE(hubs[3].contains("conflict"));
    EXPECT_FALSE(hubs[1].contains("conflict"));

    // Such a physical address names no one hub.
    const ToolRun show = Run({"show", site->HubMac(1)});
    EXPECT_EQ(show.code, 1);
    EXPECT_NE(show.err.find("several addresses"), std::string::npos) << show.err;
}

TEST_F(Kestrunectl, ShowPrintsTheSessionsFirstStatusAndParameters) {
    Tell(3, "link 2 up");
    const ToolRun run = Run({"show", site->HubMac(3), "--json"});
    ASSERT_EQ(run.code, 0) << run.err;
    const json hub = json::parse(run.out);
    EXPECT_EQ(hub["ip"], site->HubAddress(3));
    EXPECT_EQ(PhysicalAddressKey(hub["mac"]), PhysicalAddressKey(site->HubMac(3)));
    EXPECT_EQ(hub["controllers_on_link"], json::array({1, 2}));
    EXPECT_NE(Status(3).find("ip=" + hub["address"].get<std::string>() + " mask=" +
                             hub["mask"].get<std::string>() + " gw=" + hub["gateway"].get<std::string>()),
              std::string::npos);
    EXPECT_NE(Status(3).find("session=none"), std::string::npos); // closed again
}

TEST_F(Kestrunectl, SetIpMovesTheHubAndVerifiesIt) {
    const ToolRun run = Run({"set-ip", site->HubAddress(4), "--ip", Free(4), "--gateway", "198.18.100.2", "--yes"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("verified"), std::string::npos) << run.out;
    EXPECT_NE(Status(4).find("ip=" + Free(4) + " mask=255.255.255.0 gw=198.18.100.2"), std::string::npos)
        << Status(4);

    // A hub that takes the parameters and stays where it was is not verified.
    Tell(2, "fault no-move on");
    const ToolRun stays = Run({"set-ip", site->HubAddress(2), "--ip", Free(2), "--yes"});
    EXPECT_EQ(stays.code, 1);
    EXPECT_NE(stays.err.find("not verified"), std::string::npos) << stays.err;
}

TEST_F(Kestrunectl, SetIpAsksAtATerminalAndSendsNothingWithoutYes) {
    ToolSetting terminal;
    terminal.terminal = true;
    terminal.input = "n\n";
    const std::string before = Requests(1);
    const ToolRun declined = RunTool({"set-ip", site->HubAddress(1), "--ip", Free(1)}, terminal);
    EXPECT_EQ(declined.code, 1);
    EXPECT_NE(declined.err.find("[y/N]"), std::string::npos) << declined.err;
    EXPECT_NE(Status(1).find("ip=" + site->HubAddress(1)), std::string::npos);
    // The session read the parameters, and that was all.
    EXPECT_NE(Requests(1), before);
    const std::string afterQuestion = Requests(1);

    const ToolRun piped = Run({"set-ip", site->HubAddress(1), "--ip", Free(1)});
    EXPECT_EQ(piped.code, 2);
    EXPECT_EQ(Requests(1), afterQuestion);
}

TEST_F(Kestrunectl, SetIdPrintsEachResultOfTheHub) {
    // The jumper is on controller 2 of hub 3: the number is set.
    const ToolRun set = Run({"set-id", site->HubAddress(3), "--controller", "2", "--jumper-fitted"});
    EXPECT_EQ(set.code, 0) << set.err;
    EXPECT_FALSE(set.out.empty());
    // No jumper on hub 1, then each result the hub may force: each its own text, none set.
    std::set<std::string> texts = {set.out};
    for (const char* result : {"auto", "1", "2", "7"}) {
        Tell(1, std::string("result ") + result);
        const ToolRun refused = Run({"set-id", site->HubAddress(1), "--controller", "3", "--jumper-fitted"});
        EXPECT_EQ(refused.code, 1) << result << refused.err;
        EXPECT_FALSE(refused.out.empty()) << result;
        texts.insert(refused.out);
    }
    EXPECT_EQ(texts.size(), 4u); // "auto" here is result 2 again
}

TEST_F(Kestrunectl, SetIdWithoutAnAnswerAndWithAnOldFirmware) {
    Tell(1, "fault no-answer on");
    const ToolRun silent = Run({"set-id", site->HubAddress(1), "--controller", "3", "--jumper-fitted"});
    EXPECT_EQ(silent.code, 1);
    EXPECT_TRUE(silent.out.empty());
    EXPECT_NE(silent.err.find("no result"), std::string::npos) << silent.err;

    const auto asked = [&] { return site->HubLog(2).find("controller number") != std::string::npos; };
    const ToolRun old = Run({"set-id", site->HubAddress(2), "--controller", "3", "--jumper-fitted"});
    EXPECT_EQ(old.code, 1);
    EXPECT_NE(old.err.find("--old-firmware-ok"), std::string::npos) << old.err;
    EXPECT_FALSE(asked());
    const ToolRun anyway =
        Run({"set-id", site->HubAddress(2), "--controller", "3", "--jumper-fitted", "--old-firmware-ok"});
    EXPECT_EQ(anyway.code, 1); // no jumper on hub 2
    EXPECT_FALSE(anyway.out.empty());
    EXPECT_TRUE(asked());
}

TEST_F(Kestrunectl, ApplyCarriesOutAPlanAndReportsEachLine) {
    Tell(2, "fault no-move on");
    const std::string path = testing::TempDir() + "kc1-plan.csv";
    std::ofstream(path) << "mac;ip\n"
                        << site->HubMac(1) << ";" << site->HubAddress(1) << "\n" // at its target
                        << site->HubMac(2) << ";" << Free(2) << "\n"             // does not move
                        << "02:00:5e:12:64:99;" << Free(9) << "\n"               // not on the site
                        << site->HubMac(4) << ";" << Free(4) << "\n";            // moves

    const ToolRun dry = Run({"apply", path, "--dry-run", "--json"});
    EXPECT_EQ(dry.code, 3);
    EXPECT_NE(Status(4).find("ip=" + site->HubAddress(4)), std::string::npos);

    const ToolRun run = Run({"apply", path, "--json"});
    std::remove(path.c_str());
    EXPECT_EQ(run.code, 3) << run.err;
    const json rows = json::parse(run.out);
    ASSERT_EQ(rows.size(), 4u);
    const auto expect = [&](int row, const char* result, const std::string& old) {
        EXPECT_EQ(rows[row]["result"], result) << rows[row];
        EXPECT_EQ(rows[row]["old_address"], old) << rows[row];
        EXPECT_EQ(rows[row]["line"], row + 2);
    };
    expect(0, "unchanged", site->HubAddress(1));
    expect(1, "failed", site->HubAddress(2));
    expect(2, "missing", "");
    expect(3, "changed", site->HubAddress(4));
    EXPECT_NE(Status(4).find("ip=" + Free(4)), std::string::npos);
    EXPECT_EQ(json::parse(dry.out)[1]["result"], "to change");
}

// A script that kills apply half-way still has the rows of the hubs done so far.
TEST_F(Kestrunectl, ApplyWritesEachRowAsSoonAsItsHubIsDone) {
    const std::string path = testing::TempDir() + "kc1-rows.csv";
    std::ofstream(path) << "mac,ip\n"
                        << site->HubMac(1) << "," << Free(1) << "\n"
                        << site->HubMac(2) << "," << Free(2) << "\n";
    ToolSetting setting;
    std::string hub2WhenRow1Came;
    setting.outFlushed = [&](const std::string& out) {
        if (hub2WhenRow1Came.empty() && out.find('\n') != std::string::npos)
            hub2WhenRow1Came = Status(2);
    };
    const ToolRun run = RunTool({"apply", path, "--json-lines"}, setting);
    std::remove(path.c_str());
    ASSERT_EQ(run.code, 0) << run.err;
    const std::string first = run.out.substr(0, run.out.find('\n'));
    EXPECT_EQ(json::parse(first)["result"], "changed") << run.out;
    EXPECT_EQ(json::parse(run.out.substr(first.size() + 1))["new_address"], Free(2));
    // Hub 2 was still where it was, and no session with it was open.
    EXPECT_NE(hub2WhenRow1Came.find("ip=" + site->HubAddress(2)), std::string::npos)
        << hub2WhenRow1Came;
    EXPECT_NE(hub2WhenRow1Came.find("session=none"), std::string::npos) << hub2WhenRow1Came;
}

// A gateway outside the new subnet is set only with --yes, also where the mask is the
// hub's own, which only the session reads.
TEST_F(Kestrunectl, ApplySetsAForeignGatewayOnlyWithYes) {
    const std::string path = testing::TempDir() + "kc1-gateway.csv";
    std::ofstream(path) << "mac,ip,mask,gateway\n"
                        << site->HubMac(1) << "," << Free(1) << ",,198.18.7.1\n";
    const ToolRun refused = Run({"apply", path, "--json"});
    EXPECT_EQ(refused.code, 1) << refused.err;
    const json row = json::parse(refused.out)[0];
    EXPECT_EQ(row["result"], "failed");
    EXPECT_NE(row["reason"].get<std::string>().find("--yes"), std::string::npos) << row;
    EXPECT_NE(Status(1).find("ip=" + site->HubAddress(1)), std::string::npos);

    const ToolRun confirmed = Run({"apply", path, "--json", "--yes"});
    std::remove(path.c_str());
    EXPECT_EQ(confirmed.code, 0) << confirmed.out << confirmed.err;
    EXPECT_NE(Status(1).find("ip=" + Free(1) + " mask=255.255.255.0 gw=198.18.7.1"),
              std::string::npos)
        << Status(1);
}

} // namespace
