#include <gtest/gtest.h>

#include <cstring>

#include "app_fixture.h"
#include "tray/menu_commands.h"
#include "tray/tray_icon.h"
#include "tray/tray_menu.h"

namespace pagemind::tray {
namespace {

using namespace std::chrono_literals;

TEST(TrayMenu, ListsItsItemsWithTheirCaptionsInOrder) {
  const auto items = TrayMenuItems(false);
  ASSERT_EQ(items.size(), 9U);
  const std::pair<int, const char*> expected[] = {{kReopenPages, "Pagemind!!(&O)"},
                                                  {kChoosePages, "ページを選んで開く...(&P)"},
                                                  {0, "-"},
                                                  {kToggleAccessLog, "ログの表示...(&L)"},
                                                  {kToggleSettings, "設定...（&S）"},
                                                  {0, "-"},
                                                  {kToggleAbout, "バージョン情報(&V)"},
                                                  {kSwitchStartAtLogon, "ログオン時に起動(&W)"},
                                                  {kEndProgram, "終了(&E)"}};
  for (std::size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].commandId, expected[i].first) << i;
    EXPECT_EQ(items[i].caption, expected[i].second) << i;
    EXPECT_FALSE(items[i].checked) << i;
  }
  const auto checked = TrayMenuItems(true);
  for (std::size_t i = 0; i < checked.size(); ++i) {
    EXPECT_EQ(checked[i].checked, checked[i].commandId == kSwitchStartAtLogon) << i;
  }
}

class TrayTest : public testing::ResidentApp {
 protected:
  void SetUp() override { Start(); }
  auto& area() { return platform.notifyArea; }
};

TEST_F(TrayTest, TheIconIsShownAtTheEndOfLoadingWithTheVersionAsItsTip) {
  ASSERT_EQ(area().icons.size(), 1U);
  EXPECT_EQ(area().icons[0].tip, "Pagemind 1.0.0");
  const auto& journal = platform.journal.entries();
  const auto added = std::find(journal.begin(), journal.end(), "tray add");
  ASSERT_NE(added, journal.end());
  EXPECT_TRUE(std::none_of(added, journal.end(), [](const std::string& step) {
    return step.starts_with("profile read") || step.starts_with("read ") ||
           step.starts_with("create folder");
  })) << "the icon shows once the start has read what it needs, so its commands find the pages";
}

TEST_F(TrayTest, ADoubleClickReopensAndTheRightButtonOpensTheMenu) {
  platform.shell.Open("http://127.0.0.1/a", "A");
  platform.ui.Advance(100ms);
  platform.shell.Crash();
  area().DoubleClick();
  EXPECT_EQ(platform.shell.created.size(), 1U);
  area().RightClick();
  EXPECT_EQ(platform.ui.popupMenus.size(), 1U);
  EXPECT_EQ(platform.shell.created.size(), 1U) << "dismissing the menu runs nothing";
  EXPECT_EQ(platform.ui.postedCount(), 0U);
}

TEST_F(TrayTest, ShowLogTogglesTheAccessLogWindowAndOkHidesIt) {
  NextMenuChoice(kToggleAccessLog);
  area().RightClick();
  EXPECT_TRUE(main->IsVisible());
  EXPECT_FALSE(main->shownModally());
  area().RightClick();
  EXPECT_FALSE(main->IsVisible());
  area().RightClick();
  main->PressEnter();
  EXPECT_FALSE(main->IsVisible()) << "Enter presses OK";
  main->RequestClose(platform::UnloadReason::kUserClose);
  EXPECT_EQ(Window("Main"), main) << "Alt+F4 changes nothing";
}

TEST_F(TrayTest, SettingsAndAboutOpenModallyAndCloseWhenChosenWhileVisible) {
  for (int command : {kToggleSettings, kToggleAbout}) {
    const char* name = command == kToggleSettings ? "Settings" : "AboutVer";
    NextMenuChoice(command);
    area().RightClick();
    ASSERT_NE(Window(name), nullptr) << name;
    EXPECT_TRUE(Window(name)->shownModally()) << name;
    area().RightClick();
    EXPECT_EQ(Window(name), nullptr) << name << " is unloaded";
  }
}

TEST_F(TrayTest, EndRemovesTheIconAfterLettingGoOfTheBrowser) {
  NextMenuChoice(kEndProgram);
  EXPECT_EQ(platform.ui.pendingEventRounds(), 0);
  area().RightClick();
  EXPECT_TRUE(area().icons.empty());
  EXPECT_EQ(platform.ui.pendingEventRounds(), 1) << "the unload lets waiting events in once";
  EXPECT_TRUE(platform.program.ended());
}

}  // namespace
}  // namespace pagemind::tray
