// Saving a file replaces it whole or not at all: the old contents survive a failed save,
// and no temporary file is left beside it either way.
#include "platform/SaveFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& file) {
    std::stringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    return text.str();
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A new empty folder of the test's own, removed with everything in it.
class SaveFile : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::temp_directory_path() / ("kestrune-save-" + std::string(test->name()));
        fs::remove_all(folder);
        ASSERT_TRUE(fs::create_directory(folder));
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    std::string At(const char* name) const { return (folder / name).string(); }

    fs::path folder;
};

TEST_F(SaveFile, ReplacesAnExistingFileWholeAndLeavesNoTemporary) {
    EXPECT_EQ(platform::WriteWholeFile(At("hubs.txt"), "the first list, which is longer\r\n"), "");
    EXPECT_EQ(platform::WriteWholeFile(At("hubs.txt"), "the second\r\n"), "");
    EXPECT_EQ(Contents(At("hubs.txt")), "the second\r\n");
    EXPECT_EQ(platform::WriteWholeFile(At("log.txt"), ""), "");
    EXPECT_EQ(Contents(At("log.txt")), "");
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"hubs.txt", "log.txt"}));
    EXPECT_NE(platform::WriteWholeFile(At("no-such-folder/hubs.txt"), "x"), "");
}

// The old file is never written into: a name that links to the same file still reads the
// old contents.
TEST_F(SaveFile, ReplacesTheFileInsteadOfWritingIntoIt) {
    std::ofstream(At("real.txt")) << "old";
    fs::create_hard_link(At("real.txt"), At("hubs.txt"));
    EXPECT_EQ(platform::WriteWholeFile(At("hubs.txt"), "new"), "");
    EXPECT_EQ(Contents(At("hubs.txt")), "new");
    EXPECT_EQ(Contents(At("real.txt")), "old");
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"hubs.txt", "real.txt"}));
}

#ifndef _WIN32

TEST_F(SaveFile, ReplacesASymbolicLinkAndLeavesTheFileItPointedAt) {
    std::ofstream(At("real.txt")) << "old";
    fs::create_symlink("real.txt", At("hubs.txt"));
    EXPECT_EQ(platform::WriteWholeFile(At("hubs.txt"), "new"), "");
    EXPECT_FALSE(fs::is_symlink(At("hubs.txt")));
    EXPECT_EQ(Contents(At("hubs.txt")), "new");
    EXPECT_EQ(Contents(At("real.txt")), "old");
    EXPECT_EQ(Names(folder), (std::vector<std::string>{"hubs.txt", "real.txt"}));
}

TEST_F(SaveFile, KeepsTheModeOfTheFileItReplacesAndANewOneGetsThePlainCreatesMode) {
    std::ofstream(At("hubs.txt")) << "old";
    ASSERT_EQ(::chmod(At("hubs.txt").c_str(), 0640), 0);
    const mode_t previous = ::umask(027);
    EXPECT_EQ(platform::WriteWholeFile(At("hubs.txt"), "new"), "");
    EXPECT_EQ(platform::WriteWholeFile(At("log.txt"), "new"), "");
    ::umask(previous);
    struct stat status {};
    ASSERT_EQ(::stat(At("hubs.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    ASSERT_EQ(::stat(At("log.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
}

// A save onto a 64 KB tmpfs that cannot hold it, in a child with a mount namespace of its
// own so that the mount goes with it. The child reports the save's error, what the file
// then holds and the folder's names, one per line.
TEST_F(SaveFile, AFullDiskLeavesTheOldFileAsItWas) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to mount a tmpfs";
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0)
            ::_exit(3);
        if (!platform::WriteWholeFile(At("hubs.txt"), "the old list\n").empty())
            ::_exit(4);
        std::string text = platform::WriteWholeFile(At("hubs.txt"), std::string(256 * 1024, 'x'));
        text += "\n" + Contents(At("hubs.txt"));
        for (const std::string& name : Names(folder))
            text += name + "\n";
        const ssize_t wrote [[maybe_unused]] = ::write(report[1], text.data(), text.size());
        ::_exit(0);
    }
    ::close(report[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = ::read(report[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(report[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3)
        GTEST_SKIP() << "no tmpfs can be mounted in a mount namespace here";
    ASSERT_EQ(WEXITSTATUS(status), 0);
    // A partial new file in its place would print 64 KB: the start says enough.
    EXPECT_TRUE(text == "No space left on device\nthe old list\nhubs.txt\n") << text.substr(0, 200);
}

#endif

} // namespace
