#pragma once

#include <cstdint>
#include <vector>

#include "browsers/chromium_watch.h"
#include "pages/page_history.h"

namespace pagemind::pages {

// The set of the history that keeps an ended browser session: each window's tabs in their order
// with their current address and title, the windows numbered from 0 as they come. Only pages
// that can be opened again (http, https and file addresses) are kept; a window with none of them
// leaves no number. Addresses and titles are cut to their limits as every page's are, and a
// session beyond kBrowserSetPageLimit pages or kBrowserSetBytesLimit bytes keeps its first ones.
PageSet BrowserSetFromSession(const browsers::EndedSession& ended, std::int64_t time);

// A set that the one-step reopen offers: a browser's crash or the end of the Windows session,
// not opened again yet.
bool OfferedForReopen(const PageSet& set);

// Of the history (newest first), the sets the one-step reopen opens: the newest set of each
// browser profile, where it is offered. A later normal end of the profile means the user has
// been back in that browser since.
std::vector<PageSet> SetsToReopen(const std::vector<PageSet>& history);

}  // namespace pagemind::pages
