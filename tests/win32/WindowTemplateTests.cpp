#include "console/SavedFiles.h"
#include "resources/AboutTemplate.h"
#include "resources/ConsoleTemplate.h"
#include "resources/SelectAdapterTemplate.h"
#include "tests/adapters/FakeAdapterSource.h"
#include "tests/win32/WindowDriver.h"
#include "win32/ConsoleWindow.h"
#include "win32/DialogTemplateBuilder.h"
#include "win32/FileDialogs.h"
#include "win32/KestruneApp.h"
#include "win32/SelectNetworkAdapter.h"
#include "win32/Settings.h"
#include "win32/WideText.h"
#include "win32/Win32Scheduler.h"

#include <atomic>
#include <commctrl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <thread>

// The Win32 face without a network: the dialogs the templates build, the console's window
// over fake adapters, and the scheduler on the message loop.
namespace {

using window_driver::PumpUntil;

INT_PTR CALLBACK IdleProcedure(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

// The dialog manager converts a control's origin and its size each on its own.
RECT DialogUnitsToPixels(HWND dialog, const DialogRect& position) {
    RECT units{position.x, position.y, position.width, position.height};
    MapDialogRect(dialog, &units);
    return {units.left, units.top, units.left + units.right, units.top + units.bottom};
}

RECT ClientRectOf(HWND dialog, HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// What a person relies on in each kind of control, as Windows reports it.
void ExpectKind(HWND child, const ControlTemplate& control) {
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(child, GWL_STYLE));
    const std::wstring className = ClassOf(child);
    const DWORD buttonType = style & BS_TYPEMASK;
    SCOPED_TRACE(control.id);
    switch (control.kind) {
    case ControlKind::StaticText:
        EXPECT_EQ(className, L"Static");
        break;
    case ControlKind::Icon:
        EXPECT_EQ(className, L"Static");
        EXPECT_NE(SendMessageW(child, STM_GETICON, 0, 0), 0) << "the program icon is not shown";
        break;
    case ControlKind::GroupBox:
        EXPECT_EQ(buttonType, static_cast<DWORD>(BS_GROUPBOX));
        break;
    case ControlKind::PushButton:
        EXPECT_EQ(buttonType, static_cast<DWORD>(BS_PUSHBUTTON));
        EXPECT_TRUE(style & WS_TABSTOP);
        break;
    case ControlKind::DefaultPushButton:
        EXPECT_EQ(buttonType, static_cast<DWORD>(BS_DEFPUSHBUTTON));
        break;
    case ControlKind::RadioButton:
        EXPECT_EQ(buttonType, static_cast<DWORD>(BS_RADIOBUTTON));
        break;
    case ControlKind::AutoRadioButton:
        EXPECT_EQ(buttonType, static_cast<DWORD>(BS_AUTORADIOBUTTON));
        break;
    case ControlKind::ListView:
        EXPECT_EQ(className, WC_LISTVIEWW);
        EXPECT_EQ(style & LVS_TYPEMASK, static_cast<DWORD>(LVS_REPORT));
        EXPECT_TRUE(style & LVS_SINGLESEL);
        EXPECT_TRUE(style & LVS_SHOWSELALWAYS);
        break;
    case ControlKind::IpAddress:
        EXPECT_EQ(className, WC_IPADDRESSW);
        EXPECT_TRUE(SendMessageW(child, IPM_ISBLANK, 0, 0));
        break;
    case ControlKind::Edit:
    case ControlKind::ReadOnlyEdit:
    case ControlKind::NumberEdit:
    case ControlKind::LogEdit:
        EXPECT_EQ(className, L"Edit");
        EXPECT_EQ((style & ES_READONLY) != 0, control.kind == ControlKind::ReadOnlyEdit ||
                                                  control.kind == ControlKind::LogEdit);
        EXPECT_EQ((style & ES_NUMBER) != 0, control.kind == ControlKind::NumberEdit);
        EXPECT_EQ((style & ES_MULTILINE) != 0, control.kind == ControlKind::LogEdit);
        if (control.kind == ControlKind::LogEdit) {
            EXPECT_EQ(style & (WS_VSCROLL | WS_HSCROLL),
                      static_cast<DWORD>(WS_VSCROLL | WS_HSCROLL));
        }
        break;
    }
}

struct TemplateCase {
    const char* name;
    const DialogTemplate& (*layout)();
    DialogFrame (*frame)();
};

class BuiltTemplate : public testing::TestWithParam<TemplateCase> {};

TEST_P(BuiltTemplate, EveryControlOfTheTableIsThereAsItSays) {
    const DialogTemplate& layout = GetParam().layout();
    const std::vector<WORD> buffer = BuildDialogTemplate(layout, GetParam().frame());
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), AsDialogTemplate(buffer),
                                             nullptr, IdleProcedure, 0);
    ASSERT_NE(dialog, nullptr) << "the template does not make a dialog: " << GetLastError();

