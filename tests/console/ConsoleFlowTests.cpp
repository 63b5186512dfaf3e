// The console's flows on its logic alone: a recording view, fake OS services, a virtual
// clock, and for the session a hub of the test's own on loopback. No root, no real waits.
#include "tests/console/ConsoleFlow.h"

using namespace std::chrono_literals;

namespace {

constexpr const char* kNoAdapters = "Сетевые адаптеры в компьютере не обнаружены";

TEST_F(ConsoleFlow, OneAdapterShowsTheWindowFirstThenSearches) {
    Adapters(1);
    Reply("IPH-4 2.05\r\n02-00-5E-12-14-0B\r\n", 11);
    console = std::make_unique<CKestruneDlg>(view, clock, false, Services());
    console->OnInitDialog();
    // Before the first paint: the adapter is shown and nothing is searched yet.
    EXPECT_EQ(view.log, kTitle);
    EXPECT_EQ(view.AddressText(IDC_ADAPTER_ADDRESS), "198.18.20.1");
    EXPECT_FALSE(view.Enabled(IDC_SELECT_ADAPTER));
    EXPECT_EQ(view.ControlText(IDC_WRITE_NUMBER), "Нет связи");
    for (int id : {IDC_CONNECT, IDC_DISCONNECT, IDC_APPLY_PARAMETERS, IDC_WRITE_NUMBER, IDC_LINK_1})
        EXPECT_FALSE(view.Enabled(id)) << id;

    console->OnFirstPaint();
    // The search runs off the console's thread; meanwhile the search cannot start again.
    EXPECT_EQ(console->operation(), CKestruneDlg::Operation::Search);
    EXPECT_FALSE(view.Enabled(IDC_SEARCH_HUBS));
    clock.RunPending();
    EXPECT_EQ(console->operation(), CKestruneDlg::Operation::None);
    EXPECT_TRUE(view.Enabled(IDC_SEARCH_HUBS));
    EXPECT_EQ(view.log, kTitle + "Поиск хабов в подсети 198.18.20.0\r\n"
                                 "Обнаружен хаб: \"IPH-4 2.05\", 198.18.20.11, 02-00-5E-12-14-0B\r\n");
    ASSERT_EQ(view.Rows().size(), 1u);
    EXPECT_EQ(view.Rows()[0].model, "IPH-4 2.05");
    EXPECT_TRUE(view.boxes.empty());
}

TEST_F(ConsoleFlow, NoAdaptersSaySoAndASearchIsAnImproperArgument) {
    Open();
    EXPECT_EQ(view.BoxTexts(), std::vector<std::string>{kNoAdapters});
    EXPECT_EQ(view.boxes[0].icon, BoxIcon::Warning);
    EXPECT_EQ(view.boxes[0].caption, "Kestrune");
    EXPECT_FALSE(view.Enabled(IDC_SELECT_ADAPTER));
    Click(&CKestruneDlg::OnSearchHubsButton);
    EXPECT_EQ(view.boxes.back().text, "Encountered an improper argument.");
    EXPECT_EQ(view.boxes.back().icon, BoxIcon::Stop);
    EXPECT_EQ(view.log, kTitle);
    EXPECT_TRUE(view.Enabled(IDC_SEARCH_HUBS)); // nothing was started, nothing stays held
}

TEST_F(ConsoleFlow, SeveralAdaptersAreChosenFromOrTheStartIsLeftAtThat) {
    Adapters(2);
    view.choices.push_back({false, 0});
    Open();
    EXPECT_EQ(view.choicesShown, 1);
    EXPECT_EQ(view.log, kTitle); // cancelled: no search
    EXPECT_TRUE(view.AddressText(IDC_ADAPTER_ADDRESS).empty());

    view.choices.push_back({true, 1});
    Click(&CKestruneDlg::SelectAdapter);
    clock.RunPending();
    EXPECT_EQ(console->adapterList().chosenIndex, 1);
    EXPECT_EQ(view.AddressText(IDC_ADAPTER_ADDRESS), "198.18.21.1");
    EXPECT_TRUE(LogHas("Поиск хабов в подсети 198.18.21.0\r\nХабы в подсети 198.18.21.0 не обнаружены\r\n"));
}

TEST_F(ConsoleFlow, SelectingARowTakesItsAddressAndTheSelectionSurvivesASearch) {
    Adapters(1);
    Reply("IPH-4 2.05\r\n02-00-5E-12-14-0B\r\n", 11);
    Reply("IPH-4 0.98\r\n02-00-5E-12-14-0C\r\n", 12);
    Open();
    view.selectedRow = 1;
    Click(&CKestruneDlg::SyncHubSelection);
    EXPECT_EQ(view.AddressText(IDC_CONNECT_ADDRESS), "198.18.20.12");
    EXPECT_EQ(view.ControlText(IDC_PHYSICAL_ADDRESS), "02-00-5E-12-14-0C");
    EXPECT_TRUE(view.Enabled(IDC_CONNECT));
    EXPECT_EQ(console->hubList().selectedHubIndex, 1);

    // A search disables "connect" first, runs, and leaves the selected index alone.
    Click(&CKestruneDlg::OnSearchHubsButton);
    EXPECT_FALSE(view.Enabled(IDC_CONNECT));
    clock.RunPending();
    EXPECT_FALSE(view.Enabled(IDC_CONNECT));
    EXPECT_EQ(console->hubList().selectedHubIndex, 1);
    EXPECT_EQ(console->hubList().hubAddresses.size(), 2u);
}

TEST_F(ConsoleFlow, AnEchoThatFailsOrAMissingServiceEndsTheConnectWithItsBox) {
    Adapters(1, true);
    Open();
    echo.answers = false;
    view.SetAddressText(IDC_CONNECT_ADDRESS, "127.0.0.1");
    Click(&CKestruneDlg::ConnectToHub);
    clock.RunPending();
    EXPECT_EQ(console->operation(), CKestruneDlg::Operation::None);
    const std::string error = "Ошибка подключения к хабу 127.0.0.1 \r\n";
    EXPECT_TRUE(view.log.ends_with(error)) << view.log;
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, error);
    EXPECT_EQ(view.boxes[0].icon, BoxIcon::Error);
    EXPECT_FALSE(console->session().IsSocketOpen());

