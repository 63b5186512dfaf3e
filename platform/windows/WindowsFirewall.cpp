#include "platform/windows/WindowsFirewall.h"

#include "platform/windows/WideText.h"

// clang-format off
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <netfw.h>
// clang-format on

#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::windows {

namespace {

// The protocol number of a rule for every protocol; icftypes.h names only TCP and UDP.
constexpr LONG kProtocolAny = 256;

// The policy's class; netfw.h declares it, but mingw-w64's libuuid does not define it.
constexpr CLSID kNetFwPolicy2Class = {
    0xe2b3c97f, 0x6ae1, 0x41ac, {0x81, 0x7a, 0xf6, 0xf9, 0x21, 0x66, 0xd7, 0xdd}};

std::string HresultText(HRESULT result) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    std::string text = code;
    wchar_t* message = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(result), 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    if (length != 0 && message != nullptr) {
        std::wstring_view view(message, length);
        while (!view.empty() &&
               (view.back() == L'\r' || view.back() == L'\n' || view.back() == L' '))
            view.remove_suffix(1);
        text += " " + Utf8FromWide(view);
    }
    if (message != nullptr)
        ::LocalFree(message);
    return text;
}

// One COM reference, released when it goes.
template <typename T> class Com {
public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() {
        if (p_ != nullptr)
            p_->Release();
    }
    T** Out() { return &p_; }
    T* operator->() const { return p_; }
    T* Get() const { return p_; }

private:
    T* p_ = nullptr;
};

class Bstr {
public:
    Bstr() = default;
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { ::SysFreeString(s_); }
    BSTR* Out() { return &s_; }
    std::wstring_view View() const {
        return s_ != nullptr ? std::wstring_view(s_, ::SysStringLen(s_)) : std::wstring_view();
    }

private:
    BSTR s_ = nullptr;
};

bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::towlower(a[i]) != std::towlower(b[i]))
            return false;
    return true;
}

std::wstring OwnProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// An enabled inbound rule for UDP on the port, of a current profile, for every program or
// this one. Rules limited to some remote addresses or adapters are counted as covering:
// the hubs' addresses are not known here.
struct RuleVerdict {
    bool covers = false;
    bool blocks = false;
    std::string name;
};

RuleVerdict JudgeRule(INetFwRule* rule, LONG profiles, std::uint16_t port,
                      const std::wstring& ownPath) {
    RuleVerdict verdict;
    VARIANT_BOOL enabled = VARIANT_FALSE;
    NET_FW_RULE_DIRECTION direction = NET_FW_RULE_DIR_OUT;
    LONG protocol = 0;
    LONG ruleProfiles = 0;
    NET_FW_ACTION action = NET_FW_ACTION_ALLOW;
    Bstr ports, application, name;
    if (FAILED(rule->get_Enabled(&enabled)) || enabled == VARIANT_FALSE ||
        FAILED(rule->get_Direction(&direction)) || direction != NET_FW_RULE_DIR_IN ||
        FAILED(rule->get_Protocol(&protocol)) ||
        (protocol != NET_FW_IP_PROTOCOL_UDP && protocol != kProtocolAny) ||
        FAILED(rule->get_Profiles(&ruleProfiles)) || (ruleProfiles & profiles) == 0 ||
        FAILED(rule->get_Action(&action)))
        return verdict;
    // A rule for any protocol has no port list.
    if (protocol == NET_FW_IP_PROTOCOL_UDP &&
        (FAILED(rule->get_LocalPorts(ports.Out())) || !PortListCovers(ports.View(), port)))
        return verdict;
    if (FAILED(rule->get_ApplicationName(application.Out())) ||
        (!application.View().empty() && !EqualNoCase(application.View(), ownPath)))
        return verdict;
    rule->get_Name(name.Out());
    verdict.covers = true;
    verdict.blocks = action == NET_FW_ACTION_BLOCK;
    verdict.name = Utf8FromWide(name.View());
    return verdict;
}

std::string ProfileName(LONG profile) {
    switch (profile) {
    case NET_FW_PROFILE2_DOMAIN:
        return "domain";
    case NET_FW_PROFILE2_PRIVATE:
        return "private";
    case NET_FW_PROFILE2_PUBLIC:
        return "public";
    default:
        return std::to_string(profile);
    }
}

