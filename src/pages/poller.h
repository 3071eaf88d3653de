#pragma once

#include <bitset>
#include <memory>

#include "access_log/access_log.h"
#include "pages/page_slots.h"
#include "platform/shell.h"

namespace pagemind::pages {

// Visits one browser window of the shell per tick, the one at the cursor, records its address
// in the slot of that index and in the access log, and moves the cursor on.
class Poller {
 public:
  Poller(platform::Shell& shell, access_log::AccessLog& log) : shell_(shell), log_(log) {}

  void Tick(PageSlots& slots);
  [[nodiscard]] int cursor() const { return cursor_; }
  void SetCursor(int index) { cursor_ = index; }
  // Lets go of the last browser visited, before the tray icon goes.
  void ReleasePolledBrowser() { polledBrowser_.reset(); }

 private:
  void Visit(PageSlots& slots);
  // Records the window at the cursor; false when a call failed and the tick must end there.
  bool Record(PageSlots& slots);
  void ForgetLostWindowList();
  void EmptyIndex(PageSlots& slots);
  void Wrap(PageSlots& slots);

  platform::Shell& shell_;
  access_log::AccessLog& log_;
  int cursor_ = 0;
  std::unique_ptr<platform::BrowserWindowList> windowList_;
  std::unique_ptr<platform::Browser> polledBrowser_;
  // The slots a visit wrote in the cycle under way: a wrap keeps those and empties the rest, so
  // the slots always hold every window of the last full cycle.
  std::bitset<kSlotCount> writtenThisCycle_;
  bool ticking_ = false;
};

}  // namespace pagemind::pages
