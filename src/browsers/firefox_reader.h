#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "browsers/browser_session.h"
#include "browsers/firefox_profiles.h"
#include "browsers/firefox_session.h"
#include "platform/files.h"

namespace pagemind::browsers {

// Firefox's files as they lie on disk, read through the file port. Each file is opened,
// read whole and closed at once: Firefox replaces them while it runs and never holds them
// open, so they can be read at any time.

// The browser as the user knows it, which names its sets of pages.
inline constexpr std::string_view kFirefoxName = "Mozilla Firefox";

// profiles.ini under the roaming application data folder (%APPDATA%).
std::filesystem::path FirefoxProfilesIniPath(const std::filesystem::path& roamingAppData);

struct FirefoxProfiles {
  std::vector<FirefoxProfile> profiles;
  std::error_code error;  // the file could not be read (missing: no Firefox profile exists)
};
FirefoxProfiles ReadFirefoxProfiles(platform::FileSystem& files,
                                    const std::filesystem::path& iniFile) noexcept;

// How the profile's last run ended (sessionCheckpoints.json, see ParseFirefoxCheckpoints);
// kUnknown when the file is missing or unreadable.
BrowserEnd ReadFirefoxEnd(platform::FileSystem& files,
                          const std::filesystem::path& profileFolder) noexcept;

// One mozLz40 session file, decoded and read. A missing file gives the port's error.
FirefoxSessionParse ReadFirefoxSessionFile(platform::FileSystem& files,
                                           const std::filesystem::path& file) noexcept;

struct FirefoxFileFault {
  std::filesystem::path file;
  std::error_code error;
  std::size_t offset = 0;  // where in the JSON, for a JSON fault
};

struct FirefoxProfileSession {
  FirefoxSession session;
  BrowserEnd end = BrowserEnd::kUnknown;
  std::filesystem::path file;            // the file the session comes from; empty when none served
  std::vector<FirefoxFileFault> faults;  // files present but unreadable, in the order tried
  std::error_code error;  // when no file served: the last fault's error, or kNoSessionFile
};

// The newest session Firefox wrote for a profile, in Firefox's own order of trust:
// sessionstore.jsonlz4 while it exists (a clean end writes it, and the next run moves it away
// before its first write, so while it is there nothing newer was written; a clean end leaves
// an older recovery.jsonlz4 beside it); otherwise sessionstore-backups/recovery.jsonlz4, what
// the running or crashed run wrote last; then recovery.baklz4, the one before it, for the
// moment of a replace (recovery.jsonlz4 is moved there before its successor takes its name)
// or a damaged recovery.jsonlz4. `end` comes from sessionCheckpoints.json, not from which
// files exist.
FirefoxProfileSession ReadFirefoxProfileSession(
    platform::FileSystem& files, const std::filesystem::path& profileFolder) noexcept;

}  // namespace pagemind::browsers
