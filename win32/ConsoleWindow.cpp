#include "win32/ConsoleWindow.h"

#include "console/AddressFields.h"
#include "resources/AboutTemplate.h"
#include "resources/ConsoleTemplate.h"
#include "win32/AboutDlg.h"
#include "win32/EventLog.h"
#include "win32/FileDialogs.h"
#include "win32/ListView.h"
#include "win32/MessageBoxes.h"
#include "win32/SelectNetworkAdapter.h"
#include "win32/WideText.h"

#include <algorithm>
#include <array>
#include <commctrl.h>
#include <utility>
#include <vector>

namespace {

constexpr int kAddressFieldCount = 4;

// The four edit fields of an IP address control, left to right.
std::vector<HWND> AddressFieldEdits(HWND control) {
    std::vector<HWND> fields;
    for (HWND child = GetWindow(control, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        if (lstrcmpiW(name, L"Edit") == 0)
            fields.push_back(child);
    }
    std::sort(fields.begin(), fields.end(), [](HWND a, HWND b) {
        RECT ra{}, rb{};
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.left < rb.left;
    });
    return fields;
}

} // namespace

CConsoleWindow::CConsoleWindow(bool debugMode, const ConsoleServices& services)
    : CTemplateDialog(ConsoleTemplate(), ConsoleFrame()),
      console_(std::make_unique<CKestruneDlg>(*this, scheduler_, debugMode, services)) {}

CConsoleWindow::~CConsoleWindow() {
    // The console goes first: it closes the session while its view is still whole.
    console_.reset();
}

void CConsoleWindow::AddCommandsToSystemMenu() {
    HMENU menu = GetSystemMenu(hwnd(), FALSE);
    if (menu == nullptr)
        return;
    wchar_t text[128] = {};
    if (LoadStringW(GetModuleHandleW(nullptr), kAboutCommandStringId, text, 128) <= 0)
        return;
    AppendMenuW(menu, MF_STRING, kSaveLogCommandId, WideTemplateText(kSaveLogCommandText));
    AppendMenuW(menu, MF_STRING, kSaveHubListCommandId, WideTemplateText(kSaveHubListCommandText));
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kAboutCommandId, text);
}

namespace {

// The console windows of this thread whose keys the message filter translates.
thread_local std::vector<std::pair<HWND, HACCEL>> filteredWindows;
thread_local HHOOK messageFilter = nullptr;

} // namespace

LRESULT CALLBACK CConsoleWindow::MessageFilter(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX && lParam != 0) {
        MSG& message = *reinterpret_cast<MSG*>(lParam);
        for (const auto& [window, accelerators] : filteredWindows) {
            // Only keys for the window or its controls: a box or a file dialog over it
            // keeps its own.
            if ((message.hwnd == window || IsChild(window, message.hwnd)) &&
                TranslateAcceleratorW(window, accelerators, &message))
                return TRUE;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CConsoleWindow::InstallAccelerators() {
    ACCEL saveLog{};
    saveLog.fVirt = FCONTROL | FVIRTKEY;
    saveLog.key = 'S';
    saveLog.cmd = static_cast<WORD>(kSaveLogCommandId);
    accelerators_ = CreateAcceleratorTableW(&saveLog, 1);
    if (accelerators_ == nullptr)
        return;
    if (messageFilter == nullptr)
        messageFilter =
            SetWindowsHookExW(WH_MSGFILTER, &MessageFilter, nullptr, GetCurrentThreadId());
    filteredWindows.emplace_back(hwnd(), accelerators_);
}

void CConsoleWindow::RemoveAccelerators() {
    std::erase_if(filteredWindows, [this](const auto& entry) { return entry.first == hwnd(); });
    if (filteredWindows.empty() && messageFilter != nullptr)
        UnhookWindowsHookEx(std::exchange(messageFilter, nullptr));
    if (accelerators_ != nullptr)
        DestroyAcceleratorTable(std::exchange(accelerators_, nullptr));
}

BOOL CConsoleWindow::OnInitDialog() {
    scheduler_.Attach(hwnd());
    AddCommandsToSystemMenu();
    InstallAccelerators();
    SetProgramIcon();
    hubList_.Prepare(Item(IDC_HUB_LIST));
    PrepareLogControl(Item(IDC_LOG));
    console_->OnInitDialog();
    // When the start-up put the focus somewhere, it stays there.
    HWND focus = GetFocus();
    return focus == nullptr || !IsChild(hwnd(), focus);
}

INT_PTR CConsoleWindow::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY:
        OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        return FALSE;
    case WM_SYSCOMMAND:
        // The console's own commands of the window menu; every other command is the
        // system's.
        return console_ != nullptr && console_->OnMenuCommand(static_cast<unsigned>(wParam));
    case WM_PAINT:
        if (console_ != nullptr && console_->OnPaint()) {
            // The window is on the screen: what the start-up still has to do (the
            // search) begins once this paint is over.
            scheduler_.Post([this] {
                if (console_ != nullptr)
                    console_->OnFirstPaint();
            });
        }
        return FALSE;
    case WM_TIMER:
        return scheduler_.OnTimer(wParam);
    case WM_RUN_POSTED_TASKS:
        scheduler_.RunPosted();
        return TRUE;
    case WM_DESTROY:
        // The session closes while the window is whole; what is still posted or timed
        // is dropped with it.
        console_.reset();
        scheduler_.Detach();
        RemoveAccelerators();
        return FALSE;
    default:
        return FALSE;
    }
}

