// The access-log file from list lines that hold anything a page title or address can hold.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "access_log/access_log.h"
#include "platform/native.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const auto ansi = pagemind::platform::MakeAnsiCodec();
  std::vector<std::string> lines(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      lines.emplace_back();
    } else {
      lines.back() += static_cast<char>(data[i]);
    }
  }
  const auto bytes = pagemind::access_log::FileBytes(
      [&](std::size_t i) { return i < lines.size() ? lines[i] : std::string(); }, *ansi);
  std::size_t written = 0;
  while (written < lines.size() && !lines[written].empty()) ++written;
  std::size_t breaks = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (bytes[i] == '\r' && bytes[i + 1] == '\n') ++breaks;
  }
  // Every written line ends in CR LF; a line's own breaks may add more, never fewer.
  if (breaks < written) __builtin_trap();
  return 0;
}
