// kestrunectl without a network: the output's forms, the adapter choice, and the inputs it
// refuses before it sends anything.
#include "cli/HubArgument.h"
#include "cli/Report.h"
#include "hubsession/ControllerNumber.h"
#include "tests/adapters/FakeAdapterSource.h"
#include "tests/cli/RunTool.h"
#include "tests/support/FakeDiscoverySocket.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

// A PC with these adapter entries on 198.18.0.0/15, whose searches go to a fake socket
// on which the replies arrive (nobody answers when there are none); socketsMade counts the
// searches.
struct FakePc {
    std::shared_ptr<FakeAdapterSource> adapters = std::make_shared<FakeAdapterSource>();
    std::deque<FakeDiscoverySocket::Incoming> replies;
    std::shared_ptr<int> socketsMade = std::make_shared<int>(0);
    std::shared_ptr<std::vector<std::string>> calls = std::make_shared<std::vector<std::string>>();

    explicit FakePc(int entries) {
        for (int i = 0; i < entries; ++i) {
            const auto subnet = static_cast<std::uint8_t>(100 + i);
            adapters->adapters.push_back(FakeAdapterSource::Adapter(
                platform::kIfTypeEthernet, "Test adapter", "kc" + std::to_string(i), {{198, 18, subnet, 1}},
                {0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(i)}));
            adapters->rows.push_back(FakeAdapterSource::Row({198, 18, subnet, 1},
                                                            static_cast<std::uint32_t>(i + 2),
                                                            {255, 255, 255, 0}));
        }
    }
    ToolSetting Setting() const {
        ToolSetting setting;
        setting.services.adapters = adapters;
        setting.services.discoverySocket = [made = socketsMade, calls = calls, replies = replies] {
            ++*made;
            auto socket = std::make_unique<FakeDiscoverySocket>();
            socket->incoming = replies;
            calls->push_back("socket");
            return socket;
        };
        return setting;
    }
};

// A plan file in the test's temporary directory, removed when done.
struct PlanFile {
    std::string path;
    PlanFile(const std::string& name, const std::string& content)
        : path(testing::TempDir() + name) {
        std::ofstream(path) << content;
    }
    ~PlanFile() { std::remove(path.c_str()); }
};

HubList ThreeReplies() {
    HubList hubs;
    hubs.hubAddresses = {"198.18.100.12", "198.18.100.9", "198.18.100.100", "198.18.100.12"};
    hubs.hubPhysicalAddresses = {"02-00-5E-12-00-0C", "02-00-5E-12-00-09", "02-00-5E-12-00-64",
                                 "02-00-5E-12-00-99"};
    hubs.hubModelTexts = {"IPH-4 2.05", "IPH-4 0.98, \"старая\"", "IPH-4 2.05", "IPH-4 2.05"};
    return hubs;
}

} // namespace

TEST(DiscoverOutput, SortsByAddressAsANumberAndMarksOnlyTheConflictingRows) {
    const auto hubs = FoundHubs(ThreeReplies(), "198.18.100.1", "255.255.255.0");
    ASSERT_EQ(hubs.size(), 4u);
    EXPECT_EQ(hubs[0].ip, "198.18.100.9");
    EXPECT_EQ(hubs[1].ip, "198.18.100.12");
    EXPECT_EQ(hubs[2].ip, "198.18.100.12");
    EXPECT_EQ(hubs[3].ip, "198.18.100.100");

    // JSON and CSV carry the same fields, the model whole, and the conflict only where
    // the address answered with two physical addresses.
    const auto json = nlohmann::json::parse(HubsJson(hubs));
    ASSERT_EQ(json.size(), 4u);
    EXPECT_EQ(json[0]["model"], "IPH-4 0.98, \"старая\"");
    EXPECT_FALSE(json[0].contains("conflict"));
    EXPECT_NE(json[1]["conflict"].get<std::string>().find("02-00-5E-12-00-99"), std::string::npos);
    EXPECT_NE(json[2]["conflict"].get<std::string>().find("02-00-5E-12-00-0C"), std::string::npos);
    EXPECT_FALSE(json[3].contains("conflict"));

    const std::string csv = HubsCsv(hubs);
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "ip,mac,model,adapter,conflict");
    EXPECT_NE(csv.find("\"IPH-4 0.98, \"\"старая\"\"\""), std::string::npos) << csv;
}