    echo.missing = "raw-сокет ICMP недоступен: нет права cap_net_raw";
    Click(&CKestruneDlg::ConnectToHub);
    clock.RunPending();
    EXPECT_TRUE(view.log.ends_with("Нет службы эхо-запросов: raw-сокет ICMP недоступен: нет права "
                                   "cap_net_raw\r\n" + error))
        << view.log;
}

TEST_F(ConsoleFlow, ASessionShowsWhatTheHubSaysAndEndsOnDisconnect) {
    Adapters(1, true);
    Hub(AnsweringHub());
    Open();
    Connect();
    EXPECT_TRUE(LogHas("Подключение к хабу 127.0.0.1 успешно произведено\r\n"
                       "Физический адрес хаба: 02-00-5E-12-00-0B\r\n"))
        << view.log;
    EXPECT_EQ(view.ControlText(IDC_PHYSICAL_ADDRESS), "02-00-5E-12-00-0B");
    EXPECT_EQ(view.AddressText(IDC_HUB_IP_ADDRESS), "127.0.0.1");
    EXPECT_EQ(view.AddressText(IDC_HUB_SUBNET_MASK), "255.0.0.0");
    EXPECT_TRUE(view.Checked(IDC_LINK_1));
    EXPECT_FALSE(view.Checked(IDC_LINK_2));
    EXPECT_TRUE(view.Enabled(IDC_DISCONNECT));
    EXPECT_TRUE(view.Enabled(IDC_APPLY_PARAMETERS));
    EXPECT_FALSE(view.Enabled(IDC_CONNECT));
    EXPECT_FALSE(view.Enabled(IDC_SEARCH_HUBS));

    Click(&CKestruneDlg::DisconnectFromHub);
    EXPECT_TRUE(view.log.ends_with("Подключение к хабу разорвано\r\n"));
    EXPECT_FALSE(console->session().IsSocketOpen());
    EXPECT_EQ(view.ControlText(IDC_WRITE_NUMBER), "Нет связи");
    EXPECT_FALSE(view.Checked(IDC_LINK_1));
    EXPECT_TRUE(view.AddressText(IDC_HUB_IP_ADDRESS).empty());
    EXPECT_TRUE(view.Enabled(IDC_SEARCH_HUBS));
    EXPECT_FALSE(view.Enabled(IDC_DISCONNECT));
    EXPECT_TRUE(view.boxes.empty());
}

