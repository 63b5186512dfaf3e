#include "console/SavedFiles.h"

#include "discovery/HubListCsv.h"
#include "platform/Utf8.h"
#include "resources/ConsoleTemplate.h"

#include <cstdio>

namespace {

// The list's columns as the template has them: address, name, physical address, model.
std::string ColumnCaption(std::size_t column) {
    return platform::Utf8FromUtf16(HubListColumns()[column].caption);
}

// A warning says one conflict a line; in a cell the lines read on as one paragraph.
std::string OneLine(std::string_view text) {
    std::string line;
    bool pendingSpace = false;
    for (const char c : text) {
        if (c == '\r' || c == '\n') {
            pendingSpace = !line.empty();
            continue;
        }
        if (pendingSpace)
            line += ' ';
        pendingSpace = false;
        line += c;
    }
    return line;
}

} // namespace

std::string SuggestedFileName(std::string_view stem, std::string_view extension,
                              const std::tm& localTime) {
    char stamp[80]; // room for any int the fields could hold
    std::snprintf(stamp, sizeof stamp, "-%04d-%02d-%02d-%02d%02d", localTime.tm_year + 1900,
                  localTime.tm_mon + 1, localTime.tm_mday, localTime.tm_hour, localTime.tm_min);
    return std::string(stem) + stamp + "." + std::string(extension);
}

std::string LogFileText(std::string_view logText) {
    std::string text;
    text.reserve(logText.size() + logText.size() / 32);
    for (std::size_t at = 0; at < logText.size(); ++at) {
        const char c = logText[at];
        if (c == '\r' || c == '\n') {
            text += "\r\n";
            if (c == '\r' && at + 1 < logText.size() && logText[at + 1] == '\n')
                ++at;
            continue;
        }
        text += c;
    }
    return text;
}

std::string HubListFileText(const std::vector<HubRow>& rows) {
    const HubCsvRow header{ColumnCaption(0), ColumnCaption(2), ColumnCaption(3), "Предупреждение"};
    std::vector<HubCsvRow> lines;
    lines.reserve(rows.size());
    for (const HubRow& row : rows)
        lines.push_back({row.address, row.physicalAddress, row.model, OneLine(row.warning)});
    return HubListCsv(header, lines, CsvReader::Spreadsheet);
}

std::string SaveFailureText(const std::string& path, const std::string& reason) {
    return "Не удалось сохранить файл «" + path + "»: " + reason;
}
