// The real kestrunectl with its standard output on a full disk: the output is lost, so
// the tool must not end with success.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Ended {
    int code = -1;
    std::string err;
};

// kestrunectl with arguments, its standard output on the file out, its standard error read.
Ended RunWithOutputOn(const char* out, const std::vector<const char*>& arguments) {
    int errPipe[2];
    EXPECT_EQ(::pipe2(errPipe, O_CLOEXEC), 0);
    std::vector<const char*> argv{KESTRUNECTL};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int file = ::open(out, O_WRONLY);
        if (file < 0 || ::dup2(file, 1) < 0 || ::dup2(errPipe[1], 2) < 0)
            ::_exit(127);
        ::execv(KESTRUNECTL, const_cast<char* const*>(argv.data()));
        ::_exit(127);
    }
    ::close(errPipe[1]);
    Ended ended;
    char buffer[512];
    for (ssize_t n; (n = ::read(errPipe[0], buffer, sizeof buffer)) > 0;)
        ended.err.append(buffer, static_cast<std::size_t>(n));
    ::close(errPipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ended.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ended;
}

TEST(OutputFailure, OutputThatCannotBeWrittenEndsTheToolWithOne) {
    for (const char* argument : {"--version", "--help"}) {
        const Ended full = RunWithOutputOn("/dev/full", {argument});
        EXPECT_EQ(full.code, 1) << argument;
        EXPECT_EQ(full.err, "kestrunectl: cannot write the output: No space left on device\n")
            << argument;
        const Ended written = RunWithOutputOn("/dev/null", {argument});
        EXPECT_EQ(written.code, 0) << argument;
        EXPECT_EQ(written.err, "") << argument;
    }
}

} // namespace
