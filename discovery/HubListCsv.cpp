#include "discovery/HubListCsv.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool StartsAsFormula(std::string_view text) {
    return !text.empty() &&
           std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
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

std::string CsvCell(std::string_view text) {
    if (StartsAsFormula(text))
        return CsvField("'" + std::string(text));
    return CsvField(text);
}

std::string CsvRecord(const std::vector<std::string>& cells, std::string_view lineEnd) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0)
            line += ',';
        line += CsvCell(cells[i]);
    }
    line += lineEnd;
    return line;
}

std::string HubListCsv(const HubCsvRow& header, const std::vector<HubCsvRow>& rows,
                       CsvReader reader) {
    std::string out;
    if (reader == CsvReader::Spreadsheet)
        out += kByteOrderMark;
    const auto append = [&out](const HubCsvRow& row) {
        out += CsvRecord({row.address, row.physicalAddress, row.model, row.conflict}, "\r\n");
    };
    append(header);
    for (const HubCsvRow& row : rows)
        append(row);
    return out;
}
