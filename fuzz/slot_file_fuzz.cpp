// A slot file's bytes, whatever a crash, a hand edit or another program left in it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "pages/page_slots.h"
#include "platform/native.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const auto ansi = pagemind::platform::MakeAnsiCodec();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string address = pagemind::pages::DecodeSlotFile(bytes, *ansi);
  // Whatever came in, what the program writes back must read back the same.
  const std::string saved = pagemind::pages::EncodeSlotFile(address, *ansi);
  const std::string again = pagemind::pages::DecodeSlotFile(saved, *ansi);
  if (pagemind::pages::EncodeSlotFile(again, *ansi) != saved && !saved.ends_with('\n') &&
      !saved.ends_with('\r')) {
    __builtin_trap();
  }
  return 0;
}
