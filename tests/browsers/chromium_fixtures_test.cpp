// Session files, Preferences and Local State as Debian's Chromium 156 wrote them, made by
// tests/browsers/make_chromium_fixtures.sh from the windows and tabs its driver arranged: a
// start-up window of six pages (two pinned, one closed, one gone on to another page, the third
// selected), a window of 12 pages, a window opened and closed, and a popup.
#include <gtest/gtest.h>

#include "browsers/browser_errors.h"
#include "browsers/chromium_files.h"
#include "platform/native.h"

namespace pagemind::browsers {
namespace {

const std::filesystem::path kFixtures =
    std::filesystem::path(PAGEMIND_BROWSER_FIXTURES) / "chromium";

// The pages' paths: the server's port changes from run to run.
std::string Path(const std::string& address) {
  const std::string origin = "http://127.0.0.1:";
  if (!address.starts_with(origin)) return "not local: " + address;
  return address.substr(address.find('/', origin.size()));
}

struct Expected {
  std::string path;
  std::string title;
  bool pinned = false;
};

void ExpectTabs(const SessionWindow& window, const std::vector<Expected>& expected) {
  ASSERT_EQ(window.tabs.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Path(window.tabs[i].address), expected[i].path);
    EXPECT_EQ(window.tabs[i].title, expected[i].title);
    EXPECT_EQ(window.tabs[i].pinned, expected[i].pinned);
    EXPECT_FALSE(window.popup);
  }
}

// The start-up window: the closed sixth page is gone, Epsilon went on to Foxtrot.
void ExpectFirstWindow(const SessionWindow& window) {
  ExpectTabs(window, {{"/a.html", "Alpha", true},
                      {"/b.html", "Beta", true},
                      {"/ja.html", "日本語のページ"},
                      {"/list,with,commas.html?a=1,2", "Comma"},
                      {"/f.html", "Foxtrot"}});
  EXPECT_EQ(window.selectedTab, 2U);
}

// The second window: its fifth tab selected after 300 switches between its tabs (which made the
// browser write the session anew, with the pages' titles).
void ExpectSecondWindow(const SessionWindow& window) {
  std::vector<Expected> many;
  for (int i = 1; i <= 12; ++i) {
    many.push_back({"/many/" + std::to_string(i) + ".html", "Many " + std::to_string(i)});
  }
  ExpectTabs(window, many);
  EXPECT_EQ(window.selectedTab, 4U);
}

struct BrowserRun {
  BrowserSession session;
  BrowserEnd end = BrowserEnd::kUnknown;
};

BrowserRun Read(const char* name) {
  const auto files = platform::MakeFileSystem();
  const auto profile = kFixtures / name / "Default";
  const auto choice = FindSessionFile(*files, profile);
  EXPECT_FALSE(choice.problem) << choice.problem.message();
  const auto reading = ReadChromiumSessionFile(*files, choice.path);
  EXPECT_FALSE(reading.problem) << reading.problem.message();
  EXPECT_EQ(reading.skippedRecords, 0U);
  const auto exit = ReadPreferences(*files, profile);
  EXPECT_FALSE(exit.problem) << exit.problem.message();
  return {reading.session, exit.end};
}

TEST(ChromiumFixtures, AKilledBrowserLeavesItsOpenWindowsAndCrashed) {
  const BrowserRun run = Read("crash");
  EXPECT_EQ(run.end, BrowserEnd::kCrashed);
  // The closed window is gone; the popup was never written (Chromium 156 keeps no popup in
  // its session).
  ASSERT_EQ(run.session.windows.size(), 2U);
  ExpectFirstWindow(run.session.windows[0]);
  ExpectSecondWindow(run.session.windows[1]);
}

TEST(ChromiumFixtures, TheEndOfTheWindowsSessionKeepsEveryWindow) {
  const BrowserRun run = Read("session_end");
  EXPECT_EQ(run.end, BrowserEnd::kSessionEnded);
  ASSERT_EQ(run.session.windows.size(), 2U);
  ExpectFirstWindow(run.session.windows[0]);
  ExpectSecondWindow(run.session.windows[1]);
}

TEST(ChromiumFixtures, ClosingEachWindowKeepsOnlyTheLastOneClosed) {
  // Ctrl+Shift+W on each window: the windows closed before the last are closed for good; the
  // last one is what the browser would restore.
  const BrowserRun run = Read("clean");
  EXPECT_EQ(run.end, BrowserEnd::kNormal);
  ASSERT_EQ(run.session.windows.size(), 1U);
  ExpectSecondWindow(run.session.windows[0]);
}

TEST(ChromiumFixtures, TheEncryptedTwinIsRecognisedAndTheProfileIsNamed) {
  const auto files = platform::MakeFileSystem();
  for (const char* name : {"crash", "clean", "session_end"}) {
    SCOPED_TRACE(name);
    std::vector<platform::FolderEntry> entries;
    const auto encrypted = kFixtures / name / "Default" / "Sessions_Encrypted";
    ASSERT_FALSE(files->ListFolder(encrypted, 10, entries));
    ASSERT_EQ(entries.size(), 1U);
    const auto reading = ReadChromiumSessionFile(*files, encrypted / entries[0].name);
    EXPECT_EQ(reading.problem, BrowserFileError::kEncrypted);
    EXPECT_TRUE(reading.session.windows.empty());

    const auto profiles = ReadLocalState(*files, kFixtures / name);
    EXPECT_FALSE(profiles.problem);
    EXPECT_EQ(profiles.profiles, (std::vector<ChromiumProfile>{{"Default", "Your Chromium"}}));
  }
}

}  // namespace
}  // namespace pagemind::browsers
