#include "win32/DialogTemplateBuilder.h"

#include "win32/WideText.h"

#include <commctrl.h>
#include <string_view>

namespace {

// The template's font: 8 points of the shell's dialog font, which Windows maps to the
// desktop's own face (Tahoma, Segoe UI).
constexpr WORD kPointSize = 8;
constexpr wchar_t kFontFace[] = L"MS Shell Dlg";

class TemplateWriter {
public:
    void Word(WORD value) { words_.push_back(value); }
    void Dword(DWORD value) {
        Word(LOWORD(value));
        Word(HIWORD(value));
    }
    void Short(int value) { Word(static_cast<WORD>(static_cast<short>(value))); }
    void Text(std::wstring_view text) {
        for (wchar_t c : text)
            Word(static_cast<WORD>(c));
        Word(0);
    }
    void Ordinal(WORD value) {
        Word(0xFFFF);
        Word(value);
    }
    // Every item of a template starts on a DWORD boundary.
    void AlignToDword() {
        if (words_.size() % 2 != 0)
            Word(0);
    }
    void SetWord(std::size_t index, WORD value) { words_[index] = value; }
    std::size_t size() const { return words_.size(); }
    std::vector<WORD> Take() { return std::move(words_); }

private:
    std::vector<WORD> words_;
};

DWORD ExtraStyleOf(int id, std::span<const ExtraControlStyle> extra) {
    DWORD style = 0;
    for (const ExtraControlStyle& item : extra) {
        if (id != 0 && item.id == id)
            style |= item.style;
    }
    return style;
}

} // namespace

DialogFrame ConsoleFrame() {
    return {DS_SETFONT | DS_FIXEDSYS | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION |
                WS_SYSMENU,
            WS_EX_APPWINDOW};
}

DialogFrame ChildDialogFrame() {
    return {DS_SETFONT | DS_FIXEDSYS | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION |
                WS_SYSMENU,
            0};
}

ControlClass ControlClassOf(ControlKind kind) {
    constexpr DWORD child = WS_CHILD | WS_VISIBLE;
    switch (kind) {
    case ControlKind::StaticText:
        return {L"Static", child | SS_LEFT | SS_NOPREFIX};
    case ControlKind::GroupBox:
        return {L"Button", child | BS_GROUPBOX};
    case ControlKind::PushButton:
        return {L"Button", child | WS_TABSTOP | BS_PUSHBUTTON};
    case ControlKind::DefaultPushButton:
        return {L"Button", child | WS_TABSTOP | BS_DEFPUSHBUTTON};
    case ControlKind::ListView:
        return {WC_LISTVIEWW,
                child | WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS};
    case ControlKind::IpAddress:
        return {WC_IPADDRESSW, child | WS_TABSTOP};
    case ControlKind::Edit:
        return {L"Edit", child | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL};
    case ControlKind::ReadOnlyEdit:
        return {L"Edit", child | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | ES_READONLY};
    case ControlKind::NumberEdit:
        return {L"Edit", child | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL | ES_NUMBER};
    case ControlKind::LogEdit:
        return {L"Edit", child | WS_TABSTOP | WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                             ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL};
    case ControlKind::RadioButton:
        return {L"Button", child | BS_RADIOBUTTON};
    case ControlKind::AutoRadioButton:
        return {L"Button", child | BS_AUTORADIOBUTTON};
    case ControlKind::Icon:
        // The icon is drawn at the control's size rather than the control shrunk to the icon's.
        return {L"Static", child | SS_ICON | SS_REALSIZECONTROL};
    }
    return {L"Static", child};
}

std::vector<WORD> BuildDialogTemplate(const DialogTemplate& layout, DialogFrame frame,
                                      std::span<const ExtraControlStyle> extra) {
    TemplateWriter out;
    out.Word(1);      // dlgVer
    out.Word(0xFFFF); // signature: the extended template
    out.Dword(0);     // helpID
    out.Dword(frame.exStyle);
    out.Dword(frame.style);
    out.Word(static_cast<WORD>(layout.controls.size()));
    out.Short(0);
    out.Short(0);
    out.Short(layout.width);
    out.Short(layout.height);
    out.Word(0); // no menu
    out.Word(0); // the dialog class
    out.Text(WideTemplateText(layout.caption));
    out.Word(kPointSize);
    out.Word(FW_NORMAL);
    out.Word(MAKEWORD(FALSE, DEFAULT_CHARSET)); // italic, charset
    out.Text(kFontFace);

    bool previousWasRadio = false;
    for (const ControlTemplate& control : layout.controls) {
        const ControlClass controlClass = ControlClassOf(control.kind);
        const bool radio = control.kind == ControlKind::RadioButton ||
                           control.kind == ControlKind::AutoRadioButton;
        DWORD style = controlClass.style | ExtraStyleOf(control.id, extra);
        // Each control starts a group of its own, but the link indicators are one group,
        // so that the arrow keys move among them as among any radio buttons.
        if (!(radio && previousWasRadio))
            style |= WS_GROUP;
        if (!control.initiallyEnabled)
            style |= WS_DISABLED;
        previousWasRadio = radio;

        out.AlignToDword();
        out.Dword(0); // helpID
        out.Dword(0); // exStyle
        out.Dword(style);
        out.Short(control.position.x);
        out.Short(control.position.y);
        out.Short(control.position.width);
        out.Short(control.position.height);
        out.Dword(static_cast<DWORD>(control.id == 0 ? -1 : control.id));
        out.Text(controlClass.className);
        if (control.kind == ControlKind::Icon)
            out.Ordinal(kProgramIconId);
        else
            out.Text(WideTemplateText(control.caption));
        out.Word(0); // no creation data
    }
    return out.Take();
}
