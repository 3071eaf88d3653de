// Session files Debian's firefox-esr wrote itself (tests/browsers/make_firefox_fixtures.sh),
// read as the program reads a profile: the exact windows, tabs and titles that script opened.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "browsers/firefox_reader.h"
#include "platform/headless/files.h"

namespace pagemind::browsers {
namespace {

const std::string kSite = "http://127.0.0.1:8765/";
const std::string kJapaneseTitle = "日本語のページ — テスト";

std::filesystem::path Fixture(const std::string& name) {
  return std::filesystem::path(PAGEMIND_TESTS_DIR) / "browsers" / "fixtures" / "firefox" / name;
}

SessionTab Page(const std::string& file, const std::string& title, bool pinned = false) {
  return {.address = kSite + file, .title = title, .pinned = pinned};
}

// Firefox lists windows in the order they were last used: found by their first tab instead.
const SessionWindow* WindowStartingWith(const BrowserSession& session, const std::string& file) {
  const auto found = std::find_if(
      session.windows.begin(), session.windows.end(),
      [&](const auto& w) { return !w.tabs.empty() && w.tabs.front().address == kSite + file; });
  return found == session.windows.end() ? nullptr : &*found;
}

// The first window the script opened: 12 pages and the Japanese one, the first pinned through
// its context menu.
std::vector<SessionTab> FirstWindowTabs() {
  std::vector<SessionTab> tabs = {Page("p1.html", "Page 1", true)};
  for (int i = 2; i <= 12; ++i) {
    tabs.push_back(Page("p" + std::to_string(i) + ".html", "Page " + std::to_string(i)));
  }
  tabs.push_back(Page("ja.html", kJapaneseTitle));
  return tabs;
}

// The second window: home.html, second.html, third.html in one tab and back (its current entry
// is the second of three), and a second tab, selected.
std::vector<SessionTab> SecondWindowTabs() {
  return {Page("second.html", "Window second"), Page("p5.html", "Page 5")};
}

class FirefoxFixtures : public ::testing::Test {
 protected:
  FirefoxProfileSession Read(const std::string& name) {
    return ReadFirefoxProfileSession(files_, Fixture(name));
  }
  platform::headless::PosixFileSystem files_;
};

TEST_F(FirefoxFixtures, AfterKill9TheRecoveryFileHoldsEveryWindow) {
  const FirefoxProfileSession read = Read("crash");
  ASSERT_FALSE(read.error) << read.error.message();
  EXPECT_EQ(read.file, Fixture("crash") / "sessionstore-backups" / "recovery.jsonlz4");
  EXPECT_EQ(read.end, BrowserEnd::kCrashed);
  EXPECT_TRUE(read.faults.empty());
  const FirefoxSession& session = read.session;
  ASSERT_EQ(session.open.windows.size(), 3U);
  const SessionWindow* first = WindowStartingWith(session.open, "p1.html");
  const SessionWindow* second = WindowStartingWith(session.open, "second.html");
  const SessionWindow* third = WindowStartingWith(session.open, "closed.html");
  ASSERT_TRUE(first && second && third);
  EXPECT_EQ(first->tabs, FirstWindowTabs());
  EXPECT_EQ(first->selectedTab, 0U);
  EXPECT_EQ(second->tabs, SecondWindowTabs());
  EXPECT_EQ(second->selectedTab, 1U);
  EXPECT_EQ(third->tabs, std::vector<SessionTab>{Page("closed.html", "Window closed")});
  EXPECT_TRUE(session.closedWindows.windows.empty());
  EXPECT_TRUE(session.previous.windows.empty());
  EXPECT_FALSE(session.fromRestorePage);
  EXPECT_GT(session.lastUpdate, 1700000000000);
}

TEST_F(FirefoxFixtures, AfterACleanEndTheFinalFileServesWithTheTabAddedLast) {
  const FirefoxProfileSession read = Read("clean");
  ASSERT_FALSE(read.error) << read.error.message();
  EXPECT_EQ(read.file, Fixture("clean") / "sessionstore.jsonlz4");
  EXPECT_EQ(read.end, BrowserEnd::kNormal);
  // The run resumed the windows, added.html went to the second one, the third was closed.
  const BrowserSession& open = read.session.open;
  ASSERT_EQ(open.windows.size(), 2U);
  const SessionWindow* first = WindowStartingWith(open, "p1.html");
  const SessionWindow* second = WindowStartingWith(open, "second.html");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->tabs, FirstWindowTabs());
  std::vector<SessionTab> grown = SecondWindowTabs();
  grown.push_back(Page("added.html", "Window added"));
  EXPECT_EQ(second->tabs, grown);
  EXPECT_EQ(second->selectedTab, 2U);
  ASSERT_EQ(read.session.closedWindows.windows.size(), 1U);
  EXPECT_EQ(read.session.closedWindows.windows[0].tabs,
            std::vector<SessionTab>{Page("closed.html", "Window closed")});
  // The recovery file beside it is older than the final one.
  const FirefoxSessionParse recovery = ReadFirefoxSessionFile(
      files_, Fixture("clean") / "sessionstore-backups" / "recovery.jsonlz4");
  ASSERT_FALSE(recovery.error);
  EXPECT_LT(recovery.session.lastUpdate, read.session.lastUpdate);
}

TEST_F(FirefoxFixtures, TheCrashPageStandsForTheSessionItKeeps) {
  const FirefoxProfileSession read = Read("restore_page");
  ASSERT_FALSE(read.error) << read.error.message();
  EXPECT_EQ(read.file, Fixture("restore_page") / "sessionstore-backups" / "recovery.jsonlz4");
  EXPECT_TRUE(read.session.fromRestorePage);
  ASSERT_EQ(read.session.open.windows.size(), 1U);
  EXPECT_EQ(read.session.open.windows[0].tabs,
            (std::vector<SessionTab>{Page("p1.html", "Page 1"), Page("ja.html", kJapaneseTitle)}));
}

TEST_F(FirefoxFixtures, AStartWithoutRestoringKeepsTheRunBeforeAside) {
  const FirefoxProfileSession read = Read("not_restored");
  ASSERT_FALSE(read.error) << read.error.message();
  ASSERT_EQ(read.session.open.windows.size(), 1U);
  EXPECT_EQ(read.session.open.windows[0].tabs,
            std::vector<SessionTab>{Page("home.html", "Window home")});
  ASSERT_EQ(read.session.previous.windows.size(), 1U);
  EXPECT_EQ(read.session.previous.windows[0].tabs,
            (std::vector<SessionTab>{Page("p1.html", "Page 1"), Page("p2.html", "Page 2")}));
  EXPECT_FALSE(read.session.fromRestorePage);
}

}  // namespace
}  // namespace pagemind::browsers
