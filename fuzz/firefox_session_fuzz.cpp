// Whatever lies where Firefox keeps its session: a mozLz40 file, its JSON, profiles.ini and
// sessionCheckpoints.json, damaged, cut short or made up.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "browsers/firefox_mozlz4.h"
#include "browsers/firefox_profiles.h"
#include "browsers/firefox_session.h"

namespace {

// A read that fails keeps nothing; one that succeeds names no fault.
void Check(const pagemind::browsers::FirefoxSessionParse& parse) {
  const auto& s = parse.session;
  const bool empty = s.open.windows.empty() && s.closedWindows.windows.empty() &&
                     s.previous.windows.empty() && s.lastUpdate == 0 && !s.fromRestorePage;
  if (parse.error && !empty) __builtin_trap();
  for (const auto& window : s.open.windows) {
    if (window.tabs.empty() || window.selectedTab >= window.tabs.size()) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string json;
  if (!pagemind::browsers::DecodeMozLz4(bytes, json)) {
    Check(pagemind::browsers::ParseFirefoxSession(json));
  } else if (!json.empty()) {
    __builtin_trap();
  }
  Check(pagemind::browsers::ParseFirefoxSession(bytes));
  (void)pagemind::browsers::ParseFirefoxProfilesIni(bytes, "Firefox");
  (void)pagemind::browsers::ParseFirefoxCheckpoints(bytes);
  return 0;
}
