// The person's actions by the window's ids, as both windows forward them: which push
// button runs which handler, which fields count as edits, which menu commands are the
// console's, and when the console is idle.
#include "console/ConsoleCommands.h"
#include "resources/AboutTemplate.h"
#include "tests/console/ConsoleFlow.h"

namespace {

using Operation = CKestruneDlg::Operation;

TEST_F(ConsoleFlow, EachPushButtonRunsItsOwnHandlerAndNoOtherIdRunsAny) {
    Adapters(1, true);
    echo.answers = false;
    Open();
    const std::size_t boxesBefore = view.boxes.size();
    for (int id : {IDCANCEL, IDOK, IDC_LOG, IDC_HUB_LIST, IDC_CONNECT_ADDRESS, IDC_LINK_1})
        EXPECT_FALSE(console->OnButtonClicked(id)) << id;
    EXPECT_EQ(view.boxes.size(), boxesBefore);
    EXPECT_EQ(view.choicesShown, 0);

    EXPECT_TRUE(console->OnButtonClicked(IDC_CLEAR_LOG));
    EXPECT_EQ(view.log, "");
    EXPECT_TRUE(console->OnButtonClicked(IDC_ABOUT_ADAPTERS));
    EXPECT_TRUE(LogHas("Test adapter")) << view.log;

    view.choices.push_back({true, 0});
    EXPECT_TRUE(console->OnButtonClicked(IDC_SELECT_ADAPTER));
    EXPECT_EQ(view.choicesShown, 1);
    clock.RunPending();
    EXPECT_TRUE(console->OnButtonClicked(IDC_SEARCH_HUBS));
    EXPECT_EQ(console->operation(), Operation::Search);
    clock.RunPending();

    view.SetAddressText(IDC_CONNECT_ADDRESS, "127.0.0.1");
    EXPECT_TRUE(console->OnButtonClicked(IDC_CONNECT));
    EXPECT_EQ(console->operation(), Operation::Connect);
    clock.RunPending();
    view.focused = 0;
    EXPECT_TRUE(console->OnButtonClicked(IDC_DISCONNECT));
    EXPECT_EQ(view.focused, IDC_HUB_LIST);

    view.boxes.clear();
    EXPECT_TRUE(console->OnButtonClicked(IDC_APPLY_PARAMETERS));
    EXPECT_EQ(view.BoxTexts(),
              std::vector<std::string>{"Запись не требуется, ибо параметры не изменились..."});
    EXPECT_TRUE(console->OnButtonClicked(IDC_WRITE_NUMBER));
    ASSERT_EQ(view.boxes.size(), 2u);
    EXPECT_NE(view.boxes[1].text, view.boxes[0].text);
}

TEST_F(ConsoleFlow, OnlyTheConnectAddressAndTheHubsParametersCountAsEdits) {
    Open();
    for (int id : {IDC_ADAPTER_ADDRESS, IDC_ADAPTER_MASK, IDC_CONTROLLER_NUMBER, IDC_HUB_LIST})
        EXPECT_FALSE(console->OnFieldEdited(id)) << id;
    EXPECT_FALSE(console->parametersChanged);
    for (int id : {IDC_HUB_IP_ADDRESS, IDC_HUB_SUBNET_MASK, IDC_HUB_GATEWAY}) {
        console->parametersChanged = false;
        EXPECT_TRUE(console->OnFieldEdited(id)) << id;
        EXPECT_TRUE(console->parametersChanged) << id;
    }
    EXPECT_FALSE(view.Enabled(IDC_CONNECT));
    EXPECT_TRUE(console->OnFieldEdited(IDC_CONNECT_ADDRESS));
    EXPECT_TRUE(view.Enabled(IDC_CONNECT));
}

TEST_F(ConsoleFlow, MenuCommandsKeepTheirLowBitsForTheSystem) {
    Open();
    view.savePaths = {std::nullopt, std::nullopt, std::nullopt};
    EXPECT_TRUE(console->OnMenuCommand(kSaveLogCommandId));
    EXPECT_TRUE(console->OnMenuCommand(kSaveLogCommandId | 3));
    EXPECT_TRUE(console->OnMenuCommand(kSaveHubListCommandId));
    ASSERT_EQ(view.saveDialogs.size(), 3u);
    EXPECT_EQ(view.saveDialogs[1].caption, "Сохранить журнал");
    EXPECT_EQ(view.saveDialogs[2].caption, "Сохранить список хабов");

    EXPECT_TRUE(console->OnMenuCommand(kAboutCommandId));
    EXPECT_TRUE(console->OnMenuCommand(kAboutCommandId + 15));
    EXPECT_EQ(view.aboutShown, 2);
    for (unsigned command : {0u, 0x40u, 0xF060u /* close */, 0xF020u /* minimize */})
        EXPECT_FALSE(console->OnMenuCommand(command)) << command;
    EXPECT_EQ(view.saveDialogs.size(), 3u);
    EXPECT_EQ(view.aboutShown, 2);
}

TEST_F(ConsoleFlow, TheConsoleIsIdleOnlyAfterItsFirstPaintAndItsStartupSearch) {
    Adapters(1);
    Reply("IPH-4 2.05\r\n02-00-5E-12-14-0B\r\n", 11);
    Reply("IPH-4 0.98\r\n02-00-5E-12-14-0C\r\n", 12);
    console = std::make_unique<CKestruneDlg>(view, clock, false, Services());
    EXPECT_FALSE(console->IsIdle());
    console->OnInitDialog();
    EXPECT_TRUE(console->OnPaint());
    EXPECT_FALSE(console->IsIdle()); // the start-up search waits for the paint to end
    EXPECT_FALSE(console->OnPaint());
    console->OnFirstPaint();
    EXPECT_FALSE(console->IsIdle());
    clock.RunPending();
    EXPECT_TRUE(console->IsIdle());

    // The list: a selection takes the row's address; an activation connects to it.
    view.selectedRow = 1;
    console->OnHubListSelectionChanged();
    EXPECT_EQ(view.AddressText(IDC_CONNECT_ADDRESS), "198.18.20.12");
    EXPECT_EQ(console->operation(), Operation::None);
    view.selectedRow = 0;
    echo.answers = false;
    console->OnHubListActivated();
    EXPECT_EQ(view.AddressText(IDC_CONNECT_ADDRESS), "198.18.20.11");
    EXPECT_EQ(console->operation(), Operation::Connect);
    EXPECT_FALSE(console->IsIdle());
    clock.RunPending();
    EXPECT_TRUE(console->IsIdle());
}

} // namespace
