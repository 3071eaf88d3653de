#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "app/access_log_entries.h"
#include "pages/poller.h"
#include "platform/headless/scripted_shell.h"

namespace pagemind::pages {
namespace {

using platform::headless::ScriptedShell;
using platform::headless::ScriptedWindow;

using access_log::AccessLog;

void OpenWindowsIn(ScriptedShell& shell, int n) {
  for (int i = 0; i < n; ++i) {
    shell.Open("http://127.0.0.1/" + std::to_string(i), "Page " + std::to_string(i));
  }
}

// The poller with the access log written from what each tick saw, as the resident program
// writes it.
class LoggedPoller {
 public:
  LoggedPoller(ScriptedShell& shell, AccessLog& log) : poller_(shell), log_(log) {}
  TickResult Tick() {
    auto result = poller_.Tick();
    app::WriteToAccessLog(log_, result.view);
    return result;
  }
  [[nodiscard]] const PageSlots& live() const { return poller_.live(); }
  [[nodiscard]] int cursor() const { return poller_.cursor(); }
  void SetCursor(int index) { poller_.SetCursor(index); }

 private:
  Poller poller_;
  AccessLog& log_;
};

std::vector<std::string> Lines(const AccessLog& log) {
  return {log.lines().begin(), log.lines().end()};
}

class PollerTest : public ::testing::Test {
 protected:
  void Tick(int times = 1) {
    for (int i = 0; i < times; ++i) poller.Tick();
  }
  void OpenWindows(int n) { OpenWindowsIn(shell, n); }
  std::set<std::string> RememberedPages() const {
    std::set<std::string> pages;
    for (const auto& slot : poller.live()) {
      if (!slot.empty()) pages.insert(slot);
    }
    return pages;
  }

  int pollIndex() const { return poller.cursor(); }

