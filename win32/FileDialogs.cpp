#include "win32/FileDialogs.h"

#include "win32/WideText.h"

#include <algorithm>
#include <commdlg.h>
#include <vector>

namespace {

SaveFileHandler& Handler() {
    static SaveFileHandler handler;
    return handler;
}

// The longest path the dialog hands back, in UTF-16 units.
constexpr DWORD kPathCapacity = 32768;

} // namespace

std::optional<std::string> ChooseSaveFileName(const SaveFileRequest& request, HWND owner) {
    if (Handler())
        return Handler()(request, owner);
    // The filter is pairs of texts, each ending with a NUL, and one NUL more at the end.
    const std::wstring extension = Wide(request.extension);
    std::wstring filter = Wide(request.typeName) + L" (*." + extension + L")";
    filter.push_back(L'\0');
    filter += L"*." + extension;
    filter.push_back(L'\0');
    filter.push_back(L'\0');
    const std::wstring caption = Wide(request.caption);
    std::vector<wchar_t> path(kPathCapacity, L'\0');
    const std::wstring suggested = Wide(request.suggestedName);
    suggested.copy(path.data(), std::min<std::size_t>(suggested.size(), kPathCapacity - 1));

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = kPathCapacity;
    dialog.lpstrTitle = caption.c_str();
    dialog.lpstrDefExt = extension.c_str();
    dialog.Flags =
        OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog))
        return std::nullopt;
    return Narrow(path.data());
}

void SetSaveFileHandler(SaveFileHandler handler) {
    Handler() = std::move(handler);
}