TEST_F(ConsoleFlow, AWindowClosedWhileItsConnectRunsLeavesTheResultToNobody) {
    Adapters(1, true);
    Hub(AnsweringHub());
    Open();
    view.SetAddressText(IDC_CONNECT_ADDRESS, "127.0.0.1");
    Click(&CKestruneDlg::ConnectToHub); // the connect's result is queued, not yet taken
    const std::string before = view.log;
    console.reset();
    clock.RunPending(); // the result finds no console, and does nothing
    EXPECT_EQ(view.log, before);
}

TEST_F(ConsoleFlow, WhatAnEndedSessionStillHadQueuedIsDroppedButItsLinesStay) {
    Adapters(1, true);
    Hub(AnsweringHub([](scripted::Connection& connection) {
        connection.Send(scripted::LinkStatus(false, true, false, false));
        connection.Reset(); // and the drop
    }));
    Open(true);
    view.SetAddressText(IDC_CONNECT_ADDRESS, "127.0.0.1");
    Click(&CKestruneDlg::ConnectToHub);
    ASSERT_TRUE(clock.RunUntil([this] { return console->operation() == CKestruneDlg::Operation::None; }));
    // The watcher reports the second status and the drop; the console disconnects first.
    ASSERT_TRUE(clock.RunUntil([this] { return console->session().State() == SocketState::Ended ||
                                               !console->session().IsSocketOpen(); }));
    std::this_thread::sleep_for(100ms);
    console->DisconnectFromHub();
    clock.RunPending();
    EXPECT_FALSE(view.Checked(IDC_LINK_2)); // the ended session's status was not shown
    EXPECT_EQ(view.ControlText(IDC_WRITE_NUMBER), "Нет связи");
    EXPECT_TRUE(LogHas("<<00 00 00 00 ")) << view.log; // its dumps were
}

TEST_F(ConsoleFlow, NewParametersPauseOneSecondOfTheClockThenDisconnect) {
    Adapters(1, true);
    Hub(AnsweringHub());
    Open(true);
    Connect();
    view.Type(IDC_HUB_IP_ADDRESS, {10, 0, 0, 99});
    view.Type(IDC_HUB_GATEWAY, {10, 0, 0, 254});
    console->OnParameterFieldChanged(IDC_HUB_IP_ADDRESS);
    Click(&CKestruneDlg::ApplyHubParameters);
    EXPECT_TRUE(view.log.ends_with(
        "\r\n>>00 00 00 80 0A 00 00 63 FF 00 00 00 0A 00 00 FE 00 00 00 00 00 00 00 00 00 00 00 00 "
        "00 00 00 00 \r\n"
        "Установка IP параметров хаба произведена. Подключение необходимо разорвать...\r\n"))
        << view.log;
    EXPECT_TRUE(console->session().IsSocketOpen());
    EXPECT_FALSE(view.Enabled(IDC_DISCONNECT)); // held through the pause
    clock.Advance(999ms);
    EXPECT_TRUE(console->session().IsSocketOpen());
    clock.Advance(1ms);
    EXPECT_FALSE(console->session().IsSocketOpen());
    EXPECT_TRUE(view.log.ends_with("Подключение к хабу разорвано\r\n")) << view.log;
    EXPECT_FALSE(view.Enabled(IDC_DISCONNECT));
    EXPECT_TRUE(view.Enabled(IDC_SEARCH_HUBS));
}

