#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <system_error>

#include "browsers/chromium_profile.h"
#include "browsers/chromium_session.h"
#include "platform/files.h"

namespace pagemind::browsers {

// Where the Chromium-family browsers keep their files on Windows, which of a profile's session
// files is the current one, and the reading of those files through the FileSystem port: each is
// opened sharing everything and closed at once, as the browser deletes and replaces its files.

enum class AppDataFolder { kLocal, kRoaming };  // %LOCALAPPDATA%, %APPDATA%

struct ChromiumBrowser {
  std::string_view name;  // as the user knows it
  AppDataFolder base;
  std::string_view userData;  // relative to `base`, '/' between its parts
  // The profiles are the folders Local State names; Opera keeps its one profile in the User
  // Data folder itself (or, in newer builds, in its `Default`).
  bool profileInUserData;
  // The key under `Software\Microsoft\Windows\CurrentVersion\App Paths` whose default value is
  // the executable, HKCU first, then HKLM; "" where the key would name another browser.
  std::string_view appPathsKey;
  // The per-user installation's executable, relative to %LOCALAPPDATA%: the fallback when App
  // Paths names none.
  std::string_view userExecutable;
};

// Edge, Chrome, Chromium, Brave, Vivaldi, Opera.
std::span<const ChromiumBrowser> ChromiumBrowsers();

std::filesystem::path UserDataFolder(const ChromiumBrowser& browser,
                                     const std::filesystem::path& localAppData,
                                     const std::filesystem::path& roamingAppData);

// `relative` ("Google/Chrome/User Data"), '/' between its parts, in `folder`.
std::filesystem::path UnderFolder(std::filesystem::path folder, std::string_view relative);

// The decimal T of a file named `Session_<T>` (microseconds since 1601-01-01 UTC), or -1 for
// any other name.
std::int64_t SessionFileTime(std::string_view name);

struct SessionFileChoice {
  std::filesystem::path path;  // the current session file; empty when there is none to read
  std::int64_t time = 0;       // its T; 0 for the older `Current Session`
  // None when `path` is set. kOnlyEncrypted: the newest session exists only in
  // Sessions_Encrypted (its file is `encryptedPath`). kNoSessionFile: the profile has none.
  // Otherwise the system's reason a folder could not be listed.
  std::error_code problem;
  std::filesystem::path encryptedPath;
};

// The files the two folders get for one snapshot lie this close in T (measured with Chromium 156:
// 0.4 to 88 ms apart); a plain file older than the encrypted one by more is left over from
// before.
inline constexpr std::int64_t kSameSessionMicroseconds = 10'000'000;

// The profile's current session file: `Sessions\Session_<T>` of the largest T; without one, the
// older layout's `Current Session` in the profile folder.
SessionFileChoice FindSessionFile(platform::FileSystem& files,
                                  const std::filesystem::path& profileFolder);

// Reads a session file. Beside the reader's own problems: FileError::kHeldOpen while a browser
// on Windows still writes it, the system's reason when it cannot be opened.
ChromiumSessionReading ReadChromiumSessionFile(platform::FileSystem& files,
                                               const std::filesystem::path& path);

// `<User Data>\Local State` and `<profile>\Preferences`, read as the parsers above, with the
// system's reason when the file cannot be read.
ProfilesReading ReadLocalState(platform::FileSystem& files,
                               const std::filesystem::path& userDataFolder);
ExitReading ReadPreferences(platform::FileSystem& files,
                            const std::filesystem::path& profileFolder);

}  // namespace pagemind::browsers
