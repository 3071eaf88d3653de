#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "pages/page_history.h"
#include "pages/page_memory.h"
#include "platform/headless/files.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/scripted_shell.h"
#include "platform/native.h"
#include "test_support.h"

namespace pagemind::pages {
namespace {

using platform::headless::ScriptedShell;
using testing::ReadBytes;
using testing::WriteBytes;

std::string Page(int i) {
  return "http://127.0.0.1/" + std::to_string(i);
}

PageSet SetOf(std::int64_t time, std::vector<std::string> addresses) {
  PageSet set{.time = time, .pages = {}};
  for (auto& address : addresses) set.pages.push_back({std::move(address), {}});
  return set;
}

std::vector<std::string> Addresses(const PageSet& set) {
  std::vector<std::string> addresses;
  for (const auto& page : set.pages) addresses.push_back(page.address);
  return addresses;
}

class PageHistoryTest : public ::testing::Test {
 protected:
  PageHistoryTest() { std::filesystem::create_directory(temp.path() / "Log"); }

  testing::TempFolder temp;
  platform::headless::PosixFileSystem files;
};

TEST_F(PageHistoryTest, KeepsTheLastTenNewestFirstAcrossRuns) {
  PageHistory history(files, temp.path());
  EXPECT_TRUE(history.Load().empty());
  for (int i = 0; i < 11; ++i) EXPECT_TRUE(history.Add(SetOf(100 + i, {Page(i)})).empty());

  const auto check = [](const std::vector<PageSet>& sets, const char* when) {
    ASSERT_EQ(sets.size(), 10u) << when;
    for (int i = 0; i < 10; ++i) {
      EXPECT_EQ(Addresses(sets[i]), std::vector{Page(10 - i)}) << when << ", set " << i;
      EXPECT_EQ(sets[i].time, 110 - i) << when;
    }
  };
  check(history.sets(), "this run: the eleventh set drops the first");
  PageHistory next(files, temp.path());
  EXPECT_TRUE(next.Load().empty());
  check(next.sets(), "next run");
  // The next run goes on from there.
  EXPECT_TRUE(next.Add(SetOf(200, {Page(50)})).empty());
  PageHistory third(files, temp.path());
  (void)third.Load();
  EXPECT_EQ(Addresses(third.sets().front()), std::vector{Page(50)});
  EXPECT_EQ(Addresses(third.sets().back()), std::vector{Page(2)});
}

TEST_F(PageHistoryTest, TheSamePagesInAnyOrderAreNotAddedAgainButAnEmptySetNever) {
  PageHistory history(files, temp.path());
  (void)history.Load();
  (void)history.Add(SetOf(1, {Page(1), Page(2)}));
  (void)history.Add(SetOf(2, {Page(2), Page(1)}));
  (void)history.Add(SetOf(3, {}));
  ASSERT_EQ(history.sets().size(), 1u);
  EXPECT_EQ(history.sets().front().time, 1);
  // Only the newest counts: a set seen before that comes back is new again.
  (void)history.Add(SetOf(4, {Page(3)}));
  (void)history.Add(SetOf(5, {Page(1), Page(2)}));
  EXPECT_EQ(history.sets().size(), 3u);
}

TEST_F(PageHistoryTest, ADamagedFileIsReportedSkippedAndLeftAsItIs) {
  const std::vector<std::string> damages = {
      "garbage",
      std::string(HistoryFileBytes(SetOf(9, {Page(9)}), 9)).substr(0, 40),  // cut
      "Pagemind page set 1\r\nnumber x\r\ntime 1\r\nend\r\n",
      "Pagemind page set 1\r\nnumber 1\r\ntime 1\r\ntitle before any page\r\nend\r\n",
      std::string(1, '\0'),
      // Numbers and times the program never writes: the next set's number would wrap, or the
      // time overflow when it is shown.
      "Pagemind page set 1\r\nnumber 18446744073709551615\r\ntime 1\r\npage a\r\nend\r\n",
      "Pagemind page set 1\r\nnumber 4611686018427387905\r\ntime 1\r\npage a\r\nend\r\n",
      "Pagemind page set 1\r\nnumber 0\r\ntime 1\r\npage a\r\nend\r\n",
      "Pagemind page set 1\r\nnumber 7\r\ntime -1\r\npage a\r\nend\r\n",
      "Pagemind page set 1\r\nnumber 7\r\ntime 253402300800\r\npage a\r\nend\r\n",
      "Pagemind page set 1\r\nnumber 7\r\ntime 9223372036854775807\r\npage a\r\nend\r\n",
  };
  for (const auto& damage : damages) {
    for (int k = 0; k < kHistoryFileCount; ++k)
      std::filesystem::remove(HistoryFilePath(temp.path(), k));
    PageHistory first(files, temp.path());
    (void)first.Load();
    for (int i = 0; i < 3; ++i) (void)first.Add(SetOf(i, {Page(i)}));
    WriteBytes(HistoryFilePath(temp.path(), 1), damage);
    PageHistory history(files, temp.path());
    const auto problems = history.Load();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].path, HistoryFilePath(temp.path(), 1));
    EXPECT_EQ(problems[0].error, platform::FileError::kDamaged);
    EXPECT_FALSE(problems[0].reason.empty());
    ASSERT_EQ(history.sets().size(), 2u);
    EXPECT_EQ(Addresses(history.sets()[0]), std::vector{Page(2)});
    // New sets go to the other files; the damaged one waits for the user.
    for (int i = 10; i < 25; ++i) EXPECT_TRUE(history.Add(SetOf(i, {Page(i)})).empty());
    EXPECT_EQ(history.sets().size(), static_cast<std::size_t>(kHistoryLength));
    EXPECT_EQ(ReadBytes(HistoryFilePath(temp.path(), 1)), damage);
  }
}

