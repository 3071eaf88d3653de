// A history file's bytes, whatever a kill, a power cut, an editor or another program left.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pages/page_history.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pagemind::pages;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto read = ParseHistoryFile(bytes);
  if (read.problem) {
    if (!read.set.pages.empty() || read.number != 0) __builtin_trap();  // damaged as a whole
    return 0;
  }
  const std::size_t pageLimit = read.set.browser ? kBrowserSetPageLimit : kSlotCount;
  if (read.set.pages.size() > pageLimit) __builtin_trap();
  // A set read is one the program could have written: written again, it reads back the same.
  const auto written = HistoryFileBytes(read.set, read.number);
  const auto again = ParseHistoryFile(written);
  if (again.problem || again.number != read.number || again.set.time != read.set.time ||
      again.set.pages.size() != read.set.pages.size()) {
    __builtin_trap();
  }
  if (HistoryFileBytes(again.set, again.number) != written) __builtin_trap();
  return 0;
}
