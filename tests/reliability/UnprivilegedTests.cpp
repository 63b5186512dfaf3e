// The console run by an ordinary user (nobody, 65534) against a hub of the test site. With
// neither an ICMP datagram socket nor cap_net_raw it must say which permission is missing;
// with the datagram socket allowed it does the whole session, so nothing needs setuid. As
// the package installs it, the echo helper holds cap_net_raw and the console none, even
// though Qt looks for plugins in a folder of the user's own.
#include "tests/probe/HelperInstall.h"
#include "tests/support/Netns.h"
#include "tests/support/SiteTest.h"

#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class Unprivileged : public SiteSuite<Unprivileged> {
public:
    static TestSiteOptions SiteOptions() { return {.prefix = "kr6", .subnet = 56, .hubs = 1}; }

protected:
    void SetUp() override { Enter(SuiteShared()); }

    bool PingGroupRange(const std::string& range) {
        return RunCommand({"ip", "netns", "exec", site->PcNamespace(), "sysctl", "-q", "-w",
                           "net.ipv4.ping_group_range=" + range}) == 0;
    }

    // The console and the echo helper beside it, as an installation places them:
    // folder/kestrune and folder/kestrune-echo. With postinst, the package's postinst runs
    // on them with its paths pointed into the folder, giving out what it gives out.
    std::string Install(const kntest::ScratchFolder& folder, bool postinst) {
        const std::string program = folder.Install(KESTRUNE_UNPRIVILEGED_CONSOLE, "kestrune");
        const std::string helper = folder.Install(KESTRUNE_ECHO_HELPER, "kestrune-echo");
        const std::string neighHelper = folder.Install(KESTRUNE_NEIGH_HELPER, "kestrune-neigh");
        EXPECT_FALSE(program.empty() || helper.empty() || neighHelper.empty());
        if (postinst) {
            std::ifstream in(KESTRUNE_POSTINST);
            std::stringstream text;
            text << in.rdbuf();
            std::string script = text.str();
            for (const auto& [from, to] :
                 {std::pair{"/usr/bin/kestrune", program},
                  std::pair{"/usr/libexec/kestrune/kestrune-echo", helper},
                  std::pair{"/usr/libexec/kestrune/kestrune-neigh", neighHelper}}) {
                for (std::size_t at = 0; (at = script.find(from, at)) != std::string::npos;
                     at += to.size())
                    script.replace(at, std::strlen(from), to);
            }
            const std::string copy = folder.Write("postinst", script, 0755);
            EXPECT_TRUE(kntest::RunQuietly({"sh", copy, "configure"}));
        }
        return program;
    }

    // Runs the console (the build's, unless told) as nobody in the PC's namespace (this
    // thread's, which a child inherits) and returns what it printed.
    std::string RunAsNobody(const std::string& program = KESTRUNE_UNPRIVILEGED_CONSOLE,
                            std::vector<std::string> settings = {}) {
        const std::string hub = site->HubAddress(1);
        std::vector<char*> args{const_cast<char*>(program.c_str()), const_cast<char*>(hub.c_str()),
                                nullptr};
        settings.insert(settings.end(), {"HOME=/tmp", "QT_QPA_PLATFORM=offscreen"});
        std::vector<char*> environment;
        for (std::string& setting : settings)
            environment.push_back(setting.data());
        environment.push_back(nullptr);
        int output[2];
        if (::pipe2(output, O_CLOEXEC) != 0) {
            return "pipe failed";
        }
        const pid_t child = ::fork();
        if (child == 0) {
            const gid_t nobody = 65534;
            if (::dup2(output[1], STDOUT_FILENO) < 0 || ::dup2(output[1], STDERR_FILENO) < 0 ||
                ::setgroups(1, &nobody) != 0 || ::setresgid(nobody, nobody, nobody) != 0 ||
                ::setresuid(nobody, nobody, nobody) != 0) {
                ::_exit(126);
            }
            ::execve(args[0], args.data(), environment.data());
            ::_exit(127);
        }
        ::close(output[1]);
        std::string text;
        char buffer[4096];
        for (ssize_t got; (got = ::read(output[0], buffer, sizeof buffer)) > 0;) {
            text.append(buffer, static_cast<std::size_t>(got));
        }
        ::close(output[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << text;
        return text;
    }
};

TEST_F(Unprivileged, WithoutEchoPermissionTheConsoleSaysWhatIsMissing) {
    ASSERT_TRUE(PingGroupRange("1 0")); // no group may open an ICMP datagram socket
    kntest::ScratchFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string text = RunAsNobody(Install(folder, false));
    EXPECT_NE(text.find("uid 65534\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Нет службы эхо-запросов: ICMP-датаграммный сокет недоступен: группа 65534 "
                        "вне net.ipv4.ping_group_range (1 0); raw-сокет ICMP недоступен: нет права "
                        "cap_net_raw; помощник эхо-запросов " +
                        folder.Path() +
                        "/kestrune-echo недоступен: нет права cap_net_raw\r\n"
                        "Ошибка подключения к хабу " +
                        site->HubAddress(1) + " \r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("box: Ошибка подключения к хабу " + site->HubAddress(1)), std::string::npos)
        << text;
    EXPECT_NE(text.find("ready: no"), std::string::npos);
}

TEST_F(Unprivileged, WithTheGroupAdmittedTheWholeSessionRuns) {
    ASSERT_TRUE(PingGroupRange("65534 65534"));
    const std::string text = RunAsNobody();
    PingGroupRange("1 0");
    EXPECT_NE(text.find("uid 65534\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Подключение к хабу " + site->HubAddress(1) +
                        " успешно произведено\r\n"
                        "Физический адрес хаба: 02-00-5E-12-38-0B\r\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("Нет службы эхо-запросов"), std::string::npos) << text;
    EXPECT_EQ(text.find("box: "), std::string::npos) << text;
    EXPECT_NE(text.find("ready: yes"), std::string::npos) << text;
}

TEST_F(Unprivileged, AsInstalledOnlyTheHelperHoldsCapNetRawAndTheSessionRuns) {
    ASSERT_TRUE(PingGroupRange("1 0"));
    kntest::ScratchFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string program = Install(folder, true);
    // Qt looks for plugins in QT_PLUGIN_PATH: whoever starts the program may put their own
    // there, so the program must hold nothing worth taking.
    const std::string plugins = folder.Path() + "/plugins";
    ASSERT_EQ(::mkdir(plugins.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((plugins + "/platforms").c_str(), 0755), 0);
    ASSERT_EQ(::chown(plugins.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown((plugins + "/platforms").c_str(), 65534, 65534), 0);

    const std::string text =
        RunAsNobody(program, {"QT_PLUGIN_PATH=" + plugins, "QT_DEBUG_PLUGINS=1"});
    EXPECT_NE(text.find("uid 65534\n"), std::string::npos) << text;
    EXPECT_NE(text.find("checking directory path \"" + plugins + "/platforms\""), std::string::npos)
        << "Qt did not look into the user's plugin folder:\n"
        << text;
    EXPECT_NE(text.find("CapPrm:\t0000000000000000\n"), std::string::npos) << text;
    EXPECT_NE(text.find("CapEff:\t0000000000000000\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Подключение к хабу " + site->HubAddress(1) + " успешно произведено\r\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("Нет службы эхо-запросов"), std::string::npos) << text;
    EXPECT_NE(text.find("ready: yes"), std::string::npos) << text;
}

} // namespace
