#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pages/page_slots.h"
#include "platform/files.h"
#include "platform/shell.h"

namespace pagemind::pages {

// Opens every remembered page again, each in a new browser window, in the order of the slots.
// A page the browser cannot take is handed to the shell's "open", so the default browser shows
// it. Only what OpenableTarget lets through goes either way, in the form it gives. Returns the
// addresses that were refused or could be opened neither way.
class Reopener {
 public:
  Reopener(platform::Shell& shell, platform::FileSystem& files) : shell_(shell), files_(files) {}

  // Works on its own copy of the slots: creating a browser waits for another process, and the
  // poller's ticks that run meanwhile may change the slots.
  std::vector<std::string> ReopenAll(PageSlots pageSlots);
  // The same for pages in a list of their own, in its order.
  std::vector<std::string> Open(const std::vector<std::string>& addresses);

 private:
  bool OpenInNewBrowser(const std::string& address);

  platform::Shell& shell_;
  platform::FileSystem& files_;
};

}  // namespace pagemind::pages
