// What the console tells after a search beyond the hubs themselves, on its logic with
// fake services: conflicting and foreign hub addresses (the rows' marks, the log's lines,
// the question before a session), and why a search found nothing.
#include "discovery/DiscoveryReply.h"
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
    EXPECT_FALSE(view.boxes[0].systemModal) << "a question of the window, owned by it";
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

TEST_F(ConflictFlow, AFloodFromOneHostIsCappedAndNamesAFewHubsAndTheCountOfTheRest) {
    Adapters(1);
    constexpr int kReplies = 5000;
    for (int i = 0; i < kReplies; ++i)
        ReplyFrom({198, 18, 20, 66}, "02-00-00-00-" + std::to_string(10000 + i));
    Open();
    ASSERT_EQ(view.Rows().size(), kDiscoveryMaxRows);
    // The burst's lines came while the console's thread was busy: written in one piece.
    EXPECT_LT(view.logAppends, 10);
    EXPECT_TRUE(view.Rows()[0].warning.ends_with(
        "02-00-00-00-10008 и ещё " + std::to_string(kDiscoveryMaxRows - 9) + ".\n"))
        << view.Rows()[0].warning;
    EXPECT_NE(view.log.find("Список хабов ограничен 4096 строками, не учтено ответов: " +
                            std::to_string(kReplies - kDiscoveryMaxRows) + "\r\n"),
              std::string::npos);
    EXPECT_TRUE(view.log.ends_with("02-00-00-00-10008 и ещё " +
                                   std::to_string(kDiscoveryMaxRows - 9) + "\r\n"));
    EXPECT_EQ(view.log.find("Конфликт"), view.log.rfind("Конфликт"));
}

TEST_F(ConflictFlow, AHubsTextCannotForgeALogLineNorDriveATerminal) {
    Adapters(1);
    discovery.incoming.push_back(
        {"IPH-4\nОбнаружен хаб: \"X\"\x1b[2J\t2.05\r\n02-00\n\r\n", {198, 18, 20, 11}});
    Open();
    EXPECT_NE(view.log.find("Обнаружен хаб: \"IPH-4\u240aОбнаружен хаб: \"X\"\u241b[2J\t2.05\", "
                            "198.18.20.11, 02-00\u240a\r\n"),
              std::string::npos)
        << view.log;
    ASSERT_EQ(view.Rows().size(), 1u);
    EXPECT_EQ(view.Rows()[0].model, "IPH-4\u240aОбнаружен хаб: \"X\"\u241b[2J\u24092.05");
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

TEST_F(ConsoleFlow, AnEmptySearchEndsWithOneLinePerCheckInTheLog) {
    Adapters(1);
    platform::SearchSystemFacts& facts = diagnosis->facts;
    facts.enabled.value = true;
    facts.carrier.value = false;
    facts.kind.whyNot = "sysfs does not show test0";
    facts.portHolders.value = platform::PortHolders{{{4242, "nc"}, {}}, false};
    facts.firewalls.push_back({"nftables", {{{{"inet filter input handle 3", false}}}, {}}});
    facts.firewalls.push_back({"ufw", {std::nullopt, "/etc/ufw/user.rules: Permission denied"}});
    facts.reversePathFilter.value = 1;
    facts.addressCount.value = 2;
    Open();
    EXPECT_EQ(diagnosis->asked, std::vector<std::string>{"test0"});
    EXPECT_EQ(diagnosis->ports, std::vector<std::uint16_t>{DISCOVERY_PORT});
    const std::string noHubs = "Хабы в подсети 198.18.20.0 не обнаружены\r\n";
    ASSERT_TRUE(LogHas(noHubs)) << view.log;
    const std::string findings = view.log.substr(view.log.find(noHubs) + noHubs.size());
    // Cable, adapter kind, port, each firewall, reverse path: one line each, in that order.
    const std::vector<std::string> expected = {
        "Нет связи по кабелю у адаптера test0",
        "Не проверено: тип адаптера test0 (sysfs",
        "Порт UDP 30303 занят: nc (PID 4242), программа, которую система не называет",
        "Брандмауэр nftables отбрасывает UDP 30303: правило inet filter input handle 3",
        "Не проверено: брандмауэр ufw (/etc/ufw/user.rules: Permission denied)",
        "Строгая фильтрация обратного пути (rp_filter = 1) при 2 адресах компьютера"};
    std::size_t at = 0;
    for (const std::string& line : expected) {
        EXPECT_EQ(findings.compare(at, line.size(), line), 0) << findings;
        at = findings.find("\r\n", at) + 2;
    }
    EXPECT_EQ(at, findings.size()) << findings;
    EXPECT_EQ(console->operation(), CKestruneDlg::Operation::None);

    // A search that finds a hub asks nothing of the PC.
    Reply("IPH-4 2.05\r\n02-00-5E-12-14-0B\r\n", 11);
    Click(&CKestruneDlg::OnSearchHubsButton);
    clock.RunPending();
    EXPECT_EQ(diagnosis->asked.size(), 1u);
}

TEST_F(ConsoleFlow, AClearPcSideSaysWhatWasChecked) {
    Adapters(1);
    platform::SearchSystemFacts& facts = diagnosis->facts;
    facts.enabled.value = facts.carrier.value = true;
    facts.kind.value = platform::AdapterKind::Wired;
    facts.portHolders.value = platform::PortHolders{};
    facts.firewalls.push_back({"nftables", {std::vector<platform::FirewallDrop>{}, {}}});
    facts.reversePathFilter.value = 1; // strict, but with one address there is no other way
    facts.addressCount.value = 1;
    Open();
    EXPECT_TRUE(view.log.ends_with("не обнаружены\r\n"
                                   "Проверено: у адаптера test0 есть связь по кабелю\r\n"
                                   "Проверено: адаптер test0 проводной\r\n"
                                   "Проверено: порт UDP 30303 не занят другими программами\r\n"
                                   "Проверено: брандмауэр nftables пропускает UDP 30303\r\n"
                                   "Проверено: фильтрация обратного пути (rp_filter) не мешает "
                                   "поиску\r\n"))
        << view.log;
}

} // namespace
