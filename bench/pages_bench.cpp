// The poller's tick and the reopen command's own work, on the scripted shell: the figures are
// the program's cost per call without the real shell's COM round trips.
#include <benchmark/benchmark.h>

#include <string>

#include "pages/poller.h"
#include "pages/reopen.h"
#include "platform/headless/scripted_shell.h"

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
  PageSlots slots;
  // The real log, which keeps its own size bounded, so the figure includes what a tick costs it.
  AccessLog log;
  Poller poller(shell, log);
  for (auto _ : state) {
    poller.Tick(slots);
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
    pagemind::pages::Reopener reopener(shell);
    benchmark::DoNotOptimize(reopener.ReopenAll(slots));
  }
  state.SetLabel("31 slots");
}
BENCHMARK(BM_ReopenAllSlots);

}  // namespace
