#pragma once

#include <cstdint>

namespace pagemind::platform {

// A moment as the calendar on the user's desktop shows it.
struct LocalTime {
  int year = 0;
  int month = 0;  // 1 … 12
  int day = 0;
  int hour = 0;
  int minute = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since 1970-01-01 00:00 UTC: what the program stores, so that a change of the time
  // zone or of summer time between runs moves no stored moment.
  [[nodiscard]] virtual std::int64_t Now() const = 0;
  // The moment in the user's time zone, with the rules that applied at that moment.
  [[nodiscard]] virtual LocalTime ToLocal(std::int64_t seconds) const = 0;
};

}  // namespace pagemind::platform
