#include "browsers/firefox_profiles.h"

#include <nlohmann/json.hpp>

#include "common/paths.h"

namespace pagemind::browsers {

namespace {

std::string_view Trimmed(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string SlashesForward(std::string_view path) {
  std::string out(path);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

struct Section {
  std::string name;
  std::string profileName;
  std::string path;
  bool isRelative = false;
  bool isDefault = false;  // Default=1 in a profile section; the path it names in an install's
  std::string installDefault;
};

std::vector<Section> ReadSections(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<Section> sections;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      if (close == std::string_view::npos) continue;
      sections.emplace_back().name = Trimmed(line.substr(1, close - 1));
      continue;
    }
    const std::size_t equals = line.find('=');
    if (sections.empty() || equals == std::string_view::npos) continue;
    const std::string_view key = Trimmed(line.substr(0, equals));
    const std::string_view value = Trimmed(line.substr(equals + 1));
    Section& section = sections.back();
    if (key == "Name") section.profileName = value;
    if (key == "Path") section.path = value;
    if (key == "IsRelative") section.isRelative = value == "1";
    if (key == "Default") {
      section.isDefault = value == "1";
      section.installDefault = value;
    }
  }
  return sections;
}

}  // namespace

std::vector<FirefoxProfile> ParseFirefoxProfilesIni(
    std::string_view text, const std::filesystem::path& iniFolder) noexcept {
  try {
    const std::vector<Section> sections = ReadSections(text);
    std::vector<std::string> installDefaults;
    for (const Section& s : sections) {
      if (s.name.starts_with("Install") && !s.installDefault.empty()) {
        installDefaults.push_back(SlashesForward(s.installDefault));
      }
    }
    std::vector<FirefoxProfile> profiles;
    for (const Section& s : sections) {
      if (!s.name.starts_with("Profile") || s.path.empty()) continue;
      FirefoxProfile profile;
      profile.name = s.profileName;
      std::filesystem::path path = PathFromUtf8(s.path);
      profile.folder = s.isRelative ? (iniFolder / path).make_preferred() : path;
      if (installDefaults.empty()) {
        profile.isDefault = s.isDefault;
      } else {
        const std::string mine = SlashesForward(s.path);
        for (const std::string& d : installDefaults)
          profile.isDefault = profile.isDefault || d == mine;
      }
      profiles.push_back(std::move(profile));
    }
    return profiles;
  } catch (...) {
    return {};
  }
}

BrowserEnd ParseFirefoxCheckpoints(std::string_view json) noexcept {
  try {
    const nlohmann::json checkpoints = nlohmann::json::parse(json, nullptr, false);
    if (!checkpoints.is_object()) return BrowserEnd::kUnknown;
    const auto flag = checkpoints.find("sessionstore-final-state-write-complete");
    const bool clean = flag != checkpoints.end() && flag->is_boolean() && flag->get<bool>();
    return clean ? BrowserEnd::kNormal : BrowserEnd::kCrashed;
  } catch (...) {
    return BrowserEnd::kUnknown;
  }
}

}  // namespace pagemind::browsers
