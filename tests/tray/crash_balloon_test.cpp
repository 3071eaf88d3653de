#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"
#include "tray/menu_commands.h"
#include "tray/tray_icon.h"

namespace pagemind::tray {
namespace {

using namespace std::chrono_literals;

std::string Page(int i) {
  return "http://127.0.0.1/" + std::to_string(i);
}

TEST(CrashBalloonText, NamesThePagesTheReopenWouldOpenOnItsSecondLine) {
  EXPECT_EQ(CrashBalloonText(1),
            "ブラウザのウィンドウがまとめて閉じられました。\n"
            "アイコンをダブルクリックすると 1 ページを開き直します。");
  EXPECT_EQ(CrashBalloonText(31),
            "ブラウザのウィンドウがまとめて閉じられました。\n"
            "アイコンをダブルクリックすると 31 ページを開き直します。");
}

struct CommandRecorder final : TrayCommands {
  std::vector<MenuCommand> chosen;
  void CommandChosen(MenuCommand command) override { chosen.push_back(command); }
  [[nodiscard]] bool StartsAtLogon() const override { return false; }
};

struct NoEvents final : platform::FormEvents {};

// A crash always leaves at least the page it lost, so Main never asks for a balloon of no
// pages; the icon refuses one all the same.
TEST(TrayIconBalloon, NoBalloonForNoPagesAndAClickChoosesTheReopenCommand) {
  testing::TempFolder temp;
  platform::headless::HeadlessPlatform platform{temp.path()};
  NoEvents noEvents;
  const auto owner = platform.ui.CreateForm({.name = "Owner"}, noEvents);
  CommandRecorder commands;
  TrayIcon icon(platform.notifyArea, platform.ui, *owner, commands);
  icon.Register({1, 0, 0});
  auto& area = platform.notifyArea;

  icon.ShowCrashBalloon(0);
  EXPECT_TRUE(area.icons.at(0).balloons.empty());
  EXPECT_THROW(area.ClickBalloon(), std::logic_error) << "nothing to click";

  icon.ShowCrashBalloon(2);
  ASSERT_EQ(area.icons.at(0).balloons.size(), 1U);
  EXPECT_EQ(area.icons[0].balloons[0].title, "Pagemind");
  EXPECT_EQ(area.icons[0].balloons[0].text, CrashBalloonText(2));
  EXPECT_EQ(area.icons[0].tip, "Pagemind 1.0.0") << "the tip stays";
  EXPECT_TRUE(commands.chosen.empty()) << "showing it chooses nothing";
  area.ClickBalloon();
  EXPECT_EQ(commands.chosen, std::vector<MenuCommand>{kReopenPages});
}

class CrashBalloonTest : public testing::ResidentApp {
 protected:
  void SetUp() override { Start(); }
  // Three browser windows, each visited by the poller at least once.
  void OpenThreePages() {
    for (int i = 0; i < 3; ++i) platform.shell.Open(Page(i), "T");
    platform.ui.Advance(3100ms + 300ms);
  }
  [[nodiscard]] const std::vector<platform::headless::HeadlessNotifyArea::Balloon>& Balloons()
      const {
    return platform.notifyArea.icons.at(0).balloons;
  }
};

TEST_F(CrashBalloonTest, OneBalloonPerCrashWithThePagesTheReopenWouldOpen) {
  OpenThreePages();
  EXPECT_TRUE(Balloons().empty()) << "no crash yet";
  platform.shell.Crash();
  platform.ui.Advance(100ms);
  ASSERT_EQ(Balloons().size(), 1U) << "at the first tick after the crash";
  EXPECT_EQ(Balloons()[0].title, "Pagemind");
  EXPECT_EQ(Balloons()[0].text, CrashBalloonText(3));
  platform.ui.Advance(10s);  // three cycles and more over the empty collection
  EXPECT_EQ(Balloons().size(), 1U);

  // The user starts the browser anew without reopening, and it fails again: the lost pages
  // and the new one would open now.
  platform.shell.Open(Page(7), "T");
  platform.ui.Advance(10s);
  EXPECT_EQ(Balloons().size(), 1U) << "a new window is no crash";
  platform.shell.Crash();
  platform.ui.Advance(10s);
  ASSERT_EQ(Balloons().size(), 2U);
  EXPECT_EQ(Balloons()[1].text, CrashBalloonText(4));
  EXPECT_EQ(app.host()->pageMemory().pages().size(), 4U);
}

TEST_F(CrashBalloonTest, AClickOnTheBalloonReopensThePagesAsADoubleClickDoes) {
  OpenThreePages();
  platform.shell.Crash();
  platform.ui.Advance(1s);
  EXPECT_TRUE(Navigated().empty());
  platform.notifyArea.ClickBalloon();
  EXPECT_EQ(Navigated(), (std::vector<std::string>{Page(0), Page(1), Page(2)}));
  EXPECT_EQ(platform.shell.created.size(), 3U);
  EXPECT_EQ(platform.ui.postedCount(), 0U);

  platform.ui.Advance(10s);
  EXPECT_EQ(Balloons().size(), 1U) << "the reopened windows are no crash";
  EXPECT_EQ(Navigated().size(), 3U);
}

TEST_F(CrashBalloonTest, NoBalloonWhileAWindowOfTheProgramIsShownModally) {
  OpenThreePages();
  platform.ui.whileModal.push_back([&] {
    platform.shell.Crash();
    platform.ui.Advance(5s);
  });
  NextMenuChoice(kToggleSettings);
  platform.notifyArea.RightClick();
  ASSERT_NE(Window("Settings"), nullptr);
  EXPECT_EQ(app.host()->pageMemory().pages().size(), 3U) << "the crash was seen";
  platform.ui.Advance(10s);
  EXPECT_TRUE(Balloons().empty()) << "withheld, and not shown later for the same crash";

  // The Save dialog of the access log, after the browser came back.
  platform.shell.Open(Page(8), "T");
  platform.ui.Advance(5s);
  platform.ui.onSaveDialog = [&](const platform::SaveDialogOptions&) {
    platform.shell.Crash();
    platform.ui.Advance(5s);
    return platform::SaveDialogResult{};
  };
  main->ClickNamed("Command2");
  ASSERT_EQ(platform.ui.saveDialogs.size(), 1U);
  EXPECT_EQ(app.host()->pageMemory().pages().size(), 4U);
  EXPECT_TRUE(Balloons().empty());

  // Once nothing is shown modally, the next crash speaks up again.
  platform.shell.Open(Page(9), "T");
  platform.ui.Advance(5s);
  platform.shell.Crash();
  platform.ui.Advance(1s);
  EXPECT_EQ(Balloons().size(), 1U);
}

}  // namespace
}  // namespace pagemind::tray
