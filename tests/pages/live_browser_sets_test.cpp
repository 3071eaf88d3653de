// The pages of a browser followed while it runs: held by the recovery copy in its second
// format, kept in the history with their end unknown when the program is killed, and given
// their end once the browser's own files tell it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/page_history.h"
#include "pages/page_memory.h"
#include "pages/recovery_copy.h"
#include "platform/headless/files.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/scripted_shell.h"
#include "platform/native.h"
#include "test_support.h"

namespace pagemind::pages {
namespace {

using browsers::BrowserEnd;
using testing::ReadBytes;
using testing::WriteBytes;

const PageSource kFirefox{"Mozilla Firefox", "a1.default"};
const PageSource kWork{"Mozilla Firefox", "w9.work"};

PageSet LiveSet(const PageSource& source, std::int64_t session,
                BrowserEnd end = BrowserEnd::kUnknown,
                const std::string& address = "http://127.0.0.1/a") {
  PageSet set{.time = 1'796'601'600};
  set.pages = {{address, "Alpha", source, 0},
               {"https://127.0.0.1/日本", "", source, 0},
               {"file:///C:/pages/c.html", "三", source, 1}};
  set.browser =
      BrowserSetOrigin{.source = source, .profileName = "仕事", .session = session, .end = end};
  return set;
}

int HistoryFilesOnDisk(const std::filesystem::path& folder) {
  int count = 0;
  for (int k = 0; k < kHistoryFileCount; ++k) {
    count += std::filesystem::exists(HistoryFilePath(folder, k)) ? 1 : 0;
  }
  return count;
}

TEST(RecoveryCopyWithSets, PagesAndBrowserSetsRoundTrip) {
  const std::vector<std::string> pages = {"http://127.0.0.1/one", "end", "http://x/\r\nevil"};
  const std::vector<PageSet> sets = {LiveSet(kFirefox, 1'700'000'000'123),
                                     LiveSet(kWork, 5, BrowserEnd::kUnknown, "page end")};
  const auto bytes = RecoveryCopyBytes(pages, sets);
  ASSERT_TRUE(bytes.starts_with("Pagemind recovery 2\r\npage http://127.0.0.1/one\r\n"));
  const auto parsed = ParseRecoveryCopy(bytes);
  EXPECT_FALSE(parsed.problem);
  EXPECT_EQ(parsed.pages, (std::vector<std::string>{pages[0], "end", "http://x/%0D%0Aevil"}));
  EXPECT_EQ(parsed.browserSets, sets);

  // Sets without pages of the shell's windows.
  const auto setsAlone = ParseRecoveryCopy(RecoveryCopyBytes({}, sets));
  EXPECT_FALSE(setsAlone.problem);
  EXPECT_TRUE(setsAlone.pages.empty());
  EXPECT_EQ(setsAlone.browserSets, sets);
}

TEST(RecoveryCopyWithSets, ALineWithoutAnAddressHoldsNoPageInEitherFormat) {
  for (const std::string bytes :
       {"Pagemind recovery 1\r\n\r\nhttp://127.0.0.1/a\r\nend\r\n",
        "Pagemind recovery 2\r\npage \r\npage http://127.0.0.1/a\r\nend\r\n"}) {
    const auto parsed = ParseRecoveryCopy(bytes);
    EXPECT_FALSE(parsed.problem) << bytes;
    EXPECT_EQ(parsed.pages, std::vector<std::string>{"http://127.0.0.1/a"}) << bytes;
  }
}

TEST(RecoveryCopyWithSets, WithoutBrowserSetsTheFirstFormatIsWrittenAsBefore) {
  EXPECT_EQ(RecoveryCopyBytes({"http://127.0.0.1/a", "http://x/\ny"}),
            "Pagemind recovery 1\r\nhttp://127.0.0.1/a\r\nhttp://x/%0Ay\r\nend\r\n");
  EXPECT_EQ(RecoveryCopyBytes({}, {}), "Pagemind recovery 1\r\nend\r\n");
}

TEST(RecoveryCopyWithSets, ACutCopyKeepsWhatCameBeforeTheCut) {
  const std::vector<PageSet> sets = {LiveSet(kFirefox, 7), LiveSet(kWork, 8)};
  const auto bytes = RecoveryCopyBytes({"http://127.0.0.1/one", "http://127.0.0.1/two"}, sets);
  const auto secondSet = bytes.find("Pagemind page set 1", bytes.find("Pagemind page set 1") + 1);
  ASSERT_NE(secondSet, std::string::npos);
  // Cut at every byte: whatever line or set was whole before the cut is read, and the copy is
  // told as cut, never as whole.
  for (std::size_t cut = 21; cut < bytes.size(); ++cut) {
    SCOPED_TRACE(cut);
    const auto parsed = ParseRecoveryCopy(std::string_view(bytes).substr(0, cut));
    EXPECT_EQ(parsed.problem, platform::FileError::kTruncated);
    const std::size_t wholeSets = cut >= bytes.size() - 5 ? 2 : cut >= secondSet ? 1 : 0;
    ASSERT_EQ(parsed.browserSets.size(), wholeSets);
    if (wholeSets > 0) {
      EXPECT_EQ(parsed.browserSets[0], sets[0]);
    }
    const std::size_t wholePages = cut >= bytes.find("two") + 5   ? 2
                                   : cut >= bytes.find("one") + 5 ? 1
                                                                  : 0;
    EXPECT_EQ(parsed.pages.size(), wholePages);
  }
}

TEST(RecoveryCopyWithSets, ADamagedSetOrAForeignLineMakesTheCopyDamaged) {
  const auto set = HistoryFileBytes(LiveSet(kFirefox, 7), 1);
  const std::string head = "Pagemind recovery 2\r\npage http://127.0.0.1/one\r\n";
  ASSERT_FALSE(ParseRecoveryCopy(head + set + "end\r\n").problem);
  auto exploded = set;
  exploded.replace(exploded.find("ended unknown"), 13, "ended exploded");
  const std::vector<std::pair<const char*, std::string>> damages = {
      {"an unknown end", head + exploded + "end\r\n"},
      {"a set of the shell's windows",
       head + HistoryFileBytes({.time = 1, .pages = {{"http://127.0.0.1/b", ""}}}, 1) + "end\r\n"},
      {"a line of neither kind", head + "http://127.0.0.1/bare\r\nend\r\n"},
      {"a page after the sets", head + set + "page http://127.0.0.1/late\r\nend\r\n"},
  };
  for (const auto& [what, bytes] : damages) {
    const auto parsed = ParseRecoveryCopy(bytes);
    EXPECT_EQ(parsed.problem, platform::FileError::kDamaged) << what;
    EXPECT_EQ(parsed.pages, std::vector<std::string>{"http://127.0.0.1/one"}) << what;
  }
}

class LiveSetsHistoryTest : public ::testing::Test {
 protected:
  LiveSetsHistoryTest() { std::filesystem::create_directory(temp.path() / "Log"); }
  PageHistory Loaded() {
    PageHistory history(files, temp.path());
    EXPECT_TRUE(history.Load().empty());
    return history;
  }
  std::unique_ptr<PageMemory> Memory() {
    return std::make_unique<PageMemory>(files, shell, *ansi, clock, temp.path());
  }

  testing::TempFolder temp;
  platform::headless::PosixFileSystem files;
  std::unique_ptr<platform::AnsiCodec> ansi = platform::MakeAnsiCodec();
  platform::headless::HeadlessClock clock;
  platform::headless::ScriptedShell shell;
};

TEST_F(LiveSetsHistoryTest, ASessionKeptWithItsEndUnknownTakesItsEndInPlace) {
  auto history = Loaded();
  (void)history.Add(LiveSet(kFirefox, 500));
  (void)history.Add(LiveSet(kWork, 600, BrowserEnd::kNormal));
  const auto untouched = ReadBytes(HistoryFilePath(temp.path(), 1));

  auto crashed = LiveSet(kFirefox, 500, BrowserEnd::kCrashed, "http://127.0.0.1/later");
  EXPECT_TRUE(history.Add(crashed).empty());
  ASSERT_EQ(history.sets().size(), 2U);
  EXPECT_EQ(history.sets()[1], crashed) << "in its place, not as the newest";
  EXPECT_EQ(HistoryFilesOnDisk(temp.path()), 2) << "its own file rewritten, no second one";
  EXPECT_EQ(ReadBytes(HistoryFilePath(temp.path(), 1)), untouched);

  // Once known, the end stays as it was told first; an end unknown never replaces a known one.
  (void)history.Add(LiveSet(kFirefox, 500, BrowserEnd::kNormal));
  (void)history.Add(LiveSet(kWork, 600));
  const auto sets = Loaded().sets();
  ASSERT_EQ(sets.size(), 2U);
  EXPECT_EQ(sets[1], crashed);
  EXPECT_EQ(sets[0].browser->end, BrowserEnd::kNormal);
}

TEST_F(LiveSetsHistoryTest, ALaterEndOfTheRunTakesThePlaceOfItsSetWithoutAnEnd) {
  // Kept from a killed run's recovery copy, then the browser wrote again before it crashed:
  // the crash is that run's end, and no set without an end is left behind.
  auto history = Loaded();
  (void)history.Add(LiveSet(kFirefox, 500));
  const auto crashed = LiveSet(kFirefox, 800, BrowserEnd::kCrashed, "http://127.0.0.1/later");
  EXPECT_TRUE(history.Add(crashed).empty());
  ASSERT_EQ(history.sets().size(), 1U);
  EXPECT_EQ(history.sets()[0], crashed);
  EXPECT_EQ(Loaded().sets(), std::vector{crashed});
}

TEST_F(LiveSetsHistoryTest, TheLastSessionWithItsEndKnownLeavesOutThoseStillToBeRead) {
  auto history = Loaded();
  (void)history.Add(LiveSet(kFirefox, 400, BrowserEnd::kCrashed));
  (void)history.Add(LiveSet(kFirefox, 500));
  (void)history.Add(LiveSet(kWork, 700));
  EXPECT_EQ(history.LastSession(kFirefox), 500);
  EXPECT_EQ(history.LastSession(kFirefox, true), 400);
  EXPECT_EQ(history.LastSession(kWork, true), 0);
  EXPECT_EQ(Loaded().LastSession(kFirefox, true), 400);
  (void)history.Add(LiveSet(kFirefox, 500, BrowserEnd::kSessionEnded));
  EXPECT_EQ(history.LastSession(kFirefox, true), 500);
}

TEST_F(LiveSetsHistoryTest, ACopyLeftByAKilledRunGivesTheHistoryItsSetsUntilTheBrowserIsSeen) {
  const auto live = LiveSet(kFirefox, 500);
  WriteBytes(RecoveryCopyPath(temp.path()), RecoveryCopyBytes({"http://127.0.0.1/shell"}, {live}));
  auto memory = Memory();
  EXPECT_TRUE(memory->Load().empty());
  EXPECT_EQ(memory->liveBrowserSets(), std::vector<PageSet>{live});
  EXPECT_EQ(memory->LastBrowserSession(kFirefox), 0) << "its end is still to be read";
  std::vector<PageSet> browserSets;
  for (const auto& set : memory->history()) {
    if (set.browser) browserSets.push_back(set);
  }
  EXPECT_EQ(browserSets, std::vector<PageSet>{live});
  EXPECT_EQ(ParseRecoveryCopy(ReadBytes(RecoveryCopyPath(temp.path()))).browserSets,
            std::vector<PageSet>{live})
      << "the copy still holds them until the browser has been looked at";

  // The browser's files tell the end: one set, which the copy no longer holds.
  auto crashed = live;
  crashed.browser->end = BrowserEnd::kCrashed;
  memory->SetLiveBrowserSets({});
  EXPECT_TRUE(memory->KeepBrowserSet(crashed));
  EXPECT_FALSE(memory->KeepBrowserSet(crashed)) << "kept once";
  memory->WriteRecoveryIfChanged();
  EXPECT_EQ(ReadBytes(RecoveryCopyPath(temp.path())),
            RecoveryCopyBytes({"http://127.0.0.1/shell"}));
  EXPECT_EQ(memory->LastBrowserSession(kFirefox), 500);
  auto next = Memory();
  (void)next->Load();
  std::size_t firefoxSets = 0;
  for (const auto& set : next->history()) {
    if (set.browser) {
      ++firefoxSets;
      EXPECT_EQ(set.browser->end, BrowserEnd::kCrashed);
    }
  }
  EXPECT_EQ(firefoxSets, 1U);
}

}  // namespace
}  // namespace pagemind::pages
