#include "discovery/HubListCsv.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool StartsAsFormula(std::string_view text) {
    return !text.empty() && (text.front() == '=' || text.front() == '+' || text.front() == '-' ||
                             text.front() == '@');
}

void AppendLine(std::string& out, const HubCsvRow& row, CsvReader reader) {
    const auto cell = [reader](const std::string& text) {
        if (reader == CsvReader::Spreadsheet && StartsAsFormula(text))
            return CsvField("'" + text);
        return CsvField(text);
    };
    out += cell(row.address);
    out += ',';
    out += cell(row.physicalAddress);
    out += ',';
    out += cell(row.model);
    out += ',';
    out += cell(row.conflict);
    out += "\r\n";
}

} // namespace

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string HubListCsv(const HubCsvRow& header, const std::vector<HubCsvRow>& rows,
                       CsvReader reader) {
    std::string out;
    if (reader == CsvReader::Spreadsheet)
        out += kByteOrderMark;
    AppendLine(out, header, CsvReader::Program);
    for (const HubCsvRow& row : rows)
        AppendLine(out, row, reader);
    return out;
}