    EXPECT_EQ(TextOf(dialog), WideTemplateText(layout.caption));
    RECT client{};
    GetClientRect(dialog, &client);
    const RECT size = DialogUnitsToPixels(dialog, {0, 0, layout.width, layout.height});
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE));
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)) << "fixed size";

    // The dialog manager creates the controls in the table's order, which is their
    // order among the dialog's children.
    std::size_t index = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT), ++index) {
        ASSERT_LT(index, layout.controls.size()) << "a control the table does not have";
        const ControlTemplate& control = layout.controls[index];
        SCOPED_TRACE(Narrow(WideTemplateText(control.caption)));
        if (control.id != 0) {
            EXPECT_EQ(GetDlgCtrlID(child), control.id);
        } else {
            EXPECT_EQ(LOWORD(GetDlgCtrlID(child)), 0xFFFF) << "a label with an id";
        }
        // An address control's text is its own ("0.0.0.0" when blank).
        if (control.kind != ControlKind::Icon && control.kind != ControlKind::IpAddress) {
            EXPECT_EQ(TextOf(child), WideTemplateText(control.caption));
        }
        const RECT expected = DialogUnitsToPixels(dialog, control.position);
        const RECT actual = ClientRectOf(dialog, child);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_EQ(actual.right, expected.right);
        EXPECT_EQ(actual.bottom, expected.bottom);
        EXPECT_EQ(IsWindowEnabled(child) != FALSE, control.initiallyEnabled);
        ExpectKind(child, control);
    }
    EXPECT_EQ(index, layout.controls.size());
    DestroyWindow(dialog);
}

INSTANTIATE_TEST_SUITE_P(
    ThreeDialogs, BuiltTemplate,
    testing::Values(TemplateCase{"console", &ConsoleTemplate, &ConsoleFrame},
                    TemplateCase{"adapters", &SelectAdapterTemplate, &ChildDialogFrame},
                    TemplateCase{"about", &AboutTemplate, &ChildDialogFrame}),
    [](const testing::TestParamInfo<TemplateCase>& info) { return std::string(info.param.name); });

