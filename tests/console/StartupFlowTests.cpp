#include "gui/SelectNetworkAdapter.h"
#include "gui/EventLog.h"
#include "gui/IpAddressEdit.h"
#include "console/SearchFindingTexts.h"
#include "resources/ConsoleTemplate.h"
#include "tests/common/ConsoleWaits.h"
#include "tests/console/ConsoleFixture.h"
#include "tests/support/FakeSearchDiagnosis.h"

#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

const QString kTitle = QString::fromUtf8(kTitleLine);

// An empty search of the entry's subnet, and whatever the PC's side then tells of it.
QString SearchLines(const char* subnet) {
    const std::string entry = "test" + std::string(subnet).substr(7, 1); // 198.18.N.0
    return QStringLiteral("Поиск хабов в подсети %1\r\nХабы в подсети %1 не обнаружены\r\n")
               .arg(QLatin1String(subnet)) +
           QString::fromStdString(SearchFindingLines(JudgeEmptySearch({}), entry));
}

// Answers the selection dialog: picks a row (or none) and presses OK or Отмена.
void AnswerSelection(int row, bool ok, QStringList* shownRows = nullptr) {
    WhenWindowShows(QStringLiteral("selectAdapterDialog"), [row, ok, shownRows](QWidget* window) {
        auto* dialog = qobject_cast<CSelectNetworkAdapter*>(window);
        QTreeWidget* list = dialog->AdapterListView();
        if (shownRows) {
            for (int i = 0; i < list->topLevelItemCount(); ++i) {
                QTreeWidgetItem* item = list->topLevelItem(i);
                *shownRows << item->text(0) + QLatin1Char('|') + item->text(1) + QLatin1Char('|') +
                                  item->text(2);
            }
            *shownRows << QStringLiteral("selected:%1").arg(list->selectedItems().size());
        }
        if (row >= 0) {
            list->topLevelItem(row)->setSelected(true);
        }
        const QString caption = ok ? QString::fromUtf16(u"\u041E\u041A") : QStringLiteral("Отмена");
        for (auto* button : dialog->findChildren<QPushButton*>()) {
            if (button->text() == caption) {
                QTest::mouseClick(button, Qt::LeftButton);
            }
        }
    });
}

class StartupFlow : public testing::Test {
protected:
    std::unique_ptr<CConsoleWindow> Open(std::shared_ptr<FakeAdapterSource> source) {
        ConsoleServices services{source};
        services.searchDiagnosis = std::make_shared<FakeSearchDiagnosis>();
        auto console = std::make_unique<CConsoleWindow>(false, nullptr, services);
        console->show();
        EXPECT_TRUE(WaitUntilIdle(*console)); // the start-up search runs after the first paint
        return console;
    }

    MessageBoxScript boxes;
};

TEST_F(StartupFlow, NoAdaptersTellsTheUserAndSearchesNothing) {
    auto console = Open(AdaptersWithEntries(0));
    EXPECT_EQ(boxes.Texts(), QStringList{"Сетевые адаптеры в компьютере не обнаружены"});
    EXPECT_EQ(boxes.boxes()[0].icon, BoxIcon::Warning);
    EXPECT_EQ(console->Log()->Text(), kTitle);
    EXPECT_FALSE(console->Button(IDC_SELECT_ADAPTER)->isEnabled());

    // "Поиск хабов" has no entry to search on.
    QTest::mouseClick(console->Button(IDC_SEARCH_HUBS), Qt::LeftButton);
    EXPECT_TRUE(WaitUntilIdle(*console));
    EXPECT_EQ(boxes.Texts().last(), QStringLiteral("Encountered an improper argument."));
    EXPECT_EQ(boxes.boxes().back().icon, BoxIcon::Stop);
    EXPECT_EQ(console->Log()->Text(), kTitle);
    EXPECT_TRUE(console->isVisible());
}

TEST_F(StartupFlow, OneAdapterIsTakenAndSearchedAtOnce) {
    auto console = Open(AdaptersWithEntries(1));
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_FALSE(console->Button(IDC_SELECT_ADAPTER)->isEnabled());
    EXPECT_EQ(console->IpField(IDC_ADAPTER_ADDRESS)->Text(), QStringLiteral("198.18.0.1"));
    EXPECT_EQ(console->IpField(IDC_ADAPTER_MASK)->Text(), QStringLiteral("255.255.255.0"));
    EXPECT_EQ(console->Log()->Text(), kTitle + SearchLines("198.18.0.0"));
    EXPECT_EQ(console->HubListView()->topLevelItemCount(), 0);
}

TEST_F(StartupFlow, SeveralAdaptersAskTheUserWhichOne) {
    QStringList shown;
    AnswerSelection(1, true, &shown);
    auto console = Open(AdaptersWithEntries(3));
    EXPECT_EQ(shown, (QStringList{"test0|198.18.0.1|Test adapter 0", "test1|198.18.1.1|Test adapter 1",
                                  "test2|198.18.2.1|Test adapter 2", "selected:0"}));
    EXPECT_EQ(console->adapterList().chosenIndex, 1);
    EXPECT_EQ(console->IpField(IDC_ADAPTER_ADDRESS)->Text(), QStringLiteral("198.18.1.1"));
    EXPECT_TRUE(console->Button(IDC_SELECT_ADAPTER)->isEnabled());
    EXPECT_EQ(console->Log()->Text(), kTitle + SearchLines("198.18.1.0"));
}

