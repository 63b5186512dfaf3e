#include "resources/SelectAdapterTemplate.h"

#include "resources/ConsoleTemplate.h"

#include <array>

namespace {

constexpr auto kControls = std::to_array<ControlTemplate>({
    {0, ControlKind::StaticText, u"В компьютере обнаружено несколько сетевых адаптеров",
     {7, 7, 425, 8}, nullptr, true},
    {0, ControlKind::StaticText,
     u"Выберите из предлагаемого списка адаптер, через который будет производиться работа с "
     u"хабами",
     {7, 15, 425, 8}, nullptr, true},
    {IDC_ADAPTER_LIST, ControlKind::ListView, nullptr, {5, 26, 427, 71}, nullptr, true},
    // "ОК" in Cyrillic letters, as the dialog has always shown it.
    {IDOK, ControlKind::DefaultPushButton, u"\u041E\u041A", {321, 109, 50, 14}, nullptr, true},
    {IDCANCEL, ControlKind::PushButton, u"Отмена", {382, 109, 50, 14}, nullptr, true},
});

const ListColumn kColumns[] = {
    {u"Сетевое имя", 200},
    {u"IP адрес", 100, kWidestAddressText},
    {u"Описание", 400},
};

const DialogTemplate kSelectAdapter{120, u"Список сетевых адаптеров, обнаруженных в компьютере",
                                    439, 130, kControls};

} // namespace

const DialogTemplate& SelectAdapterTemplate() { return kSelectAdapter; }

std::span<const ListColumn> AdapterListColumns() { return kColumns; }
