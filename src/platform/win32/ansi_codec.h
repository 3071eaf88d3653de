#pragma once

#include <string>
#include <string_view>

#include "platform/ansi.h"

namespace pagemind::platform::win32 {

// The system's ANSI code page (CP_ACP), read afresh at every call as the system functions do.
class AnsiCodePageCodec final : public AnsiCodec {
 public:
  // A character the code page cannot hold becomes one '?', including a character outside the
  // Basic Multilingual Plane (two UTF-16 units). No best-fit look-alikes: a path or an address
  // must not silently turn into a different one.
  [[nodiscard]] std::string ToAnsi(std::string_view utf8) const override;
  // Invalid byte sequences become U+FFFD, one per byte that cannot start a valid character (a
  // lead byte with an invalid or missing trail byte counts as one). The system's own
  // replacement for them differs between Windows versions and Wine, so it is not relied on.
  [[nodiscard]] std::string FromAnsi(std::string_view ansi) const override;
  // The system's own answer (lpUsedDefaultChar with WC_NO_BEST_FIT_CHARS), and the way back,
  // which no look-alike survives.
  [[nodiscard]] bool CanHold(std::string_view utf8) const override;
};

}  // namespace pagemind::platform::win32
