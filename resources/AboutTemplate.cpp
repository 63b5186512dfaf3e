#include "resources/AboutTemplate.h"

#include "resources/ConsoleTemplate.h"

#include <array>

namespace {

constexpr auto kControls = std::to_array<ControlTemplate>({
    {0, ControlKind::Icon, nullptr, {11, 14, 21, 20}, nullptr, true},
    {0, ControlKind::StaticText,
     u"Конфигурирование IP хабов «Тамрил».\nПрограммирование номеров контроллеров\nРедакция 3.15",
     {40, 10, 188, 36}, nullptr, true},
    {IDOK, ControlKind::DefaultPushButton, u"OK", {178, 56, 50, 14}, nullptr, true},
});

const DialogTemplate kAbout{126, u"О программе", 235, 77, kControls};

} // namespace

const DialogTemplate& AboutTemplate() { return kAbout; }
