#pragma once

#include <filesystem>
#include <string_view>

#include "platform/profile.h"

namespace pagemind::settings {

inline constexpr std::string_view kSectionSettings = "Settings";
inline constexpr std::string_view kKeyLogo = "Logo";
inline constexpr std::string_view kKeyLog = "Log";
inline constexpr std::string_view kKeyBrowsers = "Browsers";
inline constexpr std::string_view kSectionDebug = "Debug";
inline constexpr std::string_view kKeyDebugMode = "DebugMode";

// Pagemind.ini in the program folder. Each window reads it afresh when it loads and keeps what it
// read itself; only 0 and 1 mean anything, every other value falls to the reader's "other" case.
class SettingsFile {
 public:
  SettingsFile(platform::Profile& profile, const std::filesystem::path& programFolder);

  [[nodiscard]] int Logo() const;       // 1 when missing
  [[nodiscard]] int Log() const;        // 1 when missing
  [[nodiscard]] int DebugMode() const;  // 0 when missing
  // Whether the browsers' own session files are watched; 1 when missing.
  [[nodiscard]] int Browsers() const;

  // The settings window's OK writes "Logo" first, then "Log", each as "1" or "0".
  void WriteLogo(bool on) const;
  void WriteLog(bool on) const;

 private:
  platform::Profile& profile_;
  std::filesystem::path path_;
};

// The splash window is hidden only by exactly 0.
[[nodiscard]] constexpr bool SplashShown(int logo) {
  return logo != 0;
}
// Watching the browsers' files is off only for exactly 0: it is what the program is for on a
// desktop without Internet Explorer.
[[nodiscard]] constexpr bool WatchesBrowsers(int browsers) {
  return browsers != 0;
}
// Page memory and the debug indicators are on only for exactly 1.
[[nodiscard]] constexpr bool SwitchedOn(int value) {
  return value == 1;
}

}  // namespace pagemind::settings
