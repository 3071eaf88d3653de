// The pages of a Chromium-family browser through the whole resident program: its profile's
// files as Debian's Chromium wrote them, laid where Chrome keeps them on Windows, the
// lockfile standing for the running browser.
#include <gtest/gtest.h>

#include <filesystem>

#include "app_fixture.h"
#include "browsers/snss_writer.h"
#include "pages/browser_sets.h"
#include "tray/menu_commands.h"

namespace pagemind::testing {
namespace {

using namespace std::chrono_literals;

const std::filesystem::path kFixtures =
    std::filesystem::path(PAGEMIND_BROWSER_FIXTURES) / "chromium";

class BrowserPagesTest : public ResidentApp {
 protected:
  void SetUp() override {
    chrome = temp.path() / "chrome.exe";
    WriteBytes(chrome, "MZ");
    platform.programs.userRegistrations["chrome.exe"] = chrome;
  }
  // The browser's User Data folder as `run` (crash, clean, session_end) left it.
  void BrowserLeft(const char* run) {
    std::filesystem::remove_all(userData);
    std::filesystem::create_directories(userData);
    std::filesystem::copy(kFixtures / run, userData, std::filesystem::copy_options::recursive);
  }
  void BrowserRuns() { WriteBytes(userData / "lockfile", ""); }
  void BrowserEnds() { std::filesystem::remove(userData / "lockfile"); }

  platform::headless::HeadlessNotifyArea& area() { return platform.notifyArea; }
  [[nodiscard]] std::vector<std::string> BalloonTexts() {
    std::vector<std::string> texts;
    if (area().icons.empty()) return texts;
    for (const auto& balloon : area().icons.at(0).balloons) texts.push_back(balloon.text);
    return texts;
  }
  [[nodiscard]] std::vector<pages::PageSet> BrowserSets() {
    std::vector<pages::PageSet> sets;
    for (const auto& set : app.host()->pageMemory().history()) {
      if (set.browser) sets.push_back(set);
    }
    return sets;
  }
  [[nodiscard]] std::size_t LogLinesContaining(std::string_view text) {
    std::size_t count = 0;
    for (const auto& line : app.host()->accessLog().lines()) {
      if (line.find(text) != std::string::npos) ++count;
    }
    return count;
  }
  void DoubleClick() {
    area().DoubleClick();
    platform.ui.Advance(100ms);
  }

