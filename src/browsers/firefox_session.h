#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <system_error>

#include "browsers/browser_session.h"

namespace pagemind::browsers {

// What one Firefox session file (the JSON inside a mozLz40 file) says. Private windows are
// never written by Firefox; one marked private anyway is left out.
struct FirefoxSession {
  // The windows open when the file was written. When Firefox shows its crash page
  // (about:sessionrestore or about:welcomeback, the session it offers to restore kept in the
  // page's form data), that tab stands for the windows it keeps: they are here in its place.
  BrowserSession open;
  // Windows closed during that run, which Firefox offers to reopen (_closedWindows).
  BrowserSession closedWindows;
  // The run before, kept aside when Firefox started without restoring it (lastSessionState):
  // what "restore previous session" brings back.
  BrowserSession previous;
  // `open` holds windows taken from a crash page's kept session.
  bool fromRestorePage = false;
  // When Firefox wrote the file (session.lastUpdate), in ms since 1970-01-01 UTC; 0 when absent.
  std::int64_t lastUpdate = 0;
  // The same for the run before: the lastUpdate of the file that run ended with.
  std::int64_t previousLastUpdate = 0;
};

struct FirefoxSessionParse {
  FirefoxSession session;       // empty when `error` is set: nothing from a damaged file is kept
  std::error_code error;        // a FirefoxError
  std::size_t errorOffset = 0;  // where in the JSON the fault was found
};

// Reads the session JSON as a stream, keeping only windows, tabs, their current entries'
// addresses and titles, pinned, the selected tab and the dates; form data, images and the rest
// are passed over without being held. A tab's current entry is entries[index - 1] (the last
// when index is missing). Never throws.
FirefoxSessionParse ParseFirefoxSession(std::string_view json) noexcept;

}  // namespace pagemind::browsers
