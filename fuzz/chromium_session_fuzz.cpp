// A Chromium session file's bytes, whatever a torn write, a damaged disk or another browser of
// the family left in it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "browsers/browser_errors.h"
#include "browsers/chromium_session.h"
#include "browsers/snss_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pagemind::browsers;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const ChromiumSessionReading reading = ReadChromiumSession(bytes);
  // A reading that kept nothing has no windows; every window it gives has a tab, and its
  // selection names one of them; every text is valid UTF-8.
  if (!KeptWhatWasRead(reading.problem) && !reading.session.windows.empty()) __builtin_trap();
  for (const SessionWindow& window : reading.session.windows) {
    if (window.tabs.empty() || window.selectedTab >= window.tabs.size()) __builtin_trap();
    for (const SessionTab& tab : window.tabs) {
      if (ValidUtf8(tab.address) != tab.address || ValidUtf8(tab.title) != tab.title) {
        __builtin_trap();
      }
    }
  }
  return 0;
}
