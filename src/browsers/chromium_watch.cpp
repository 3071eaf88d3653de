#include "browsers/chromium_watch.h"

#include "browsers/browser_errors.h"
#include "common/paths.h"

namespace pagemind::browsers {

namespace {
// Opera keeps its one profile in the User Data folder itself (newer builds in its Default),
// named by no Local State.
constexpr std::string_view kUserDataItself = ".";

std::filesystem::path OneProfileFolder(platform::FileSystem& files,
                                       const std::filesystem::path& userData) {
  std::error_code error;
  const auto newer = userData / "Default";
  return files.Probe(newer, error) == platform::PathKind::kFolder ? newer : userData;
}
}  // namespace

ChromiumWatch::ChromiumWatch(platform::FileSystem& files, const std::filesystem::path& localAppData,
                             const std::filesystem::path& roamingAppData)
    : files_(files) {
  for (const auto& browser : ChromiumBrowsers()) {
    watched_.push_back({&browser, UserDataFolder(browser, localAppData, roamingAppData)});
  }
}

WatchFindings ChromiumWatch::Check(const LastKeptSession& lastKept) {
  WatchFindings findings;
  for (auto& watched : watched_) {
    std::error_code error;
    const auto lock = files_.Probe(watched.userData / "lockfile", error);
    // A lockfile that cannot be looked at may be one: nothing is read on a guess.
    if (error || lock != platform::PathKind::kNothing) {
      watched.readDue = true;
      continue;
    }
    if (!watched.readDue) continue;
    watched.readDue = !ReadEndedSessions(watched, lastKept, findings);
  }
  return findings;
}

bool ChromiumWatch::ReadEndedSessions(const Watched& watched, const LastKeptSession& lastKept,
                                      WatchFindings& findings) {
  const std::string browserName(watched.browser->name);
  std::vector<ChromiumProfile> profiles;
  if (watched.browser->profileInUserData) {
    profiles.push_back({std::string(kUserDataItself), std::string()});
  } else {
    // A browser that is not installed has no Local State: nothing to say.
    std::error_code error;
    if (files_.Probe(watched.userData / "Local State", error) == platform::PathKind::kNothing &&
        !error) {
      return true;
    }
    auto state = ReadLocalState(files_, watched.userData);
    if (state.problem) {
      Report(findings, {watched.userData / "Local State", state.problem, browserName, {}});
    }
    profiles = std::move(state.profiles);
  }
  bool allRead = true;
  for (const auto& profile : profiles) {
    const auto folder = profile.folder == kUserDataItself
                            ? OneProfileFolder(files_, watched.userData)
                            : watched.userData / PathFromUtf8(profile.folder);
    const auto choice = FindSessionFile(files_, folder);
    if (choice.problem == BrowserFileError::kOnlyEncrypted) {
      Report(findings, {choice.encryptedPath, choice.problem, browserName, profile.name});
    } else if (choice.problem && choice.problem != BrowserFileError::kNoSessionFile) {
      Report(findings, {folder / "Sessions", choice.problem, browserName, profile.name});
    }
    if (choice.path.empty() || choice.time <= lastKept(browserName, profile.folder)) continue;
    auto reading = ReadChromiumSessionFile(files_, choice.path);
    if (reading.problem == platform::FileError::kHeldOpen) {
      allRead = false;
      continue;
    }
    if (reading.problem) {
      Report(findings, {choice.path, reading.problem, browserName, profile.name});
      if (!KeptWhatWasRead(reading.problem)) continue;
    }
    const auto exit = ReadPreferences(files_, folder);
    if (exit.problem)
      Report(findings, {folder / "Preferences", exit.problem, browserName, profile.name});
    findings.ended.push_back({browserName, profile.folder, profile.name, choice.time, exit.end,
                              std::move(reading.session)});
  }
  return allRead;
}

void ChromiumWatch::Report(WatchFindings& findings, WatchProblem problem) {
  if (!reported_.emplace(problem.path, problem.error).second) return;
  findings.problems.push_back(std::move(problem));
}

}  // namespace pagemind::browsers
