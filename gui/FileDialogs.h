#pragma once

#include <QString>
#include <functional>
#include <optional>

class QWidget;

// Every file dialog of the program goes through this one seam, as the message boxes go
// through theirs: production shows the standard dialog; tests install a handler that
// answers it.

struct SaveFileDialogRequest {
    QString caption;
    QString suggestedName; // without a folder
    QString filter;        // "Текстовые файлы (*.txt)"
    QWidget* owner = nullptr;
};

using SaveFileDialogHandler = std::function<std::optional<QString>(const SaveFileDialogRequest&)>;

// Shows the standard save dialog; the path chosen, or nothing when cancelled.
std::optional<QString> ChooseSaveFileName(const SaveFileDialogRequest& request);

// Replaces the dialog shown by ChooseSaveFileName; an empty handler restores it.
void SetSaveFileDialogHandler(SaveFileDialogHandler handler);
