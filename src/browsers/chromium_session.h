#pragma once

#include <cstddef>
#include <string_view>
#include <system_error>

#include "browsers/browser_session.h"

namespace pagemind::browsers {

// Reads what a Chromium-family browser's session file (`Sessions\Session_<T>`, or the older
// `Current Session`) says is open, rebuilt the way the browser itself rebuilds it
// (components/sessions/core/session_service_commands.cc): every normal or popup window that
// is still open, its tabs in their order, each at its current page, pinned or not, and the
// selected tab. Commands this reader does not know (Edge, Brave and Vivaldi add their own) are
// skipped.

// Larger than any real session file by far; a larger file is not read at all.
inline constexpr std::size_t kChromiumSessionLimit = 64u << 20;

struct ChromiumSessionReading {
  BrowserSession session;
  // None when every record was read. kTooLarge, kNotASessionFile, kUnknownVersion and kEncrypted
  // read nothing; kTornTail, kNoSnapshotMarker and kDamagedRecords keep what could be read (see
  // KeptWhatWasRead).
  std::error_code problem;
  // Records of known commands that could not be read (wrong size, garbage pickle) and were
  // skipped, one by one.
  std::size_t skippedRecords = 0;
};

ChromiumSessionReading ReadChromiumSession(std::string_view bytes);

}  // namespace pagemind::browsers
