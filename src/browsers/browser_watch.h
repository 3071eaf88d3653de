#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "browsers/browser_session.h"

namespace pagemind::browsers {

// What the watches of the browsers' own files report, whatever the browser.

// A profile's session as its browser's files tell it: one that has ended, or one that runs.
struct EndedSession {
  std::string browser;  // as the user knows it: "Google Chrome", ...
  // The profile's folder: in User Data for the Chromium family ("." for User Data itself), its
  // own folder's name for Firefox.
  std::string profile;
  std::string profileName;  // as the browser shows it; "" when it names none
  // Orders a profile's sessions: the Chromium family's session file T, Firefox's lastUpdate.
  std::int64_t session = 0;
  BrowserEnd end = BrowserEnd::kUnknown;
  BrowserSession pages;
};

// A browser's file the watch could not read (or read only in part), told once per file and
// reason.
struct WatchProblem {
  std::filesystem::path path;
  std::error_code error;
  std::string browser;
  std::string profileName;
};

struct WatchFindings {
  std::vector<EndedSession> ended;
  std::vector<WatchProblem> problems;
  // The sessions of the browsers that run now, where a watch can follow them (their `end` is
  // kUnknown): set whenever they changed, each time all of them.
  std::optional<std::vector<EndedSession>> live;
};

// The newest session kept from a browser's profile (by EndedSession::session), 0 for none.
using LastKeptSession =
    std::function<std::int64_t(std::string_view browser, std::string_view profile)>;

}  // namespace pagemind::browsers
