// The recovery copy's bytes, whatever a kill, a power cut, an editor or another program left.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pages/page_slots.h"
#include "pages/recovery_copy.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pagemind::pages;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto read = ParseRecoveryCopy(bytes);
  if (read.pages.size() > static_cast<std::size_t>(kSlotCount)) __builtin_trap();
  // The pages as the memory records them, written again: the next start must read them all,
  // and writing what it read must give the same bytes.
  std::vector<std::string> recorded;
  for (const auto& page : read.pages) recorded.push_back(RecordedAddress(page));
  const auto written = RecoveryCopyBytes(recorded);
  if (written.size() > kRecoveryCopyLimit) __builtin_trap();
  const auto again = ParseRecoveryCopy(written);
  if (again.problem || again.pages.size() != recorded.size()) __builtin_trap();
  if (RecoveryCopyBytes(again.pages) != written) __builtin_trap();
  // The browsers' sets read, written again with the pages (far below the room for them): all
  // of them read back, and writing them once more gives the same bytes.
  if (read.browserSets.empty()) return 0;
  const auto withSets = RecoveryCopyBytes(recorded, read.browserSets);
  const auto setsAgain = ParseRecoveryCopy(withSets);
  if (setsAgain.problem || setsAgain.pages != again.pages ||
      setsAgain.browserSets.size() != read.browserSets.size()) {
    __builtin_trap();
  }
  if (RecoveryCopyBytes(setsAgain.pages, setsAgain.browserSets) != withSets) __builtin_trap();
  return 0;
}
