#pragma once

#include "console/Boxes.h"

#include <functional>
#include <windows.h>

// Every message box of the Win32 face goes through this one seam, so that tests can
// answer the boxes and read their texts. Production shows MessageBoxW; tests install a
// scripted answerer with SetMessageBoxHandler. Texts are UTF-8, as the console gives them.
// The handler is given the box's owner window: none for a system-modal box.
using MessageBoxHandler = std::function<BoxAnswer(const BoxRequest& request, HWND owner)>;

// Shows a box (console thread only) and returns the user's answer. The owner is the
// window the box belongs to; a system-modal box belongs to none, but the owner is disabled
// while it is up.
BoxAnswer ShowMessageBox(const BoxRequest& request, HWND owner);

// Replaces the box shown by ShowMessageBox; an empty handler restores the real boxes.
void SetMessageBoxHandler(MessageBoxHandler handler);

// The MessageBoxW flags of a box: its icon, buttons, default button and stacking.
UINT MessageBoxFlags(const BoxRequest& request);
