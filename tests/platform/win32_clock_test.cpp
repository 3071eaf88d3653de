#ifdef _WIN32

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "platform/win32/clock.h"

namespace pagemind::platform::win32 {
namespace {

TEST(Win32Clock, NowCountsFrom1970AsTheCRuntimeDoes) {
  const SystemClock clock;
  const auto before = static_cast<std::int64_t>(std::time(nullptr));
  const auto now = clock.Now();
  const auto after = static_cast<std::int64_t>(std::time(nullptr));
  EXPECT_GE(now, before);
  EXPECT_LE(now, after);
}

// The moments of a winter and a summer day, each as the C runtime's local time has it: the same
// zone and the same summer-time rule, whatever the machine's zone is. The runtime takes a TZ
// variable before the system's zone (and Wine passes the host's on), so it is told to use the
// system's.
TEST(Win32Clock, LocalTimeFollowsTheSystemsZoneAtEachMoment) {
  ASSERT_EQ(_putenv("TZ="), 0);
  _tzset();
  const SystemClock clock;
  for (const std::int64_t moment :
       {std::int64_t{1'796'601'600}, std::int64_t{1'784'000'000}, std::int64_t{0} + 86'400 * 365}) {
    const auto seconds = static_cast<std::time_t>(moment);
    std::tm expected{};
    ASSERT_EQ(localtime_s(&expected, &seconds), 0);
    const auto local = clock.ToLocal(moment);
    EXPECT_EQ(local.year, expected.tm_year + 1900) << moment;
    EXPECT_EQ(local.month, expected.tm_mon + 1) << moment;
    EXPECT_EQ(local.day, expected.tm_mday) << moment;
    EXPECT_EQ(local.hour, expected.tm_hour) << moment;
    EXPECT_EQ(local.minute, expected.tm_min) << moment;
  }
}

}  // namespace
}  // namespace pagemind::platform::win32

#endif  // _WIN32
