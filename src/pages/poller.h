#pragma once

#include <bitset>
#include <cstddef>
#include <memory>
#include <string_view>

#include "pages/page_slots.h"
#include "platform/shell.h"

namespace pagemind::pages {

// Where the poller writes what it sees: the access-log list and the debug counter label.
class AccessLogLines {
 public:
  virtual void InsertAtTop(std::string_view line) = 0;
  virtual void Clear() = 0;
  virtual void SetCounter(std::string_view text) = 0;

 protected:
  ~AccessLogLines() = default;
};

// The most lines the access log keeps; as many as its save writes.
inline constexpr std::size_t kAccessLogLineLimit = 10001;

// Visits one browser window of the shell per tick, the one at the cursor, records its address
// in the slot of that index and in the access log, and moves the cursor on.
class Poller {
 public:
  Poller(platform::Shell& shell, PageSlots& pageSlots, int& pollIndex, AccessLogLines& log);

  void Timer1_Timer();
  // Lets go of the last browser visited, before the tray icon goes.
  void ReleasePolledBrowser() { polledBrowser_.reset(); }

 private:
  void Tick();
  // Records the window at the cursor; false when a call failed and the tick must end there.
  bool Visit();
  void ForgetLostWindowList();
  void EmptyIndex();
  void Wrap();

  platform::Shell& shell_;
  PageSlots& pageSlots_;
  int& pollIndex_;
  AccessLogLines& log_;
  std::unique_ptr<platform::BrowserWindowList> windowList_;
  std::unique_ptr<platform::Browser> polledBrowser_;
  // The slots a visit wrote in the cycle under way: a wrap keeps those and empties the rest, so
  // the slots always hold every window of the last full cycle.
  std::bitset<kSlotCount> writtenThisCycle_;
  bool ticking_ = false;
};

}  // namespace pagemind::pages
