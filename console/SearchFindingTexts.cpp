#include "console/SearchFindingTexts.h"

namespace {

std::string Holders(const std::vector<platform::PortHolder>& holders) {
    std::string text;
    for (const platform::PortHolder& holder : holders) {
        if (!text.empty())
            text += ", ";
        if (holder.pid == 0)
            text += "программа, которую система не называет";
        else
            text += (holder.program.empty() ? std::string("процесс") : holder.program) + " (PID " +
                    std::to_string(holder.pid) + ")";
    }
    return text;
}

std::string Drops(const std::vector<platform::FirewallDrop>& drops) {
    std::string text;
    for (const platform::FirewallDrop& drop : drops) {
        if (!text.empty())
            text += "; ";
        text += drop.byPolicy ? drop.rule + " по умолчанию отбрасывает пакеты, и ни одно правило "
                                            "не пропускает UDP 30303"
                              : "правило " + drop.rule;
    }
    return text;
}

// What a check is about, for the "not checked" line.
std::string Subject(const SearchFinding& finding, const std::string& adapter) {
    switch (finding.check) {
    case SearchCheck::Cable:
        return "связь по кабелю у адаптера " + adapter;
    case SearchCheck::AdapterKind:
        return "тип адаптера " + adapter;
    case SearchCheck::Port:
        return "занят ли порт UDP 30303 другой программой";
    case SearchCheck::Firewall:
        return "брандмауэр " + finding.source;
    case SearchCheck::ReversePath:
        return "фильтрация обратного пути (rp_filter)";
    }
    return {};
}

std::string Fine(const SearchFinding& finding, const std::string& adapter) {
    switch (finding.check) {
    case SearchCheck::Cable:
        return "у адаптера " + adapter + " есть связь по кабелю";
    case SearchCheck::AdapterKind:
        return "адаптер " + adapter + " проводной";
    case SearchCheck::Port:
        return std::string("порт UDP 30303 не занят другими программами") +
               (finding.someHoldersHidden ? " (процессы других пользователей не видны)" : "");
    case SearchCheck::Firewall:
        return "брандмауэр " + finding.source + " пропускает UDP 30303";
    case SearchCheck::ReversePath:
        return "фильтрация обратного пути (rp_filter) не мешает поиску";
    }
    return {};
}

std::string Wrong(const SearchFinding& finding, const std::string& adapter) {
    switch (finding.check) {
    case SearchCheck::Cable:
        return finding.adapterDisabled
                   ? "Адаптер " + adapter + " выключен: включите его в настройках сети"
                   : "Нет связи по кабелю у адаптера " + adapter +
                         ": проверьте кабель и питание коммутатора";
    case SearchCheck::AdapterKind:
        return finding.kind == platform::AdapterKind::Wireless
                   ? "Адаптер " + adapter +
                         " беспроводной (Wi-Fi): хабы подключают к проводной "
                         "сети, выберите проводной адаптер"
                   : "Адаптер " + adapter + " - туннель VPN (" + finding.kindName +
                         "): хабов за ним нет, выберите адаптер локальной сети";
    case SearchCheck::Port:
        return "Порт UDP 30303 занят: " + Holders(finding.holders) +
               ". Закройте эту программу и повторите поиск";
    case SearchCheck::Firewall:
        return "Брандмауэр " + finding.source + " отбрасывает UDP 30303: " + Drops(finding.drops);
    case SearchCheck::ReversePath:
        return "Строгая фильтрация обратного пути (rp_filter = 1) при " +
               std::to_string(finding.addressCount) +
               " адресах компьютера: ответы хабов из другой подсети отбрасываются системой. "
               "Установите net.ipv4.conf.all.rp_filter и net.ipv4.conf." +
               adapter + ".rp_filter в 2";
    }
    return {};
}

} // namespace

std::string SearchFindingLines(const std::vector<SearchFinding>& findings,
                               const std::string& adapter) {
    std::string lines;
    for (const SearchFinding& finding : findings) {
        switch (finding.verdict) {
        case SearchVerdict::Fine:
            lines += "Проверено: " + Fine(finding, adapter) + "\r\n";
            break;
        case SearchVerdict::NotChecked:
            lines += "Не проверено: " + Subject(finding, adapter) +
                     (finding.reason.empty() ? "" : " (" + finding.reason + ")") + "\r\n";
            break;
        case SearchVerdict::Wrong:
            lines += Wrong(finding, adapter) + "\r\n";
            break;
        }
    }
    return lines;
}
