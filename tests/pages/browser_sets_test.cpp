// A browser's ended session made into a set of the history, and which sets the one-step reopen
// takes.
#include "pages/browser_sets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/files.h"
#include "test_support.h"

namespace pagemind::pages {
namespace {

using browsers::BrowserEnd;
using browsers::SessionTab;
using browsers::SessionWindow;

const PageSource kChrome{"Google Chrome", "Profile 1"};

browsers::EndedSession Ended(std::vector<SessionWindow> windows) {
  return {.browser = kChrome.browser,
          .profile = kChrome.profile,
          .profileName = "仕事",
          .session = 13'441'200'226'896'892,
          .end = BrowserEnd::kCrashed,
          .pages = {std::move(windows)}};
}

SessionWindow WindowOf(const std::vector<std::string>& addresses) {
  SessionWindow window;
  for (const auto& address : addresses) window.tabs.push_back({address, "T " + address});
  return window;
}

std::vector<std::string> Addresses(const PageSet& set) {
  std::vector<std::string> addresses;
  for (const auto& page : set.pages) addresses.push_back(page.address);
  return addresses;
}

TEST(BrowserSetFromSession, KeepsWebAndFilePagesWhateverTheSchemesCase) {
  const auto set = BrowserSetFromSession(
      Ended({WindowOf({"http://127.0.0.1/a", "HTTPS://127.0.0.1/b", "File:///C:/c.html",
                       "chrome://newtab/", "javascript:alert(1)", "about:blank", "ftp://127.0.0.1/",
                       "httpx://127.0.0.1/", "data:text/html,x", "http:", "edge://settings",
                       "view-source:http://127.0.0.1/", "https://127.0.0.1/z"})}),
      1'796'601'600);
  EXPECT_EQ(Addresses(set), (std::vector<std::string>{"http://127.0.0.1/a", "HTTPS://127.0.0.1/b",
                                                      "File:///C:/c.html", "https://127.0.0.1/z"}));
  EXPECT_EQ(set.pages[1].title, "T HTTPS://127.0.0.1/b");
}

TEST(BrowserSetFromSession, TellsWhoseSessionItIsAndNumbersOnlyWindowsThatKeepAPage) {
  const auto set = BrowserSetFromSession(
      Ended({WindowOf({"http://127.0.0.1/a"}), WindowOf({"chrome://newtab/", "chrome://settings"}),
             WindowOf({}),
             WindowOf({"chrome://history", "https://127.0.0.1/b", "file:///C:/c.txt"}),
             WindowOf({"http://127.0.0.1/d"})}),
      1'796'601'600);
  EXPECT_EQ(set.time, 1'796'601'600);
  ASSERT_TRUE(set.browser);
  EXPECT_EQ(*set.browser, (BrowserSetOrigin{.source = kChrome,
                                            .profileName = "仕事",
                                            .session = 13'441'200'226'896'892,
                                            .end = BrowserEnd::kCrashed,
                                            .reopened = false}));
  ASSERT_EQ(set.pages.size(), 4u);
  std::vector<std::uint32_t> windows;
  for (const auto& page : set.pages) {
    EXPECT_EQ(page.source, kChrome);
    windows.push_back(page.window);
  }
  EXPECT_EQ(windows, (std::vector<std::uint32_t>{0, 1, 1, 2}));
}

TEST(BrowserSetFromSession, ASessionOfNoPageToReopenGivesAnEmptySet) {
  const auto set = BrowserSetFromSession(Ended({WindowOf({"chrome://newtab/"})}), 5);
  EXPECT_TRUE(set.pages.empty());
  EXPECT_TRUE(set.browser);
}

TEST(BrowserSetFromSession, AHugeSessionKeepsItsFirstPagesUpToThePageLimit) {
  std::vector<SessionWindow> windows;
  for (std::size_t w = 0; w < 11; ++w) {
    SessionWindow window;
    for (std::size_t t = 0; t < 100; ++t) {
      window.tabs.push_back({"http://127.0.0.1/" + std::to_string(w * 100 + t), ""});
    }
    windows.push_back(std::move(window));
  }
  const auto set = BrowserSetFromSession(Ended(std::move(windows)), 5);
  ASSERT_EQ(set.pages.size(), kBrowserSetPageLimit);
  EXPECT_EQ(set.pages.front().address, "http://127.0.0.1/0");
  EXPECT_EQ(set.pages.back().address, "http://127.0.0.1/999");
  EXPECT_EQ(set.pages.back().window, 9u);
}

// Pages at every limit, whose addresses triple when their line breaks are escaped: the set
// still fits the file the history can read back.
TEST(BrowserSetFromSession, LongPagesAreCutToWhatTheHistoryFileHolds) {
  testing::TempFolder temp;
  std::filesystem::create_directory(temp.path() / "Log");
  platform::headless::PosixFileSystem files;
  const std::string longName(400, 'n');
  auto ended = Ended({});
  ended.browser = longName;
  ended.profile = longName;
  ended.profileName = longName;
  SessionWindow window;
  for (int i = 0; i < 200; ++i) {
    window.tabs.push_back(
        {"http://127.0.0.1/" + std::to_string(i) + std::string(kAddressLimit, '\n'),
         std::string(kTitleLimit + 100, 't')});
  }
  ended.pages.windows.push_back(std::move(window));
  const auto set = BrowserSetFromSession(ended, 5);
  ASSERT_GT(set.pages.size(), 10u);
  ASSERT_LT(set.pages.size(), 200u);
  for (const auto& page : set.pages) {
    EXPECT_EQ(page.address.size(), kAddressLimit);
    EXPECT_EQ(page.title.size(), kTitleLimit);
  }
  EXPECT_LE(HistoryFileBytes(set, 1).size(), kBrowserSetBytesLimit + 1024);

  PageHistory history(files, temp.path());
  (void)history.Load();
  ASSERT_TRUE(history.Add(set).empty());
  PageHistory next(files, temp.path());
  EXPECT_TRUE(next.Load().empty()) << "the file is within what a reading takes";
  ASSERT_EQ(next.sets().size(), 1u);
  EXPECT_EQ(next.sets()[0].pages.size(), set.pages.size());
}

PageSet Kept(const PageSource& source, std::int64_t session, BrowserEnd end,
             bool reopened = false) {
  PageSet set{.time = session, .pages = {{"http://127.0.0.1/" + std::to_string(session), ""}}};
  set.browser = BrowserSetOrigin{
      .source = source, .profileName = "", .session = session, .end = end, .reopened = reopened};
  return set;
}

TEST(SetsToReopen, OnlyEachProfilesNewestSetWhenItCrashedOrTheSessionEnded) {
  const PageSource chrome{"Google Chrome", "Default"};
  const PageSource edge{"Microsoft Edge", "Default"};
  const PageSource edgeWork{"Microsoft Edge", "Profile 1"};
  const PageSource brave{"Brave", "Default"};
  const PageSource vivaldi{"Vivaldi", "Default"};
  const std::vector<PageSet> history = {
      // Newest first.
      Kept(chrome, 30, BrowserEnd::kNormal),
      {.time = 29, .pages = {{"http://127.0.0.1/shell", ""}}},
      Kept(edge, 28, BrowserEnd::kCrashed, true),
      Kept(edgeWork, 27, BrowserEnd::kSessionEnded),
      Kept(chrome, 26, BrowserEnd::kCrashed),
      Kept(brave, 25, BrowserEnd::kCrashed),
      Kept(edge, 24, BrowserEnd::kCrashed),
      Kept(vivaldi, 23, BrowserEnd::kUnknown),
      Kept(brave, 22, BrowserEnd::kCrashed),
  };
  std::vector<std::int64_t> offered;
  for (const auto& set : SetsToReopen(history)) offered.push_back(set.browser->session);
  EXPECT_EQ(offered, (std::vector<std::int64_t>{27, 25}))
      << "Chrome was back and ended normally, Edge's crash was opened already, Vivaldi's end "
         "is unknown, Brave's older crash is behind its newer one";
}

TEST(SetsToReopen, OfferedOnlyForACrashOrTheSessionsEndNotOpenedYet) {
  const PageSource chrome{"Google Chrome", "Default"};
  EXPECT_TRUE(OfferedForReopen(Kept(chrome, 1, BrowserEnd::kCrashed)));
  EXPECT_TRUE(OfferedForReopen(Kept(chrome, 1, BrowserEnd::kSessionEnded)));
  EXPECT_FALSE(OfferedForReopen(Kept(chrome, 1, BrowserEnd::kCrashed, true)));
  EXPECT_FALSE(OfferedForReopen(Kept(chrome, 1, BrowserEnd::kNormal)));
  EXPECT_FALSE(OfferedForReopen(Kept(chrome, 1, BrowserEnd::kUnknown)));
  EXPECT_FALSE(OfferedForReopen({.time = 1, .pages = {{"http://127.0.0.1/", ""}}}));
  EXPECT_TRUE(SetsToReopen({}).empty());
}

}  // namespace
}  // namespace pagemind::pages
