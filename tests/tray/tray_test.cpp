#include <gtest/gtest.h>

#include <cstring>

#include "app_fixture.h"
#include "platform/native.h"
#include "tray/menu_commands.h"
#include "tray/tray_icon.h"
#include "tray/tray_menu.h"

namespace pagemind::tray {
namespace {

using namespace std::chrono_literals;

TEST(TrayIconRecord, HoldsTheVersionTipANulAndBlanksToSixtyFourBytes) {
  const auto ansi = platform::MakeAnsiCodec();
  const auto record = MakeTrayIconRecord({1, 0, 0}, *ansi);
  EXPECT_EQ(record.size, sizeof(void*) == 8 ? 104U : 88U);
  EXPECT_EQ(record.iconId, 10U);
  EXPECT_EQ(record.flags, 7U);
  EXPECT_EQ(record.callbackMessage, 513U);
  EXPECT_EQ(record.icon, platform::Picture::kProgramIcon);
  const std::string tip(record.tip.begin(), record.tip.end());
  EXPECT_EQ(tip, std::string("Pagemind 1.0.0") + '\0' + std::string(49, ' '));
  EXPECT_EQ(std::string(record.tip.data()), "Pagemind 1.0.0") << "the shell shows up to the NUL";
}

TEST(TrayMenu, ListsSevenItemsWithTheirCaptionsInOrder) {
  const auto items = TrayMenuItems();
  ASSERT_EQ(items.size(), 7U);
  const std::pair<int, const char*> expected[] = {{kCommandPagemind, "Pagemind!!(&O)"},
                                                  {0, "-"},
                                                  {kCommandShowLog, "ログの表示...(&L)"},
                                                  {kCommandShowSettings, "設定...（&S）"},
                                                  {0, "-"},
                                                  {kCommandShowVersion, "バージョン情報(&V)"},
                                                  {kCommandEnd, "終了(&E)"}};
  for (std::size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].commandId, expected[i].first) << i;
    EXPECT_EQ(items[i].caption, expected[i].second) << i;
  }
}

class TrayTest : public testing::ResidentApp {
 protected:
  void SetUp() override { Start(); }
  auto& area() { return platform.notifyArea; }
};

TEST_F(TrayTest, TheIconIsAddedAtTheEndOfLoadingWithMainAsReceiver) {
  ASSERT_EQ(area().icons.size(), 1U);
  EXPECT_EQ(area().icons[0].owner, main);
  EXPECT_EQ(area().icons[0].receiverId, app::Main::kPicture1);
  const auto& journal = platform.journal.entries();
  EXPECT_EQ(std::find(journal.begin(), journal.end(), "Main remove close") + 1,
            std::find(journal.begin(), journal.end(), "tray add"))
      << "registration is the last load step";
}

TEST_F(TrayTest, OnlyADoubleClickReopensAndOnlyTheRightButtonOpensTheMenu) {
  platform.shell.Open("http://127.0.0.1/a", "A");
  platform.ui.Advance(100ms);
  platform.shell.Crash();
  for (int message : {512, 513, 514, 517, 519}) area().Mouse(message);
  EXPECT_TRUE(platform.shell.created.empty());
  EXPECT_TRUE(platform.ui.popupMenus.empty());
  area().Mouse(515);
  EXPECT_EQ(platform.shell.created.size(), 1U);
  area().Mouse(516);
  EXPECT_EQ(platform.ui.popupMenus.size(), 1U);
  EXPECT_EQ(platform.shell.created.size(), 1U) << "dismissing the menu runs nothing";
}

TEST_F(TrayTest, ShowLogTogglesTheAccessLogWindowAndOkHidesIt) {
  NextMenuChoice(kCommandShowLog);
  area().Mouse(516);
  EXPECT_TRUE(main->IsVisible());
  EXPECT_FALSE(main->shownModally());
  area().Mouse(516);
  EXPECT_FALSE(main->IsVisible());
  area().Mouse(516);
  main->PressEnter();
  EXPECT_FALSE(main->IsVisible()) << "Enter presses OK";
  main->RequestClose(platform::UnloadReason::kUserClose);
  EXPECT_EQ(Window("Main"), main) << "Alt+F4 changes nothing";
}

TEST_F(TrayTest, SettingsAndAboutOpenModallyAndCloseWhenChosenWhileVisible) {
  for (int command : {kCommandShowSettings, kCommandShowVersion}) {
    const char* name = command == kCommandShowSettings ? "Settings" : "AboutVer";
    NextMenuChoice(command);
    area().Mouse(516);
    ASSERT_NE(Window(name), nullptr) << name;
    EXPECT_TRUE(Window(name)->shownModally()) << name;
    area().Mouse(516);
    EXPECT_EQ(Window(name), nullptr) << name << " is unloaded";
  }
}

TEST_F(TrayTest, EndRemovesTheIconAfterLettingGoOfTheBrowser) {
  NextMenuChoice(kCommandEnd);
  EXPECT_EQ(platform.ui.pendingEventRounds(), 0);
  area().Mouse(516);
  EXPECT_TRUE(area().icons.empty());
  EXPECT_EQ(platform.ui.pendingEventRounds(), 1) << "the unload lets waiting events in once";
  EXPECT_TRUE(platform.program.ended());
}

TEST_F(TrayTest, TheIconComesBackWhenTheTaskbarRestarts) {
  area().Restart();
  ASSERT_TRUE(area().icons.empty());
  platform.ui.RestartTaskbar();
  ASSERT_EQ(area().icons.size(), 1U);
  EXPECT_EQ(std::string(area().icons[0].record.tip.data()), "Pagemind 1.0.0");
  area().Mouse(515);  // still reaches the program
}

TEST_F(TrayTest, ARefusedIconIsOfferedAgainUntilTheShellTakesIt) {
  testing::TempFolder folder;
  platform::headless::HeadlessPlatform p(folder.path());
  p.notifyArea.failingAdds = 3;
  app::Application a(p.ports());
  a.Start();
  p.ui.Advance(3000ms);
  EXPECT_TRUE(p.notifyArea.icons.empty());
  p.ui.Advance(10s);
  EXPECT_EQ(p.notifyArea.icons.size(), 1U);
  const int calls = p.notifyArea.addCalls;
  p.ui.Advance(10s);
  EXPECT_EQ(p.notifyArea.addCalls, calls) << "no more tries once it is there";
}

}  // namespace
}  // namespace pagemind::tray
