// The slot files and the access-log file on this machine's disk.
#include <benchmark/benchmark.h>

#include <string>

#include "access_log/access_log.h"
#include "pages/page_slots.h"
#include "platform/files.h"
#include "platform/native.h"
#include "test_support.h"

namespace {

using pagemind::pages::PageSlots;

PageSlots TwoKilobyteAddresses() {
  PageSlots slots;
  for (std::size_t k = 0; k < slots.size(); ++k) {
    slots[k] = "http://127.0.0.1/" + std::to_string(k) + "/" + std::string(2048 - 24, 'a');
  }
  return slots;
}

// Each save replaces 31 files, each written beside its target, flushed and renamed.
void BM_SavePageSlots(benchmark::State& state) {
  pagemind::testing::TempFolder folder;
  const auto files = pagemind::platform::MakeFileSystem();
  const auto ansi = pagemind::platform::MakeAnsiCodec();
  const auto slots = TwoKilobyteAddresses();
  for (auto _ : state) {
    auto problems = pagemind::pages::SavePageSlots(*files, folder.path(), *ansi, slots);
    if (!problems.empty()) state.SkipWithError("the save failed");
  }
  state.SetLabel("31 slots of 2 KB, flushed");
}
BENCHMARK(BM_SavePageSlots)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadPageSlots(benchmark::State& state) {
  pagemind::testing::TempFolder folder;
  const auto files = pagemind::platform::MakeFileSystem();
  const auto ansi = pagemind::platform::MakeAnsiCodec();
  const auto slots = TwoKilobyteAddresses();
  for (auto _ : state) {
    state.PauseTiming();
    (void)pagemind::pages::SavePageSlots(*files, folder.path(), *ansi, slots);
    state.ResumeTiming();
    PageSlots loaded;
    auto problems = pagemind::pages::LoadPageSlots(*files, folder.path(), *ansi, loaded);
    if (!problems.empty() || loaded != slots) state.SkipWithError("the load failed");
  }
  state.SetLabel("31 slots of 2 KB, read and deleted");
}
BENCHMARK(BM_LoadPageSlots)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AccessLogSave(benchmark::State& state) {
  pagemind::testing::TempFolder folder;
  const auto files = pagemind::platform::MakeFileSystem();
  const auto ansi = pagemind::platform::MakeAnsiCodec();
  const auto line = [](std::size_t i) {
    return (i % 2 ? " URL:http://127.0.0.1/page/" : "Name:ページの題名 ") + std::to_string(i);
  };
  for (auto _ : state) {
    const auto bytes = pagemind::access_log::FileBytes(line, *ansi);
    if (files->ReplaceFileContents(folder.path() / "log.txt", bytes)) {
      state.SkipWithError("the save failed");
    }
  }
  state.SetLabel("10001 lines, converted and written");
}
BENCHMARK(BM_AccessLogSave)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