  ScriptedShell shell;
  AccessLog log;
  LoggedPoller poller{shell, log};
};

TEST_F(PollerTest, WithNoWindowNothingChangesAtAll) {
  poller.SetCursor(4);
  Tick(100);
  EXPECT_EQ(pollIndex(), 4);
  EXPECT_EQ(RememberedPages().size(), 0U);
  EXPECT_TRUE(log.lines().empty());
  EXPECT_EQ(log.counter(), "Count:00");
  EXPECT_EQ(std::count(shell.calls.begin(), shell.calls.end(), "CreateWindowList"), 1)
      << "the collection is made once and kept";
}

TEST_F(PollerTest, OneWindowIsRecordedThenTheRestOfTheCycleCountsAndWraps) {
  shell.Open("http://127.0.0.1/a", "A");
  Tick();
  EXPECT_EQ(Lines(log), (std::vector<std::string>{"Name:A", " URL:http://127.0.0.1/a"}));
  EXPECT_EQ(poller.live()[0], "http://127.0.0.1/a");
  EXPECT_EQ(pollIndex(), 1);
  Tick(6);
  EXPECT_EQ(log.counter(), "Count:6");
  Tick(23);
  EXPECT_EQ(log.counter(), "Count:29");
  EXPECT_EQ(pollIndex(), 30);
  Tick();  // index 30: the wrap on an empty index
  EXPECT_EQ(log.counter(), "Count:30");
  EXPECT_EQ(pollIndex(), 0);
  EXPECT_TRUE(log.lines().empty());
  EXPECT_EQ(poller.live()[0], "http://127.0.0.1/a") << "a page of the cycle that ended stays";
}

TEST_F(PollerTest, NewestVisitStandsOnTopTitleAboveAddress) {
  shell.Open("http://127.0.0.1/a", "A");
  shell.Open("http://127.0.0.1/b", "");
  Tick(2);
  EXPECT_EQ(Lines(log), (std::vector<std::string>{"Name:", " URL:http://127.0.0.1/b", "Name:A",
                                                  " URL:http://127.0.0.1/a"}));
}

TEST_F(PollerTest, AnEmptyAddressGivesABareLineAndAnEmptySlot) {
  shell.Open("", "blank");
  Tick();
  EXPECT_EQ(log.lines().back(), " URL:");
  EXPECT_EQ(poller.live()[0], "");
}

TEST_F(PollerTest, EachTickMakesAtMostOneCountOneItemAndThreeReads) {
  shell.Open("http://127.0.0.1/a", "A");
  Tick();
  shell.calls.clear();
  poller.SetCursor(0);
  Tick();
  EXPECT_EQ(shell.calls, (std::vector<std::string>{"Count", "Item 0", "Kind", "LocationURL",
                                                   "LocationName", "LocationURL"}));
}

TEST_F(PollerTest, AFailedTitleKeepsTheAddressLineLeavesTheSlotAndHoldsTheCursor) {
  shell.Open("http://127.0.0.1/a", "A");
  auto stubborn = shell.Open("http://127.0.0.1/b", "B");
  stubborn->failTitle = true;
  Tick(2);
  EXPECT_EQ(pollIndex(), 1);
  EXPECT_EQ(poller.live()[1], "");
  EXPECT_EQ(log.lines().front(), " URL:http://127.0.0.1/b");
  const std::string counter = log.counter();
  Tick();
  EXPECT_EQ(pollIndex(), 1) << "the next tick tries the same index";
  EXPECT_EQ(log.counter(), counter) << "the label is not written";
  stubborn->failTitle = false;
  Tick();
  EXPECT_EQ(poller.live()[1], "http://127.0.0.1/b");
  EXPECT_EQ(pollIndex(), 2);
}

// Up to the third failure in a row at one window, when the poller steps over it (below).
TEST_F(PollerTest, EveryFailingCallHoldsTheCursorAndTheSlot) {
  for (const char* call : {"CreateWindowList", "Count", "Item", "LocationURL", "LocationName"}) {
    ScriptedShell s;
    s.Open("http://127.0.0.1/a", "A");
    s.failing.insert(call);
    AccessLog l;
    LoggedPoller poller(s, l);
    for (int i = 0; i < 2; ++i) poller.Tick();
    EXPECT_EQ(poller.cursor(), 0) << call;
    EXPECT_EQ(poller.live()[0], "") << call;
    EXPECT_EQ(l.counter(), "Count:00") << call;
    s.failing.clear();
    poller.Tick();
    EXPECT_EQ(poller.live()[0], "http://127.0.0.1/a") << call << ": the poller recovers";
  }
}

TEST_F(PollerTest, ACollectionWhoseShellRestartedIsMadeAgainOthersAreKept) {
  OpenWindows(1);
  Tick();
  shell.failing.insert("Count");  // an ordinary failure: the collection is kept
  Tick(2);
  shell.failing.clear();
  shell.RestartServer();  // the old collection is dead from now on
  Tick();
  shell.calls.clear();
  Tick();
  EXPECT_EQ(shell.calls.front(), "CreateWindowList");
  EXPECT_EQ(pollIndex(), 2) << "the new collection is polled where the cursor stood";
  EXPECT_EQ(std::count(shell.calls.begin(), shell.calls.end(), "CreateWindowList"), 1);
}

TEST_F(PollerTest, ATickThatStartsWhileAnotherWaitsForTheShellDoesNothing) {
  OpenWindows(2);
  int nested = 0;
  shell.beforeCall = [&](std::string_view call) {
    // The wait for the shell's answer lets the next timer tick in.
    if (call == "LocationName" && nested++ == 0) poller.Tick();
  };
  Tick();
  EXPECT_EQ(pollIndex(), 1);
  EXPECT_EQ(Lines(log), (std::vector<std::string>{"Name:Page 0", " URL:http://127.0.0.1/0"}));
  EXPECT_EQ(poller.live()[0], "http://127.0.0.1/0");
}

TEST_F(PollerTest, AWindowVanishingBetweenCountAndItemIsAnEmptyIndex) {
  OpenWindows(2);
  poller.SetCursor(1);
  shell.beforeCall = [this](std::string_view call) {
    if (call == "Item" && shell.windows.size() == 2) shell.Close(1);
  };
  Tick();
  EXPECT_EQ(log.counter(), "Count:1");
  EXPECT_EQ(pollIndex(), 2);
  EXPECT_EQ(poller.live()[1], "");
}

TEST_F(PollerTest, WithThirtyOneWindowsTheWrapKeepsEveryPageAndTheList) {
  OpenWindows(31);
  Tick(31);
  EXPECT_EQ(pollIndex(), 0);
  EXPECT_EQ(RememberedPages().size(), 31U);
  EXPECT_EQ(poller.live()[30], "http://127.0.0.1/30");
  EXPECT_EQ(log.lines().size(), 62U) << "a wrap after a visit leaves the list";
  EXPECT_EQ(log.counter(), "Count:00") << "the label is never written";
}

TEST_F(PollerTest, AClosedWindowIsForgottenAtTheNextWrap) {
  OpenWindows(3);
  Tick(31);
  shell.Close(2);
  Tick(30);
  EXPECT_EQ(poller.live()[2], "http://127.0.0.1/2") << "kept until the cycle ends";
  Tick();
  EXPECT_EQ(poller.live()[2], "");
  EXPECT_EQ(RememberedPages().size(), 2U);
}

// The collection itself failing names no window to step over: the cursor waits for it.
TEST_F(PollerTest, AFailingCollectionHoldsTheCursorForGood) {
  for (const char* call : {"CreateWindowList", "Count"}) {
    ScriptedShell s;
    OpenWindowsIn(s, 2);
    s.failing.insert(call);
    AccessLog l;
    LoggedPoller poller(s, l);
    for (int i = 0; i < 40; ++i) poller.Tick();
    EXPECT_EQ(poller.cursor(), 0) << call;
    EXPECT_TRUE(l.lines().empty()) << call;
  }
}

// A frozen tab or an item that is no browser fails every call: after its third failure in a
// row it counts as an empty position for the cycle, so the windows after it are still recorded
// and cycles still end; once it answers again it is recorded as any other.
TEST_F(PollerTest, AWindowThatKeepsFailingIsSteppedOverAndTheOthersAreRecorded) {
  using Spoil = std::function<void(ScriptedWindow&)>;
  const Spoil noBrowser = [](ScriptedWindow& w) { w.notABrowser = true; };
  const Spoil frozenUrl = [](ScriptedWindow& w) { w.failUrl = true; };
  const Spoil frozenTitle = [](ScriptedWindow& w) { w.failTitle = true; };
  for (const Spoil& spoil : {noBrowser, frozenUrl, frozenTitle}) {
    ScriptedShell s;
    AccessLog l;
    LoggedPoller poller(s, l);
    s.Open("http://127.0.0.1/a", "A");
    const auto bad = s.Open("http://127.0.0.1/bad", "Bad");
    s.Open("http://127.0.0.1/c", "C");
    spoil(*bad);
    for (int i = 0; i < 3; ++i) poller.Tick();
    EXPECT_EQ(poller.cursor(), 1) << "held at the window for two failures";
    poller.Tick();
    EXPECT_EQ(poller.cursor(), 2);
    EXPECT_EQ(std::count(l.lines().begin(), l.lines().end(), "Skip:1"), 1);
    EXPECT_EQ(l.lines().front(), "Skip:1") << "a line of its own, in the log's style";
    bool cycleEnded = false;
    for (int i = 0; i < kSlotCount - 2 && !cycleEnded; ++i) cycleEnded = poller.Tick().cycleEnded;
    EXPECT_TRUE(cycleEnded) << "the cycle ends after its 31 positions and the two retries";
    EXPECT_EQ(poller.live()[0], "http://127.0.0.1/a");
    EXPECT_EQ(poller.live()[1], "");
    EXPECT_EQ(poller.live()[2], "http://127.0.0.1/c");

    *bad = ScriptedWindow{"http://127.0.0.1/bad", "Bad"};
    for (int i = 0; i < kSlotCount; ++i) poller.Tick();
    EXPECT_EQ(poller.live()[1], "http://127.0.0.1/bad") << "recorded once it answers";
  }
}

TEST_F(PollerTest, FailuresCountOnlyInARowAtOnePosition) {
  shell.Open("http://127.0.0.1/a", "A");
  auto flaky = shell.Open("http://127.0.0.1/b", "B");
  Tick();
  flaky->failTitle = true;
  Tick(2);
  flaky->failTitle = false;
  Tick();
  EXPECT_EQ(poller.live()[1], "http://127.0.0.1/b") << "two failures and an answer: recorded";
  poller.SetCursor(1);
  flaky->failTitle = true;
  Tick(2);
  poller.SetCursor(1);
  Tick();
  EXPECT_EQ(pollIndex(), 1) << "a cursor set anew starts the count anew";
}

// The end of every browser window lets go of the last one visited, as COM would hold it.
TEST_F(PollerTest, NoBrowserObjectIsHeldOnceEveryWindowHasGone) {
  OpenWindows(2);
  Tick(2);
  EXPECT_EQ(shell.liveBrowsers, 1) << "the last window visited";
  shell.Crash();
  Tick();
  EXPECT_EQ(shell.liveBrowsers, 0);
}

// The crash: every window vanishes at once. Whatever tick of the cycle it strikes, the poller
// hands on every page that was open, once, as lost together.
TEST_F(PollerTest, ACrashAtAnyTickOfTheCycleLosesNoPage) {
  for (int windows : {1, 5, 30, 31, 40}) {
    for (int crashAt = 0; crashAt < 2 * kSlotCount; ++crashAt) {
      ScriptedShell s;
      AccessLog l;
      LoggedPoller poller(s, l);
      std::set<std::string> open;
      for (int i = 0; i < windows; ++i) {
        s.Open("http://127.0.0.1/" + std::to_string(i), "T");
        if (i < kSlotCount) open.insert("http://127.0.0.1/" + std::to_string(i));
      }
      for (int t = 0; t < kSlotCount + crashAt; ++t) poller.Tick();
      s.Crash();
      std::set<std::string> remembered;
      for (int t = 0; t < 100; ++t) {
        for (const auto& page : poller.Tick().lostTogether) {
          if (!page.empty()) remembered.insert(page);
        }
      }
      EXPECT_TRUE(std::all_of(poller.live().begin(), poller.live().end(),
                              [](const std::string& page) { return page.empty(); }));
      EXPECT_EQ(remembered, open) << windows << " windows, crash after tick " << crashAt;
    }
  }
}

}  // namespace
}  // namespace pagemind::pages