Reading<std::vector<FirewallDrop>> ReadPolicy(INetFwPolicy2* policy, std::uint16_t port) {
    Reading<std::vector<FirewallDrop>> reading;
    LONG current = 0;
    if (const HRESULT result = policy->get_CurrentProfileTypes(&current); FAILED(result)) {
        reading.whyNot = "the current profiles: " + HresultText(result);
        return reading;
    }
    // The profiles that are on, and the default block of each.
    LONG onProfiles = 0;
    std::vector<std::string> blockingDefaults;
    for (const LONG profile :
         {NET_FW_PROFILE2_DOMAIN, NET_FW_PROFILE2_PRIVATE, NET_FW_PROFILE2_PUBLIC}) {
        if ((current & profile) == 0)
            continue;
        const auto type = static_cast<NET_FW_PROFILE_TYPE2>(profile);
        VARIANT_BOOL on = VARIANT_FALSE;
        NET_FW_ACTION inbound = NET_FW_ACTION_ALLOW;
        if (const HRESULT result = policy->get_FirewallEnabled(type, &on); FAILED(result)) {
            reading.whyNot =
                "whether the " + ProfileName(profile) + " profile is on: " + HresultText(result);
            return reading;
        }
        if (on == VARIANT_FALSE)
            continue;
        onProfiles |= profile;
        if (const HRESULT result = policy->get_DefaultInboundAction(type, &inbound);
            FAILED(result)) {
            reading.whyNot = "the " + ProfileName(profile) +
                             " profile's default inbound action: " + HresultText(result);
            return reading;
        }
        if (inbound == NET_FW_ACTION_BLOCK)
            blockingDefaults.push_back(ProfileName(profile) +
                                       " profile: default inbound action block");
    }
    reading.value.emplace();
    if (onProfiles == 0)
        return reading;

    Com<INetFwRules> rules;
    Com<IUnknown> enumerator;
    Com<IEnumVARIANT> items;
    HRESULT result = policy->get_Rules(rules.Out());
    if (SUCCEEDED(result))
        result = rules->get__NewEnum(enumerator.Out());
    if (SUCCEEDED(result))
        result =
            enumerator->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(items.Out()));
    if (FAILED(result)) {
        reading.value.reset();
        reading.whyNot = "the rules: " + HresultText(result);
        return reading;
    }
    const std::wstring ownPath = OwnProgramPath();
    bool allowed = false;
    VARIANT item;
    ::VariantInit(&item);
    ULONG fetched = 0;
    while (items->Next(1, &item, &fetched) == S_OK && fetched == 1) {
        Com<INetFwRule> rule;
        if (item.vt == VT_DISPATCH && item.pdispVal != nullptr &&
            SUCCEEDED(item.pdispVal->QueryInterface(__uuidof(INetFwRule),
                                                    reinterpret_cast<void**>(rule.Out())))) {
            const RuleVerdict verdict = JudgeRule(rule.Get(), onProfiles, port, ownPath);
            if (verdict.covers && verdict.blocks)
                reading.value->push_back(FirewallDrop{verdict.name, false});
            allowed = allowed || (verdict.covers && !verdict.blocks);
        }
        ::VariantClear(&item);
    }
    // A block rule wins over an allow rule; the default applies where no rule allows.
    if (!allowed)
        for (std::string& where : blockingDefaults)
            reading.value->push_back(FirewallDrop{std::move(where), true});
    return reading;
}

} // namespace

bool PortListCovers(std::wstring_view ports, std::uint16_t port) {
    while (!ports.empty()) {
        const std::size_t comma = ports.find(L',');
        std::wstring_view entry = ports.substr(0, comma);
        ports = comma == std::wstring_view::npos ? std::wstring_view() : ports.substr(comma + 1);
        while (!entry.empty() && entry.front() == L' ')
            entry.remove_prefix(1);
        while (!entry.empty() && entry.back() == L' ')
            entry.remove_suffix(1);
        if (entry == L"*")
            return true;
        const std::wstring text(entry);
        unsigned low = 0, high = 0;
        wchar_t rest = 0;
        const int read = std::swscanf(text.c_str(), L"%u-%u%lc", &low, &high, &rest);
        if (read == 1 && text.find(L'-') == std::wstring::npos)
            high = low;
        else if (read != 2)
            continue; // a keyword ("RPC", "Teredo"): not this port
        if (low <= port && port <= high)
            return true;
    }
    return false;
}

FirewallReading ReadWindowsFirewall(std::uint16_t port) {
    FirewallReading reading{"Windows Firewall", {}};
    // A thread already in a single-threaded apartment may use COM as it is.
    const HRESULT joined = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(joined) && joined != RPC_E_CHANGED_MODE) {
        reading.drops.whyNot = "COM: " + HresultText(joined);
        return reading;
    }
    {
        Com<INetFwPolicy2> policy;
        const HRESULT created =
            ::CoCreateInstance(kNetFwPolicy2Class, nullptr, CLSCTX_INPROC_SERVER,
                               __uuidof(INetFwPolicy2), reinterpret_cast<void**>(policy.Out()));
        if (FAILED(created))
            reading.drops.whyNot = "the firewall's policy interface: " + HresultText(created);
        else
            reading.drops = ReadPolicy(policy.Get(), port);
    }
    if (SUCCEEDED(joined))
        ::CoUninitialize();
    return reading;
}

} // namespace platform::windows
