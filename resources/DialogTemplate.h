#pragma once

#include <span>

// A dialog layout as data: every control with its id, kind, caption, group, position in
// dialog units and initial state. The window classes build their widgets from these
// tables, so the layout can be read (and tested) in one place.
enum class ControlKind {
    StaticText,
    GroupBox,
    PushButton,
    DefaultPushButton,
    ListView,
    IpAddress,
    Edit,            // single line, border
    ReadOnlyEdit,    // single line, read-only, border
    NumberEdit,      // single line, digits only, border
    LogEdit,         // multi-line, read-only, both scroll bars
    RadioButton,     // not automatic
    AutoRadioButton, // automatic
    Icon,
};

// x, y, width, height in dialog units.
struct DialogRect {
    int x;
    int y;
    int width;
    int height;
};

struct ControlTemplate {
    int id;              // 0 for static texts and group boxes, which have none
    ControlKind kind;
    const char16_t* caption;
    DialogRect position;
    const char16_t* group; // the group box the control belongs to, or nullptr
    bool initiallyEnabled;
};

struct DialogTemplate {
    int id;
    const char16_t* caption;
    int width;  // dialog units
    int height; // dialog units
    std::span<const ControlTemplate> controls;
};

struct ListColumn {
    const char16_t* caption;
    int widthPixels; // as drawn for the template's 8-point font
    // The longest text the column must show whole, or nullptr. The pixel width was enough
    // for it in the template's font; a wider desktop font widens the column to hold it.
    const char16_t* widestText = nullptr;
};

inline constexpr char16_t kWidestAddressText[] = u"255.255.255.255";