TEST_F(StartupFlow, OkWithoutARowTakesTheFirstEntry) {
    AnswerSelection(-1, true);
    auto console = Open(AdaptersWithEntries(2));
    EXPECT_EQ(console->adapterList().chosenIndex, 0);
    EXPECT_EQ(console->Log()->Text(), kTitle + SearchLines("198.18.0.0"));
}

TEST_F(StartupFlow, CancelledChoiceLeavesTheWindowWithoutASearch) {
    AnswerSelection(1, false);
    auto console = Open(AdaptersWithEntries(2));
    EXPECT_EQ(console->adapterList().chosenIndex, 0);
    EXPECT_TRUE(console->IpField(IDC_ADAPTER_ADDRESS)->IsBlank());
    EXPECT_TRUE(console->IpField(IDC_ADAPTER_MASK)->IsBlank());
    EXPECT_TRUE(console->Button(IDC_SELECT_ADAPTER)->isEnabled());
    EXPECT_EQ(console->Log()->Text(), kTitle);

    // Later, "Выбор сетевого адаптера" and Отмена: the first entry is chosen and searched.
    AnswerSelection(1, false);
    QTest::mouseClick(console->Button(IDC_SELECT_ADAPTER), Qt::LeftButton);
    EXPECT_TRUE(WaitUntilIdle(*console));
    EXPECT_EQ(console->IpField(IDC_ADAPTER_ADDRESS)->Text(), QStringLiteral("198.18.0.1"));
    EXPECT_EQ(console->Log()->Text(), kTitle + SearchLines("198.18.0.0"));

    AnswerSelection(1, true);
    QTest::mouseClick(console->Button(IDC_SELECT_ADAPTER), Qt::LeftButton);
    EXPECT_TRUE(WaitUntilIdle(*console));
    EXPECT_EQ(console->adapterList().chosenIndex, 1);
    EXPECT_EQ(console->Log()->Text(),
              kTitle + SearchLines("198.18.0.0") + SearchLines("198.18.1.0"));
}

TEST_F(StartupFlow, SelectionFindingNoAdaptersStopsWithImproperArgument) {
    auto source = AdaptersWithEntries(2);
    AnswerSelection(0, true);
    auto console = Open(source);
    source->adapters.clear();
    source->rows.clear();
    WhenWindowShows(QStringLiteral("selectAdapterDialog"), [](QWidget* dialog) {
        qobject_cast<QDialog*>(dialog)->accept();
    });
    QTest::mouseClick(console->Button(IDC_SELECT_ADAPTER), Qt::LeftButton);
    EXPECT_TRUE(WaitUntilIdle(*console));
    EXPECT_EQ(boxes.Texts(), (QStringList{"Сетевые адаптеры в компьютере не обнаружены",
                                          "Encountered an improper argument."}));
    EXPECT_EQ(console->adapterList().chosenIndex, 0);
    EXPECT_EQ(console->IpField(IDC_ADAPTER_ADDRESS)->Text(), QStringLiteral("198.18.0.1"));
}

TEST_F(StartupFlow, AdapterReportGoesToTheLogAndChangesNoChoice) {
    AnswerSelection(1, true);
    auto console = Open(AdaptersWithEntries(2));
    console->ClearLog();
    QTest::mouseClick(console->Button(IDC_ABOUT_ADAPTERS), Qt::LeftButton);
    const QString log = console->Log()->Text();
    EXPECT_TRUE(log.startsWith(QStringLiteral("\r\nСведения о сетевых адаптерах\r\n"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("IP адрес (для одноадресных соединений): 198.18.1.1\r\n")));
    EXPECT_TRUE(log.contains(QStringLiteral("\tNum Entries: 2\r\n")));
    EXPECT_EQ(console->adapterList().chosenIndex, 1);
    EXPECT_EQ(console->IpField(IDC_ADAPTER_ADDRESS)->Text(), QStringLiteral("198.18.1.1"));
}

TEST_F(StartupFlow, TheNextRunOpensTheChoiceOnTheAdapterChosenLast) {
    auto source = AdaptersWithEntries(3);
    AnswerSelection(2, true);
    Open(source).reset();

    // The entry moved up a place, and keeps its name and address: it is selected, and OK
    // takes it.
    source->adapters.erase(source->adapters.begin());
    source->rows.erase(source->rows.begin());
    QString selected;
    WhenWindowShows(QStringLiteral("selectAdapterDialog"), [&selected](QWidget* window) {
        auto* dialog = qobject_cast<CSelectNetworkAdapter*>(window);
        for (QTreeWidgetItem* item : dialog->AdapterListView()->selectedItems())
            selected += item->text(0);
        for (auto* button : dialog->findChildren<QPushButton*>()) {
            if (button->text() == QString::fromUtf16(u"\u041E\u041A"))
                QTest::mouseClick(button, Qt::LeftButton);
        }
    });
    auto console = Open(source);
    EXPECT_EQ(selected, QStringLiteral("test2"));
    EXPECT_EQ(console->adapterList().chosenIndex, 1);
    EXPECT_EQ(console->IpField(IDC_ADAPTER_ADDRESS)->Text(), QStringLiteral("198.18.2.1"));
}

TEST_F(StartupFlow, ASelectionDialogOutlivesItsConsole) {
    AnswerSelection(0, true);
    auto console = Open(AdaptersWithEntries(2));
    CSelectNetworkAdapter dialog(console->adapterList());
    console.reset();
    dialog.show(); // its rows come from its own entries, not from the console that went
    ASSERT_EQ(dialog.AdapterListView()->topLevelItemCount(), 2);
    EXPECT_EQ(dialog.AdapterListView()->topLevelItem(1)->text(1), QStringLiteral("198.18.1.1"));
}

} // namespace
