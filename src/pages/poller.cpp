#include "pages/poller.h"

#include <algorithm>
#include <string>

namespace pagemind::pages {

namespace {
constexpr int kLastIndex = kSlotCount - 1;
// A window whose calls fail this many times in a row (a frozen tab, an item that is no
// browser) is passed over for the cycle: held at it, the cursor would visit no other window.
constexpr int kFailuresBeforeSkip = 3;

bool IsAmong(std::uintptr_t window, const std::array<std::uintptr_t, kSlotCount>& windows) {
  return window != 0 && std::find(windows.begin(), windows.end(), window) != windows.end();
}

}  // namespace

TickResult Poller::Tick() {
  TickResult result;
  // A call into another process lets the thread's messages in while it waits, timer ticks
  // among them: a tick that starts inside another must not replace the objects that one is
  // still calling.
  if (ticking_) return result;
  ticking_ = true;
  Visit(result);
  ticking_ = false;
  return result;
}

void Poller::Visit(TickResult& result) {
  if (!windowList_) windowList_ = shell_.CreateWindowList();
  if (!windowList_) return;
  const auto count = windowList_->Count();
  if (!count) return ForgetLostWindowList();
  // No window at all: the cursor stands still, and the browser's pages are lost together.
  if (*count == 0) return LoseEverything(result);

  auto item = windowList_->Item(cursor_);
  if (!item) return FailedAtCursor(result);
  polledBrowser_ = std::move(*item);
  if (!polledBrowser_) return EmptyIndex(result);
  if (polledBrowser_->Kind() == platform::WindowKind::kFolder) return EmptyIndex(result);
  if (!Record(result)) return FailedAtCursor(result);
  failuresAtCursor_ = 0;
  if (cursor_ == kLastIndex) return Wrap(result);
  ++cursor_;
}

void Poller::FailedAtCursor(TickResult& result) {
  // The collection itself has gone: no window is to blame, and the next one is asked again.
  if (windowList_->Lost()) return ForgetLostWindowList();
  if (++failuresAtCursor_ < kFailuresBeforeSkip) return;
  result.view.gaveUpOn = cursor_;
  EmptyIndex(result);
}

bool Poller::Record(TickResult& result) {
  const auto url = polledBrowser_->LocationUrl();
  if (!url) return false;
  result.view.visited = PollerView::Visit{cursor_, *url, std::nullopt};
  const auto title = polledBrowser_->LocationName();
  if (!title) return false;
  result.view.visited->title = *title;
  // The address is read again for the table: the page may have moved on between the reads.
  const auto address = polledBrowser_->LocationUrl();
  if (!address || cursor_ < 0 || cursor_ > kLastIndex) return false;
  const auto k = static_cast<std::size_t>(cursor_);
  live_[k] = *address;
  thisCycle_[k] = *address;
  thisCycleWindows_[k] = polledBrowser_->WindowId();
  browserThisCycle_ = true;
  result.recorded = *address;
  result.recordedTitle = *title;
  return true;
}

void Poller::ForgetLostWindowList() {
  // A collection whose shell went away (explorer restarted) never answers again: the next
  // tick asks the new shell for a new one.
  if (windowList_->Lost()) windowList_.reset();
}

void Poller::EmptyIndex(TickResult& result) {
  failuresAtCursor_ = 0;
  result.view.steppedOver = cursor_;
  if (cursor_ != kLastIndex) {
    ++cursor_;
    return;
  }
  Wrap(result);
  result.view.restartedAfterEmpty = true;
}

void Poller::Wrap(TickResult& result) {
  cursor_ = 0;
  // A whole cycle over the file manager's windows alone: the browser's went together.
  if (!browserThisCycle_) return LoseEverything(result);
  result.cycleEnded = true;
  if (EveryEarlierWindowGone()) LoseEarlierWindows(result);
  live_ = thisCycle_;
  cycleBefore_ = lastCycle_;
  cycleBeforeWindows_ = lastCycleWindows_;
  lastCycle_ = thisCycle_;
  lastCycleWindows_ = thisCycleWindows_;
  thisCycle_ = {};
  thisCycleWindows_ = {};
  browserThisCycle_ = false;
}

// A browser started again soon after its crash shows new windows before a whole cycle has
// passed without any: the crash is then known by the windows, not by their absence. The cycle
// before last was whole before any crash of the cycles since, so when none of its windows was
// visited again in this cycle, every window it knew has gone. A user who closes the last window
// and opens another within two cycles looks the same; the closed page is then kept too, which
// loses nothing. Windows the shell cannot name (id 0) never count as gone.
bool Poller::EveryEarlierWindowGone() const {
  bool anyWindow = false;
  for (std::size_t k = 0; k < cycleBefore_.size(); ++k) {
    if (cycleBefore_[k].empty()) continue;
    if (cycleBeforeWindows_[k] == 0 || IsAmong(cycleBeforeWindows_[k], thisCycleWindows_)) {
      return false;
    }
    anyWindow = true;
  }
  return anyWindow;
}

// The pages of the windows gone, from the two cycles before this one, newest first; the
// windows of this cycle are live.
void Poller::LoseEarlierWindows(TickResult& result) {
  const auto lose = [&](const PageSlots& pages, const WindowIds& windows) {
    for (std::size_t k = 0; k < pages.size(); ++k) {
      if (!IsAmong(windows[k], thisCycleWindows_)) PlaceInSlot(result.lostTogether, k, pages[k]);
    }
  };
  lose(lastCycle_, lastCycleWindows_);
  lose(cycleBefore_, cycleBeforeWindows_);
  lastCycle_ = {};
  lastCycleWindows_ = {};
}

void Poller::LoseEverything(TickResult& result) {
  for (const PageSlots* cycle : {&live_, &lastCycle_, &cycleBefore_}) {
    for (std::size_t k = 0; k < cycle->size(); ++k) {
      PlaceInSlot(result.lostTogether, k, (*cycle)[k]);
    }
  }
  live_ = {};
  thisCycle_ = {};
  lastCycle_ = {};
  cycleBefore_ = {};
  thisCycleWindows_ = {};
  lastCycleWindows_ = {};
  cycleBeforeWindows_ = {};
  browserThisCycle_ = false;
  // With every browser window gone, the last one visited is held for nothing: its process
  // may have ended, and a live one stays until the program ends.
  polledBrowser_.reset();
}

}  // namespace pagemind::pages
