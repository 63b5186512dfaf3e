// Conflicting and foreign hub addresses after a search: the rows' marks, the log's lines
// and the question before a session, on the console's logic with fake services.
#include "tests/console/ConsoleFlow.h"

namespace {

class ConflictFlow : public ConsoleFlow {
protected:
    void ReplyFrom(const platform::Ipv4Address& source, const std::string& physical) {
        discovery.incoming.push_back({"IPH-4 2.05\r\n" + physical + "\r\n", source});
    }
    bool LastBoxHas(const std::string& text) const {
        return !view.boxes.empty() && view.boxes.back().text.find(text) != std::string::npos;
    }
};

TEST_F(ConflictFlow, RowsLogAndQuestionNameTheHubsThatShareAnAddress) {
    Adapters(1);
    ReplyFrom({198, 18, 20, 11}, "02-00-5E-12-14-0B");
    ReplyFrom({198, 18, 20, 12}, "02-00-5E-12-14-0C");
    ReplyFrom({198, 18, 20, 11}, "02-00-5E-12-14-0D");
    Open();
    const auto& rows = view.Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_NE(rows[0].warning.find("02-00-5E-12-14-0D"), std::string::npos) << rows[0].warning;
    EXPECT_NE(rows[2].warning.find("02-00-5E-12-14-0B"), std::string::npos) << rows[2].warning;
    EXPECT_TRUE(rows[1].warning.empty());
    // One line for the one conflict, after the search's own lines.
    EXPECT_TRUE(
        view.log.ends_with("Обнаружен хаб: \"IPH-4 2.05\", 198.18.20.11, 02-00-5E-12-14-0D\r\n"
                           "Конфликт адресов: с адреса 198.18.20.11 отвечают хабы с "
                           "физическими адресами 02-00-5E-12-14-0B, 02-00-5E-12-14-0D\r\n"))
        << view.log;

    // A double-click on the row asks first; No leaves everything as it was.
    const std::string logBefore = view.log;
    view.selectedRow = 2;
    view.answers.push_back(BoxAnswer::No);
    Click(&CKestruneDlg::OpenSelectedHub);
    clock.RunPending();
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].caption, "Внимание");
    EXPECT_EQ(view.boxes[0].buttons, BoxButtons::YesNo);
    EXPECT_TRUE(LastBoxHas("02-00-5E-12-14-0B, 02-00-5E-12-14-0D"));
    EXPECT_TRUE(LastBoxHas("выключите питание"));
    EXPECT_EQ(echo.requests, 0);
    EXPECT_EQ(view.log, logBefore);
    EXPECT_EQ(console->operation(), CKestruneDlg::Operation::None);
    EXPECT_TRUE(view.Enabled(IDC_CONNECT));

    // A typed address of a hub that conflicts with nothing is not asked about; Yes goes on.
    view.SetAddressText(IDC_CONNECT_ADDRESS, "198.18.20.12");
    echo.answers = false;
    Click(&CKestruneDlg::ConnectToHub);
    clock.RunPending();
    EXPECT_EQ(view.boxes.size(), 2u); // the connect's own error box, no question
    EXPECT_EQ(echo.requests, 1);
    view.SetAddressText(IDC_CONNECT_ADDRESS, "198.18.20.11");
    view.answers.push_back(BoxAnswer::Yes);
    Click(&CKestruneDlg::ConnectToHub);
    clock.RunPending();
    EXPECT_EQ(echo.requests, 2);
}

TEST_F(ConflictFlow, OnePhysicalAddressFromTwoAddressesIsOneLine) {
    Adapters(1);
    ReplyFrom({198, 18, 20, 11}, "02-00-5E-12-14-0B");
    ReplyFrom({198, 18, 20, 12}, "02:00:5e:12:14:0b");
    ReplyFrom({198, 18, 20, 12}, "02:00:5e:12:14:0b"); // answered twice: no new conflict
    Open();
    EXPECT_NE(view.Rows()[0].warning.find("198.18.20.12"), std::string::npos);
    EXPECT_NE(view.Rows()[2].warning.find("198.18.20.11"), std::string::npos);
    const std::string line = "Конфликт адресов: хаб с физическим адресом 02-00-5E-12-14-0B "
                             "отвечает с адресов 198.18.20.11, 198.18.20.12\r\n";
    EXPECT_TRUE(view.log.ends_with(line)) << view.log;
    EXPECT_EQ(view.log.find("Конфликт"), view.log.rfind("Конфликт"));
}

TEST_F(ConflictFlow, AForeignHubIsExplainedWithAFreeAddressOfItsSubnet) {
    Adapters(1);
    ReplyFrom({198, 18, 20, 11}, "02-00-5E-12-14-0B");
    ReplyFrom({198, 18, 21, 250}, "02-00-5E-12-15-FA");
    ReplyFrom({198, 18, 21, 7}, "02-00-5E-12-15-07");
    Open();
    EXPECT_TRUE(view.Rows()[0].warning.empty());
    EXPECT_NE(view.Rows()[2].warning.find("198.18.20.0"), std::string::npos);
    EXPECT_TRUE(LogHas("Хаб 198.18.21.7 (физический адрес 02-00-5E-12-15-07) находится вне "
                       "подсети 198.18.20.0\r\n"))
        << view.log;

    view.SetAddressText(IDC_CONNECT_ADDRESS, "198.18.21.7");
    view.answers.push_back(BoxAnswer::No);
    Click(&CKestruneDlg::ConnectToHub);
    ASSERT_EQ(view.boxes.size(), 1u);
    // .250 answered the search, so the next one down is offered.
    EXPECT_TRUE(LastBoxHas("198.18.21.249 с маской 255.255.255.0")) << view.boxes[0].text;
    EXPECT_TRUE(LastBoxHas("\"Выбор сетевого адаптера\""));
    EXPECT_EQ(echo.requests, 0);
}

} // namespace