bool CConsoleWindow::OnCommand(int id, int code) {
    // An accelerator's command (Ctrl+S) comes with code 1.
    constexpr int kAcceleratorCode = 1;
    if (code == kAcceleratorCode && id == static_cast<int>(kSaveLogCommandId))
        return console_ != nullptr && console_->OnMenuCommand(kSaveLogCommandId);
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDCANCEL:
        End(IDCANCEL);
        return true;
    case IDOK:
        // Enter outside a push button: commit the form, then close.
        if (console_ != nullptr && console_->OnOK())
            End(IDOK);
        return true;
    default:
        // Every other push button: the console knows which of them it acts on.
        return console_ != nullptr && console_->OnButtonClicked(id);
    }
}

void CConsoleWindow::OnNotify(const NMHDR& header) {
    const int id = static_cast<int>(header.idFrom);
    if (id == IDC_HUB_LIST) {
        if (header.code == LVN_COLUMNCLICK) {
            hubList_.OnColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        } else if (header.code == LVN_GETINFOTIPW) {
            hubList_.OnGetInfoTip(
                const_cast<NMLVGETINFOTIPW&>(reinterpret_cast<const NMLVGETINFOTIPW&>(header)));
        } else if (console_ == nullptr) {
            return;
        } else if (header.code == NM_CLICK) {
            console_->OnHubListSelectionChanged();
        } else if (header.code == NM_DBLCLK) {
            console_->OnHubListActivated();
        } else if (header.code == LVN_KEYDOWN &&
                   reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_SPACE) {
            // The list handles the key first (its selection moves), then the console
            // looks at the selection.
            scheduler_.Post([this] {
                if (console_ != nullptr)
                    console_->OnHubListSelectionChanged();
            });
        }
        return;
    }
    if (header.code == IPN_FIELDCHANGED && console_ != nullptr)
        console_->OnFieldEdited(id);
}

// The view.

void CConsoleWindow::SetControlText(int id, const std::string& text) {
    SetDlgItemTextW(hwnd(), id, Wide(text).c_str());
}

std::string CConsoleWindow::ControlText(int id) const {
    HWND control = Item(id);
    if (control == nullptr)
        return {};
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int read = GetWindowTextW(control, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(read > 0 ? read : 0));
    return Narrow(text);
}

void CConsoleWindow::EnableControl(int id, bool enabled) {
    if (HWND control = Item(id))
        EnableWindow(control, enabled);
}

bool CConsoleWindow::IsControlEnabled(int id) const {
    HWND control = Item(id);
    return control != nullptr && IsWindowEnabled(control);
}

