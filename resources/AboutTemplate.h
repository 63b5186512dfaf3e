#pragma once

#include "resources/DialogTemplate.h"

// Template 126, the About box.
const DialogTemplate& AboutTemplate();

// String 127: the About command of the window's menu.
inline constexpr char16_t kAboutCommandText[] = u"&О программе Kestrune...";
// The menu command that opens the About box; commands 16 to 31 all do.
inline constexpr unsigned kAboutCommandId = 16;
