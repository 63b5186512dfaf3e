#include "app/CommandLine.h"
#include "app/KestruneApp.h"
#include "platform/OsVersion.h"
#include "tests/common/MessageBoxScript.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;

struct CommandLineCase {
    const char* commandLine;
    bool debugMode;
};

class CommandLineTable : public testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTable, LastArgumentDecides) {
    EXPECT_EQ(ParseCommandLine(GetParam().commandLine), GetParam().debugMode)
        << GetParam().commandLine;
}

INSTANTIATE_TEST_SUITE_P(
    Switches, CommandLineTable,
    testing::Values(CommandLineCase{"", false}, CommandLineCase{"kestrune", false},
                    CommandLineCase{"kestrune /DEBUG", true},
                    CommandLineCase{"kestrune /debug", true},
                    CommandLineCase{"kestrune /DeBuG", true}, CommandLineCase{"kestrune /D", true},
                    CommandLineCase{"kestrune /d", true}, CommandLineCase{"kestrune /DE", false},
                    CommandLineCase{"kestrune /DEBUGX", false},
                    CommandLineCase{"kestrune /DEBUG other", false},
                    CommandLineCase{"kestrune other /DEBUG", true},
                    CommandLineCase{"\"C:\\Program Files\\kestrune.exe\" /DEBUG", true},
                    CommandLineCase{"kestrune /DEBUG ", false},
                    // A run of spaces is one separator, before an argument or at the end.
                    CommandLineCase{"kestrune  /DEBUG", true},
                    CommandLineCase{"kestrune    /D", true},
                    CommandLineCase{"kestrune /DEBUG   ", false},
                    // The program path itself is never compared.
                    CommandLineCase{"/DEBUG", false}, CommandLineCase{"   ", false}));

TEST(CommandLine, OddAndLongInputsEndTheScan) {
    EXPECT_FALSE(ParseCommandLine(std::string(100000, ' ')));
    EXPECT_TRUE(ParseCommandLine("k" + std::string(5000, ' ') + "/d"));
    std::string many = "k";
    for (int i = 0; i < 20000; ++i) {
        many += " /DEBUG /x";
    }
    EXPECT_FALSE(ParseCommandLine(many));
    EXPECT_TRUE(ParseCommandLine(many + " /D"));
    // Tabs and other blanks are part of an argument, not separators.
    EXPECT_FALSE(ParseCommandLine("k\t/DEBUG"));
    EXPECT_FALSE(ParseCommandLine("k /DEBUG\t"));
    EXPECT_FALSE(ParseCommandLine("k /DEBUG\u00A0"));
    // Letters outside ASCII never match, whatever their upper case.
    EXPECT_FALSE(ParseCommandLine("k /\u0434EBUG"));
}

TEST(CommandLine, JoinQuotesArgumentsWithSpaces) {
    const std::string line = JoinCommandLine({"/opt/my tools/kestrune", "/debug"});
    EXPECT_EQ(line, "\"/opt/my tools/kestrune\" /debug");
    EXPECT_TRUE(ParseCommandLine(line));
}

TEST(OsVersion, TheApplicationIsNotRefusedHere) {
    EXPECT_FALSE(RunningOnWindows2000(CKestruneApp().osVersion));
}

// The application with its OS services replaced, to walk every start-up path.
class ScriptedApp : public CKestruneApp {
public:
    int startResult = 0;
    std::uint16_t startVersion = 0x0202;
    std::string commandLine = "kestrune /DEBUG";
    QStringList steps;

protected:
    int StartSocketLibrary(std::uint16_t& reportedVersion) override {
        steps << QStringLiteral("start");
        reportedVersion = startVersion;
        return startResult;
    }
    void StopSocketLibrary() override { steps << QStringLiteral("stop"); }
    std::string CommandLineText() const override { return commandLine; }
    void RunConsole() override { steps << QStringLiteral("console debug=%1").arg(debugMode); }
};

TEST(Startup, RunsTheConsoleWithTheDebugSwitch) {
    MessageBoxScript boxes;
    ScriptedApp app;
    EXPECT_FALSE(app.InitInstance());
    app.ExitInstance();
    EXPECT_EQ(app.steps, (QStringList{"start", "console debug=1", "stop"}));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST(Startup, RefusesWindows2000WithoutStartingSockets) {
    MessageBoxScript boxes;
    ScriptedApp app;
    app.osVersion = OsVersionRecord{5, 0, 2195, kFamilyWindowsNt};
    EXPECT_FALSE(app.InitInstance());
    app.ExitInstance();
    EXPECT_EQ(app.steps, (QStringList{"stop"}));
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text,
              QStringLiteral("Incorrect version of Windows found. Need Windows XP or higher"));
    EXPECT_EQ(boxes.boxes()[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(boxes.boxes()[0].owner, nullptr);
}

TEST(Startup, SocketLibraryFailureStopsBeforeTheConsole) {
    MessageBoxScript boxes;
    ScriptedApp app;
    app.startResult = 10091;
    app.startVersion = 0x0101;
    app.InitInstance();
    app.ExitInstance();
    EXPECT_EQ(app.steps, (QStringList{"start", "stop", "stop"}));
    EXPECT_EQ(boxes.Texts(), QStringList{"Could not find a usable version of Winsock.dll"});

    // A failed start that still reports 2.2 ends the same way, without the message.
    MessageBoxScript quiet;
    ScriptedApp app22;
    app22.startResult = 10091;
    app22.InitInstance();
    EXPECT_EQ(app22.steps, (QStringList{"start", "stop"}));
    EXPECT_TRUE(quiet.boxes().empty());
}

} // namespace
