// The console run by an ordinary user (nobody, 65534) against a hub of the test site. With
// neither an ICMP datagram socket nor cap_net_raw it must say which permission is missing;
// with the datagram socket allowed it does the whole session, so nothing needs setuid.
#include "tests/reliability/SiteSuite.h"
#include "tests/support/NetnsScope.h"

#include <cstring>
#include <fcntl.h>
#include <grp.h>
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

    // Runs the console as nobody in the PC's namespace (this thread's, which a child
    // inherits) and returns what it printed.
    std::string RunAsNobody() {
        const std::string program = KESTRUNE_UNPRIVILEGED_CONSOLE;
        const std::string hub = site->HubAddress(1);
        std::vector<char*> args{const_cast<char*>(program.c_str()), const_cast<char*>(hub.c_str()),
                                nullptr};
        char home[] = "HOME=/tmp";
        char platform[] = "QT_QPA_PLATFORM=offscreen";
        char* environment[] = {home, platform, nullptr};
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
            ::execve(args[0], args.data(), environment);
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
    const std::string text = RunAsNobody();
    EXPECT_NE(text.find("uid 65534\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Нет службы эхо-запросов: ICMP-датаграммный сокет недоступен: группа 65534 "
                        "вне net.ipv4.ping_group_range (1 0); raw-сокет ICMP недоступен: нет права "
                        "cap_net_raw\r\n"
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

} // namespace
