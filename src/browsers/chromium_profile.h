#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "browsers/browser_session.h"

namespace pagemind::browsers {

// The JSON files of a Chromium-family browser that name its profiles and tell how each one's
// last run ended. Both are read with a JSON parser that throws nothing: garbage, a wrong type or
// a missing entry is a problem in the result, never an exception.

// Local State grows with the browser's own data (hundreds of KB is usual); Preferences too.
inline constexpr std::size_t kChromiumJsonLimit = 32u << 20;

struct ChromiumProfile {
  std::string folder;  // the profile's folder in User Data: "Default", "Profile 1", ...
  std::string name;    // the name the user sees; "" when the file gives none
  bool operator==(const ChromiumProfile&) const = default;
};

struct ProfilesReading {
  std::vector<ChromiumProfile> profiles;  // in the order of their folder names
  // kTooLarge or kNotJson (no profiles); kMissingKey or kWrongType when profile.info_cache is
  // missing or not an object (no profiles), or when a profile's entry lacks a string `name`
  // (the profile is still listed, with the name "").
  std::error_code problem;
};

// From `<User Data>\Local State`: profile.info_cache, folder name -> { "name": ... }.
ProfilesReading ParseLocalState(std::string_view json);

struct ExitReading {
  BrowserEnd end = BrowserEnd::kUnknown;
  // kTooLarge, kNotJson, kMissingKey, kWrongType, or kUnknownValue for an exit type this
  // reader does not know; `end` is then kUnknown.
  std::error_code problem;
};

// From `<profile>\Preferences`: profile.exit_type. "Crashed" is written at start-up and stays
// while the browser runs, so it means a crash only once the browser has ended.
ExitReading ParsePreferences(std::string_view json);

}  // namespace pagemind::browsers