TEST_F(ConsoleFlow, AParameterRuleThatFailsSendsNothing) {
    Adapters(1, true);
    Hub(AnsweringHub());
    Open();
    Connect();
    view.Type(IDC_HUB_SUBNET_MASK, {255, 255, std::nullopt, 0});
    console->OnParameterFieldChanged(IDC_HUB_SUBNET_MASK);
    Click(&CKestruneDlg::ApplyHubParameters);
    EXPECT_EQ(view.BoxTexts(), std::vector<std::string>{"Пустые поля в маске подсети недопустимы"});
    EXPECT_EQ(view.boxes[0].icon, BoxIcon::Error);
    EXPECT_FALSE(LogHas("Установка IP параметров"));
    EXPECT_TRUE(console->session().IsSocketOpen());
    EXPECT_EQ(console->operation(), CKestruneDlg::Operation::None);
}

TEST_F(ConsoleFlow, ParametersThatCanNeverWorkAreRefusedAndAForeignGatewayIsAsked) {
    Adapters(1, true);
    Hub(AnsweringHub());
    Open();
    Connect();
    const auto apply = [this](const AddressParts& address, const AddressParts& gateway) {
        view.boxes.clear();
        view.Type(IDC_HUB_IP_ADDRESS, address);
        view.Type(IDC_HUB_GATEWAY, gateway);
        console->OnParameterFieldChanged(IDC_HUB_IP_ADDRESS);
        Click(&CKestruneDlg::ApplyHubParameters);
    };
    // The hub's present mask is 255.0.0.0. Its present address is loopback.
    apply({127, 0, 0, 1}, {});
    ASSERT_EQ(view.BoxTexts(),
              std::vector<std::string>{
                  "Адрес обратной петли (127.x.x.x) недопустим в качестве IP адреса хаба"});
    EXPECT_EQ(view.boxes[0].icon, BoxIcon::Error);
    // The chosen entry's own address, as it reads after the adapter was renumbered.
    console->adapterList().addresses[0] = "10.0.0.5";
    apply({10, 0, 0, 5}, {});
    EXPECT_EQ(view.BoxTexts(),
              std::vector<std::string>{
                  "IP адрес хаба не может совпадать с адресом сетевого адаптера компьютера"});

    // A gateway outside 10.0.0.0/8: asked, and No (the default) sends nothing.
    apply({10, 0, 0, 99}, {192, 168, 1, 1});
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, kGatewayOutsideSubnetQuestion);
    EXPECT_EQ(view.boxes[0].caption, "Внимание");
    EXPECT_TRUE(view.boxes[0].defaultNo);
    EXPECT_EQ(view.boxes[0].buttons, BoxButtons::YesNo);
    EXPECT_FALSE(LogHas("Установка IP параметров"));
    EXPECT_EQ(console->operation(), CKestruneDlg::Operation::None);
    view.answers = {BoxAnswer::Yes};
    apply({10, 0, 0, 99}, {192, 168, 1, 1});
    EXPECT_TRUE(LogHas("Установка IP параметров хаба произведена"));
    EXPECT_EQ(console->operation(), CKestruneDlg::Operation::ApplyPause);
    clock.Advance(1000ms);
    EXPECT_FALSE(console->session().IsSocketOpen());
}

