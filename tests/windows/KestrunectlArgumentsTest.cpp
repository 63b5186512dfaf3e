// kestrunectl's arguments as Windows gives them: a path that starts with "/" is a path,
// even one that reads like an option in Windows' spelling ("/dry-run").
#include "tests/cli/RunTool.h"

#include <gtest/gtest.h>

TEST(KestrunectlArguments, APathStartingWithASlashIsThePlan) {
    const std::vector<std::vector<std::string>> runs = {
        {"apply", "/nonexistent/plan.csv"},
        {"apply", "--dry-run", "/nonexistent/plan.csv"},
        {"apply", "/dry-run"}};
    for (const auto& arguments : runs) {
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(run.code, 2) << run.err;
        EXPECT_NE(run.err.find("cannot read the plan " + arguments.back()), std::string::npos)
            << run.err;
    }
}
