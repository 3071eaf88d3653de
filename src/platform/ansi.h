#pragma once

#include <string>
#include <string_view>

namespace pagemind::platform {

// The system's ANSI code page (932 on a Japanese system): texts leave the program in it (slot
// files, the saved access log, the tray tip) and come back through it.
class AnsiCodec {
 public:
  virtual ~AnsiCodec() = default;
  // Characters the code page cannot hold become '?'.
  [[nodiscard]] virtual std::string ToAnsi(std::string_view utf8) const = 0;
  // Byte sequences that are not valid in the code page become U+FFFD; never fails.
  [[nodiscard]] virtual std::string FromAnsi(std::string_view ansi) const = 0;
  // True when every character of the text travels through the code page and comes back as
  // itself: none becomes '?', and none a look-alike the code page maps it to (a "best fit",
  // such as U+00A5 YEN SIGN to the backslash's byte in code page 932). Invalid UTF-8 is held
  // by no code page.
  [[nodiscard]] virtual bool CanHold(std::string_view utf8) const = 0;
};

}  // namespace pagemind::platform
