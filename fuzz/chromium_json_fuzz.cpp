// The bytes of a Chromium-family browser's Local State or Preferences, whatever a torn write or
// another program left there: the readers answer with a problem, never with an exception.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "browsers/chromium_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pagemind::browsers;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // A profile is listed only under its folder's name, which is never missing.
  for (const ChromiumProfile& profile : ParseLocalState(bytes).profiles) {
    if (profile.folder.size() > size) __builtin_trap();
  }
  // An exit type is either known or the reason it is not is given.
  const ExitReading exit = ParsePreferences(bytes);
  if ((exit.end == BrowserEnd::kUnknown) == !exit.problem) __builtin_trap();
  return 0;
}