TEST(ConsoleWindow, WithoutAdaptersSaysSoAndOffersTheAboutCommand) {
    window_driver::BoxScript boxes;
    ConsoleServices services;
    services.adapters = std::make_shared<FakeAdapterSource>(); // no adapter at all
    CConsoleWindow console(false, services);
    HWND window = console.Create(nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(PumpUntil(
        window, [&] { return console.IsIdle(); }, 10000));

    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Сетевые адаптеры в компьютере не обнаружены");
    EXPECT_EQ(boxes.boxes()[0].caption, "Kestrune");
    EXPECT_EQ(MessageBoxFlags(boxes.boxes()[0]), static_cast<UINT>(MB_ICONWARNING | MB_OK));
    EXPECT_EQ(window_driver::LogText(window), kTitleLine);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_SELECT_ADAPTER)));
    EXPECT_EQ(window_driver::ItemText(window, IDC_WRITE_NUMBER), L"Нет связи");
    EXPECT_EQ(window_driver::ItemText(window, IDC_CONTROLLER_NUMBER), L"1");
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    EXPECT_TRUE(exStyle & WS_EX_APPWINDOW) << "a taskbar button of its own";
    EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);

    // The window menu ends with a separator and the About command.
    HMENU menu = GetSystemMenu(window, FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR,
              static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(GetMenuItemID(menu, count - 1), kAboutCommandId);
    wchar_t text[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(count - 1), text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, WideTemplateText(kAboutCommandText));

    // An address control's blank part reads as blank, not as 0.
    console.SetAddress(IDC_CONNECT_ADDRESS, 0xC0A80101);
    SendDlgItemMessageW(window, IDC_CONNECT_ADDRESS, IPM_SETFOCUS, 1, 0);
    ASSERT_EQ(GetParent(GetFocus()), GetDlgItem(window, IDC_CONNECT_ADDRESS));
    SetWindowTextW(GetFocus(), L"");
    EXPECT_EQ(console.AddressText(IDC_CONNECT_ADDRESS), "192..1.1");
    EXPECT_EQ(console.FocusedControl(), IDC_CONNECT_ADDRESS);
    console.ClearAddress(IDC_CONNECT_ADDRESS);
    EXPECT_EQ(console.AddressText(IDC_CONNECT_ADDRESS), "");
    console.SetAddressText(IDC_CONNECT_ADDRESS, "198.18.140.1");
    EXPECT_EQ(console.AddressText(IDC_CONNECT_ADDRESS), "198.18.140.1");

    // Enter with an empty number field keeps the window open; "Закончить" closes it.
    SetDlgItemTextW(window, IDC_CONTROLLER_NUMBER, L"");
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(boxes.Texts().back(), "Enter a positive integer.");
    SendMessageW(GetDlgItem(window, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(console.Console(), nullptr) << "the console ends with its window";
}

// The console's window over no adapter at all, once its start-up is over.
struct IdleConsole {
    window_driver::BoxScript boxes;
    CConsoleWindow console{false, [] {
                               ConsoleServices services;
                               services.adapters = std::make_shared<FakeAdapterSource>();
                               return services;
                           }()};
    HWND window = nullptr;

    IdleConsole() {
        window = console.Create(nullptr);
        EXPECT_NE(window, nullptr);
        EXPECT_TRUE(PumpUntil(
            window, [&] { return console.IsIdle(); }, 10000));
    }
    ~IdleConsole() {
        if (IsWindow(window))
            DestroyWindow(window);
    }
};

std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(ConsoleWindow, SavesTheLogOnCtrlSAndTheHubListFromTheWindowMenu) {
    IdleConsole idle;
    HWND window = idle.window;
    // The window menu: the two saves, then the separator and the About command.
    HMENU menu = GetSystemMenu(window, FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 4);
    EXPECT_EQ(GetMenuItemID(menu, count - 4), kSaveLogCommandId);
    EXPECT_EQ(GetMenuItemID(menu, count - 3), kSaveHubListCommandId);
    wchar_t text[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(count - 3), text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, WideTemplateText(kSaveHubListCommandText));

    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "kestrune-saves";
    std::filesystem::create_directories(folder);
    std::vector<SaveFileRequest> requests;
    std::string answer;
    SetSaveFileHandler([&](const SaveFileRequest& request, HWND owner) {
        EXPECT_EQ(owner, window);
        requests.push_back(request);
        return std::optional<std::string>(answer);
    });

    // Ctrl+S on a control of the window, through the dialog's message loop.
    answer = (folder / "log.txt").string();
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    HWND button = GetDlgItem(window, IDC_CLEAR_LOG);
    PostMessageW(button, WM_KEYDOWN, 'S', 1);
    PumpUntil(
        window, [&] { return !requests.empty(); }, 2000);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    ASSERT_EQ(requests.size(), 1u) << "Ctrl+S asked for no file";
    EXPECT_EQ(requests[0].extension, "txt");
    EXPECT_EQ(FileBytes(answer), LogFileText(idle.console.LogText()));
    EXPECT_NE(idle.console.LogText().find(kTitleLine), std::string::npos);

    answer = (folder / "hubs.csv").string();
    SendMessageW(window, WM_SYSCOMMAND, kSaveHubListCommandId, 0);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].extension, "csv");
    EXPECT_EQ(FileBytes(answer), HubListFileText({}));

    // A folder that is not there: the system's reason, in a box.
    answer = (folder / "missing" / "hubs.csv").string();
    SendMessageW(window, WM_SYSCOMMAND, kSaveHubListCommandId, 0);
    ASSERT_EQ(requests.size(), 3u);
    ASSERT_FALSE(idle.boxes.boxes().empty());
    EXPECT_EQ(idle.boxes.boxes().back().icon, BoxIcon::Error);
    EXPECT_NE(idle.boxes.Texts().back().find("hubs.csv"), std::string::npos);
    SetSaveFileHandler({});
    std::filesystem::remove_all(folder);
}

