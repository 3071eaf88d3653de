#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pagemind::browsers {

// What a browser's own session file says was open: the shape shared by the readers of every
// browser family, so that the page memory keeps and reopens them alike.

// One tab, at the page it shows now (its current navigation entry).
struct SessionTab {
  std::string address;
  std::string title;  // often "" (the page's title may arrive after its address was written)
  bool pinned = false;
  bool operator==(const SessionTab&) const = default;
};

// One browser window with its tabs in their order.
struct SessionWindow {
  std::vector<SessionTab> tabs;
  std::size_t selectedTab = 0;  // 0-based index into tabs
  bool popup = false;
  bool operator==(const SessionWindow&) const = default;
};

struct BrowserSession {
  std::vector<SessionWindow> windows;
  bool operator==(const BrowserSession&) const = default;
};

// How a profile's browser ended its last run, as its own files tell.
enum class BrowserEnd { kUnknown, kNormal, kCrashed, kSessionEnded };

}  // namespace pagemind::browsers
