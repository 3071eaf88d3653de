#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pages/page_slots.h"
#include "platform/shell.h"

namespace pagemind::pages {

// What one tick saw of the shell's collection, in the order it saw it: the window it visited
// and what it could read of it, a position it stepped over, a wrap that began a new cycle on an
// empty position, and a window it gave up on. The access log is written from this.
struct PollerView {
  struct Visit {
    int position = 0;
    // The address as first read, and the title where it could be read.
    std::string address;
    std::optional<std::string> title;
  };
  std::optional<Visit> visited;
  // A position with no browser window (nothing there, or a folder window of the file manager).
  std::optional<int> steppedOver;
  // The cycle began anew after an empty position: what it saw before is over.
  bool restartedAfterEmpty = false;
  // A window whose calls failed too often in a row, passed over for this cycle.
  std::optional<int> gaveUpOn;
};

// What one tick saw and what it meant for the pages.
struct TickResult {
  PollerView view;
  // The address of the browser window the tick recorded.
  std::optional<std::string> recorded;
  // The title that window showed with it.
  std::string recordedTitle;
  // The pages of the browser windows that vanished together, at the positions they had: no
  // browser window was left (a crash of the browser, or its last window closed), or none of
  // those of two cycles ago is left while new ones opened (the browser started again at once).
  // Their windows are forgotten.
  PageSlots lostTogether;
  // A cycle over the collection ended with browser windows in it.
  bool cycleEnded = false;
};

// Visits one window of the shell's collection per tick, the one at the cursor. A browser
// window's address goes into the live table at its position; a folder
// window of the file manager is stepped over like an empty position. A call that fails keeps
// the cursor at the window for the next tick; the third failure in a row there steps over it
// like an empty position too, and the tick says it gave up on it. A position
// not visited again within a cycle (31 ticks) is forgotten at the wrap, so the table holds the
// browser windows of the last full cycle.
class Poller {
 public:
  explicit Poller(platform::Shell& shell) : shell_(shell) {}

  TickResult Tick();
  // The browser windows' addresses by their position in the collection; "" where none.
  [[nodiscard]] const PageSlots& live() const { return live_; }
  [[nodiscard]] int cursor() const { return cursor_; }
  void SetCursor(int index) {
    cursor_ = index;
    failuresAtCursor_ = 0;
  }
  // Lets go of the last browser visited, before the tray icon goes.
  void ReleasePolledBrowser() { polledBrowser_.reset(); }

 private:
  void Visit(TickResult& result);
  // Records the window at the cursor; false when a call failed and the tick must end there.
  bool Record(TickResult& result);
  // A call about the window at the cursor failed: the cursor stays, up to a point.
  void FailedAtCursor(TickResult& result);
  void ForgetLostWindowList();
  void EmptyIndex(TickResult& result);
  void Wrap(TickResult& result);
  void LoseEverything(TickResult& result);
  [[nodiscard]] bool EveryEarlierWindowGone() const;
  void LoseEarlierWindows(TickResult& result);

  platform::Shell& shell_;
  int cursor_ = 0;
  int failuresAtCursor_ = 0;
  std::unique_ptr<platform::BrowserWindowList> windowList_;
  std::unique_ptr<platform::Browser> polledBrowser_;
  PageSlots live_;
  // What the cycle under way recorded, and the two cycles before it: windows that vanished
  // in one crash but were not all visited in its cycle are found in these.
  PageSlots thisCycle_;
  PageSlots lastCycle_;
  PageSlots cycleBefore_;
  // Which window showed each of those pages, by position; 0 where the shell did not say.
  using WindowIds = std::array<std::uintptr_t, kSlotCount>;
  WindowIds thisCycleWindows_{};
  WindowIds lastCycleWindows_{};
  WindowIds cycleBeforeWindows_{};
  bool browserThisCycle_ = false;
  bool ticking_ = false;
};

}  // namespace pagemind::pages