NMLVGETINFOTIPW InfoTipOf(HWND window, int item, wchar_t* buffer, int size) {
    NMLVGETINFOTIPW tip{};
    tip.hdr.hwndFrom = GetDlgItem(window, IDC_HUB_LIST);
    tip.hdr.idFrom = IDC_HUB_LIST;
    tip.hdr.code = LVN_GETINFOTIPW;
    tip.iItem = item;
    tip.pszText = buffer;
    tip.cchTextMax = size;
    buffer[0] = L'\0';
    SendMessageW(window, WM_NOTIFY, IDC_HUB_LIST, reinterpret_cast<LPARAM>(&tip));
    return tip;
}

void ClickColumn(HWND window, int column) {
    NMLISTVIEW click{};
    click.hdr.hwndFrom = GetDlgItem(window, IDC_HUB_LIST);
    click.hdr.idFrom = IDC_HUB_LIST;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageW(window, WM_NOTIFY, IDC_HUB_LIST, reinterpret_cast<LPARAM>(&click));
}

std::vector<std::wstring> ColumnTexts(HWND list, int column) {
    std::vector<std::wstring> texts;
    for (int item = 0; item < ListView_GetItemCount(list); ++item) {
        wchar_t text[64] = {};
        ListView_GetItemText(list, item, column, text, 64);
        texts.emplace_back(text);
    }
    return texts;
}

TEST(ConsoleWindow, HubListMarksWarningsAndSortsKeepingTheConsolesIndex) {
    IdleConsole idle;
    HWND window = idle.window;
    HWND list = GetDlgItem(window, IDC_HUB_LIST);
    idle.console.ShowHubRows({{"198.18.0.10", "", "00-01", "KX-2", ""},
                              {"198.18.0.9", "", "00-02", "KX-1", "Адрес занят.\r\n"},
                              {"198.18.0.100", "", "00-03", "KX-1", ""}});

    // The row with a warning: the icon and the warning as its tip; the others neither.
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = 1;
    ASSERT_TRUE(ListView_GetItem(list, &item));
    EXPECT_EQ(item.iImage, 0);
    HIMAGELIST images = ListView_GetImageList(list, LVSIL_SMALL);
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(images), 1);
    item.iItem = 0;
    ASSERT_TRUE(ListView_GetItem(list, &item));
    EXPECT_NE(item.iImage, 0);
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(list) & LVS_EX_INFOTIP);
    wchar_t tip[128];
    InfoTipOf(window, 1, tip, 128);
    EXPECT_STREQ(tip, L"Адрес занят.");
    InfoTipOf(window, 0, tip, 128);
    EXPECT_STREQ(tip, L"");

    // By address, as numbers; then a row picked is the console's row.
    ClickColumn(window, 0);
    EXPECT_EQ(ColumnTexts(list, 0),
              (std::vector<std::wstring>{L"198.18.0.9", L"198.18.0.10", L"198.18.0.100"}));
    window_driver::ClickListRow(window, IDC_HUB_LIST, 0);
    EXPECT_EQ(idle.console.SelectedHubRow(), 1);
    InfoTipOf(window, 0, tip, 128);
    EXPECT_STREQ(tip, L"Адрес занят.") << "the tip follows its row";
    ClickColumn(window, 0);
    EXPECT_EQ(ColumnTexts(list, 0).front(), L"198.18.0.100");
    window_driver::ClickListRow(window, IDC_HUB_LIST, 0);
    EXPECT_EQ(idle.console.SelectedHubRow(), 2);

    // By model, as text: equal models keep the console's order, either way; new rows
    // come sorted.
    ClickColumn(window, 3);
    EXPECT_EQ(ColumnTexts(list, 2), (std::vector<std::wstring>{L"00-02", L"00-03", L"00-01"}));
    ClickColumn(window, 3);
    EXPECT_EQ(ColumnTexts(list, 2), (std::vector<std::wstring>{L"00-01", L"00-02", L"00-03"}));
    idle.console.ShowHubRows(
        {{"198.18.0.1", "", "00-04", "KX-1", ""}, {"198.18.0.2", "", "00-05", "KX-3", ""}});
    EXPECT_EQ(ColumnTexts(list, 2), (std::vector<std::wstring>{L"00-05", L"00-04"}));
}

