#include "resources/AboutTemplate.h"
#include "resources/ConsoleTemplate.h"
#include "resources/SelectAdapterTemplate.h"
#include "tests/adapters/FakeAdapterSource.h"
#include "tests/win32/WindowDriver.h"
#include "win32/ConsoleWindow.h"
#include "win32/DialogTemplateBuilder.h"
#include "win32/KestruneApp.h"
#include "win32/WideText.h"
#include "win32/Win32Scheduler.h"

#include <atomic>
#include <commctrl.h>
#include <gtest/gtest.h>
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
