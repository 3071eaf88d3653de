// What the watch over the Chromium-family browsers costs while nothing happens, at its one
// check a second: twelve profiles across the browsers, each with a session of two windows and
// 17 tabs (Debian's Chromium 156's crash fixture). Idle means the browsers run (each check
// looks at their lockfiles), or they ended and were read already, or none is installed.
// At one check a second, a check's time is its cost per second: aim under 0.1 ms. The first
// check, which reads every profile, for comparison.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "browsers/chromium_files.h"
#include "browsers/chromium_watch.h"
#include "platform/native.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using pagemind::browsers::ChromiumWatch;
using pagemind::browsers::WatchFindings;

const fs::path kProfile = fs::path(PAGEMIND_BROWSER_FIXTURES) / "chromium" / "crash" / "Default";

// Profiles per browser, in the order of ChromiumBrowsers(): Edge, Chrome, Chromium, Brave,
// Vivaldi, Opera (whose one profile is its User Data folder).
constexpr int kProfiles[] = {3, 3, 2, 2, 1, 1};

// The user's folders with every browser installed, not running.
class Installed {
 public:
  Installed() {
    int k = 0;
    for (const auto& browser : pagemind::browsers::ChromiumBrowsers()) {
      const auto userData = pagemind::browsers::UserDataFolder(browser, local(), roaming());
      fs::create_directories(userData);
      userData_.push_back(userData);
      const int profiles = kProfiles[k++];
      if (browser.profileInUserData) {
        fs::copy(kProfile, userData, fs::copy_options::recursive);
        continue;
      }
      std::string cache;
      for (int p = 0; p < profiles; ++p) {
        const std::string folder = p == 0 ? "Default" : "Profile " + std::to_string(p);
        fs::create_directories(userData / folder);
        fs::copy(kProfile, userData / folder, fs::copy_options::recursive);
        if (p > 0) cache += ',';
        cache += "\"" + folder + "\":{\"name\":\"P" + std::to_string(p) + "\"}";
      }
      pagemind::testing::WriteBytes(userData / "Local State",
                                    "{\"profile\":{\"info_cache\":{" + cache + "}}}");
    }
  }
  [[nodiscard]] fs::path local() const { return temp_.path() / "Local"; }
  [[nodiscard]] fs::path roaming() const { return temp_.path() / "Roaming"; }
  void RunAll() const {
    for (const auto& userData : userData_) pagemind::testing::WriteBytes(userData / "lockfile", "");
  }

 private:
  pagemind::testing::TempFolder temp_;
  std::vector<fs::path> userData_;
};

WatchFindings Check(ChromiumWatch& watch) {
  return watch.Check([](std::string_view, std::string_view) { return std::int64_t{0}; });
}

void BM_WatchIdleWhileTheBrowsersRun(benchmark::State& state) {
  const Installed installed;
  installed.RunAll();
  const auto files = pagemind::platform::MakeFileSystem();
  ChromiumWatch watch(*files, installed.local(), installed.roaming());
  for (auto _ : state) {
    const auto findings = Check(watch);
    if (!findings.ended.empty()) state.SkipWithError("a running browser was read");
    benchmark::DoNotOptimize(findings);
  }
  state.SetLabel("12 profiles, 6 browsers running");
}
BENCHMARK(BM_WatchIdleWhileTheBrowsersRun)->Unit(benchmark::kMicrosecond);

void BM_WatchIdleAfterTheEndsWereRead(benchmark::State& state) {
  const Installed installed;
  const auto files = pagemind::platform::MakeFileSystem();
  ChromiumWatch watch(*files, installed.local(), installed.roaming());
  if (Check(watch).ended.size() != 12) state.SkipWithError("not 12 sessions");
  for (auto _ : state) {
    const auto findings = Check(watch);
    if (!findings.ended.empty()) state.SkipWithError("read again");
    benchmark::DoNotOptimize(findings);
  }
  state.SetLabel("12 profiles, 6 browsers ended, read once");
}
BENCHMARK(BM_WatchIdleAfterTheEndsWereRead)->Unit(benchmark::kMicrosecond);

void BM_WatchIdleWithoutABrowser(benchmark::State& state) {
  const pagemind::testing::TempFolder user;
  const auto files = pagemind::platform::MakeFileSystem();
  ChromiumWatch watch(*files, user.path() / "Local", user.path() / "Roaming");
  (void)Check(watch);
  for (auto _ : state) benchmark::DoNotOptimize(Check(watch));
  state.SetLabel("no browser installed");
}
BENCHMARK(BM_WatchIdleWithoutABrowser)->Unit(benchmark::kMicrosecond);

// A fresh watch's first check: every profile's Local State, session file and Preferences.
void BM_WatchFirstCheckReadsTwelveProfiles(benchmark::State& state) {
  const Installed installed;
  const auto files = pagemind::platform::MakeFileSystem();
  for (auto _ : state) {
    ChromiumWatch watch(*files, installed.local(), installed.roaming());
    const auto findings = Check(watch);
    if (findings.ended.size() != 12) state.SkipWithError("not 12 sessions");
    benchmark::DoNotOptimize(findings);
  }
  state.SetLabel("12 profiles of 17 tabs");
}
BENCHMARK(BM_WatchFirstCheckReadsTwelveProfiles)->Unit(benchmark::kMicrosecond);

}  // namespace
