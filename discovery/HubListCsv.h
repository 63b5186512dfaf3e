#pragma once

#include <string>
#include <string_view>
#include <vector>

// One hub of the list as a line of the exported table. The conflict is already worded by
// the face (the window's in Russian, the command line's in English); empty when none.
struct HubCsvRow {
    std::string address;
    std::string physicalAddress;
    std::string model;
    std::string conflict;
};

// Who reads the table. A spreadsheet program opened from a saved file needs a UTF-8
// byte order mark to read Cyrillic; a program reading the tool's output wants none.
enum class CsvReader { Program, Spreadsheet };

// A field as CSV writes it: within double quotes, with its quotes doubled, when it holds
// a comma, a double quote, a CR or an LF; as it is otherwise.
std::string CsvField(std::string_view text);

// A cell as every CSV of the program writes it. A spreadsheet runs a cell that starts
// with '=', '+', '-', '@', a TAB or a CR as a formula, and whoever opens the tool's
// output in one is the one at risk: a hub's model line is whatever the hub sent, so such
// a cell is given a leading apostrophe; then it is a CsvField.
std::string CsvCell(std::string_view text);

// One record: the cells as CsvCell writes them, separated by commas, then lineEnd.
std::string CsvRecord(const std::vector<std::string>& cells, std::string_view lineEnd);

// The header, then one line per row in the rows' order; fields separated by commas,
// every line ending with "\r\n"; a byte order mark first for a spreadsheet.
std::string HubListCsv(const HubCsvRow& header, const std::vector<HubCsvRow>& rows,
                       CsvReader reader = CsvReader::Program);
