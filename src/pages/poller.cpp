#include "pages/poller.h"

#include <string>

namespace pagemind::pages {

namespace {
constexpr int kLastIndex = kSlotCount - 1;
}

void Poller::Tick(PageSlots& slots) {
  // A call into another process lets the thread's messages in while it waits, timer ticks
  // among them: a tick that starts inside another must not replace the objects that one is
  // still calling.
  if (ticking_) return;
  ticking_ = true;
  Visit(slots);
  ticking_ = false;
}

void Poller::Visit(PageSlots& slots) {
  if (!windowList_) windowList_ = shell_.CreateWindowList();
  if (!windowList_) return;
  const auto count = windowList_->Count();
  if (!count) return ForgetLostWindowList();
  if (*count == 0) return;

  auto item = windowList_->Item(cursor_);
  if (!item) return ForgetLostWindowList();
  polledBrowser_ = std::move(*item);
  if (!polledBrowser_) return EmptyIndex(slots);
  if (!Record(slots)) return;
  if (cursor_ == kLastIndex) return Wrap(slots);
  ++cursor_;
}

bool Poller::Record(PageSlots& slots) {
  const auto url = polledBrowser_->LocationUrl();
  if (!url) return false;
  log_.InsertAtTop(" URL:" + *url);
  const auto title = polledBrowser_->LocationName();
  if (!title) return false;
  log_.InsertAtTop("Name:" + *title);
  // The address is read again for the slot: the page may have moved on between the reads.
  const auto address = polledBrowser_->LocationUrl();
  if (!address || cursor_ < 0 || cursor_ > kLastIndex) return false;
  slots[static_cast<std::size_t>(cursor_)] = *address;
  writtenThisCycle_.set(static_cast<std::size_t>(cursor_));
  return true;
}

void Poller::ForgetLostWindowList() {
  // A collection whose shell went away (explorer restarted) never answers again: the next
  // tick asks the new shell for a new one.
  if (windowList_->Lost()) windowList_.reset();
}

void Poller::EmptyIndex(PageSlots& slots) {
  log_.SetCounter("Count:" + std::to_string(cursor_));
  if (cursor_ != kLastIndex) {
    ++cursor_;
    return;
  }
  Wrap(slots);
  log_.Clear();
}

void Poller::Wrap(PageSlots& slots) {
  cursor_ = 0;
  for (std::size_t k = 0; k < slots.size(); ++k) {
    if (!writtenThisCycle_.test(k)) slots[k].clear();
  }
  writtenThisCycle_.reset();
}

}  // namespace pagemind::pages
