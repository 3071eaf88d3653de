#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "browsers/browser_watch.h"
#include "browsers/chromium_files.h"
#include "platform/files.h"

namespace pagemind::browsers {

// Follows the Chromium-family browsers of this user. While a browser runs on Windows its User
// Data folder holds `lockfile` (deleted when its process ends in any way) and its session file
// cannot be read; so a check only asks whether each browser's lockfile exists, and reads the
// browser's files once, when the lockfile has gone, or at the first check when the browser is
// not running: a profile's last session then becomes an EndedSession when it is newer than the
// one last kept.
class ChromiumWatch {
 public:
  ChromiumWatch(platform::FileSystem& files, const std::filesystem::path& localAppData,
                const std::filesystem::path& roamingAppData);

  WatchFindings Check(const LastKeptSession& lastKept);

 private:
  struct Watched {
    const ChromiumBrowser* browser = nullptr;
    std::filesystem::path userData;
    // Read at the next check while the browser does not run: at the start, after the browser
    // ended, and while a session file was still held.
    bool readDue = true;
  };
  // False when a session file was still held open: the browser is still going.
  bool ReadEndedSessions(const Watched& watched, const LastKeptSession& lastKept,
                         WatchFindings& findings);
  void Report(WatchFindings& findings, WatchProblem problem);

  platform::FileSystem& files_;
  std::vector<Watched> watched_;
  std::set<std::pair<std::filesystem::path, std::error_code>> reported_;
};

}  // namespace pagemind::browsers
