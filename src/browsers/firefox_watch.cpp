#include "browsers/firefox_watch.h"

#include <algorithm>

#include "browsers/firefox_reader.h"
#include "common/paths.h"

namespace pagemind::browsers {

namespace {
// Far more entries than sessionstore-backups holds (a handful of files).
constexpr std::size_t kBackupsListingLimit = 256;
constexpr int kChecksPerProfilesRead = 60;
}  // namespace

FirefoxWatch::FirefoxWatch(platform::FileSystem& files, const std::filesystem::path& roamingAppData)
    : files_(files), iniFile_(FirefoxProfilesIniPath(roamingAppData)) {}

WatchFindings FirefoxWatch::Check(const LastKeptSession& lastKept) {
  WatchFindings findings;
  // The first check tells what runs, whatever the caller held before.
  bool liveChanged = !checkedOnce_;
  checkedOnce_ = true;
  if (checksUntilProfilesRead_-- <= 0) {
    checksUntilProfilesRead_ = kChecksPerProfilesRead - 1;
    // A profile gone from profiles.ini takes its pages along (a reading adds none), whether or
    // not another one came meanwhile.
    const auto liveSessions = [this] {
      return std::count_if(watched_.begin(), watched_.end(),
                           [](const Watched& watched) { return watched.live.has_value(); });
    };
    const auto liveBefore = liveSessions();
    LoadProfiles(findings);
    if (liveSessions() != liveBefore) liveChanged = true;
  }
  for (auto& watched : watched_) {
    const auto recovery = RecoveryFile(watched);
    bool ended = false;
    if (!watched.known) {
      watched.known = true;
      watched.running = HoldsLock(watched);
      ended = !watched.running;
    } else if (!watched.running) {
      // Firefox writes its session within seconds of its start, and only while it runs.
      watched.running = recovery && recovery != watched.read;
    } else if (!HoldsLock(watched)) {
      ended = true;
    }
    if (ended) {
      watched.running = false;
      watched.read = recovery;
      if (watched.live) {
        watched.live.reset();
        liveChanged = true;
      }
      auto read = ReadSession(watched, findings);
      if (!read) continue;
      TellPrevious(watched, *read, lastKept, findings);
      if (read->session.session > lastKept(kFirefoxName, watched.key)) {
        findings.ended.push_back(std::move(read->session));
      }
      continue;
    }
    if (!watched.running || !recovery || recovery == watched.read) continue;
    // A file missing or torn in the middle of Firefox's replace is read again at its next write.
    auto read = ReadSession(watched, findings);
    if (read) {
      TellPrevious(watched, *read, lastKept, findings);
      read->session.end = BrowserEnd::kUnknown;
      watched.live = std::move(read->session);
      watched.read = recovery;
      liveChanged = true;
    }
  }
  if (liveChanged) {
    findings.live.emplace();
    for (const auto& watched : watched_) {
      if (watched.live) findings.live->push_back(*watched.live);
    }
  }
  return findings;
}

void FirefoxWatch::LoadProfiles(WatchFindings& findings) {
  std::error_code error;
  if (files_.Probe(iniFile_, error) == platform::PathKind::kNothing && !error) {
    watched_.clear();
    return;
  }
  const auto read = ReadFirefoxProfiles(files_, iniFile_);
  if (read.error) {
    // What was watched stays watched: the file may be in the middle of a replace.
    Report(findings, {iniFile_, read.error, std::string(kFirefoxName), {}});
    return;
  }
  std::vector<Watched> now;
  for (const auto& profile : read.profiles) {
    const auto old = std::find_if(watched_.begin(), watched_.end(), [&](const Watched& w) {
      return w.profile.folder == profile.folder;
    });
    if (old != watched_.end()) {
      now.push_back(std::move(*old));
      now.back().profile = profile;
    } else {
      now.push_back({profile, Utf8FromPath(profile.folder.filename())});
    }
  }
  watched_ = std::move(now);
}

bool FirefoxWatch::HoldsLock(const Watched& watched) {
  std::string bytes;
  return files_.ReadWholeFile(watched.profile.folder / "parent.lock", 4096, bytes) ==
         platform::FileError::kHeldOpen;
}

std::optional<std::pair<std::uint64_t, std::int64_t>> FirefoxWatch::RecoveryFile(
    const Watched& watched) {
  std::vector<platform::FolderEntry> entries;
  const auto error = files_.ListFolder(watched.profile.folder / "sessionstore-backups",
                                       kBackupsListingLimit, entries);
  if (error && error != platform::FileError::kTooManyEntries) return std::nullopt;
  for (const auto& entry : entries) {
    if (!entry.folder && entry.name == "recovery.jsonlz4") {
      return std::pair{entry.size, entry.lastWrite};
    }
  }
  return std::nullopt;
}

std::optional<FirefoxWatch::Read> FirefoxWatch::ReadSession(const Watched& watched,
                                                            WatchFindings& findings) {
  auto read = ReadFirefoxProfileSession(files_, watched.profile.folder);
  for (const auto& fault : read.faults) {
    Report(findings, {fault.file, fault.error, std::string(kFirefoxName), watched.profile.name});
  }
  if (read.file.empty()) return std::nullopt;
  const auto ended = [&watched](std::int64_t session, BrowserEnd end, BrowserSession pages) {
    return EndedSession{std::string(kFirefoxName), watched.key, watched.profile.name, session, end,
                        std::move(pages)};
  };
  // A file without its date is kept once, and never again.
  Read result{ended(std::max<std::int64_t>(read.session.lastUpdate, 1), read.end,
                    std::move(read.session.open)),
              std::nullopt};
  // Without its date the run before could not be told apart from another; it is left alone.
  if (read.session.previousLastUpdate > 0 && !read.session.previous.windows.empty()) {
    result.previous = ended(read.session.previousLastUpdate, BrowserEnd::kNormal,
                            std::move(read.session.previous));
  }
  return result;
}

void FirefoxWatch::TellPrevious(Watched& watched, Read& read, const LastKeptSession& lastKept,
                                WatchFindings& findings) {
  if (!read.previous || read.previous->session <= watched.previousTold) return;
  watched.previousTold = read.previous->session;
  // Before the session itself, which would otherwise make it look old.
  if (read.previous->session > lastKept(kFirefoxName, watched.key)) {
    findings.ended.push_back(std::move(*read.previous));
  }
}

void FirefoxWatch::Report(WatchFindings& findings, WatchProblem problem) {
  if (!reported_.emplace(problem.path, problem.error).second) return;
  findings.problems.push_back(std::move(problem));
}

}  // namespace pagemind::browsers
