#pragma once

#include "console/ConsoleView.h"

#include <functional>
#include <optional>
#include <string>
#include <windows.h>

// The standard dialog for saving a file goes through this one seam, so that tests can
// answer it. Production shows GetSaveFileNameW; tests install an answerer with
// SetSaveFileHandler. Texts and the path are UTF-8.
using SaveFileHandler =
    std::function<std::optional<std::string>(const SaveFileRequest& request, HWND owner)>;

// The path the person chose (console thread only), or nothing when they cancelled.
std::optional<std::string> ChooseSaveFileName(const SaveFileRequest& request, HWND owner);

// Replaces the dialog shown by ChooseSaveFileName; an empty handler restores the real one.
void SetSaveFileHandler(SaveFileHandler handler);