TEST_F(PageHistoryTest, ASetWhoseFileCannotBeWrittenIsKeptForTheRun) {
  PageHistory history(files, temp.path());
  (void)history.Load();
  std::filesystem::create_directory(HistoryFilePath(temp.path(), 0));
  const auto problems = history.Add(SetOf(1, {Page(1)}));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].path, HistoryFilePath(temp.path(), 0));
  ASSERT_EQ(history.sets().size(), 1u);
  EXPECT_EQ(Addresses(history.sets()[0]), std::vector{Page(1)});
}

TEST(HistoryFile, RoundTripsTitlesAddressesWithLineBreaksAndJapanese) {
  PageSet set{.time = 1'796'601'600,
              .pages = {{"http://例え.jp/検索?q=a,b\"c", "日本語の\r\nタイトル"},
                        {"http://127.0.0.1/a\r\nb", ""},
                        {"file:///C:/tmp/x.html", "x"}}};
  const auto parsed = ParseHistoryFile(HistoryFileBytes(set, 42));
  ASSERT_FALSE(parsed.problem);
  EXPECT_EQ(parsed.number, 42u);
  EXPECT_EQ(parsed.set.time, set.time);
  ASSERT_EQ(parsed.set.pages.size(), 3u);
  EXPECT_EQ(parsed.set.pages[0].address, set.pages[0].address);
  EXPECT_EQ(parsed.set.pages[0].title, "日本語の  タイトル");
  EXPECT_EQ(parsed.set.pages[1].address, "http://127.0.0.1/a%0D%0Ab");
  EXPECT_EQ(parsed.set.pages[1].title, "");
  EXPECT_EQ(parsed.set.pages[2].title, "x");
}

TEST(HistoryFile, KeepsWhereEachPageCameFromAndTheShellsPagesAsBefore) {
  PageSet set{.time = 1'796'601'600,
              .pages = {{"http://127.0.0.1/shell", "殻"},
                        {"http://127.0.0.1/chrome", "", {"Chrome", "Profile 1"}},
                        {"http://127.0.0.1/edge", "縁", {"Edge\tbeta", "Default\r\n"}}}};
  const auto bytes = HistoryFileBytes(set, 7);
  const auto parsed = ParseHistoryFile(bytes);
  ASSERT_FALSE(parsed.problem);
  ASSERT_EQ(parsed.set.pages.size(), 3u);
  EXPECT_TRUE(parsed.set.pages[0].source.isShellWindow());
  EXPECT_EQ(parsed.set.pages[1].source, (PageSource{"Chrome", "Profile 1"}));
  EXPECT_EQ(parsed.set.pages[2].title, "縁");
  EXPECT_EQ(parsed.set.pages[2].source, (PageSource{"Edge beta", "Default  "}))
      << "a tab or line break in a name cannot split its line";
  // A set of the shell's windows alone is written as it always was.
  set.pages.resize(1);
  EXPECT_EQ(HistoryFileBytes(set, 7).find("source"), std::string::npos);

  const std::string head = "Pagemind page set 1\r\nnumber 1\r\ntime 1\r\n";
  for (const std::string body : {"source Chrome\tDefault\r\npage a\r\n",      // before any page
                                 "page a\r\nsource Chrome\r\n",               // no profile
                                 "page a\r\nsource \tDefault\r\n",            // no browser
                                 "page a\r\nsource A\tB\r\nsource C\tD\r\n",  // twice
                                 "page a\r\nsource A\tB\r\ntitle t\r\n",      // the title after it
                                 "page a\r\nsource A\tB\tC\r\n"}) {           // a third field
    EXPECT_EQ(ParseHistoryFile(head + body + "end\r\n").problem, platform::FileError::kDamaged)
        << body;
  }
}

