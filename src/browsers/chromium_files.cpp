#include "browsers/chromium_files.h"

#include <charconv>
#include <string>
#include <vector>

#include "browsers/browser_errors.h"
#include "common/paths.h"

namespace pagemind::browsers {

namespace {

// Chromium's own installer registers App Paths\chrome.exe, the key Google Chrome uses too: the
// key would name whichever of the two was installed last, so Chromium is found only by its
// per-user installation. Opera registers opera.exe for its launcher, which starts the current
// version and passes the arguments on.
constexpr ChromiumBrowser kBrowsers[] = {
    {"Microsoft Edge", AppDataFolder::kLocal, "Microsoft/Edge/User Data", false, "msedge.exe",
     "Microsoft/Edge/Application/msedge.exe"},
    {"Google Chrome", AppDataFolder::kLocal, "Google/Chrome/User Data", false, "chrome.exe",
     "Google/Chrome/Application/chrome.exe"},
    {"Chromium", AppDataFolder::kLocal, "Chromium/User Data", false, "",
     "Chromium/Application/chrome.exe"},
    {"Brave", AppDataFolder::kLocal, "BraveSoftware/Brave-Browser/User Data", false, "brave.exe",
     "BraveSoftware/Brave-Browser/Application/brave.exe"},
    {"Vivaldi", AppDataFolder::kLocal, "Vivaldi/User Data", false, "vivaldi.exe",
     "Vivaldi/Application/vivaldi.exe"},
    {"Opera", AppDataFolder::kRoaming, "Opera Software/Opera Stable", true, "opera.exe",
     "Programs/Opera/launcher.exe"},
};

// More entries than a Sessions folder holds by far (the browser keeps two or three files).
constexpr std::size_t kListingLimit = 4096;

struct Newest {
  std::int64_t time = -1;
  std::string name;
  std::error_code problem;
};

// The Session_<T> of the largest T in a folder; a missing folder holds none.
Newest NewestSessionFile(platform::FileSystem& files, const std::filesystem::path& folder) {
  Newest newest;
  std::vector<platform::FolderEntry> entries;
  const std::error_code listed = files.ListFolder(folder, kListingLimit, entries);
  if (listed && listed != platform::FileError::kTooManyEntries) {
    std::error_code probeError;
    if (files.Probe(folder, probeError) != platform::PathKind::kNothing || probeError) {
      newest.problem = listed;
    }
    return newest;
  }
  for (const auto& entry : entries) {
    const std::int64_t time = entry.folder ? -1 : SessionFileTime(entry.name);
    if (time > newest.time) {
      newest.time = time;
      newest.name = entry.name;
    }
  }
  return newest;
}

}  // namespace

std::span<const ChromiumBrowser> ChromiumBrowsers() {
  return kBrowsers;
}

std::filesystem::path UnderFolder(std::filesystem::path folder, std::string_view relative) {
  for (std::string_view rest = relative; !rest.empty();) {
    const auto slash = rest.find('/');
    folder /= PathFromUtf8(rest.substr(0, slash));
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
  }
  return folder;
}

std::filesystem::path UserDataFolder(const ChromiumBrowser& browser,
                                     const std::filesystem::path& localAppData,
                                     const std::filesystem::path& roamingAppData) {
  return UnderFolder(browser.base == AppDataFolder::kLocal ? localAppData : roamingAppData,
                     browser.userData);
}

std::int64_t SessionFileTime(std::string_view name) {
  constexpr std::string_view kPrefix = "Session_";
  if (!name.starts_with(kPrefix)) return -1;
  const std::string_view digits = name.substr(kPrefix.size());
  // Decimal digits only: from_chars would take a sign.
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return -1;
  }
  std::int64_t time = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), time);
  if (error != std::errc() || end != digits.data() + digits.size()) return -1;
  return time;
}

SessionFileChoice FindSessionFile(platform::FileSystem& files,
                                  const std::filesystem::path& profileFolder) {
  SessionFileChoice choice;
  const auto plainFolder = profileFolder / "Sessions";
  const auto encryptedFolder = profileFolder / "Sessions_Encrypted";
  const Newest plain = NewestSessionFile(files, plainFolder);
  const Newest encrypted = NewestSessionFile(files, encryptedFolder);
  if (plain.problem) {
    // What the plain folder holds is unknown: no answer is better than a wrong one.
    choice.problem = plain.problem;
    return choice;
  }
  if (encrypted.time >= 0 && encrypted.time - plain.time > kSameSessionMicroseconds) {
    // Nothing plain, or only a file older than the encrypted one: the current session cannot
    // be read. The legacy file is older than any Session_<T> file, so it is no way out either.
    choice.problem = BrowserFileError::kOnlyEncrypted;
    choice.encryptedPath = encryptedFolder / PathFromUtf8(encrypted.name);
    return choice;
  }
  if (plain.time >= 0) {
    choice.path = plainFolder / PathFromUtf8(plain.name);
    choice.time = plain.time;
    return choice;
  }
  std::error_code probeError;
  const auto legacy = profileFolder / "Current Session";
  if (files.Probe(legacy, probeError) == platform::PathKind::kFile) {
    choice.path = legacy;
    return choice;
  }
  choice.problem = probeError          ? probeError
                   : encrypted.problem ? encrypted.problem
                                       : make_error_code(BrowserFileError::kNoSessionFile);
  return choice;
}

ChromiumSessionReading ReadChromiumSessionFile(platform::FileSystem& files,
                                               const std::filesystem::path& path) {
  std::string bytes;
  if (auto error = files.ReadWholeFile(path, kChromiumSessionLimit, bytes)) {
    ChromiumSessionReading reading;
    reading.problem = error == platform::FileError::kTooLarge
                          ? make_error_code(BrowserFileError::kTooLarge)
                          : error;
    return reading;
  }
  return ReadChromiumSession(bytes);
}

namespace {

// A JSON file's bytes, or the reason it has none; kTooLarge as the browsers' own error.
std::error_code ReadJson(platform::FileSystem& files, const std::filesystem::path& path,
                         std::string& bytes) {
  const std::error_code error = files.ReadWholeFile(path, kChromiumJsonLimit, bytes);
  if (error == platform::FileError::kTooLarge) return BrowserFileError::kTooLarge;
  return error;
}

}  // namespace

ProfilesReading ReadLocalState(platform::FileSystem& files,
                               const std::filesystem::path& userDataFolder) {
  std::string bytes;
  if (auto error = ReadJson(files, userDataFolder / "Local State", bytes)) {
    ProfilesReading reading;
    reading.problem = error;
    return reading;
  }
  return ParseLocalState(bytes);
}

ExitReading ReadPreferences(platform::FileSystem& files,
                            const std::filesystem::path& profileFolder) {
  std::string bytes;
  if (auto error = ReadJson(files, profileFolder / "Preferences", bytes)) {
    ExitReading reading;
    reading.problem = error;
    return reading;
  }
  return ParsePreferences(bytes);
}

}  // namespace pagemind::browsers
