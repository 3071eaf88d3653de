#include "pages/poller.h"

#include <algorithm>
#include <string>

namespace pagemind::pages {

namespace {
constexpr int kLastIndex = kSlotCount - 1;

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
  if (!item) return ForgetLostWindowList();
  polledBrowser_ = std::move(*item);
  if (!polledBrowser_) return EmptyIndex(result);
  if (polledBrowser_->Kind() == platform::WindowKind::kFolder) return EmptyIndex(result);
  if (!Record(result)) return;
  if (cursor_ == kLastIndex) return Wrap(result);
  ++cursor_;
}

bool Poller::Record(TickResult& result) {
  const auto url = polledBrowser_->LocationUrl();
  if (!url) return false;
  log_.InsertAtTop(" URL:" + *url);
  const auto title = polledBrowser_->LocationName();
  if (!title) return false;
  log_.InsertAtTop("Name:" + *title);
  // The address is read again for the table: the page may have moved on between the reads.
  const auto address = polledBrowser_->LocationUrl();
  if (!address || cursor_ < 0 || cursor_ > kLastIndex) return false;
  const auto k = static_cast<std::size_t>(cursor_);
  live_[k] = *address;
  thisCycle_[k] = *address;
  browserThisCycle_ = true;
  result.recorded = *address;
  return true;
}

void Poller::ForgetLostWindowList() {
  // A collection whose shell went away (explorer restarted) never answers again: the next
  // tick asks the new shell for a new one.
  if (windowList_->Lost()) windowList_.reset();
}

void Poller::EmptyIndex(TickResult& result) {
  log_.SetCounter("Count:" + std::to_string(cursor_));
  if (cursor_ != kLastIndex) {
    ++cursor_;
    return;
  }
  Wrap(result);
  log_.Clear();
}

void Poller::Wrap(TickResult& result) {
  cursor_ = 0;
  // A whole cycle over the file manager's windows alone: the browser's went together.
  if (!browserThisCycle_) return LoseEverything(result);
  result.cycleEnded = true;
  live_ = thisCycle_;
  cycleBefore_ = lastCycle_;
  lastCycle_ = thisCycle_;
  thisCycle_ = {};
  browserThisCycle_ = false;
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
  browserThisCycle_ = false;
}

}  // namespace pagemind::pages