TEST(DiscoverOutput, AHubsTextReachesNeitherTheTerminalNorASpreadsheetAsItCame) {
    FakePc pc(1);
    pc.replies.push_back(
        {"=HYPERLINK(\"http://x\")\nforged,line\x1b[2J\r\n02-00-5E-12-00-07\r\n", {198, 18, 100, 7}});
    for (const bool csv : {true, false}) {
        const ToolRun run = RunTool(csv ? std::vector<std::string>{"discover", "--csv", "-v"}
                                        : std::vector<std::string>{"discover", "-v"},
                                    pc.Setting());
        ASSERT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << run.out;
        EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 2) << run.out;
        EXPECT_NE(run.out.find("\u240aforged"), std::string::npos) << run.out;
    }
    EXPECT_NE(RunTool({"discover", "--csv"}, pc.Setting()).out.find("\"'=HYPERLINK("),
              std::string::npos);
}

TEST(DiscoverOutput, AFloodFromOneHostIsListedUpToTheCapAndCounted) {
    FakePc pc(1);
    for (int i = 0; i < 10000; ++i)
        pc.replies.push_back(
            {"IPH-4 2.05\r\n02-CC-00-00-" + std::to_string(10000 + i) + "\r\n", {198, 18, 100, 7}});
    const ToolRun run = RunTool({"discover", "-v"}, pc.Setting());
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1 + 4096);
    EXPECT_NE(run.out.find("02-CC-00-00-10008 and 4087 more"), std::string::npos);
    EXPECT_NE(run.err.find("не учтено ответов: 5904"), std::string::npos);
}

TEST(AdapterChoice, SeveralEntriesNeedTheAdapterNamedByInterfaceOrAddress) {
    const FakePc pc(2);
    const ToolRun unnamed = RunTool({"discover"}, pc.Setting());
    EXPECT_EQ(unnamed.code, 2);
    EXPECT_NE(unnamed.err.find("kc0  198.18.100.1/255.255.255.0"), std::string::npos) << unnamed.err;
    EXPECT_NE(unnamed.err.find("kc1  198.18.101.1/255.255.255.0"), std::string::npos) << unnamed.err;
    EXPECT_EQ(*pc.socketsMade, 0);

    EXPECT_EQ(RunTool({"discover", "--adapter", "kc9"}, pc.Setting()).code, 2);
    EXPECT_EQ(*pc.socketsMade, 0);

    // Named, the entry is searched; nobody answers here.
    for (const char* name : {"kc1", "198.18.101.1"}) {
        const ToolRun named = RunTool({"discover", "--adapter", name, "--wait", "10"}, pc.Setting());
        EXPECT_EQ(named.code, 1) << named.err;
        EXPECT_NE(named.err.find("198.18.101.1/255.255.255.0"), std::string::npos) << named.err;
    }
    EXPECT_EQ(*pc.socketsMade, 2);
}

TEST(AdapterChoice, AdaptersListsTheUsableEntries) {
    const FakePc pc(2);
    const ToolRun run = RunTool({"adapters", "--json"}, pc.Setting());
    EXPECT_EQ(run.code, 0);
    const auto json = nlohmann::json::parse(run.out);
    ASSERT_EQ(json.size(), 2u);
    EXPECT_EQ(json[1]["interface"], "kc1");
    EXPECT_EQ(json[1]["address"], "198.18.101.1");
    EXPECT_EQ(json[1]["mask"], "255.255.255.0");
    EXPECT_EQ(RunTool({"adapters"}, FakePc(0).Setting()).code, 1);
}

