#pragma once

#include <string>

#include "browsers/chromium_watch.h"
#include "pages/page_history.h"
#include "platform/files.h"

namespace pagemind::app {

// The balloon's first line after a browser's profile ended in a crash or with the Windows
// session.
std::string BrowserEndCause(const pages::PageSet& set);

// The access log's line about a browser's file that could not be read, or read only in part.
std::string BrowserProblemLine(const browsers::WatchProblem& problem,
                               const platform::FileSystem& files);

// The access log's line about a browser's session kept in the history.
std::string BrowserSetKeptLine(const pages::PageSet& set);

}  // namespace pagemind::app
