#include "browsers/firefox_reader.h"

#include <string>

#include "browsers/firefox_error.h"
#include "browsers/firefox_mozlz4.h"

namespace pagemind::browsers {

namespace {

// profiles.ini and sessionCheckpoints.json are a few hundred bytes; anything near this is not
// theirs.
constexpr std::size_t kMaxSmallFileBytes = std::size_t{1} << 20;

bool IsMissing(platform::FileSystem& files, const std::filesystem::path& path) {
  std::error_code probeError;
  return files.Probe(path, probeError) == platform::PathKind::kNothing && !probeError;
}

}  // namespace

std::filesystem::path FirefoxProfilesIniPath(const std::filesystem::path& roamingAppData) {
  return roamingAppData / "Mozilla" / "Firefox" / "profiles.ini";
}

FirefoxProfiles ReadFirefoxProfiles(platform::FileSystem& files,
                                    const std::filesystem::path& iniFile) noexcept {
  FirefoxProfiles result;
  try {
    std::string text;
    result.error = files.ReadWholeFile(iniFile, kMaxSmallFileBytes, text);
    if (!result.error) result.profiles = ParseFirefoxProfilesIni(text, iniFile.parent_path());
  } catch (...) {
    result.error = FirefoxError::kOutOfMemory;
  }
  return result;
}

BrowserEnd ReadFirefoxEnd(platform::FileSystem& files,
                          const std::filesystem::path& profileFolder) noexcept {
  try {
    std::string text;
    if (files.ReadWholeFile(profileFolder / "sessionCheckpoints.json", kMaxSmallFileBytes, text)) {
      return BrowserEnd::kUnknown;
    }
    return ParseFirefoxCheckpoints(text);
  } catch (...) {
    return BrowserEnd::kUnknown;
  }
}

FirefoxSessionParse ReadFirefoxSessionFile(platform::FileSystem& files,
                                           const std::filesystem::path& file) noexcept {
  FirefoxSessionParse result;
  try {
    std::string compressed;
    result.error = files.ReadWholeFile(file, kMozLz4MaxFileBytes, compressed);
    if (result.error == platform::FileError::kTooLarge) result.error = FirefoxError::kFileTooLarge;
    if (result.error) return result;
    std::string json;
    result.error = DecodeMozLz4(compressed, json);
    if (result.error) return result;
    compressed = std::string();  // the decoded JSON is several times larger: free this first
    return ParseFirefoxSession(json);
  } catch (...) {
    result = FirefoxSessionParse();
    result.error = FirefoxError::kOutOfMemory;
    return result;
  }
}

FirefoxProfileSession ReadFirefoxProfileSession(
    platform::FileSystem& files, const std::filesystem::path& profileFolder) noexcept {
  FirefoxProfileSession result;
  try {
    result.end = ReadFirefoxEnd(files, profileFolder);
    const std::filesystem::path backups = profileFolder / "sessionstore-backups";
    const std::filesystem::path candidates[] = {profileFolder / "sessionstore.jsonlz4",
                                                backups / "recovery.jsonlz4",
                                                backups / "recovery.baklz4"};
    for (const std::filesystem::path& file : candidates) {
      FirefoxSessionParse parse = ReadFirefoxSessionFile(files, file);
      if (!parse.error) {
        result.session = std::move(parse.session);
        result.file = file;
        result.error.clear();
        return result;
      }
      if (parse.error.category() != FirefoxErrorCategory() && IsMissing(files, file)) continue;
      result.faults.push_back({file, parse.error, parse.errorOffset});
      result.error = parse.error;
    }
    if (result.faults.empty()) result.error = FirefoxError::kNoSessionFile;
  } catch (...) {
    result.session = FirefoxSession();
    result.file.clear();
    result.error = FirefoxError::kOutOfMemory;
  }
  return result;
}

}  // namespace pagemind::browsers
