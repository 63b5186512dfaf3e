#include "resources/ConsoleTemplate.h"

#include <array>

namespace {

constexpr const char16_t* kAdapterGroup = u"Параметры выбранного сетевого адаптера";
constexpr const char16_t* kConnectionGroup = u"Подключение к хабу";
constexpr const char16_t* kParametersGroup = u"Параметры Интернет протокола (TCP/IP) в хабе";
constexpr const char16_t* kNumberGroup = u"Запись номера контроллера";
constexpr const char16_t* kLinkGroup = u"Состояние связи с контроллерами";

using K = ControlKind;

// Group boxes come first so that they lie beneath the controls drawn over them.
constexpr auto kControls = std::to_array<ControlTemplate>({
    {0, K::GroupBox, kAdapterGroup, {5, 85, 235, 49}, nullptr, true},
    {0, K::GroupBox, kConnectionGroup, {6, 135, 234, 60}, nullptr, true},
    {0, K::GroupBox, kParametersGroup, {247, 85, 185, 76}, nullptr, true},
    {0, K::GroupBox, kNumberGroup, {248, 164, 184, 31}, nullptr, true},
    {0, K::GroupBox, kLinkGroup, {5, 196, 427, 26}, nullptr, true},
    {0, K::StaticText, u"Список обнаруженных хабов", {8, 3, 100, 8}, nullptr, true},
    {IDC_HUB_LIST, K::ListView, nullptr, {5, 11, 427, 71}, nullptr, true},
    {0, K::StaticText, u"Адрес сетевого адаптера:", {21, 101, 96, 8}, kAdapterGroup, true},
    {IDC_ADAPTER_ADDRESS, K::IpAddress, nullptr, {129, 99, 100, 12}, kAdapterGroup, false},
    {0, K::StaticText, u"Маска подсети адаптера:", {22, 115, 102, 8}, kAdapterGroup, true},
    {IDC_ADAPTER_MASK, K::IpAddress, nullptr, {129, 113, 100, 12}, kAdapterGroup, false},
    {0, K::StaticText, u"IP адрес хаба:", {21, 147, 49, 8}, kConnectionGroup, true},
    {IDC_CONNECT_ADDRESS, K::IpAddress, nullptr, {129, 146, 100, 12}, kConnectionGroup, true},
    {0, K::StaticText, u"Физический адрес:", {21, 161, 66, 8}, kConnectionGroup, true},
    {IDC_PHYSICAL_ADDRESS, K::ReadOnlyEdit, nullptr, {129, 160, 99, 12}, kConnectionGroup, true},
    {IDC_CONNECT, K::PushButton, u"Установить соединение", {21, 175, 89, 14}, kConnectionGroup,
     false},
    {IDC_DISCONNECT, K::PushButton, u"Разорвать соединение", {139, 175, 89, 14}, kConnectionGroup,
     false},
    {0, K::StaticText, u"IP адрес:", {257, 101, 58, 8}, kParametersGroup, true},
    {IDC_HUB_IP_ADDRESS, K::IpAddress, nullptr, {325, 99, 100, 12}, kParametersGroup, true},
    {0, K::StaticText, u"Маска подсети:", {257, 115, 63, 8}, kParametersGroup, true},
    {IDC_HUB_SUBNET_MASK, K::IpAddress, nullptr, {325, 113, 100, 12}, kParametersGroup, true},
    {0, K::StaticText, u"Основной шлюз:", {257, 129, 63, 8}, kParametersGroup, true},
    {IDC_HUB_GATEWAY, K::IpAddress, nullptr, {325, 127, 100, 12}, kParametersGroup, true},
    {IDC_APPLY_PARAMETERS, K::PushButton, u"Применить", {331, 142, 89, 14}, kParametersGroup,
     false},
    {0, K::StaticText, u"Адресный номер", {254, 174, 59, 8}, kNumberGroup, true},
    {0, K::StaticText, u" контроллера (ID)", {254, 182, 62, 8}, kNumberGroup, true},
    {IDC_CONTROLLER_NUMBER, K::NumberEdit, nullptr, {331, 175, 24, 14}, kNumberGroup, true},
    {IDC_WRITE_NUMBER, K::PushButton, u"Нет связи", {368, 175, 59, 14}, kNumberGroup, false},
    {IDC_LINK_1, K::RadioButton, u"Контроллер 1", {67, 207, 63, 10}, kLinkGroup, false},
    {IDC_LINK_2, K::AutoRadioButton, u"Контроллер 2", {147, 207, 63, 10}, kLinkGroup, false},
    {IDC_LINK_3, K::AutoRadioButton, u"Контроллер 3", {227, 207, 63, 10}, kLinkGroup, false},
    {IDC_LINK_4, K::AutoRadioButton, u"Контроллер 4", {307, 207, 63, 10}, kLinkGroup, false},
    {IDC_LOG, K::LogEdit, nullptr, {5, 229, 427, 93}, nullptr, true},
    {IDC_ABOUT_ADAPTERS, K::PushButton, u"Об адаптерах", {5, 328, 73, 14}, nullptr, true},
    {IDC_SELECT_ADAPTER, K::PushButton, u"Выбор сетевого адаптера", {90, 328, 109, 14}, nullptr,
     true},
    {IDC_SEARCH_HUBS, K::PushButton, u"Поиск хабов", {207, 328, 70, 14}, nullptr, true},
    {IDC_CLEAR_LOG, K::PushButton, u"Очистить журнал", {285, 328, 74, 14}, nullptr, true},
    {IDCANCEL, K::PushButton, u"Закончить", {366, 328, 66, 14}, nullptr, true},
});

const ListColumn kHubColumns[] = {
    {u"IP адрес", 100, kWidestAddressText},
    {u"Сетевое имя", 150},
    {u"Физический адрес", 200},
    {u"Модель, редакция прошивки", 400},
};

const DialogTemplate kConsole{100, u"Конфигурирование IP хабов «Тамрил» 3.15", 437, 350,
                              kControls};

} // namespace

const DialogTemplate& ConsoleTemplate() { return kConsole; }

std::span<const ListColumn> HubListColumns() { return kHubColumns; }
