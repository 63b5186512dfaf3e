#pragma once

// The window menu's commands besides About (kAboutCommandId, 16). Window menu commands
// are multiples of 16 below 0xF000: a window system keeps their low four bits. The log's
// is also the command of Ctrl+S, and neither is the id of a control of the window.
inline constexpr unsigned kSaveLogCommandId = 0x20;
inline constexpr unsigned kSaveHubListCommandId = 0x30;
