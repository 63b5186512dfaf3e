// The window's real message boxes while they are up: which window owns each and whether
// it stays above every other window, as Windows reports it.
#include "tests/adapters/FakeAdapterSource.h"
#include "tests/win32/WindowDriver.h"
#include "win32/ConsoleWindow.h"

#include <gtest/gtest.h>

namespace {

// What a timer on the box's own modal loop saw of the box; then it answers No or OK.
struct BoxSeen {
    bool up = false;
    HWND owner = nullptr;
    bool topmost = false;
    bool windowEnabled = true; // the console's window, while the box is up
};

struct Inspection {
    HWND window = nullptr;
    BoxSeen seen;
    UINT_PTR timer = 0;
} inspection;

BOOL CALLBACK FindBox(HWND candidate, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(candidate, name, 16);
    if (IsWindowVisible(candidate) && std::wstring(name) == L"#32770") {
        *reinterpret_cast<HWND*>(found) = candidate;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK InspectBox(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr)
        return;
    KillTimer(nullptr, inspection.timer);
    BoxSeen& seen = inspection.seen;
    seen.up = true;
    seen.owner = GetWindow(box, GW_OWNER);
    seen.topmost = (GetWindowLongPtrW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    seen.windowEnabled = IsWindowEnabled(inspection.window) != FALSE;
    const int answer = GetDlgItem(box, IDNO) != nullptr ? IDNO : IDOK;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
}

// Shows the box for real, through the console's window, and reports what was seen.
BoxSeen ShowAndInspect(ConsoleView& view, HWND window, const BoxRequest& request) {
    inspection = Inspection{};
    inspection.window = window;
    inspection.timer = SetTimer(nullptr, 0, 20, InspectBox);
    view.ShowBox(request);
    KillTimer(nullptr, inspection.timer);
    return inspection.seen;
}

TEST(MessageBoxOwner, TheNumberWritesQuestionsHaveNoOwnerAndStayOnTop) {
    ConsoleServices services;
    services.adapters = std::make_shared<FakeAdapterSource>();
    CConsoleWindow console(false, services);
    HWND window = nullptr;
    {
        // The start-up's box (no adapter) is answered by the script; the rest are real.
        window_driver::BoxScript startup;
        window = console.Create(nullptr);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(window_driver::PumpUntil(
            window, [&] { return console.IsIdle(); }, 10000));
    }

    const BoxSeen question =
        ShowAndInspect(console, window, SystemConfirmation("Процедура записи номера контроллера"));
    ASSERT_TRUE(question.up);
    EXPECT_EQ(question.owner, nullptr);
    EXPECT_TRUE(question.topmost);
    EXPECT_FALSE(question.windowEnabled) << "the window takes no clicks meanwhile";
    EXPECT_TRUE(IsWindowEnabled(window)) << "and takes them again after the answer";

    // The window's other boxes and questions stay the window's own. (Wine does not make an
    // owned box topmost even with MB_TOPMOST; only the owner is checked here.)
    for (const BoxRequest& request : {AppMessage("Сетевые адаптеры в компьютере не обнаружены"),
                                      Confirmation("Подключиться к хабу?")}) {
        const BoxSeen owned = ShowAndInspect(console, window, request);
        ASSERT_TRUE(owned.up) << request.text;
        EXPECT_EQ(owned.owner, window) << request.text;
        EXPECT_FALSE(owned.windowEnabled) << request.text;
    }
    EXPECT_TRUE(IsWindowEnabled(window));
    DestroyWindow(window);
}

} // namespace
