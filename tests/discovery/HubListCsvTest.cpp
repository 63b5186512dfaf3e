#include "discovery/HubListCsv.h"

#include <gtest/gtest.h>

namespace {

const HubCsvRow kHeader{"address", "physical address", "model", "conflict"};

} // namespace

TEST(HubListCsv, FieldsWithTheSeparatorAQuoteOrALineEndAreQuotedWithQuotesDoubled) {
    EXPECT_EQ(CsvField("HUB-4 v2.1"), "HUB-4 v2.1");
    EXPECT_EQ(CsvField(""), "");
    EXPECT_EQ(CsvField("HUB, rev 2"), "\"HUB, rev 2\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("one\r\ntwo"), "\"one\r\ntwo\"");
    EXPECT_EQ(CsvField("one\ntwo"), "\"one\ntwo\"");
    EXPECT_EQ(CsvField("\""), "\"\"\"\"");
}

TEST(HubListCsv, HeaderThenOneLineAHubInTheRowsOrderEachEndingWithCrLf) {
    const std::vector<HubCsvRow> rows = {
        {"198.18.0.20", "00-04-A3-01-02-03", "Хаб \"Т\", 3.1", ""},
        {"198.18.0.3", "00-04-A3-01-02-04", "HUB", "same address as 198.18.0.20"},
    };
    EXPECT_EQ(HubListCsv(kHeader, rows),
              "address,physical address,model,conflict\r\n"
              "198.18.0.20,00-04-A3-01-02-03,\"Хаб \"\"Т\"\", 3.1\",\r\n"
              "198.18.0.3,00-04-A3-01-02-04,HUB,same address as 198.18.0.20\r\n");
    EXPECT_EQ(HubListCsv(kHeader, {}), "address,physical address,model,conflict\r\n");
}

TEST(HubListCsv, ForASpreadsheetAMarkLeadsAndAHubTextCannotStartAFormula) {
    const std::vector<HubCsvRow> rows = {
        {"198.18.0.20", "00-04-A3-01-02-03", "=HYPERLINK(\"x\")", ""},
        {"198.18.0.21", "00-04-A3-01-02-05", "-1+2", "@x"},
        {"198.18.0.22", "00-04-A3-01-02-06", "HUB=4", ""},
    };
    EXPECT_EQ(HubListCsv(kHeader, rows, CsvReader::Spreadsheet),
              "\xEF\xBB\xBF"
              "address,physical address,model,conflict\r\n"
              "198.18.0.20,00-04-A3-01-02-03,\"'=HYPERLINK(\"\"x\"\")\",\r\n"
              "198.18.0.21,00-04-A3-01-02-05,'-1+2,'@x\r\n"
              "198.18.0.22,00-04-A3-01-02-06,HUB=4,\r\n");
    // A program reading the output gets no mark, and the same guard.
    EXPECT_EQ(HubListCsv(kHeader, rows).substr(0, 7), "address");
    EXPECT_NE(HubListCsv(kHeader, rows).find("\"'=HYPERLINK"), std::string::npos);
}

TEST(HubListCsv, ACellStartingWithATabOrACrIsGuardedToo) {
    EXPECT_EQ(CsvRecord({"\t=1+1", "\r=1", "a\tb", "+"}, "\n"), "'\t=1+1,\"'\r=1\",a\tb,'+\n");
}
