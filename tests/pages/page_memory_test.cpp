#include <gtest/gtest.h>

#include <set>

#include "pages/page_memory.h"
#include "pages/recovery_copy.h"
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

class PageMemoryTest : public ::testing::Test {
 protected:
  PageMemoryTest() { (void)memory->EnsureFolder(); }

  void Tick(int times = 1) {
    for (int i = 0; i < times; ++i) memory->Tick();
  }
  void OpenBrowsers(int n, int from = 0) {
    for (int i = from; i < from + n; ++i) shell.Open(Page(i), "T");
  }
  std::set<std::string> Remembered() const {
    const auto pages = memory->pages();
    return {pages.begin(), pages.end()};
  }
  static std::set<std::string> Pages(int n, int from = 0) {
    std::set<std::string> pages;
    for (int i = from; i < from + n; ++i) pages.insert(Page(i));
    return pages;
  }
  // A new run of the program on the same folder, as after an end of any kind.
  std::unique_ptr<PageMemory> NextRun() {
    auto next = std::make_unique<PageMemory>(files, nextShell, *ansi, clock, temp.path());
    (void)next->EnsureFolder();
    return next;
  }

  testing::TempFolder temp;
  platform::headless::PosixFileSystem files;
  std::unique_ptr<platform::AnsiCodec> ansi = platform::MakeAnsiCodec();
  platform::headless::HeadlessClock clock;
  ScriptedShell shell;
  std::unique_ptr<PageMemory> memory =
      std::make_unique<PageMemory>(files, shell, *ansi, clock, temp.path());
  ScriptedShell nextShell;
};

// A crash at every tick of two cycles, with the file manager's windows first and last in the
// collection: they neither take a slot nor keep the crashed pages from being kept, also once
// the user has started a new browser window.
TEST_F(PageMemoryTest, FolderWindowsNeverCostTheCrashedPages) {
  // From the first tick at which every page has been visited once.
  for (int crashAt = 4; crashAt < 3 * kSlotCount; ++crashAt) {
    for (int restartAfter : {0, 5, 20, 3 * kSlotCount}) {
      ScriptedShell s;
      PageMemory m(files, s, *ansi, clock, temp.path());
      s.OpenFolder("file:///C:/Users/");
      for (int i = 0; i < 3; ++i) s.Open(Page(i), "T");
      s.OpenFolder("");
      for (int t = 0; t < crashAt; ++t) m.Tick();
      s.Crash();
      for (int t = 0; t < restartAfter; ++t) m.Tick();
      s.Open("http://127.0.0.1/home", "new window");
      for (int t = 0; t < 4 * kSlotCount; ++t) m.Tick();
      const auto pages = m.pages();
      const std::set<std::string> remembered(pages.begin(), pages.end());
      auto expected = Pages(3);
      expected.insert("http://127.0.0.1/home");
      EXPECT_EQ(remembered, expected)
          << "crash after tick " << crashAt << ", restart " << restartAfter;

      const auto unopened = m.ReopenAll();
      EXPECT_TRUE(unopened.empty());
      std::set<std::string> navigated;
      for (const auto& call : s.calls) {
        if (call.starts_with("Navigate2 ")) navigated.insert(call.substr(10));
      }
      EXPECT_EQ(navigated, expected) << "every crashed page opens again";
    }
  }
}

// The user may start the browser again at once, within the crash's cycle, or later; the memory
// tells of the crash at one tick only.
TEST_F(PageMemoryTest, ACrashAtAnyTickOfTwoCyclesKeepsEveryPage) {
  for (int windows : {1, 5, 30, 31, 40}) {
    for (int restartAfter : {0, 7, kSlotCount + 3, 2 * kSlotCount}) {
      for (int crashAt = 0; crashAt < 2 * kSlotCount; ++crashAt) {
        ScriptedShell s;
        PageMemory m(files, s, *ansi, clock, temp.path());
        for (int i = 0; i < windows; ++i) s.Open(Page(i), "T");
        int crashesSeen = 0;
        for (int t = 0; t < kSlotCount + crashAt; ++t) crashesSeen += m.Tick().lostTogether ? 1 : 0;
        EXPECT_EQ(crashesSeen, 0);
        s.Crash();
        for (int t = 0; t < restartAfter; ++t) crashesSeen += m.Tick().lostTogether ? 1 : 0;
        s.Open(Page(100), "restarted browser");
        for (int t = 0; t < 3 * kSlotCount; ++t) crashesSeen += m.Tick().lostTogether ? 1 : 0;
        const auto pages = m.pages();
        const std::set<std::string> remembered(pages.begin(), pages.end());
        EXPECT_EQ(pages.size(), remembered.size()) << "no page twice";
        const auto when = std::to_string(windows) + " windows, crash after " +
                          std::to_string(crashAt) + ", restart " + std::to_string(restartAfter);
        EXPECT_EQ(crashesSeen, 1) << "told once: " << when;
        // Up to 30 windows, every page and the new window; beyond, the 31 slots are full.
        if (windows < kSlotCount) {
          auto expected = Pages(windows);
          expected.insert(Page(100));
          EXPECT_EQ(remembered, expected) << when;
        } else {
          EXPECT_EQ(pages.size(), static_cast<std::size_t>(kSlotCount)) << when;
          for (const auto& page : Pages(kSlotCount)) {
            EXPECT_TRUE(remembered.contains(page)) << when << " " << page;
          }
        }
      }
    }
  }
}

