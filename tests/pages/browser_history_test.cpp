// The sets of browsers' sessions in the history: their files, how many of each source stay, and
// that one session is kept once.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "pages/page_history.h"
#include "platform/headless/files.h"
#include "test_support.h"

namespace pagemind::pages {
namespace {

using browsers::BrowserEnd;
using testing::ReadBytes;

const PageSource kChrome{"Google Chrome", "Default"};
const PageSource kChromeWork{"Google Chrome", "Profile 1"};
const PageSource kEdge{"Microsoft Edge", "Default"};

PageSet BrowserSet(const PageSource& source, std::int64_t session, BrowserEnd end,
                   const std::string& address = "http://127.0.0.1/a") {
  PageSet set{.time = 1'796'601'600 + session % 1000};
  set.pages.push_back({address, "", source, 0});
  set.browser =
      BrowserSetOrigin{.source = source, .profileName = "", .session = session, .end = end};
  return set;
}

PageSet ShellSet(std::int64_t time, const std::string& address) {
  return {.time = time, .pages = {{address, ""}}};
}

int SetsOf(const std::vector<PageSet>& sets, const PageSource& source) {
  return static_cast<int>(std::count_if(
      sets.begin(), sets.end(), [&](const PageSet& set) { return SetSource(set) == source; }));
}

int HistoryFilesOnDisk(const std::filesystem::path& folder) {
  int count = 0;
  for (int k = 0; k < kHistoryFileCount; ++k)
    count += std::filesystem::exists(HistoryFilePath(folder, k));
  return count;
}

TEST(BrowserHistoryFile, ASetOfABrowserSessionRoundTrips) {
  for (const auto end : {BrowserEnd::kCrashed, BrowserEnd::kSessionEnded, BrowserEnd::kNormal,
                         BrowserEnd::kUnknown}) {
    for (const bool reopened : {false, true}) {
      PageSet set{.time = 1'796'601'600};
      set.browser = BrowserSetOrigin{.source = kChromeWork,
                                     .profileName = "仕事 用",
                                     .session = 13'441'200'226'896'892,
                                     .end = end,
                                     .reopened = reopened};
      set.pages = {{"http://127.0.0.1/a", "Alpha", kChromeWork, 0},
                   {"https://127.0.0.1/b", "", kChromeWork, 0},
                   {"file:///C:/pages/c.html", "日本語のページ", kChromeWork, 1},
                   {"http://127.0.0.1/d", "D", kChromeWork, 4}};
      SCOPED_TRACE(static_cast<int>(end));
      SCOPED_TRACE(reopened);
      const auto parsed = ParseHistoryFile(HistoryFileBytes(set, 77));
      ASSERT_FALSE(parsed.problem);
      EXPECT_EQ(parsed.number, 77u);
      EXPECT_EQ(parsed.set.time, set.time);
      EXPECT_EQ(parsed.set.browser, set.browser);
      EXPECT_EQ(parsed.set.pages, set.pages);
    }
  }
}

TEST(BrowserHistoryFile, AnyBrokenLineOfABrowserSetDamagesTheFile) {
  const std::string head = "Pagemind page set 1\r\nnumber 3\r\ntime 1\r\n";
  const std::string origin = "browser Google Chrome\tDefault\tName\r\nsession 5\r\n";
  const std::string page = "page http://127.0.0.1/a\r\nsource Google Chrome\tDefault\r\n";
  // What a well-formed file holds, so that each damage below is the only fault in its file.
  const std::string whole = head + origin + "ended crash\r\n" + page + "window 0\r\nend\r\n";
  ASSERT_FALSE(ParseHistoryFile(whole).problem);

  const std::vector<std::pair<const char*, std::string>> damages = {
      {"an unknown end", head + origin + "ended exploded\r\n" + page + "window 0\r\nend\r\n"},
      {"no end line", head + origin + page + "window 0\r\nend\r\n"},
      {"no window line", head + origin + "ended crash\r\n" + page + "end\r\n"},
      {"no window line before the next page",
       head + origin + "ended crash\r\n" + page + page + "window 0\r\nend\r\n"},
      {"a window before its page",
       head + origin + "ended crash\r\nwindow 0\r\n" + page + "window 0\r\nend\r\n"},
      {"a window that is no number",
       head + origin + "ended crash\r\n" + page + "window x\r\nend\r\n"},
      {"a negative window", head + origin + "ended crash\r\n" + page + "window -1\r\nend\r\n"},
      {"a negative session",
       head + "browser Google Chrome\tDefault\tName\r\nsession -5\r\nended crash\r\n" + page +
           "window 0\r\nend\r\n"},
      {"no session line", head + "browser Google Chrome\tDefault\tName\r\nended crash\r\n" + page +
                              "window 0\r\nend\r\n"},
      {"a browser line without a profile",
       head + "browser Google Chrome\tName\r\nsession 5\r\nended crash\r\n" + page +
           "window 0\r\nend\r\n"},
      {"reopened twice",
       head + origin + "ended crash\r\nreopened\r\nreopened\r\n" + page + "window 0\r\nend\r\n"},
      {"reopened in a set of the shell", head + "reopened\r\npage http://127.0.0.1/a\r\nend\r\n"},
      {"a window in a set of the shell", head + "page http://127.0.0.1/a\r\nwindow 0\r\nend\r\n"},
  };
  for (const auto& [what, bytes] : damages) {
    EXPECT_EQ(ParseHistoryFile(bytes).problem, platform::FileError::kDamaged) << what;
  }
}

class BrowserHistoryTest : public ::testing::Test {
 protected:
  BrowserHistoryTest() { std::filesystem::create_directory(temp.path() / "Log"); }

  PageHistory Loaded() {
    PageHistory history(files, temp.path());
    EXPECT_TRUE(history.Load().empty());
    return history;
  }

  testing::TempFolder temp;
  platform::headless::PosixFileSystem files;
};

TEST_F(BrowserHistoryTest, OrdinaryEndsOfOneProfilePushOutOnlyItsOwnSets) {
  auto history = Loaded();
  EXPECT_TRUE(history.Add(ShellSet(10, "http://127.0.0.1/shell-1")).empty());
  EXPECT_TRUE(history.Add(ShellSet(11, "http://127.0.0.1/shell-2")).empty());
  EXPECT_TRUE(history.Add(BrowserSet(kChromeWork, 500, BrowserEnd::kCrashed)).empty());
  for (int i = 0; i < 12; ++i) {
    EXPECT_TRUE(history.Add(BrowserSet(kChrome, 1000 + i, BrowserEnd::kNormal)).empty());
  }
  const auto check = [](const std::vector<PageSet>& sets, const char* when) {
    SCOPED_TRACE(when);
    ASSERT_EQ(sets.size(), 13u);
    EXPECT_EQ(SetsOf(sets, kChrome), kHistoryLength);
    EXPECT_EQ(SetsOf(sets, PageSource{}), 2);
    ASSERT_EQ(SetsOf(sets, kChromeWork), 1);
    // Newest first, and the profile's two oldest ends are the ones gone.
    EXPECT_EQ(sets.front().browser->session, 1011);
    std::int64_t oldestKept = 1011;
    for (const auto& set : sets) {
      if (SetSource(set) == kChrome) oldestKept = set.browser->session;
    }
    EXPECT_EQ(oldestKept, 1002);
  };
  check(history.sets(), "this run");
  check(Loaded().sets(), "the next run");
  EXPECT_EQ(HistoryFilesOnDisk(temp.path()), 13) << "a dropped set leaves no file behind";
}

TEST_F(BrowserHistoryTest, WhenEveryFileHoldsASetTheOldestOfAllGivesWay) {
  auto history = Loaded();
  std::int64_t session = 1;
  for (int profile = 0; profile < kHistoryFileCount / kHistoryLength; ++profile) {
    const PageSource source{"Google Chrome", "Profile " + std::to_string(profile)};
    for (int i = 0; i < kHistoryLength; ++i) {
      ASSERT_TRUE(history.Add(BrowserSet(source, session++, BrowserEnd::kNormal)).empty());
    }
  }
  ASSERT_EQ(HistoryFilesOnDisk(temp.path()), kHistoryFileCount);
  EXPECT_TRUE(history.Add(BrowserSet(kEdge, session, BrowserEnd::kCrashed)).empty());
  const auto sets = Loaded().sets();
  ASSERT_EQ(sets.size(), static_cast<std::size_t>(kHistoryFileCount));
  EXPECT_EQ(SetSource(sets.front()), kEdge);
  EXPECT_EQ(sets.back().browser->session, 2) << "the first set of all gave its file";
}

TEST_F(BrowserHistoryTest, WhenEveryFileHoldsASetAProfilesOnlySetStays) {
  auto history = Loaded();
  ASSERT_TRUE(history.Add(BrowserSet(kChromeWork, 1, BrowserEnd::kCrashed)).empty());
  std::int64_t session = 2;
  for (int file = 1; file < kHistoryFileCount; ++file) {
    const PageSource source{"Brave", "Profile " + std::to_string(file / kHistoryLength)};
    ASSERT_TRUE(history.Add(BrowserSet(source, session++, BrowserEnd::kNormal)).empty());
  }
  ASSERT_EQ(HistoryFilesOnDisk(temp.path()), kHistoryFileCount);
  // "Profile 0" holds 9 sets, the others 10: the oldest of "Profile 1" gives way.
  EXPECT_TRUE(history.Add(BrowserSet(kEdge, session, BrowserEnd::kCrashed)).empty());
  const auto sets = Loaded().sets();
  ASSERT_EQ(sets.size(), static_cast<std::size_t>(kHistoryFileCount));
  EXPECT_EQ(SetSource(sets.back()), kChromeWork) << "the only set of its profile, oldest of all";
  EXPECT_EQ(std::count_if(sets.begin(), sets.end(),
                          [](const PageSet& set) { return set.browser->session == 11; }),
            0)
      << "Profile 1's oldest";
}

TEST_F(BrowserHistoryTest, OneSessionIsKeptOnceAlsoAfterARestart) {
  auto history = Loaded();
  (void)history.Add(BrowserSet(kChrome, 500, BrowserEnd::kCrashed, "http://127.0.0.1/a"));
  // Found again, with other pages or an end told differently: still the same session.
  (void)history.Add(BrowserSet(kChrome, 500, BrowserEnd::kNormal, "http://127.0.0.1/b"));
  (void)history.Add(BrowserSet(kChrome, 499, BrowserEnd::kCrashed, "http://127.0.0.1/c"));
  ASSERT_EQ(history.sets().size(), 1u);
  EXPECT_EQ(history.sets()[0].browser->end, BrowserEnd::kCrashed);
  // Another profile's session of the same time is its own.
  (void)history.Add(BrowserSet(kChromeWork, 500, BrowserEnd::kCrashed));
  EXPECT_EQ(history.sets().size(), 2u);

  auto next = Loaded();
  (void)next.Add(BrowserSet(kChrome, 500, BrowserEnd::kCrashed, "http://127.0.0.1/d"));
  EXPECT_EQ(next.sets().size(), 2u);
  // A later session with the very same pages is a set of its own, unlike the shell's windows.
  (void)next.Add(BrowserSet(kChrome, 501, BrowserEnd::kNormal, "http://127.0.0.1/a"));
  ASSERT_EQ(next.sets().size(), 3u);
  EXPECT_EQ(next.sets()[0].browser->session, 501);
}

TEST_F(BrowserHistoryTest, LastSessionIsTheNewestOfThatProfileAlone) {
  auto history = Loaded();
  EXPECT_EQ(history.LastSession(kChrome), 0);
  (void)history.Add(BrowserSet(kChrome, 300, BrowserEnd::kNormal));
  (void)history.Add(BrowserSet(kChromeWork, 900, BrowserEnd::kNormal));
  (void)history.Add(BrowserSet(kChrome, 400, BrowserEnd::kCrashed));
  (void)history.Add(ShellSet(5000, "http://127.0.0.1/shell"));
  EXPECT_EQ(history.LastSession(kChrome), 400);
  EXPECT_EQ(history.LastSession(kChromeWork), 900);
  EXPECT_EQ(history.LastSession(kEdge), 0);
  EXPECT_EQ(history.LastSession(PageSource{"Google Chrome", "default"}), 0)
      << "profile folders are told apart exactly as the browser names them";
  EXPECT_EQ(Loaded().LastSession(kChrome), 400);
}

TEST_F(BrowserHistoryTest, AReopenedSetStaysReopenedInItsFile) {
  auto history = Loaded();
  (void)history.Add(BrowserSet(kChrome, 300, BrowserEnd::kCrashed));
  (void)history.Add(BrowserSet(kChromeWork, 300, BrowserEnd::kCrashed));
  const auto fileOfWork = HistoryFilePath(temp.path(), 1);
  const auto untouched = ReadBytes(fileOfWork);

  EXPECT_TRUE(history.MarkReopened(kChrome, 299).empty());
  EXPECT_FALSE(history.sets()[1].browser->reopened) << "another session of the profile";
  EXPECT_TRUE(history.MarkReopened(kChrome, 300).empty());
  EXPECT_TRUE(history.sets()[1].browser->reopened);
  EXPECT_FALSE(history.sets()[0].browser->reopened) << "the same time in another profile";
  EXPECT_EQ(ReadBytes(fileOfWork), untouched);

  auto next = Loaded();
  const auto sets = next.sets();
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(SetSource(sets[1]), kChrome);
  EXPECT_TRUE(sets[1].browser->reopened);
  EXPECT_FALSE(sets[0].browser->reopened);
  EXPECT_EQ(sets[1].pages, BrowserSet(kChrome, 300, BrowserEnd::kCrashed).pages);
}

}  // namespace
}  // namespace pagemind::pages
