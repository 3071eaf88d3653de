#include "browsers/chromium_profile.h"

#include <exception>
#include <nlohmann/json.hpp>

#include "browsers/browser_errors.h"

namespace pagemind::browsers {

namespace {

using nlohmann::json;

// The whole document, or a discarded value when it is not JSON. No exception: the parser is
// told not to throw, and what could still throw (memory) is caught.
json Parse(std::string_view text, std::error_code& problem) {
  if (text.size() > kChromiumJsonLimit) {
    problem = BrowserFileError::kTooLarge;
    return json(json::value_t::discarded);
  }
  json document;
  try {
    document = json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
  } catch (const std::exception&) {
    document = json(json::value_t::discarded);
  }
  if (document.is_discarded()) problem = BrowserFileError::kNotJson;
  return document;
}

// The value at a path of object keys, or null with the problem set.
const json* Find(const json& document, std::initializer_list<const char*> path,
                 std::error_code& problem) {
  const json* at = &document;
  for (const char* key : path) {
    if (!at->is_object()) {
      problem = BrowserFileError::kWrongType;
      return nullptr;
    }
    const auto found = at->find(key);
    if (found == at->end()) {
      problem = BrowserFileError::kMissingKey;
      return nullptr;
    }
    at = &*found;
  }
  return at;
}

}  // namespace

ProfilesReading ParseLocalState(std::string_view text) {
  ProfilesReading reading;
  const json document = Parse(text, reading.problem);
  if (reading.problem) return reading;
  const json* cache = Find(document, {"profile", "info_cache"}, reading.problem);
  if (cache == nullptr) return reading;
  if (!cache->is_object()) {
    reading.problem = BrowserFileError::kWrongType;
    return reading;
  }
  for (const auto& [folder, entry] : cache->items()) {
    ChromiumProfile& profile = reading.profiles.emplace_back();
    profile.folder = folder;
    std::error_code problem;
    const json* name = Find(entry, {"name"}, problem);
    if (name != nullptr && name->is_string()) {
      profile.name = name->get_ref<const std::string&>();
    } else if (!reading.problem) {
      reading.problem = problem ? problem : make_error_code(BrowserFileError::kWrongType);
    }
  }
  return reading;
}

ExitReading ParsePreferences(std::string_view text) {
  ExitReading reading;
  const json document = Parse(text, reading.problem);
  if (reading.problem) return reading;
  const json* exitType = Find(document, {"profile", "exit_type"}, reading.problem);
  if (exitType == nullptr) return reading;
  if (!exitType->is_string()) {
    reading.problem = BrowserFileError::kWrongType;
    return reading;
  }
  const auto& value = exitType->get_ref<const std::string&>();
  if (value == "Normal") {
    reading.end = BrowserEnd::kNormal;
  } else if (value == "Crashed") {
    reading.end = BrowserEnd::kCrashed;
  } else if (value == "SessionEnded") {
    reading.end = BrowserEnd::kSessionEnded;
  } else {
    reading.problem = BrowserFileError::kUnknownValue;
  }
  return reading;
}

}  // namespace pagemind::browsers