// The history as the page memory keeps it, through a crash, the ends and the next starts.
class MemoryHistoryTest : public ::testing::Test {
 protected:
  MemoryHistoryTest() { (void)memory->EnsureFolder(); }

  std::unique_ptr<PageMemory> Run(ScriptedShell& s) {
    auto run = std::make_unique<PageMemory>(files, s, *ansi, clock, temp.path());
    (void)run->EnsureFolder();
    return run;
  }
  void Tick(PageMemory& m, int times) {
    for (int i = 0; i < times; ++i) m.Tick();
  }

  testing::TempFolder temp;
  platform::headless::PosixFileSystem files;
  std::unique_ptr<platform::AnsiCodec> ansi = platform::MakeAnsiCodec();
  platform::headless::HeadlessClock clock;
  ScriptedShell shell;
  std::unique_ptr<PageMemory> memory = Run(shell);
};

TEST_F(MemoryHistoryTest, ACrashAndTheEndsAddSetsWithTitlesAndTimes) {
  EXPECT_TRUE(memory->Load().empty());
  for (int i = 0; i < 3; ++i) shell.Open(Page(i), "ページ " + std::to_string(i));
  Tick(*memory, kSlotCount);
  EXPECT_TRUE(memory->history().empty()) << "no set while the browser runs";
  clock.now += 60;
  shell.Crash();
  Tick(*memory, kSlotCount + 1);
  auto history = memory->history();
  ASSERT_EQ(history.size(), 1u) << "the crash's set";
  EXPECT_EQ(history[0].time, clock.now);
  const std::vector<RememberedPage> crashed = {
      {Page(0), "ページ 0"}, {Page(1), "ページ 1"}, {Page(2), "ページ 2"}};
  EXPECT_EQ(history[0].pages, crashed);

  // The end right after it holds the same pages: no second set.
  memory->KeepSetOfEnd();
  EXPECT_EQ(memory->history().size(), 1u);
  shell.Open(Page(7), "seven");
  Tick(*memory, kSlotCount);
  ASSERT_TRUE(memory->Save().empty());
  clock.now += 60;
  memory->KeepSetOfEnd();
  history = memory->history();
  ASSERT_EQ(history.size(), 2u) << "the end's set";
  EXPECT_EQ(history[0].pages.size(), 4u);
  EXPECT_EQ(history[0].time, clock.now);

  // The next run reads both; its pages keep the titles seen in the last run.
  ScriptedShell s;
  auto next = Run(s);
  EXPECT_TRUE(next->Load().empty());
  EXPECT_EQ(next->history().size(), 2u);
  const auto remembered = next->rememberedPages();
  ASSERT_EQ(remembered.size(), 4u);
  EXPECT_EQ(remembered[0], (RememberedPage{Page(0), "ページ 0"}));
}

TEST_F(MemoryHistoryTest, AnEndTheProgramDidNotSeeIsASetAtTheNextStart) {
  (void)memory->Load();
  for (int i = 0; i < 2; ++i) shell.Open(Page(i), "T");
  Tick(*memory, kSlotCount);
  memory->WriteRecoveryIfChanged();
  // Killed here: no end, no set.
  EXPECT_TRUE(memory->history().empty());
  ScriptedShell s;
  auto next = Run(s);
  (void)next->Load();
  ASSERT_EQ(next->history().size(), 1u);
  EXPECT_EQ(Addresses(next->history()[0]), (std::vector{Page(0), Page(1)}));
  // An end of the session keeps its set and leaves the recovery copy: the start after it finds
  // the same pages again and adds nothing.
  next->KeepSetOfEnd();
  ScriptedShell s2;
  auto third = Run(s2);
  (void)third->Load();
  EXPECT_EQ(third->history().size(), 1u);
}

TEST_F(MemoryHistoryTest, WithPageMemoryOffNothingIsAddedOrRead) {
  // A history from an earlier run with page memory on.
  PageHistory earlier(files, temp.path());
  (void)earlier.Load();
  (void)earlier.Add(SetOf(1, {Page(9)}));
  const auto before = ReadBytes(HistoryFilePath(temp.path(), 0));
  // Page memory off: the main window never loads the last run's pages.
  for (int i = 0; i < 3; ++i) shell.Open(Page(i), "T");
  Tick(*memory, kSlotCount);
  shell.Crash();
  Tick(*memory, kSlotCount + 1);
  memory->KeepSetOfEnd();
  EXPECT_TRUE(memory->history().empty());
  EXPECT_EQ(ReadBytes(HistoryFilePath(temp.path(), 0)), before);
  EXPECT_FALSE(std::filesystem::exists(HistoryFilePath(temp.path(), 1)));
}

}  // namespace
}  // namespace pagemind::pages