// The windows tell a crash from a page moving on: a window that shows a new page each cycle
// keeps only its newest. Where the shell cannot name the windows, only a cycle without any
// browser window tells a crash.
TEST_F(PageMemoryTest, APageMovingOnInItsWindowIsNoCrash) {
  for (std::uintptr_t id : {std::uintptr_t{1}, std::uintptr_t{0}}) {
    ScriptedShell s;
    PageMemory m(files, s, *ansi, clock, temp.path());
    const auto window = s.Open(Page(0), "T");
    window->id = id;
    for (int page = 1; page < 6; ++page) {
      for (int t = 0; t < kSlotCount; ++t) m.Tick();
      window->url = Page(page);
    }
    for (int t = 0; t < 2 * kSlotCount; ++t) m.Tick();
    const auto pages = m.pages();
    EXPECT_EQ(std::set<std::string>(pages.begin(), pages.end()), Pages(1, 5)) << "id " << id;
  }
}

TEST_F(PageMemoryTest, AWindowTheUserClosesIsForgottenWithinTwoCycles) {
  OpenBrowsers(3);
  Tick(kSlotCount + 5);
  shell.Close(1);
  for (int t = 0; t < 2 * kSlotCount; ++t)
    EXPECT_FALSE(memory->Tick().lostTogether) << "no crash, tick " << t;
  EXPECT_EQ(Remembered(), (std::set<std::string>{Page(0), Page(2)}));
}

TEST_F(PageMemoryTest, AReopenedPageIsKeptUntilItsNewWindowIsRecorded) {
  OpenBrowsers(2);
  Tick(kSlotCount);
  shell.Crash();
  Tick();
  EXPECT_TRUE(memory->ReopenAll().empty());
  // The browser fails again before its new windows were visited: nothing is lost.
  shell.Crash();
  Tick(kSlotCount);
  EXPECT_EQ(Remembered(), Pages(2));
  EXPECT_TRUE(memory->ReopenAll().empty());
  Tick(3 * kSlotCount);
  EXPECT_EQ(Remembered(), Pages(2)) << "now the new windows' pages";
  // Closed while another stays open, a reopened page's window is forgotten like any other.
  shell.Close(0);
  OpenBrowsers(1, 7);
  Tick(3 * kSlotCount);
  EXPECT_EQ(Remembered(), (std::set<std::string>{Page(1), Page(7)})) << "recorded like any other";
}

TEST_F(PageMemoryTest, TheRecoveryCopyFollowsChangesOnlyAndCarriesAnAbnormalEnd) {
  (void)memory->Load();
  memory->WriteRecoveryIfChanged();
  EXPECT_EQ(memory->recoveryWrites(), 0) << "nothing to keep, nothing written";
  OpenBrowsers(20);
  Tick(kSlotCount);
  memory->WriteRecoveryIfChanged();
  EXPECT_EQ(memory->recoveryWrites(), 1);
  for (int second = 0; second < 60; ++second) {
    Tick(10);
    memory->WriteRecoveryIfChanged();
  }
  EXPECT_EQ(memory->recoveryWrites(), 1) << "an idle minute writes nothing";

  // Killed: no save. The next run takes the pages from the recovery copy.
  auto next = NextRun();
  EXPECT_TRUE(next->Load().empty());
  const auto pages = next->pages();
  EXPECT_EQ(std::set<std::string>(pages.begin(), pages.end()), Pages(20));
  EXPECT_EQ(next->slots()[0], Page(0)) << "at the slots they had";
}