void CConsoleWindow::CheckControl(int id, bool checked) {
    if (HWND control = Item(id))
        SendMessageW(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CConsoleWindow::FocusControl(int id, bool selectText) {
    HWND control = Item(id);
    if (control == nullptr)
        return;
    // The dialog's own way to move the focus, which also moves the default button's
    // frame; it selects an edit's whole text.
    SendMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    if (!selectText)
        SendMessageW(control, EM_SETSEL, static_cast<WPARAM>(-1), 0);
}

void CConsoleWindow::FocusPreviousControl() {
    SendMessageW(hwnd(), WM_NEXTDLGCTL, 1, FALSE);
}

int CConsoleWindow::FocusedControl() const {
    // A part of an address control stands for its control.
    HWND window = GetFocus();
    while (window != nullptr && GetParent(window) != hwnd())
        window = GetParent(window);
    if (window == nullptr)
        return 0;
    const int id = GetDlgCtrlID(window);
    return id > 0 ? id : 0;
}

void CConsoleWindow::SetAddress(int id, std::uint32_t value) {
    SendDlgItemMessageW(hwnd(), id, IPM_SETADDRESS, 0, static_cast<LPARAM>(value));
}

void CConsoleWindow::SetAddressText(int id, const std::string& dotted) {
    if (const auto value = ParseDottedQuad(dotted))
        SetAddress(id, *value);
    else
        ClearAddress(id);
}

void CConsoleWindow::ClearAddress(int id) {
    SendDlgItemMessageW(hwnd(), id, IPM_CLEARADDRESS, 0, 0);
}

AddressParts CConsoleWindow::AddressFields(int id) const {
    AddressParts parts;
    HWND control = Item(id);
    if (control == nullptr || SendMessageW(control, IPM_ISBLANK, 0, 0))
        return parts;
    DWORD value = 0;
    const auto filled = SendMessageW(control, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&value));
    const std::array<int, kAddressFieldCount> numbers{
        FIRST_IPADDRESS(value), SECOND_IPADDRESS(value), THIRD_IPADDRESS(value),
        FOURTH_IPADDRESS(value)};
    const std::vector<HWND> edits = AddressFieldEdits(control);
    for (int i = 0; i < kAddressFieldCount; ++i) {
        // A blank field reads as 0 in the address: the field's own text tells them apart.
        const bool blank = edits.size() == kAddressFieldCount
                               ? GetWindowTextLengthW(edits[static_cast<std::size_t>(i)]) == 0
                               : filled < kAddressFieldCount;
        if (!blank)
            parts[static_cast<std::size_t>(i)] = numbers[static_cast<std::size_t>(i)];
    }
    return parts;
}

std::string CConsoleWindow::AddressText(int id) const {
    return AddressFieldsText(AddressFields(id));
}

void CConsoleWindow::ShowHubRows(const std::vector<HubRow>& rows) {
    hubList_.Show(rows);
}

std::optional<int> CConsoleWindow::SelectedHubRow() const {
    return hubList_.SelectedRow();
}

void CConsoleWindow::AppendToLog(const std::string& text) {
    AppendToLogControl(Item(IDC_LOG), Wide(text));
}

void CConsoleWindow::ClearLog() {
    SetDlgItemTextW(hwnd(), IDC_LOG, L"");
}

BoxAnswer CConsoleWindow::ShowBox(const BoxRequest& request) {
    return ShowMessageBox(request, hwnd());
}

std::string CConsoleWindow::LogText() const {
    return ControlText(IDC_LOG);
}

AdapterChoice CConsoleWindow::ChooseAdapter(const AdapterList& adapters,
                                            std::optional<int> preselected) {
    // Owned by the console's window, which takes no input while it runs; at start-up the
    // window is not shown yet, and the dialog comes first.
    CSelectNetworkAdapter dialog(adapters, preselected);
    return dialog.Choose(hwnd());
}

std::optional<std::string> CConsoleWindow::ChooseSaveFile(const SaveFileRequest& request) {
    return ChooseSaveFileName(request, hwnd());
}

void CConsoleWindow::ShowAbout() {
    CAboutDlg about;
    about.DoModal(hwnd());
}
