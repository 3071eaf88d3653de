#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pages/page_slots.h"
#include "platform/shell.h"

namespace pagemind::pages {

// Opens every remembered page again, each in a new browser window, in the order of the slots.
// A page the browser cannot take is handed to the shell's "open", so the default browser shows
// it; only addresses whose scheme is safe to hand on go that way. Returns the addresses that
// could be opened neither way.
class Reopener {
 public:
  explicit Reopener(platform::Shell& shell) : shell_(shell) {}

  // Works on its own copy of the slots: creating a browser waits for another process, and the
  // poller's ticks that run meanwhile may change the slots.
  std::vector<std::string> ReopenAll(PageSlots pageSlots);

  // The last address opened; nothing else reads it.
  [[nodiscard]] const std::string& reopenAddress() const { return reopenAddress_; }

 private:
  bool OpenInNewBrowser(const std::string& address);

  platform::Shell& shell_;
  std::string reopenAddress_;
};

// http, https, ftp and file addresses: what a browser shows. Anything else handed to the shell
// could start a program.
bool SafeToHandToShell(std::string_view address);

// The message that lists the pages that could not be opened.
std::string UnopenedPagesMessage(const std::vector<std::string>& addresses);

}  // namespace pagemind::pages
