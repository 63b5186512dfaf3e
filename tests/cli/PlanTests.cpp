#include "cli/HubArgument.h"
#include "cli/Plan.h"
#include "console/AddressFields.h"

#include <gtest/gtest.h>
#include <set>

namespace {

std::set<int> ProblemLines(const Plan& plan) {
    std::set<int> lines;
    for (const PlanProblem& problem : plan.problems)
        lines.insert(problem.lineNumber);
    return lines;
}

std::string ProblemsAt(const Plan& plan, int line) {
    std::string texts;
    for (const PlanProblem& problem : plan.problems)
        if (problem.lineNumber == line)
            texts += problem.text + "\n";
    return texts;
}

} // namespace

// A spreadsheet's export in a Russian locale: byte-order mark, semicolons, CRLF, quotes.
TEST(Plan, ReadsASpreadsheetsExport) {
    const Plan plan = ReadPlan("\xEF\xBB\xBF"
                               "# site 7, floor 2\r\n"
                               "MAC;IP;Gateway\r\n"
                               "\r\n"
                               "\"02-00-5E-12-00-0B\";198.18.100.31;198.18.100.1\r\n"
                               "# the lift hall\r\n"
                               "02:00:5e:12:00:0c;198.18.100.32;\r\n");
    ASSERT_TRUE(plan.problems.empty()) << plan.problems.front().text;
    ASSERT_EQ(plan.lines.size(), 2u);
    EXPECT_EQ(plan.lines[0].lineNumber, 4);
    EXPECT_EQ(AddressFieldsText(plan.lines[0].address), "198.18.100.31");
    EXPECT_EQ(AddressFieldsText(*plan.lines[0].gateway), "198.18.100.1");
    EXPECT_FALSE(plan.lines[0].mask); // the hub keeps its own
    EXPECT_EQ(plan.lines[1].lineNumber, 6);
    EXPECT_FALSE(plan.lines[1].gateway);
    EXPECT_EQ(plan.lines[0].physicalKey, "02005e12000b");
}

// Every problem of the plan is reported, each with its own line number, and the plan's
// good lines do not hide them.
TEST(Plan, ReportsEveryMalformedDuplicateAndRefusedLine) {
    const Plan plan = ReadPlan("mac,ip,mask,gateway\n"                // 1
                               "02-00-5E-12-00-0B,198.18.100.31,,\n"  // 2 good
                               "02-00-5E-12-00-0C,198.18.100.300,,\n" // 3 no address
                               "02-00-5E-12-00,198.18.100.33,,\n"     // 4 short physical
                               "02:00:5E-12-00-0D,198.18.100.34,,\n"  // 5 mixed separators
                               "02-00-5e-12-00-0b,198.18.100.35,,\n"  // 6 the mac of line 2
                               "02-00-5E-12-00-0E,198.18.100.31,,\n"  // 7 the address of line 2
                               "02-00-5E-12-00-0F,0.18.100.37,,\n"    // 8 refused: zero part
                               "02-00-5E-12-00-10,198.18.100.38,255..255.0,\n" // 9 refused: blank
                               "02-00-5E-12-00-11,198.18.100.39,,198.18.100.255\n" // 10 refused
                               "02-00-5E-12-00-12,198.18.100.40,,,,x\n"            // 11 extra cell
                               "02-00-5E-12-00-13\n"                               // 12 no address
                               "\"02-00-5E-12-00-14,198.18.100.42\n");             // 13 open quote
    EXPECT_EQ(ProblemLines(plan), (std::set<int>{3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
    EXPECT_NE(ProblemsAt(plan, 6).find("line 2"), std::string::npos) << ProblemsAt(plan, 6);
    EXPECT_NE(ProblemsAt(plan, 7).find("line 2"), std::string::npos) << ProblemsAt(plan, 7);
    // The refusals carry the hub's own words for the rule that failed.
    const auto rule = [](const char* address, const char* mask, const char* gateway) {
        return *CheckHubParameters(*ParseAddressParts(address), *ParseAddressParts(mask),
                                   *ParseAddressParts(gateway));
    };
    EXPECT_NE(ProblemsAt(plan, 8).find(rule("0.18.100.37", "255.255.255.0", "...")),
              std::string::npos);
    EXPECT_NE(ProblemsAt(plan, 9).find(rule("198.18.100.38", "255..255.0", "...")),
              std::string::npos);
    EXPECT_NE(ProblemsAt(plan, 10).find(rule("198.18.100.39", "255.255.255.0", "198.18.100.255")),
              std::string::npos);
}

TEST(Plan, NeedsAHeaderWithMacAndIpAndAHub) {
    EXPECT_EQ(ProblemLines(ReadPlan("mac,address\n02-00-5E-12-00-0B,198.18.100.31\n")),
              (std::set<int>{1}));
    EXPECT_EQ(ReadPlan("# nothing yet\n").problems.size(), 1u);
    EXPECT_EQ(ReadPlan("mac;ip\n").problems.size(), 1u);
}

TEST(HubArgumentText, TakesAnAddressOrAPhysicalAddressInBothSpellings) {
    EXPECT_EQ(ParseHubArgument("198.18.100.11")->address, "198.18.100.11");
    EXPECT_EQ(ParseHubArgument("02-00-5E-12-00-0D")->physicalKey,
              ParseHubArgument("02:00:5e:12:00:0d")->physicalKey);
    for (const char* wrong : {"198.18.100", "198.18..11", "198.18.100.256", "02-00-5E-12-00",
                              "02-00:5E-12-00-0D", "02-00-5E-12-00-0G", "", "hub7"})
        EXPECT_FALSE(ParseHubArgument(wrong)) << wrong;
}