// Refused inputs are refused before anything is sent: no search starts.
TEST(Refusals, BadInputAndAMissingConfirmationSendNothing) {
    const FakePc pc(1);
    const auto expectRefused = [&](const std::vector<std::string>& arguments, const std::string& words) {
        const ToolRun run = RunTool(arguments, pc.Setting());
        EXPECT_EQ(run.code, 2) << run.err;
        EXPECT_NE(run.err.find(words), std::string::npos) << run.err;
    };
    // Each of the hub's six rules, in its own words.
    const std::vector<std::array<std::string, 3>> broken = {
        {"198.18..31", "255.255.255.0", ""},          {"0.18.100.31", "255.255.255.0", ""},
        {"198.18.100.255", "255.255.255.0", ""},      {"198.18.100.31", "255.255..0", ""},
        {"198.18.100.31", "255.255.255.0", "198.18.100."}, {"198.18.100.31", "255.255.255.0", "255.18.100.1"}};
    for (const auto& [address, mask, gateway] : broken) {
        const std::string rule = *CheckHubParameters(*ParseAddressParts(address), *ParseAddressParts(mask),
                                                     *ParseAddressParts(gateway.empty() ? "..." : gateway));
        std::vector<std::string> arguments = {"set-ip", "198.18.100.11", "--yes", "--ip", address, "--mask", mask};
        if (!gateway.empty())
            arguments.insert(arguments.end(), {"--gateway", gateway});
        expectRefused(arguments, rule);
    }
    expectRefused({"set-ip", "198.18.100.11", "--ip", "198.18.100.31"}, "--yes");
    expectRefused({"set-ip", "198.18.100.11", "--yes", "--ip", "198.18.100.310"}, "--ip");
    expectRefused({"show", "198.18.100"}, "HUB");
    expectRefused({"set-id", "198.18.100.11", "--controller", "2"}, "--jumper-fitted");
    expectRefused({"set-id", "198.18.100.11", "--controller", "5", "--jumper-fitted"},
                  *CheckControllerNumber(5, {}));
    expectRefused({"apply", "/nonexistent/plan.csv"}, "/nonexistent/plan.csv");
    expectRefused({"discover", "--json", "--csv"}, "--csv");
    EXPECT_EQ(*pc.socketsMade, 0);
}

// What can never work on a LAN is refused as the six rules are, before a search; the
// adapter's own address as soon as the adapter is chosen. A gateway outside the new
// subnet needs --yes.
TEST(Refusals, ParametersThatCanNeverWorkAndAForeignGatewayWithoutYes) {
    const FakePc pc(1); // 198.18.100.1/24
    const auto run = [&](const std::vector<std::string>& arguments) {
        return RunTool(arguments, pc.Setting());
    };
    const auto expectRefused = [](const ToolRun& refused, const std::string& words) {
        EXPECT_EQ(refused.code, 2) << refused.err;
        EXPECT_NE(refused.err.find(words), std::string::npos) << refused.err;
    };
    expectRefused(
        run({"set-ip", "198.18.100.11", "--yes", "--ip", "198.18.100.28", "--mask",
             "255.255.255.252"}),
        "the hub refuses these parameters:\nIP адрес хаба не может совпадать с адресом подсети\n");
    expectRefused(run({"set-ip", "198.18.100.11", "--yes", "--ip", "198.18.100.1"}),
                  "IP адрес хаба не может совпадать с адресом сетевого адаптера компьютера");
    const std::vector<std::string> foreignGateway = {
        "set-ip", "198.18.100.11", "--ip",      "198.18.100.31",
        "--mask", "255.255.255.0", "--gateway", "198.18.101.1"};
    expectRefused(run(foreignGateway), "the gateway 198.18.101.1 is outside the hub's new subnet "
                                       "(198.18.100.31 mask 255.255.255.0): give --yes");
    EXPECT_EQ(*pc.socketsMade, 0);
    // With --yes it is searched for (nobody answers here).
    std::vector<std::string> confirmed = foreignGateway;
    confirmed.push_back("--yes");
    EXPECT_EQ(run(confirmed).code, 1);
    EXPECT_EQ(*pc.socketsMade, 1);

    // apply, dry run or not: plan problems, the adapter's address once the adapter is known.
    const PlanFile plan("refusals-plan.csv",
                        "mac,ip,mask,gateway\n"
                        "02-00-5E-12-00-0B,198.18.100.31,1.2.3.4,\n"
                        "02-00-5E-12-00-0C,198.18.100.32,255.255.255.0,198.18.7.1\n");
    const ToolRun dry = run({"apply", plan.path, "--dry-run"});
    expectRefused(dry, plan.path + ":2: the hub refuses these parameters: Неверная маска подсети: "
                                   "единичные биты в ней должны идти подряд\n");
    expectRefused(dry, plan.path + ":3: the gateway 198.18.7.1 is outside");
    const PlanFile adapter("adapter-plan.csv",
                           "mac,ip,mask,gateway\n"
                           "02-00-5E-12-00-0C,198.18.100.32,255.255.255.0,198.18.7.1\n"
                           "02-00-5E-12-00-0B,198.18.100.1,,\n");
    expectRefused(run({"apply", adapter.path, "--dry-run", "--yes"}),
                  adapter.path +
                      ":3: the hub refuses these parameters: IP адрес хаба не может совпадать "
                      "с адресом сетевого адаптера компьютера\n");
    EXPECT_EQ(*pc.socketsMade, 1);
}

