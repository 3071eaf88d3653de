#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "browsers/browser_session.h"

namespace pagemind::browsers {

// One Firefox profile named in profiles.ini.
struct FirefoxProfile {
  std::string name;              // Name=, as the profile manager shows it
  std::filesystem::path folder;  // Path=, resolved against the ini's folder when IsRelative=1
  bool isDefault = false;        // an installation starts with it
  bool operator==(const FirefoxProfile&) const = default;
};

// Reads profiles.ini (UTF-8, as Firefox writes it) found in `iniFolder`: every [ProfileN]
// section with a Path, in the file's order. The default is what an [Install...] section's
// Default= names; with no such section, the profile marked Default=1. Section and key names
// match exactly, as Firefox's own parser matches them. Never throws (empty on no memory).
std::vector<FirefoxProfile> ParseFirefoxProfilesIni(
    std::string_view text, const std::filesystem::path& iniFolder) noexcept;

// How Firefox's last run of a profile ended, from its sessionCheckpoints.json: kNormal when
// "sessionstore-final-state-write-complete" is true. Firefox rewrites the file as a run passes
// its checkpoints, so a file without that flag (kCrashed) means a crash only once Firefox has
// ended. kUnknown when the text is not a JSON object.
BrowserEnd ParseFirefoxCheckpoints(std::string_view json) noexcept;

}  // namespace pagemind::browsers
