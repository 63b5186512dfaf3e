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

// All of bytes into file; ERROR_SUCCESS, or why not.
DWORD WriteAll(HANDLE file, std::string_view bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        constexpr std::size_t kMaxStep = 1u << 30;
        const auto step = static_cast<DWORD>(std::min(bytes.size() - written, kMaxStep));
        DWORD done = 0;
        if (!::WriteFile(file, bytes.data() + written, step, &done, nullptr) || done == 0)
            return done == 0 && ::GetLastError() == ERROR_SUCCESS
                       ? static_cast<DWORD>(ERROR_WRITE_FAULT)
                       : ::GetLastError();
        written += done;
    }
    return ERROR_SUCCESS;
}

// A new file beside target, named after it, open for writing; INVALID_HANDLE_VALUE with
// the last error when none can be made.
HANDLE CreateTemporaryBeside(const std::wstring& target, std::wstring& temporary) {
    const std::size_t slash = target.find_last_of(L"\\/:");
    const std::size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
    const unsigned long long seed =
        ::GetTickCount64() ^ (static_cast<unsigned long long>(::GetCurrentProcessId()) << 32);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        temporary = target.substr(0, nameStart) + L"~" + target.substr(nameStart) + L"." +
                    std::to_wstring((seed + attempt) % 1000000) + L".tmp";
        const HANDLE file = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE ||
            (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS))
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

} // namespace

// The bytes go to a temporary file beside the target (the same volume, so the replace is a
// rename) and reach the disk before it replaces the target: a full disk or any other
// failure leaves the old file as it was and removes the temporary. ReplaceFileW keeps the
// replaced file's attributes and security; a target that is no more by then, or that it
// cannot replace, is moved over instead.
std::string WriteWholeFile(const std::string& path, std::string_view bytes) {
    const std::wstring target = windows::WideFromUtf8(path);
    std::wstring temporary;
    const HANDLE file = CreateTemporaryBeside(target, temporary);
    if (file == INVALID_HANDLE_VALUE)
        return Reason(::GetLastError());
    DWORD error = WriteAll(file, bytes);
    if (error == ERROR_SUCCESS && !::FlushFileBuffers(file))
        error = ::GetLastError();
    // A network folder may tell only on close.
    if (!::CloseHandle(file) && error == ERROR_SUCCESS)
        error = ::GetLastError();
    if (error == ERROR_SUCCESS) {
        const bool existed = ::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
        const bool replaced =
            (existed && ::ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                                       REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) ||
            ::MoveFileExW(temporary.c_str(), target.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (replaced)
            return {};
        error = ::GetLastError();
    }
    ::DeleteFileW(temporary.c_str());
    return Reason(error);
}

std::tm LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_s(&local, &now);
    return local;
}

} // namespace platform
