#include "win32/Settings.h"

#include "win32/WideText.h"

#include <vector>
#include <windows.h>

namespace {

// A value that is missing, of another type or unreadable loads as empty.
std::string LoadRegistryString(const std::string& name) {
    const std::wstring valueName = Wide(name);
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, valueName.c_str(), RRF_RT_REG_SZ, nullptr,
                     nullptr, &size) != ERROR_SUCCESS ||
        size == 0)
        return {};
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, valueName.c_str(), RRF_RT_REG_SZ, nullptr,
                     text.data(), &size) != ERROR_SUCCESS)
        return {};
    return Narrow(text.data());
}

// Creates the key when needed; a value that cannot be written is not remembered.
void StoreRegistryString(const std::string& name, const std::string& value) {
    const std::wstring valueName = Wide(name);
    const std::wstring text = Wide(value);
    RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, valueName.c_str(), REG_SZ, text.c_str(),
                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

} // namespace

ConsoleServices WithRegistrySettings(const ConsoleServices& services) {
    ConsoleServices withSettings = services;
    if (!withSettings.loadSetting)
        withSettings.loadSetting = LoadRegistryString;
    if (!withSettings.storeSetting)
        withSettings.storeSetting = StoreRegistryString;
    return withSettings;
}
