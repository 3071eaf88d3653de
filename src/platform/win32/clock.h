#pragma once

#include "platform/clock.h"

namespace pagemind::platform::win32 {

class SystemClock final : public Clock {
 public:
  [[nodiscard]] std::int64_t Now() const override;
  [[nodiscard]] LocalTime ToLocal(std::int64_t seconds) const override;
};

}  // namespace pagemind::platform::win32
