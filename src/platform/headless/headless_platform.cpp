#include "platform/headless/headless_platform.h"

#include <chrono>

namespace pagemind::platform::headless {

LocalTime HeadlessClock::ToLocal(std::int64_t seconds) const {
  using namespace std::chrono;
  const sys_seconds moment{std::chrono::seconds{seconds + std::int64_t{utcOffsetMinutes} * 60}};
  const auto day = floor<days>(moment);
  const year_month_day date{day};
  const hh_mm_ss time{moment - day};
  return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
          static_cast<int>(static_cast<unsigned>(date.day())),
          static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count())};
}

HeadlessPlatform::HeadlessPlatform(std::filesystem::path programFolder)
    : program(journal, std::move(programFolder)),
      ui(journal),
      profile(MakeIniProfile(&journal, files)),
      ansi(MakeIconvAnsiCodec("CP932")) {
  // Nothing the program posted runs once its process has ended.
  program.onEnd = [this] { ui.DiscardPosted(); };
}

}  // namespace pagemind::platform::headless