  std::filesystem::path chrome;
  std::filesystem::path userData =
      temp.path() / "AppData" / "Local" / "Google" / "Chrome" / "User Data";
};

TEST_F(BrowserPagesTest, ACrashIsOfferedOnceAndReopenedWindowByWindowInItsProfile) {
  BrowserLeft("crash");
  BrowserRuns();
  Start();
  platform.ui.Advance(3s);
  EXPECT_TRUE(BrowserSets().empty()) << "read while the browser ran";

  BrowserEnds();
  platform.ui.Advance(1100ms);
  ASSERT_EQ(BrowserSets().size(), 1U);
  EXPECT_EQ(BrowserSets()[0].browser->end, browsers::BrowserEnd::kCrashed);
  EXPECT_EQ(BalloonTexts(),
            std::vector<std::string>{"Google Chrome（Your Chromium）が異常終了しました。\n"
                                     "アイコンをダブルクリックすると 17 ページを開き直します。"});

  DoubleClick();
  ASSERT_EQ(platform.programs.started.size(), 2U);
  const auto& first = platform.programs.started[0];
  EXPECT_EQ(first.executable, chrome);
  ASSERT_EQ(first.arguments.size(), 3U + 5U);
  EXPECT_EQ(std::vector(first.arguments.begin(), first.arguments.begin() + 3),
            (std::vector<std::string>{"--profile-directory=Default", "--new-window", "--"}));
  EXPECT_TRUE(first.arguments[3].ends_with("/a.html")) << first.arguments[3];
  EXPECT_TRUE(first.arguments[7].ends_with("/f.html")) << first.arguments[7];
  EXPECT_EQ(platform.programs.started[1].arguments.size(), 3U + 12U);

  // Opened once: the set stays in the history, and neither the icon nor a new start of the
  // program opens it again.
  DoubleClick();
  EXPECT_EQ(platform.programs.started.size(), 2U);
  ASSERT_EQ(BrowserSets().size(), 1U);
  EXPECT_TRUE(BrowserSets()[0].browser->reopened);
}

TEST_F(BrowserPagesTest, ANormalEndIsKeptButNeitherOfferedNorOpened) {
  BrowserLeft("clean");
  BrowserRuns();
  Start();
  platform.ui.Advance(1100ms);
  BrowserEnds();
  platform.ui.Advance(1100ms);
  ASSERT_EQ(BrowserSets().size(), 1U);
  EXPECT_EQ(BrowserSets()[0].browser->end, browsers::BrowserEnd::kNormal);
  EXPECT_TRUE(BalloonTexts().empty());
  DoubleClick();
  EXPECT_TRUE(platform.programs.started.empty());
  EXPECT_EQ(LogLinesContaining("Google Chrome（Your Chromium）: 終了、"), 1U);
}

TEST_F(BrowserPagesTest, AnEndWhileTheProgramWasOffIsKeptAtItsStartAndOnlyOnce) {
  BrowserLeft("session_end");
  Start();
  platform.ui.Advance(100ms);
  ASSERT_EQ(BrowserSets().size(), 1U);
  EXPECT_EQ(BrowserSets()[0].browser->end, browsers::BrowserEnd::kSessionEnded);
  ASSERT_EQ(BalloonTexts().size(), 1U);
  EXPECT_TRUE(BalloonTexts()[0].starts_with(
      "Google Chrome（Your Chromium）は Windows の終了で閉じられました。\n"));

  // The browser runs and ends again without a new session file (it writes none until the
  // user takes up the old session): nothing is kept twice.
  BrowserRuns();
  platform.ui.Advance(1100ms);
  BrowserEnds();
  platform.ui.Advance(1100ms);
  EXPECT_EQ(BrowserSets().size(), 1U);
  EXPECT_EQ(BalloonTexts().size(), 1U);
}

TEST_F(BrowserPagesTest, ALaterSessionWithOnlyTheBrowsersOwnPagesEndsTheOffer) {
  BrowserLeft("crash");
  Start();
  platform.ui.Advance(100ms);
  ASSERT_EQ(BrowserSets().size(), 1U);

  // The user came back, opened only a new tab and closed the browser: nothing to keep.
  BrowserRuns();
  platform.ui.Advance(1100ms);
  SnssWriter newTab;
  newTab.WindowType(1, 0).SimpleTab(1, 7, 0, "chrome://newtab/").Marker();
  WriteBytes(userData / "Default" / "Sessions" / "Session_99999999999999999", newTab.bytes());
  BrowserEnds();
  platform.ui.Advance(1100ms);
  EXPECT_EQ(BrowserSets().size(), 1U);
  DoubleClick();
  EXPECT_TRUE(platform.programs.started.empty());
}

TEST_F(BrowserPagesTest, WatchingSwitchedOffReadsNothing) {
  WriteBytes(temp.path() / "Pagemind.ini", "[Settings]\r\nBrowsers=0\r\n");
  BrowserLeft("crash");
  Start();
  platform.ui.Advance(3s);
  EXPECT_TRUE(BrowserSets().empty());
  EXPECT_TRUE(BalloonTexts().empty());
}

TEST_F(BrowserPagesTest, UnreadableFilesAreToldOnceAndTheProgramStays) {
  BrowserLeft("crash");
  const auto sessions = userData / "Default" / "Sessions";
  for (const auto& entry : std::filesystem::directory_iterator(sessions)) {
    WriteBytes(entry.path(), "SNSS garbage that is no session");
  }
  WriteBytes(userData / "Default" / "Preferences", "{ cut");
  Start();
  for (int i = 0; i < 3; ++i) {
    BrowserRuns();
    platform.ui.Advance(1100ms);
    BrowserEnds();
    platform.ui.Advance(1100ms);
  }
  EXPECT_TRUE(BrowserSets().empty());
  EXPECT_EQ(LogLinesContaining("Session_"), 1U);
  ASSERT_NE(Window("Main"), nullptr);

  // A profile whose session exists only encrypted is named as one the program cannot read.
  std::filesystem::remove_all(sessions);
  BrowserRuns();
  platform.ui.Advance(1100ms);
  BrowserEnds();
  platform.ui.Advance(1100ms);
  EXPECT_EQ(LogLinesContaining("暗号化"), 1U);
}

}  // namespace
}  // namespace pagemind::testing
