#include "platform/win32/clock.h"

#include <windows.h>

namespace pagemind::platform::win32 {

namespace {
// FILETIME counts 100 ns from 1601-01-01 UTC.
constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
}  // namespace

std::int64_t SystemClock::Now() const {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER ticks{};
  ticks.LowPart = now.dwLowDateTime;
  ticks.HighPart = now.dwHighDateTime;
  return static_cast<std::int64_t>(ticks.QuadPart / kTicksPerSecond) - kSecondsFrom1601To1970;
}

LocalTime SystemClock::ToLocal(std::int64_t seconds) const {
  ULARGE_INTEGER ticks{};
  ticks.QuadPart = static_cast<ULONGLONG>((seconds + kSecondsFrom1601To1970) * kTicksPerSecond);
  const FILETIME moment{ticks.LowPart, ticks.HighPart};
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  if (!::FileTimeToSystemTime(&moment, &utc)) return {};
  // Unlike FileTimeToLocalFileTime, this applies the summer-time rule of the moment itself.
  if (!::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
  return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute};
}

}  // namespace pagemind::platform::win32
