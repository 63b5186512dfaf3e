#include "console/AddressFields.h"
#include "resources/ConsoleTemplate.h"
#include "tests/win32/WindowDriver.h"
#include "win32/ConsoleWindow.h"
#include "win32/KestruneApp.h"
#include "win32/WideText.h"

#include <algorithm>
#include <commctrl.h>
#include <cstdlib>
#include <gtest/gtest.h>

// The Win32 window against the hub simulator, end to end: the exe runs under Wine with
// its wineserver inside the PC's namespace of a test site (tests/windows/site-run.sh),
// whose hub 1 has a controller on link with its programming jumper fitted.
namespace {

using namespace window_driver;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string ListCell(HWND dialog, int listId, int row, int column) {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 256;
    SendMessageW(GetDlgItem(dialog, listId), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
    return Narrow(text);
}

int RowCount(HWND dialog) {
    return static_cast<int>(SendMessageW(GetDlgItem(dialog, IDC_HUB_LIST), LVM_GETITEMCOUNT, 0, 0));
}

// The row that shows this hub address, or -1.
int RowOf(HWND dialog, const std::string& address) {
    for (int row = 0; row < RowCount(dialog); ++row) {
        if (ListCell(dialog, IDC_HUB_LIST, row, 0) == address)
            return row;
    }
    return -1;
}

// The site's address with another last part, free on the site.
std::string OnSite(const std::string& address, int lastPart) {
    return address.substr(0, address.rfind('.') + 1) + std::to_string(lastPart);
}

bool Checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

bool Enabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

void Press(HWND dialog, int id) {
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void SetAddress(HWND dialog, int id, DWORD address) {
    SendDlgItemMessageW(dialog, id, IPM_SETADDRESS, 0, static_cast<LPARAM>(address));
    NotifyFieldChanged(dialog, id);
}

std::string AddressOf(HWND dialog, int id) {
    return Narrow(ItemText(dialog, id));
}

bool HasBox(const BoxScript& boxes, const std::string& text) {
    const auto texts = boxes.Texts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST(WindowOnSite, FindsConnectsAndWritesTheAddressAndANumber) {
    const std::string hub = Env("KESTRUNE_SITE_HUB1");
    if (hub.empty())
        GTEST_SKIP() << "no test site: run through tests/windows/site-run.sh";
    const std::string moved = OnSite(hub, 21);
    BoxScript boxes;
    CConsoleWindow console(false);
    HWND window = console.Create(nullptr);
    ASSERT_NE(window, nullptr);

    // The one adapter of the PC's namespace is taken, and the search runs once the
    // window shows.
    ASSERT_TRUE(PumpUntil(
        window, [&] { return console.IsIdle() && RowCount(window) > 0; }, 20000))
        << LogText(window);
    EXPECT_EQ(AddressOf(window, IDC_ADAPTER_ADDRESS), Env("KESTRUNE_SITE_PC"));
    const int row = RowOf(window, hub);
    ASSERT_GE(row, 0) << LogText(window);
    EXPECT_FALSE(ListCell(window, IDC_HUB_LIST, row, 3).empty()) << "the model text";

    // A click on the row, then "Установить соединение".
    ClickListRow(window, IDC_HUB_LIST, row);
    EXPECT_EQ(AddressOf(window, IDC_CONNECT_ADDRESS), hub);
    ASSERT_TRUE(Enabled(window, IDC_CONNECT));
    Press(window, IDC_CONNECT);
    ASSERT_TRUE(PumpUntil(
        window,
        [&] {
            return console.IsIdle() && Enabled(window, IDC_WRITE_NUMBER) &&
                   AddressOf(window, IDC_HUB_IP_ADDRESS) == hub;
        },
        20000))
        << LogText(window);
    EXPECT_EQ(Narrow(ItemText(window, IDC_PHYSICAL_ADDRESS)), Env("KESTRUNE_SITE_HUB1_MAC"));
    EXPECT_EQ(AddressOf(window, IDC_HUB_SUBNET_MASK), "255.255.255.0");
    EXPECT_TRUE(Checked(window, IDC_LINK_1));
    EXPECT_FALSE(Checked(window, IDC_LINK_3));
    EXPECT_EQ(ItemText(window, IDC_WRITE_NUMBER), L"Записать");
    EXPECT_TRUE(Enabled(window, IDC_DISCONNECT));
    EXPECT_FALSE(Enabled(window, IDC_SEARCH_HUBS));

    // Number 3 for the controller with the jumper: both confirmations answered Yes.
    SetDlgItemTextW(window, IDC_CONTROLLER_NUMBER, L"3");
    Press(window, IDC_WRITE_NUMBER);
    ASSERT_TRUE(PumpUntil(
        window, [&] { return HasBox(boxes, "Номер контроллера успешно установлен"); }, 10000))
        << LogText(window);
    EXPECT_GE(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[0].caption, "Внимание");
    constexpr UINT kQuestion =
        MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING | MB_SYSTEMMODAL | MB_TOPMOST;
    EXPECT_EQ(MessageBoxFlags(boxes.boxes()[0]) & kQuestion, kQuestion);
    // The controller answers to its new number from the next link status on.
    EXPECT_TRUE(PumpUntil(
        window, [&] { return Checked(window, IDC_LINK_3); }, 8000));

    // The hub's new address: written, a pause, and the session ends.
    const auto movedAddress = ParseDottedQuad(moved);
    ASSERT_TRUE(movedAddress) << moved;
    SetAddress(window, IDC_HUB_IP_ADDRESS, *movedAddress);
    Press(window, IDC_APPLY_PARAMETERS);
    ASSERT_TRUE(PumpUntil(
        window, [&] { return console.IsIdle() && !Enabled(window, IDC_DISCONNECT); }, 10000))
        << LogText(window);
    const std::string log = LogText(window);
    EXPECT_NE(log.find("Установка IP параметров хаба произведена"), std::string::npos) << log;
    EXPECT_TRUE(SendDlgItemMessageW(window, IDC_HUB_IP_ADDRESS, IPM_ISBLANK, 0, 0));
    EXPECT_EQ(ItemText(window, IDC_WRITE_NUMBER), L"Нет связи");

    // A new search finds the hub where it moved.
    Press(window, IDC_SEARCH_HUBS);
    ASSERT_TRUE(PumpUntil(
        window, [&] { return console.IsIdle() && RowOf(window, moved) >= 0; }, 20000))
        << LogText(window);

    Press(window, IDCANCEL);
    EXPECT_FALSE(IsWindow(window));
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    InitCommonControlClasses();
    return RUN_ALL_TESTS();
}
