#pragma once

#include "resources/DialogTemplate.h"

#include <span>
#include <vector>
#include <windows.h>

// The window's own styles, which the layout tables leave to each face.
struct DialogFrame {
    DWORD style;
    DWORD exStyle;
};

// A style one control adds to its kind's, by id.
struct ExtraControlStyle {
    int id;
    DWORD style;
};

// The dialog frame of each of the three windows: a caption bar with the close command, a
// fixed size, the 8-point shell font; the console also has a taskbar button of its own.
DialogFrame ConsoleFrame();
DialogFrame ChildDialogFrame();

// The window class and styles a control of this kind is created with.
struct ControlClass {
    const wchar_t* className;
    DWORD style; // WS_CHILD and WS_VISIBLE included
};
ControlClass ControlClassOf(ControlKind kind);

// The resource id of the program icon, which the template's icon control shows.
inline constexpr WORD kProgramIconId = 128;

// Builds a dialog template (DLGTEMPLATEEX, in memory, DWORD-aligned) from a layout
// table: every control in table order with its id, class, caption, position in dialog
// units and initial enabled state. Dialog units are the Win32 dialog's own, so positions
// go in as they stand.
std::vector<WORD> BuildDialogTemplate(const DialogTemplate& layout, DialogFrame frame,
                                      std::span<const ExtraControlStyle> extra = {});

inline const DLGTEMPLATE* AsDialogTemplate(const std::vector<WORD>& buffer) {
    return reinterpret_cast<const DLGTEMPLATE*>(buffer.data());
}
