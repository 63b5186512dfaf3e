#pragma once

#include "resources/DialogTemplate.h"

// Template 100, the console window, and the ids of its controls.
enum ConsoleControlId {
    // The dialog's OK and cancel commands; where the Windows headers already define
    // them, with these same values, theirs stand.
#if !defined(IDOK)
    IDOK = 1,
#endif
#if !defined(IDCANCEL)
    IDCANCEL = 2,
#endif
    IDC_APPLY_PARAMETERS = 101,     // "Применить"
    IDC_CONNECT = 102,              // "Установить соединение"
    IDC_DISCONNECT = 103,           // "Разорвать соединение"
    IDC_LOG = 104,                  // the event log
    IDC_HUB_LIST = 105,             // the hubs found
    IDC_HUB_IP_ADDRESS = 106,       // the hub's IP address
    IDC_CONNECT_ADDRESS = 107,      // the hub address to connect to
    IDC_HUB_SUBNET_MASK = 108,
    IDC_HUB_GATEWAY = 109,
    IDC_SEARCH_HUBS = 110,          // "Поиск хабов"
    IDC_PHYSICAL_ADDRESS = 111,
    IDC_ADAPTER_ADDRESS = 112,
    IDC_ADAPTER_MASK = 113,
    IDC_SELECT_ADAPTER = 114,       // "Выбор сетевого адаптера"
    IDC_CLEAR_LOG = 115,            // "Очистить журнал"
    IDC_ADAPTER_LIST = 116,         // the selection dialog's list
    IDC_ABOUT_ADAPTERS = 117,       // "Об адаптерах"
    IDC_WRITE_NUMBER = 118,         // "Записать"
    IDC_CONTROLLER_NUMBER = 119,
    IDC_LINK_1 = 121,
    IDC_LINK_2 = 122,
    IDC_LINK_3 = 123,
    IDC_LINK_4 = 124,
};
// The link indicators of controllers 1..4.
inline constexpr int kLinkIndicatorIds[] = {IDC_LINK_1, IDC_LINK_2, IDC_LINK_3, IDC_LINK_4};

const DialogTemplate& ConsoleTemplate();
std::span<const ListColumn> HubListColumns();

// The console's title line, first line of every log (UTF-8, as every text of the core).
inline constexpr char kTitleLine[] = "КонФигУрирование IP хабов «Тамрил». Редакция 3.15\r\n";

// The window menu's commands beside the About item: the log as a text file (also on
// Ctrl+S) and the hub list as a table.
inline constexpr char16_t kSaveLogCommandText[] = u"Сохранить журнал...";
inline constexpr char16_t kSaveHubListCommandText[] = u"Сохранить список хабов...";