TEST(SelectNetworkAdapter, OpensWithThePreselectedRowSelectedAndFocused) {
    AdapterList adapters;
    adapters.connectionNames = {"eth0", "eth1", "eth2"};
    adapters.addresses = {"198.18.0.1", "198.18.1.1", "198.18.2.1"};
    adapters.descriptions = {"A", "B", "C"};
    for (const std::optional<int> preselected : {std::optional<int>(2), std::optional<int>()}) {
        CSelectNetworkAdapter dialog(adapters, preselected);
        HWND window = dialog.Create(nullptr);
        ASSERT_NE(window, nullptr);
        HWND list = GetDlgItem(window, IDC_ADAPTER_LIST);
        EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), preselected.value_or(-1));
        if (preselected) {
            EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_FOCUSED), 2);
            EXPECT_EQ(GetFocus(), list);
        }
        SendMessageW(GetDlgItem(window, IDOK), BM_CLICK, 0, 0);
        EXPECT_EQ(dialog.selectedAdapterIndex, preselected.value_or(0));
        if (IsWindow(window))
            DestroyWindow(window);
    }
}

TEST(RegistrySettings, KeepsUtf8TextsUnderTheUsersKeyAndLoadsAMissingOneAsEmpty) {
    const ConsoleServices services = WithRegistrySettings({});
    const std::string name = "test/Подключение " + std::to_string(GetCurrentProcessId());
    EXPECT_EQ(services.loadSetting(name), "");
    services.storeSetting(name, "Ethernet 2 «Тамрил»");
    EXPECT_EQ(services.loadSetting(name), "Ethernet 2 «Тамрил»");
    services.storeSetting(name, "");
    EXPECT_EQ(services.loadSetting(name), "");
    const std::wstring valueName = Wide(name);
    EXPECT_EQ(RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, valueName.c_str()),
              ERROR_SUCCESS);
}

TEST(Win32Scheduler, RunsPostsInOrderFromAnyThreadAndTimersUnlessCancelled) {
    const std::vector<WORD> buffer = BuildDialogTemplate(AboutTemplate(), ChildDialogFrame());
    Win32Scheduler scheduler;
    std::vector<int> order;
    // Posted before the window exists: it waits for it.
    scheduler.Post([&] { order.push_back(1); });
    struct Context {
        Win32Scheduler* scheduler;
    } context{&scheduler};
    const auto procedure = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(window, DWLP_USER, lParam);
            reinterpret_cast<Context*>(lParam)->scheduler->Attach(window);
            return TRUE;
        }
        auto* context = reinterpret_cast<Context*>(GetWindowLongPtrW(window, DWLP_USER));
        if (context == nullptr)
            return FALSE;
        if (message == WM_TIMER)
            return context->scheduler->OnTimer(wParam);
        if (message == WM_RUN_POSTED_TASKS) {
            context->scheduler->RunPosted();
            return TRUE;
        }
        return FALSE;
    };
    HWND window =
        CreateDialogIndirectParamW(GetModuleHandleW(nullptr), AsDialogTemplate(buffer), nullptr,
                                   procedure, reinterpret_cast<LPARAM>(&context));
    ASSERT_NE(window, nullptr);

    const DWORD consoleThread = GetCurrentThreadId();
    std::atomic<bool> offThread{false};
    std::atomic<DWORD> doneOn{0};
    scheduler.RunOffThread([&] { offThread = GetCurrentThreadId() != consoleThread; },
                           [&] { doneOn = GetCurrentThreadId(); });
    std::thread other([&] {
        for (int i = 2; i <= 50; ++i)
            scheduler.Post([&order, i] { order.push_back(i); });
    });
    other.join();
    bool fired = false;
    bool cancelledFired = false;
    scheduler.StartTimer(std::chrono::milliseconds(30), [&] { fired = true; });
    const auto cancelled =
        scheduler.StartTimer(std::chrono::milliseconds(10), [&] { cancelledFired = true; });
    scheduler.CancelTimer(cancelled);

    ASSERT_TRUE(PumpUntil(
        window, [&] { return fired && order.size() == 50 && doneOn != 0; }, 5000));
    PumpUntil(
        window, [] { return false; }, 50);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(order[static_cast<std::size_t>(i)], i + 1);
    EXPECT_FALSE(cancelledFired);
    EXPECT_TRUE(offThread);
    EXPECT_EQ(doneOn, consoleThread);

    // Once the window has gone, what is posted or timed is dropped, not run elsewhere.
    scheduler.Detach();
    DestroyWindow(window);
    bool late = false;
    scheduler.Post([&] { late = true; });
    PumpUntil(
        nullptr, [] { return false; }, 50);
    EXPECT_FALSE(late);
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    InitCommonControlClasses();
    return RUN_ALL_TESTS();
}