// Each form of apply's report goes out a row at a time, flushed as its hub is done.
TEST(ApplyOutput, EachRowIsFlushedAsItsHubIsDone) {
    const FakePc pc(1); // nobody answers: both hubs are missing
    const PlanFile plan("output-plan.csv", "mac,ip\n02-00-5E-12-00-0B,198.18.100.31\n"
                                           "02-00-5E-12-00-0C,198.18.100.132\n");
    for (const char* form : {"--csv", "--json-lines", "--table"}) {
        ToolSetting setting = pc.Setting();
        std::vector<std::string> flushes;
        setting.outFlushed = [&](const std::string& out) { flushes.push_back(out); };
        std::vector<std::string> arguments = {"apply", plan.path};
        if (std::string(form) != "--table")
            arguments.push_back(form);
        const ToolRun run = RunTool(arguments, setting);
        EXPECT_EQ(run.code, 1) << run.err;
        std::vector<std::string> lines;
        for (std::size_t at = 0, end; (end = run.out.find('\n', at)) != std::string::npos;
             at = end + 1)
            lines.push_back(run.out.substr(at, end - at));
        ASSERT_EQ(lines.size(), std::string(form) == "--json-lines" ? 2u : 3u) << form << run.out;
        // The output as it stood after each line, every one of them flushed by itself.
        std::string sofar;
        for (const std::string& line : lines) {
            sofar += line + "\n";
            EXPECT_NE(std::find(flushes.begin(), flushes.end(), sofar), flushes.end())
                << form << sofar;
        }
        if (std::string(form) == "--csv") {
            EXPECT_EQ(lines[0], "line,mac,old_address,new_address,result,reason");
            EXPECT_EQ(lines[1],
                      "2,02-00-5E-12-00-0B,,198.18.100.31,missing,did not answer the search");
        } else if (std::string(form) == "--json-lines") {
            EXPECT_EQ(nlohmann::json::parse(lines[1])["new_address"], "198.18.100.132");
            EXPECT_EQ(nlohmann::json::parse(lines[0])["result"], "missing");
        } else {
            // The table's columns line up though its rows went out one by one.
            EXPECT_EQ(lines[0].find("RESULT"), lines[2].find("missing")) << run.out;
            EXPECT_EQ(lines[1].find("missing"), lines[2].find("missing")) << run.out;
        }
    }
}

TEST(Refusals, AtATerminalTheQuestionIsAskedOnlyOnceTheHubIsRead) {
    // The question comes after the session's first answers, so here, with nobody
    // answering the search, no question is asked and the hub is simply not found.
    const FakePc pc(1);
    ToolSetting setting = pc.Setting();
    setting.terminal = true;
    setting.input = "y\n";
    const ToolRun run = RunTool({"set-ip", "02-00-5E-12-00-0B", "--ip", "198.18.100.31"},
                                setting);
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err.find("[y/N]"), std::string::npos) << run.err;
}

TEST(HelpAndVersion, AnswerOnStandardOutput) {
    const ToolRun version = RunTool({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out.rfind("kestrunectl ", 0), 0u) << version.out;
    for (const char* command : {"adapters", "discover", "show", "set-ip", "set-id", "apply"}) {
        const ToolRun help = RunTool({command, "--help"});
        EXPECT_EQ(help.code, 0) << command;
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
    }
    EXPECT_EQ(RunTool({}).code, 2);
    EXPECT_EQ(RunTool({"frobnicate"}).code, 2);
}
