// The poller's tick and the reopen command's own work, on the scripted shell: the figures are
// the program's cost per call without the real shell's COM round trips.
#include <benchmark/benchmark.h>

#include <string>

#include "app/access_log_entries.h"
#include "pages/page_choice.h"
#include "pages/page_memory.h"
#include "pages/poller.h"
#include "pages/reopen.h"
#include "platform/headless/files.h"
#include "platform/headless/headless_platform.h"
#include "platform/headless/scripted_shell.h"
#include "platform/native.h"
#include "selection/choice_list.h"
#include "test_support.h"

namespace {

using pagemind::access_log::AccessLog;
using pagemind::pages::PageSlots;
using pagemind::pages::Poller;
using pagemind::platform::headless::ScriptedShell;

void BM_PollerTick(benchmark::State& state) {
  ScriptedShell shell;
  for (int i = 0; i < state.range(0); ++i) {
    shell.Open("http://127.0.0.1/page/" + std::to_string(i) + "?q=" + std::string(60, 'x'),
               "Title " + std::to_string(i));
  }
  // The real log, which keeps its own size bounded, so the figure includes what a tick costs it.
  AccessLog log;
  Poller poller(shell);
  for (auto _ : state) {
    const auto result = poller.Tick();
    pagemind::app::WriteToAccessLog(log, result.view);
    benchmark::DoNotOptimize(result);
    // The scripted shell records each call; keep that record from growing into the figure.
    if (shell.calls.size() > 4096) shell.calls.clear();
  }
  state.SetLabel(std::to_string(state.range(0)) + " windows");
}
BENCHMARK(BM_PollerTick)->Arg(1)->Arg(5)->Arg(40);

void BM_ReopenAllSlots(benchmark::State& state) {
  PageSlots slots;
  for (std::size_t k = 0; k < slots.size(); ++k) {
    slots[k] = "http://127.0.0.1/reopen/" + std::to_string(k);
  }
  for (auto _ : state) {
    ScriptedShell shell;
    pagemind::platform::headless::PosixFileSystem files;
    pagemind::pages::Reopener reopener(shell, files);
    benchmark::DoNotOptimize(reopener.ReopenAll(slots));
  }
  state.SetLabel("31 slots");
}
BENCHMARK(BM_ReopenAllSlots);

}  // namespace

namespace {

// The page memory's recovery copy: one write of 20 pages, replaced and flushed, and the writes
// that an idle minute with 20 browser windows open makes (ticks every 100 ms, the copy asked
// for every second, as the main window's timers do).
// A run of the program with 20 browser windows open, one full cycle after its start.
struct TwentyWindows {
  TwentyWindows() {
    (void)memory.EnsureFolder();
    (void)memory.Load();
    for (int i = 0; i < 20; ++i) shell.Open("http://127.0.0.1/page/" + std::to_string(i), "T");
    for (int t = 0; t < 31; ++t) memory.Tick();
  }
  pagemind::testing::TempFolder folder;
  std::unique_ptr<pagemind::platform::FileSystem> files = pagemind::platform::MakeFileSystem();
  std::unique_ptr<pagemind::platform::AnsiCodec> ansi = pagemind::platform::MakeAnsiCodec();
  pagemind::platform::headless::HeadlessClock clock;
  ScriptedShell shell;
  pagemind::pages::PageMemory memory{*files, shell, *ansi, clock, folder.path()};
};

void BM_RecoveryCopyWrite(benchmark::State& state) {
  TwentyWindows run;
  int round = 0;
  for (auto _ : state) {
    // A window's page moves on, so that every write has something new to keep.
    run.shell.windows[0]->url = "http://127.0.0.1/moved/" + std::to_string(round++);
    for (int t = 0; t < 31; ++t) run.memory.Tick();
    run.memory.WriteRecoveryIfChanged();
  }
  state.SetLabel("20 pages, flushed, with 31 ticks");
}
BENCHMARK(BM_RecoveryCopyWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RecoveryCopyIdleMinute(benchmark::State& state) {
  int writes = 0;
  for (auto _ : state) {
    TwentyWindows run;
    run.memory.WriteRecoveryIfChanged();
    const int before = run.memory.recoveryWrites();
    for (int second = 0; second < 60; ++second) {
      for (int t = 0; t < 10; ++t) run.memory.Tick();
      run.memory.WriteRecoveryIfChanged();
    }
    writes = run.memory.recoveryWrites() - before;
  }
  state.counters["writes_in_idle_minute"] = writes;
}
BENCHMARK(BM_RecoveryCopyIdleMinute)->Unit(benchmark::kMillisecond)->Iterations(3);

// The selection window's list for a full history: the pages remembered now and ten sets, all
// 31 pages with titles, as the window builds it before handing it to the list control.
void BM_ChoiceListFullHistory(benchmark::State& state) {
  pagemind::platform::headless::HeadlessClock clock;
  std::vector<pagemind::pages::RememberedPage> current;
  std::vector<pagemind::pages::PageSet> history(10);
  for (int i = 0; i < 31; ++i) {
    const auto page = "http://127.0.0.1/page/" + std::to_string(i) + "?q=検索";
    current.push_back({page, "ページの題名 " + std::to_string(i)});
  }
  for (std::size_t s = 0; s < history.size(); ++s) {
    history[s] = {.time = clock.now - static_cast<std::int64_t>(s) * 3600, .pages = current};
  }
  std::size_t rows = 0;
  for (auto _ : state) {
    const auto list =
        pagemind::selection::MakeChoiceList(pagemind::pages::ChoiceSets(current, history), clock);
    rows = list.rows.size();
    benchmark::DoNotOptimize(list.rows.data());
  }
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_ChoiceListFullHistory)->Unit(benchmark::kMicrosecond);

}  // namespace
