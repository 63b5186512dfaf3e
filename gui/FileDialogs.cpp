#include "gui/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

SaveFileDialogHandler& Handler() {
    static SaveFileDialogHandler handler;
    return handler;
}

// The folder of the last save in this run; before it, the person's documents.
QString& LastFolder() {
    static QString folder;
    return folder;
}

std::optional<QString> ShowSaveFileDialog(const SaveFileDialogRequest& request) {
    QString folder = LastFolder();
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    const QString path =
        QFileDialog::getSaveFileName(request.owner, request.caption,
                                     QDir(folder).filePath(request.suggestedName), request.filter);
    if (path.isEmpty())
        return std::nullopt;
    LastFolder() = QFileInfo(path).absolutePath();
    return path;
}

} // namespace

std::optional<QString> ChooseSaveFileName(const SaveFileDialogRequest& request) {
    if (Handler())
        return Handler()(request);
    return ShowSaveFileDialog(request);
}

void SetSaveFileDialogHandler(SaveFileDialogHandler handler) {
    Handler() = std::move(handler);
}
