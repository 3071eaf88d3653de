#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "browsers/browser_watch.h"
#include "browsers/firefox_profiles.h"
#include "platform/files.h"

namespace pagemind::browsers {

// Follows the Firefox profiles of this user (profiles.ini). Firefox replaces its session file
// while it runs and never holds it, so its pages can be followed as they change: a check lists
// the profile's sessionstore-backups folder and reads recovery.jsonlz4 again only when its size
// or time changed. While Firefox runs on Windows it holds `parent.lock` open with no sharing;
// once that file opens, Firefox has ended and the profile's last session is reported as ended
// when it is newer than the one last kept. The lock is tried only while Firefox is taken to
// run (from the first check, or once it wrote its session file), so that no open of ours can
// stand in the way of its start.
class FirefoxWatch {
 public:
  FirefoxWatch(platform::FileSystem& files, const std::filesystem::path& roamingAppData);

  WatchFindings Check(const LastKeptSession& lastKept);

 private:
  struct Watched {
    FirefoxProfile profile;
    std::string key;     // the profile folder's name
    bool known = false;  // whether it runs has been asked once
    bool running = false;
    // recovery.jsonlz4 as last read: its size and time.
    std::optional<std::pair<std::uint64_t, std::int64_t>> read{};
    std::optional<EndedSession> live{};
    // The run before that was last told (see Read::previous).
    std::int64_t previousTold = 0;
  };
  struct Read {
    EndedSession session;
    // The run before, which Firefox keeps aside when it starts without restoring it: gone
    // from its windows, and lost once a later start replaces it, so it is told as ended when it
    // is newer than what was kept. Its checkpoints are gone; a run not restored is taken to
    // have ended normally (after a crash Firefox restores, or the user chose not to).
    std::optional<EndedSession> previous;
  };
  void LoadProfiles(WatchFindings& findings);
  [[nodiscard]] bool HoldsLock(const Watched& watched);
  // recovery.jsonlz4's size and time; none when it is not there.
  [[nodiscard]] std::optional<std::pair<std::uint64_t, std::int64_t>> RecoveryFile(
      const Watched& watched);
  // Reads the profile's newest session; none when nothing could be read.
  std::optional<Read> ReadSession(const Watched& watched, WatchFindings& findings);
  // Tells the run before of `read` once, when it is newer than the one last kept.
  static void TellPrevious(Watched& watched, Read& read, const LastKeptSession& lastKept,
                           WatchFindings& findings);
  void Report(WatchFindings& findings, WatchProblem problem);

  platform::FileSystem& files_;
  std::filesystem::path iniFile_;
  std::vector<Watched> watched_;
  // profiles.ini is read again once a minute, for a profile added meanwhile.
  int checksUntilProfilesRead_ = 0;
  bool checkedOnce_ = false;
  std::set<std::pair<std::filesystem::path, std::error_code>> reported_;
};

}  // namespace pagemind::browsers
