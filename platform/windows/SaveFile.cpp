#include "platform/SaveFile.h"

#include "platform/windows/WideText.h"

#include <algorithm>
#include <windows.h>

namespace platform {

namespace {

// The system's text for the error, in the system's language, without its line end.
std::string Reason(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0 || text == nullptr)
        return "error " + std::to_string(error);
    std::wstring_view view(text, length);
    while (!view.empty() && (view.back() == L'\n' || view.back() == L'\r' || view.back() == L' '))
        view.remove_suffix(1);
    std::string result = windows::Utf8FromWide(view);
    ::LocalFree(text);
    return result;
}

} // namespace

std::string WriteWholeFile(const std::string& path, std::string_view bytes) {
    const std::wstring widePath = windows::WideFromUtf8(path);
    HANDLE file = ::CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Reason(::GetLastError());
    std::size_t written = 0;
    while (written < bytes.size()) {
        constexpr std::size_t kMaxStep = 1u << 30;
        const auto step = static_cast<DWORD>(std::min(bytes.size() - written, kMaxStep));
        DWORD done = 0;
        if (!::WriteFile(file, bytes.data() + written, step, &done, nullptr) || done == 0) {
            const DWORD error = done == 0 && ::GetLastError() == ERROR_SUCCESS
                                    ? static_cast<DWORD>(ERROR_WRITE_FAULT)
                                    : ::GetLastError();
            ::CloseHandle(file);
            return Reason(error);
        }
        written += done;
    }
    // A network folder may tell only on close.
    if (!::CloseHandle(file))
        return Reason(::GetLastError());
    return {};
}

std::tm LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_s(&local, &now);
    return local;
}

} // namespace platform