TEST_F(ConsoleFlow, ANumberWriteEndsOnTheResultOrAfterFiveSecondsOfTheClock) {
    Adapters(1, true);
    Hub(AnsweringHub([](scripted::Connection& connection) {
        // The first request is answered, the second never.
        if (const auto request = connection.Request(10000))
            connection.Send(scripted::NumberResult((*request)[4], 0));
    }));
    Reply("IPH-4 2.05\r\n02-00-5E-12-00-0B\r\n", 11);
    Open();
    view.SetControlText(IDC_CONTROLLER_NUMBER, "3");
    Connect();
    view.answers = {BoxAnswer::Yes}; // the jumper question; a 2.05 firmware asks nothing else
    Click(&CKestruneDlg::WriteControllerNumber);
    EXPECT_EQ(console->operation(), CKestruneDlg::Operation::NumberWait);
    EXPECT_FALSE(view.Enabled(IDC_WRITE_NUMBER));
    ASSERT_TRUE(clock.RunUntil([this] { return console->numberAnswered; })) << view.log;
    EXPECT_EQ(console->operation(), CKestruneDlg::Operation::None);
    EXPECT_TRUE(view.Enabled(IDC_WRITE_NUMBER));
    EXPECT_TRUE(LogHas("Передана команда установки номера контроллера терминала...\r\n"
                       "Номер контроллера успешно установлен\r\n"))
        << view.log;
    ASSERT_EQ(view.boxes.size(), 2u);
    EXPECT_EQ(view.boxes[0].caption, "Внимание");
    EXPECT_TRUE(view.boxes[0].defaultNo);
    EXPECT_EQ(view.boxes[1].text, "Номер контроллера успешно установлен");
    EXPECT_EQ(view.boxes[1].icon, BoxIcon::Information);

    view.answers = {BoxAnswer::Yes};
    Click(&CKestruneDlg::WriteControllerNumber);
    clock.Advance(4999ms);
    EXPECT_EQ(view.boxes.size(), 3u);
    clock.Advance(1ms);
    ASSERT_EQ(view.boxes.size(), 4u);
    EXPECT_EQ(view.boxes[3].text, "Ответ от хаба о результатах установки номера контроллера не "
                                  "получен.  Повторите попытку или вызовите специалиста...");
    EXPECT_EQ(console->operation(), CKestruneDlg::Operation::None);
}

TEST_F(ConsoleFlow, ANumberIsCheckedBeforeAnythingIsAsked) {
    Adapters(1, true);
    Hub(AnsweringHub());
    Open();
    Connect();
    for (const auto& [number, box] : std::vector<std::pair<std::string, std::string>>{
             {"5", "Недопустимый адресный номер контроллера. Может быть 1...4"},
             {"1", "Запись номера контроллера невозможна из-за дублирования номера контроллеров. "
                   "Контроллер с номером 1 существует в этом хабе и находится на связи..."},
             {"x", "Enter a positive integer."}}) {
        view.boxes.clear();
        view.SetControlText(IDC_CONTROLLER_NUMBER, number);
        Click(&CKestruneDlg::WriteControllerNumber);
        EXPECT_EQ(view.BoxTexts(), std::vector<std::string>{box}) << number;
    }
    EXPECT_EQ(view.focused, IDC_CONTROLLER_NUMBER); // the field that holds no number
    EXPECT_FALSE(LogHas("Передана команда"));
}

TEST_F(ConsoleFlow, TheQuestionsBeforeANumberWriteAreSystemModal) {
    Adapters(1, true);
    Hub(AnsweringHub());
    Reply("IPH-4 0.98\r\n02-00-5E-12-00-0B\r\n", 11);
    Open();
    Connect();
    view.SetControlText(IDC_CONTROLLER_NUMBER, "3");
    view.answers = {BoxAnswer::Yes, BoxAnswer::No}; // on despite the firmware; no jumper
    Click(&CKestruneDlg::WriteControllerNumber);
    ASSERT_EQ(view.boxes.size(), 2u);
    EXPECT_EQ(view.boxes[0].text.rfind("Вероятно прошивка", 0), 0u) << view.boxes[0].text;
    EXPECT_EQ(view.boxes[1].text.rfind("Процедура записи", 0), 0u) << view.boxes[1].text;
    for (const BoxRequest& box : view.boxes) {
        EXPECT_TRUE(box.systemModal) << box.text;
        EXPECT_TRUE(box.defaultNo) << box.text;
    }
    EXPECT_FALSE(LogHas("Передана команда"));
}

} // namespace
