// Saving the log and the hub list, and the adapter remembered between runs, on the
// console's logic: files in a folder of the test's own, the settings in a map.
#include "tests/console/ConsoleFlow.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <linux/capability.h>
#include <map>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A folder of the test's own, removed at the end.
struct TemporaryFolder {
    TemporaryFolder() {
        char name[] = "/tmp/kestrune-save-XXXXXX";
        path = ::mkdtemp(name);
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

// Root writes into any folder: this thread gives up that right while it lives, as the
// technician's account never had it.
class WithoutOverridingPermissions {
public:
    WithoutOverridingPermissions() {
        ::syscall(SYS_capget, &header_, saved_);
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        ::syscall(SYS_capset, &header_, reduced);
    }
    ~WithoutOverridingPermissions() { ::syscall(SYS_capset, &header_, saved_); }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
};

class SaveFlow : public ConsoleFlow {
protected:
    // Opens the console with the services of the fixture, a fixed clock and the settings.
    void OpenWithSettings() {
        ConsoleServices services = Services();
        services.localTime = [] {
            std::tm time{};
            time.tm_year = 2026 - 1900;
            time.tm_mon = 11;
            time.tm_mday = 10;
            time.tm_hour = 9;
            time.tm_min = 5;
            return time;
        };
        services.loadSetting = [this](const std::string& name) { return settings[name]; };
        services.storeSetting = [this](const std::string& name, const std::string& value) {
            settings[name] = value;
        };
        console = std::make_unique<CKestruneDlg>(view, clock, false, services);
        console->OnInitDialog();
        console->OnFirstPaint();
        clock.RunPending();
    }

    std::map<std::string, std::string> settings;
    TemporaryFolder folder;
};

TEST_F(SaveFlow, TheLogIsSavedAsShownWithCrLfLineEnds) {
    Adapters(1);
    Reply("IPH-4 2.05\r\n02-00-5E-12-14-0B\r\n", 11);
    OpenWithSettings();
    view.AppendToLog("Строка без возврата каретки\n");
    const std::string path = (folder.path / "журнал.txt").string();
    view.savePaths = {path};
    Click(&CKestruneDlg::SaveLog);

    ASSERT_EQ(view.saveDialogs.size(), 1u);
    EXPECT_EQ(view.saveDialogs[0].caption, "Сохранить журнал");
    EXPECT_EQ(view.saveDialogs[0].suggestedName, "kestrune-log-2026-12-10-0905.txt");
    EXPECT_EQ(view.saveDialogs[0].extension, "txt");
    const std::string expected = view.log.substr(0, view.log.size() - 1) + "\r\n";
    EXPECT_EQ(ReadFile(path), expected);
    EXPECT_NE(expected.find("IPH-4 2.05"), std::string::npos);
    EXPECT_TRUE(view.boxes.empty());

    // Cancelled: no file, no box.
    Click(&CKestruneDlg::SaveLog);
    EXPECT_EQ(view.saveDialogs.size(), 2u);
    EXPECT_TRUE(view.boxes.empty());
}

TEST_F(SaveFlow, TheHubListIsSavedAsATableWithTheConflictsInWords) {
    Adapters(1);
    Reply("IPH-4 2.05\r\n02-00-5E-12-14-0B\r\n", 11);
    Reply("IPH-4 \"new\", rev 2\r\n02-00-5E-12-14-0C\r\n", 11);
    Reply("IPH-2 1.00\r\n02-00-5E-12-14-0D\r\n", 12);
    OpenWithSettings();
    ASSERT_EQ(view.Rows().size(), 3u);
    ASSERT_FALSE(view.Rows()[0].warning.empty());
    const std::string path = (folder.path / "hubs.csv").string();
    view.savePaths = {path};
    Click(&CKestruneDlg::SaveHubList);

    ASSERT_EQ(view.saveDialogs.size(), 1u);
    EXPECT_EQ(view.saveDialogs[0].suggestedName, "kestrune-hubs-2026-12-10-0905.csv");
    const std::string text = ReadFile(path);
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    ASSERT_EQ(lines.size(), 4u) << text;
    EXPECT_EQ(lines[0], "\xEF\xBB\xBF"
                        "IP адрес,Физический адрес,\"Модель, редакция прошивки\",Предупреждение");
    // Both hubs at .11 say with what they conflict, the physical address of the other.
    EXPECT_TRUE(lines[1].starts_with("198.18.20.11,02-00-5E-12-14-0B,IPH-4 2.05,")) << lines[1];
    EXPECT_NE(lines[1].find("02-00-5E-12-14-0C"), std::string::npos) << lines[1];
    EXPECT_TRUE(
        lines[2].starts_with("198.18.20.11,02-00-5E-12-14-0C,\"IPH-4 \"\"new\"\", rev 2\","))
        << lines[2];
    EXPECT_EQ(lines[3], "198.18.20.12,02-00-5E-12-14-0D,IPH-2 1.00,");
}

TEST_F(SaveFlow, AFileThatCannotBeWrittenIsNamedWithTheReasonAndNothingElseChanges) {
    Adapters(1);
    Reply("IPH-4 2.05\r\n02-00-5E-12-14-0B\r\n", 11);
    OpenWithSettings();
    const std::filesystem::path readOnly = folder.path / "только чтение";
    std::filesystem::create_directory(readOnly);
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read |
                                               std::filesystem::perms::owner_exec);
    const std::string log = view.log;
    const std::size_t shown = view.shownRows.size();
    const std::string path = (readOnly / "журнал.txt").string();
    view.savePaths = {path, path};
    {
        WithoutOverridingPermissions asTheTechnician;
        Click(&CKestruneDlg::SaveLog);
        Click(&CKestruneDlg::SaveHubList);
    }
    ASSERT_EQ(view.boxes.size(), 2u);
    for (const BoxRequest& box : view.boxes) {
        EXPECT_EQ(box.text, "Не удалось сохранить файл «" + path + "»: Permission denied");
        EXPECT_EQ(box.icon, BoxIcon::Error);
        EXPECT_EQ(box.caption, "Kestrune");
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(view.log, log);
    EXPECT_EQ(view.shownRows.size(), shown);
}

TEST_F(SaveFlow, TheAdapterChoiceOpensOnTheEntryChosenLastWhileItIsThere) {
    Adapters(3);
    OpenWithSettings();
    EXPECT_EQ(view.preselected, std::nullopt); // nothing remembered yet
    view.choices = {{true, 2}};
    Click(&CKestruneDlg::SelectAdapter);
    clock.RunPending(); // the search the choice starts
    EXPECT_EQ(settings["lastAdapter/name"], "test2");
    EXPECT_EQ(settings["lastAdapter/address"], "198.18.22.1");
    EXPECT_EQ(view.preselected, std::nullopt);

    // The next run: the entry is found by name and address, wherever it is now.
    adapters->adapters.erase(adapters->adapters.begin());
    adapters->rows.erase(adapters->rows.begin());
    console.reset();
    OpenWithSettings();
    EXPECT_EQ(view.preselected, std::optional<int>(1));

    // Cancelled, nothing is remembered anew.
    Click(&CKestruneDlg::SelectAdapter);
    clock.RunPending();
    EXPECT_EQ(settings["lastAdapter/name"], "test2");

    // The same interface with another address is another entry: nothing is preselected.
    settings["lastAdapter/address"] = "198.18.22.7";
    Click(&CKestruneDlg::SelectAdapter);
    EXPECT_EQ(view.preselected, std::nullopt);
}

} // namespace
