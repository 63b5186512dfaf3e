// The console's saves: the event log and the hub list, each to a file the person picks.
// The files are small (the log holds at most a few megabytes): they are written at once,
// on the console's thread.
#include "console/KestruneDlg.h"
#include "console/SavedFiles.h"

void CKestruneDlg::SaveLog() {
    const auto path = view_.ChooseSaveFile(
        {"Сохранить журнал", SuggestedFileName("kestrune-log", "txt", services_.localTime()),
         "Текстовые файлы", "txt"});
    if (path)
        SaveFile(*path, LogFileText(view_.LogText()));
}

void CKestruneDlg::SaveHubList() {
    const auto path = view_.ChooseSaveFile(
        {"Сохранить список хабов", SuggestedFileName("kestrune-hubs", "csv", services_.localTime()),
         "Таблицы CSV", "csv"});
    if (path)
        SaveFile(*path, HubListFileText(rows_));
}

void CKestruneDlg::SaveFile(const std::string& path, const std::string& bytes) {
    const std::string failure = services_.writeFile(path, bytes);
    if (!failure.empty())
        ShowAppMessage(SaveFailureText(path, failure), BoxIcon::Error);
}
