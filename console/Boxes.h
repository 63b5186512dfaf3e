#pragma once

#include <string>

// The message boxes the console asks its face to show. Every box of the program goes
// through the view's one seam (ConsoleView::ShowBox), so that tests answer the boxes and
// read their texts.
enum class BoxIcon { None, Information, Warning, Error, Stop };
enum class BoxButtons { Ok, YesNo };
enum class BoxAnswer { Ok, Yes, No };

struct BoxRequest {
    std::string text;
    std::string caption;
    BoxIcon icon = BoxIcon::None;
    BoxButtons buttons = BoxButtons::Ok;
    bool defaultNo = false; // Yes/No boxes: No is the default button
    bool topmost = false;   // confirmations stay above every other window
    // A question before the hub's controllers are touched: a box of its own, owned by no
    // window, above the windows of every program (the Qt face keeps its stay-on-top box).
    bool systemModal = false;
};

// The program title, the caption of the application's own boxes.
inline constexpr const char* kProgramTitle = "Kestrune";
// The caption of the confirmations.
inline constexpr const char* kConfirmationCaption = "Внимание";

// The application's own box: the program title as caption, an OK button.
BoxRequest AppMessage(const std::string& text, BoxIcon icon = BoxIcon::None);
// A confirmation: "Внимание", the warning icon, Yes and No with No the default, on top.
BoxRequest Confirmation(const std::string& text);
// A confirmation, system-modal and with no owner window: the questions before a
// controller's number is written.
BoxRequest SystemConfirmation(const std::string& text);
