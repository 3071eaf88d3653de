// Reading a Chromium-family browser's session: the file as the browser writes it for 300 tabs
// in 20 windows, each tab with the history the browser keeps (up to 6 entries each side of
// the current one), titles and page states. Aim: under 5 ms.
#include <benchmark/benchmark.h>

#include <string>

#include "browsers/chromium_files.h"
#include "browsers/chromium_session.h"
#include "browsers/snss_writer.h"
#include "platform/native.h"
#include "test_support.h"

namespace {

using pagemind::testing::SnssWriter;

std::string ThreeHundredTabs() {
  SnssWriter file;
  std::int32_t tab = 1000;
  for (std::int32_t window = 1; window <= 20; ++window) {
    file.WindowType(window, 0);
    for (std::int32_t place = 0; place < 15; ++place, ++tab) {
      file.TabWindow(window, tab).TabIndex(tab, place);
      for (std::int32_t entry = 0; entry < 7; ++entry) {
        const std::string address = "https://www.example.com/section/" + std::to_string(tab) +
                                    "/article-" + std::to_string(entry) +
                                    "?utm=" + std::string(40, 'q');
        file.Navigation(tab, entry, address,
                        u"日本語のページの題名 — Example News " + std::u16string(20, u'x'));
      }
      file.SelectedNavigation(tab, 6);
    }
    file.SelectedTab(window, 3);
  }
  file.Marker();
  // What a running browser appends after its snapshot: navigations and tab switches.
  for (std::int32_t i = 0; i < 200; ++i) {
    file.Navigation(1000 + i, 7, "https://www.example.com/later/" + std::to_string(i), u"Later");
    file.SelectedNavigation(1000 + i, 7).SelectedTab(1 + i % 20, i % 15);
  }
  return file.bytes();
}

void BM_ReadChromiumSession300Tabs(benchmark::State& state) {
  const std::string bytes = ThreeHundredTabs();
  for (auto _ : state) {
    const auto reading = pagemind::browsers::ReadChromiumSession(bytes);
    if (reading.session.windows.size() != 20) state.SkipWithError("not 20 windows");
    benchmark::DoNotOptimize(reading);
  }
  state.SetLabel(std::to_string(bytes.size() / 1024) + " KB, 20 windows, 300 tabs");
}
BENCHMARK(BM_ReadChromiumSession300Tabs)->Unit(benchmark::kMicrosecond);

// The same from the disk: the file found among its folder's entries, read and parsed.
void BM_FindAndReadChromiumSession300Tabs(benchmark::State& state) {
  pagemind::testing::TempFolder profile;
  std::filesystem::create_directory(profile.path() / "Sessions");
  pagemind::testing::WriteBytes(profile.path() / "Sessions" / "Session_13441198976082094",
                                ThreeHundredTabs());
  pagemind::testing::WriteBytes(profile.path() / "Sessions" / "Tabs_13441198976082094", "");
  const auto files = pagemind::platform::MakeFileSystem();
  for (auto _ : state) {
    const auto choice = pagemind::browsers::FindSessionFile(*files, profile.path());
    const auto reading = pagemind::browsers::ReadChromiumSessionFile(*files, choice.path);
    if (reading.session.windows.size() != 20) state.SkipWithError("not 20 windows");
    benchmark::DoNotOptimize(reading);
  }
}
BENCHMARK(BM_FindAndReadChromiumSession300Tabs)->Unit(benchmark::kMicrosecond);

}  // namespace
