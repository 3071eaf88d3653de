#include <gtest/gtest.h>

#include <algorithm>

#include "app_fixture.h"
#include "tray/menu_commands.h"

namespace pagemind::app {
namespace {

using namespace std::chrono_literals;

// Commands run from the top of the event loop: never inside the loop of a modal window, a
// message box, a menu or a call that waits for the shell, and never inside one another.
class CommandOrderTest : public testing::ResidentApp {
 protected:
  void SetUp() override { Start(); }
  // Two pages remembered from windows that have since vanished.
  void RememberTwoCrashedPages() {
    platform.shell.Open("http://127.0.0.1/a", "A");
    platform.shell.Open("http://127.0.0.1/b", "B");
    platform.ui.Advance(200ms);
    platform.shell.Crash();
  }
  std::vector<std::string> Navigations() const {
    std::vector<std::string> calls;
    std::copy_if(platform.shell.calls.begin(), platform.shell.calls.end(),
                 std::back_inserter(calls),
                 [](const std::string& call) { return call.starts_with("Navigate2 "); });
    return calls;
  }
  auto& area() { return platform.notifyArea; }
};

TEST_F(CommandOrderTest, ACommandChosenInsideAModalLoopRunsAfterThatLoop) {
  bool aboutDuringLoop = true;
  bool settingsShownAfterChoice = true;
  platform.ui.whileModal.push_back([&] {
    NextMenuChoice(tray::kToggleAbout);
    area().RightClick();
    aboutDuringLoop = Window("AboutVer") != nullptr;
    settingsShownAfterChoice = Window("Settings")->IsVisible();
  });
  NextMenuChoice(tray::kToggleSettings);
  area().RightClick();

  EXPECT_FALSE(aboutDuringLoop) << "the about window waited for the settings window's loop";
  EXPECT_FALSE(settingsShownAfterChoice) << "the modal window gave way to the chosen command";
  EXPECT_EQ(Window("Settings"), nullptr) << "unloaded once its loop had returned";
  ASSERT_NE(Window("AboutVer"), nullptr);
  EXPECT_TRUE(Window("AboutVer")->shownModally());
  EXPECT_EQ(platform.ui.postedCount(), 0U);
}

TEST_F(CommandOrderTest, ADoubleClickInsideAMessageBoxReopensOnceTheBoxIsGone) {
  RememberTwoCrashedPages();
  std::size_t createdWhileBoxShows = 99;
  platform.ui.onMessage = [&](const platform::headless::ShownMessage&) {
    area().DoubleClick();
    createdWhileBoxShows = platform.shell.created.size();
  };
  platform.ui.whileModal.push_back([&] { Window("Settings")->ClickNamed("HintsLog"); });
  NextMenuChoice(tray::kToggleSettings);
  area().RightClick();
  EXPECT_EQ(createdWhileBoxShows, 0U);
  EXPECT_EQ(platform.shell.created.size(), 2U);
}

TEST_F(CommandOrderTest, ADoubleClickDuringAReopenStartsTheNextReopenAfterIt) {
  RememberTwoCrashedPages();
  int browsersAsked = 0;
  platform.shell.beforeCall = [&](std::string_view call) {
    if (call != "CreateBrowser" || browsersAsked++ != 0) return;
    // Creating the browser waits for another process: the user double-clicks again, and the
    // poller's ticks meanwhile see a new window that takes slot 0 and a wrap that empties 1.
    platform.shell.Open("http://127.0.0.1/new", "N");
    area().DoubleClick();
    platform.ui.Advance(3100ms);
  };
  area().DoubleClick();
  const std::vector<std::string> navigations = Navigations();
  ASSERT_GE(navigations.size(), 2U);
  EXPECT_EQ(navigations[0], "Navigate2 http://127.0.0.1/a");
  EXPECT_EQ(navigations[1], "Navigate2 http://127.0.0.1/b")
      << "the first reopen opens the pages remembered when it started";
  EXPECT_GT(navigations.size(), 2U) << "the second double-click reopened after the first";
  EXPECT_EQ(platform.ui.postedCount(), 0U);
}

TEST_F(CommandOrderTest, EndChosenWhileTheSettingsWindowShowsClosesItAndEnds) {
  platform.ui.whileModal.push_back([&] {
    NextMenuChoice(tray::kEndProgram);
    area().RightClick();
    EXPECT_FALSE(platform.program.ended()) << "not inside the settings window's loop";
  });
  NextMenuChoice(tray::kToggleSettings);
  area().RightClick();
  EXPECT_TRUE(platform.program.ended());
  EXPECT_TRUE(area().icons.empty());
}

}  // namespace
}  // namespace pagemind::app