TEST_F(PageMemoryTest, TheEndCommandReplacesTheRecoveryCopyWithSlotFiles) {
  (void)memory->Load();
  OpenBrowsers(2);
  Tick(kSlotCount);
  memory->WriteRecoveryIfChanged();
  ASSERT_TRUE(std::filesystem::exists(RecoveryCopyPath(temp.path())));
  EXPECT_TRUE(memory->Save().empty());
  EXPECT_FALSE(std::filesystem::exists(RecoveryCopyPath(temp.path())));
  EXPECT_EQ(ReadBytes(SlotFilePath(temp.path(), 1)), Page(1));
  auto next = NextRun();
  EXPECT_TRUE(next->Load().empty());
  EXPECT_EQ(next->slots()[1], Page(1));
  EXPECT_FALSE(std::filesystem::exists(SlotFilePath(temp.path(), 1)));
  EXPECT_EQ(ReadBytes(RecoveryCopyPath(temp.path())), RecoveryCopyBytes({Page(0), Page(1)}))
      << "the pages read are safe on disk before their slot files go";
}

TEST_F(PageMemoryTest, ADamagedTruncatedOrOversizedRecoveryCopyIsReportedNotFatal) {
  const auto path = RecoveryCopyPath(temp.path());
  struct Case {
    std::string bytes;
    std::set<std::string> pages;
    std::string reason;
  };
  const Case cases[] = {
      {"\x00\xff garbage", {}, "壊れて"},
      {"Pagemind recovery 1\r\nhttp://127.0.0.1/a\r\nhttp://127.0.0.1/b",
       {"http://127.0.0.1/a"},
       "途中で切れて"},
      {std::string(kRecoveryCopyLimit + 1, 'x'), {}, "大きすぎ"},
  };
  for (const auto& c : cases) {
    WriteBytes(path, c.bytes);
    auto next = NextRun();
    const auto problems = next->Load();
    ASSERT_EQ(problems.size(), 1U) << c.reason;
    EXPECT_EQ(problems[0].path, path);
    EXPECT_NE(problems[0].reason.find(c.reason), std::string::npos) << problems[0].reason;
    const auto pages = next->pages();
    EXPECT_EQ(std::set<std::string>(pages.begin(), pages.end()), c.pages) << c.reason;
    std::filesystem::remove(path);
  }
}

TEST(RecoveryCopy, RoundTripsAddressesWithCommasQuotesAndJapanese) {
  const std::vector<std::string> pages{"http://127.0.0.1/a,b?c=\"d\"", " http://127.0.0.1/日本",
                                       "end", "http://x/\r\nevil"};
  const auto parsed = ParseRecoveryCopy(RecoveryCopyBytes(pages));
  EXPECT_FALSE(parsed.problem);
  EXPECT_EQ(parsed.pages,
            (std::vector<std::string>{pages[0], pages[1], "end", "http://x/%0D%0Aevil"}));
}

// The shell notices a crashed browser's windows only a moment later: until then they stay in
// its collection and fail every call. Pages that opened one after another, a crash at any
// tick, the dead windows listed for a while, the browser started again at once or later.
TEST_F(PageMemoryTest, DeadWindowsTheShellStillListsCostNoPage) {
  // Pages 1 and 2 open after the cursor passed their positions: from tick 35 on, every page
  // has been visited once.
  for (int crashAt = 35; crashAt < 35 + 2 * kSlotCount; ++crashAt) {
    for (int listedFor : {0, 3, 15, 40}) {
      for (int restartAfter : {0, 10, 30}) {
        ScriptedShell s;
        PageMemory m(files, s, *ansi, clock, temp.path());
        s.OpenFolder("file:///C:/Users/");
        for (int i = 0; i < 3; ++i) {
          s.Open(Page(i), "T");
          for (int t = 0; t < 4; ++t) m.Tick();
        }
        s.OpenFolder("file:///C:/Windows/");
        for (int t = 12; t < crashAt; ++t) m.Tick();
        for (auto& window : s.windows) window->alive = window->folder;
        const auto noticeCrash = [&s] {
          std::erase_if(s.windows, [](const auto& window) { return !window->alive; });
        };
        for (int t = 0; t < std::max(listedFor, restartAfter); ++t) {
          if (t == listedFor) noticeCrash();
          if (t == restartAfter) s.Open("http://127.0.0.1/home", "new window");
          m.Tick();
        }
        if (listedFor >= restartAfter) noticeCrash();
        if (restartAfter >= listedFor) s.Open("http://127.0.0.1/home", "new window");
        for (int t = 0; t < 4 * kSlotCount; ++t) m.Tick();
        const auto pages = m.pages();
        auto expected = Pages(3);
        expected.insert("http://127.0.0.1/home");
        EXPECT_EQ(std::set<std::string>(pages.begin(), pages.end()), expected)
            << "crash after " << crashAt << ", listed " << listedFor << ", restart "
            << restartAfter;
      }
    }
  }
}

}  // namespace
}  // namespace pagemind::pages
