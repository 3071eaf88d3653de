#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "access_log/access_log.h"
#include "browsers/chromium_watch.h"
#include "browsers/firefox_watch.h"
#include "pages/browser_reopen.h"
#include "pages/page_choice.h"
#include "pages/page_memory.h"
#include "pages/reopen.h"
#include "platform/ports.h"

namespace pagemind::app {

// The pages of the browsers that keep their own session files: watched once a second, each
// ended session kept in the page memory's history, Firefox's pages followed while it runs, and
// the sets of crashes and ends of the Windows session opened again in their browser by the
// one-step reopen.
class BrowserPages {
 public:
  explicit BrowserPages(platform::Ports ports);

  // Watching starts at the next tick; off, the browsers' files are never looked at.
  void Start(bool on);

  // One tick of the poll timer. Returns the sets kept now that the one-step reopen offers.
  std::vector<pages::PageSet> Tick(pages::PageMemory& memory, access_log::AccessLog& log);

  // Opens the offered sets again (see SetsToReopen) and marks them opened; returns the
  // addresses that could not be opened.
  std::vector<std::string> ReopenOffered(pages::PageMemory& memory);
  // Pages chosen from one browser's set: one new window of that browser.
  std::vector<std::string> OpenChosen(const pages::ChosenGroup& group);
  // How many pages the one-step reopen opens from the browsers' sets.
  [[nodiscard]] static std::size_t OfferedPages(const pages::PageMemory& memory);

 private:
  // A check every this many ticks of 100 ms.
  static constexpr int kTicksPerCheck = 10;
  // A browser's last write after the program's own end in one shutdown of Windows comes this
  // soon after it.
  static constexpr std::int64_t kSameShutdownSeconds = 300;

  static void TakeEndOfWindowsSession(pages::PageMemory& memory, browsers::EndedSession& ended);

  platform::Ports ports_;
  pages::Reopener fallback_;
  std::optional<browsers::ChromiumWatch> chromium_;
  std::optional<browsers::FirefoxWatch> firefox_;
  std::optional<pages::BrowserReopener> reopener_;
  int ticksUntilCheck_ = 0;
};

}  // namespace pagemind::app
