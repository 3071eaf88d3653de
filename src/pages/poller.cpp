#include "pages/poller.h"

#include <string>

namespace pagemind::pages {

namespace {
constexpr int kLastIndex = kSlotCount - 1;
}

Poller::Poller(platform::Shell& shell, PageSlots& pageSlots, int& pollIndex, AccessLogLines& log)
    : shell_(shell), pageSlots_(pageSlots), pollIndex_(pollIndex), log_(log) {}

void Poller::Timer1_Timer() {
  // A call into another process lets the thread's messages in while it waits, timer ticks
  // among them: a tick that starts inside another must not replace the objects that one is
  // still calling.
  if (ticking_) return;
  ticking_ = true;
  Tick();
  ticking_ = false;
}

void Poller::Tick() {
  if (!windowList_) windowList_ = shell_.CreateWindowList();
  if (!windowList_) return;
  const auto count = windowList_->Count();
  if (!count) return ForgetLostWindowList();
  if (*count == 0) return;

  auto item = windowList_->Item(pollIndex_);
  if (!item) return ForgetLostWindowList();
  polledBrowser_ = std::move(*item);
  if (!polledBrowser_) return EmptyIndex();
  if (!Visit()) return;
  if (pollIndex_ == kLastIndex) return Wrap();
  ++pollIndex_;
}

bool Poller::Visit() {
  const auto url = polledBrowser_->LocationUrl();
  if (!url) return false;
  log_.InsertAtTop(" URL:" + *url);
  const auto title = polledBrowser_->LocationName();
  if (!title) return false;
  log_.InsertAtTop("Name:" + *title);
  // The address is read again for the slot: the page may have moved on between the reads.
  const auto address = polledBrowser_->LocationUrl();
  if (!address || pollIndex_ < 0 || pollIndex_ > kLastIndex) return false;
  pageSlots_[static_cast<std::size_t>(pollIndex_)] = *address;
  writtenThisCycle_.set(static_cast<std::size_t>(pollIndex_));
  return true;
}

void Poller::ForgetLostWindowList() {
  // A collection whose shell went away (explorer restarted) never answers again: the next
  // tick asks the new shell for a new one.
  if (windowList_->Lost()) windowList_.reset();
}

void Poller::EmptyIndex() {
  log_.SetCounter("Count:" + std::to_string(pollIndex_));
  if (pollIndex_ != kLastIndex) {
    ++pollIndex_;
    return;
  }
  Wrap();
  log_.Clear();
}

void Poller::Wrap() {
  pollIndex_ = 0;
  for (std::size_t k = 0; k < pageSlots_.size(); ++k) {
    if (!writtenThisCycle_.test(k)) pageSlots_[k].clear();
  }
  writtenThisCycle_.reset();
}

}  // namespace pagemind::pages
