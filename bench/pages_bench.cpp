// The poller's tick and the reopen command's own work, on the scripted shell: the figures are
// the program's cost per call without the real shell's COM round trips.
#include <benchmark/benchmark.h>

#include <string>

#include "pages/poller.h"
#include "pages/reopen.h"
#include "platform/headless/scripted_shell.h"

namespace {

using pagemind::pages::AccessLogLines;
using pagemind::pages::PageSlots;
using pagemind::pages::Poller;
using pagemind::platform::headless::ScriptedShell;

// A list that keeps its size bounded like the real one, so the measurement is the tick's.
struct BoundedLog final : AccessLogLines {
  void InsertAtTop(std::string_view line) override {
    benchmark::DoNotOptimize(line.data());
    ++lines;
  }
  void Clear() override { lines = 0; }
  void SetCounter(std::string_view text) override { benchmark::DoNotOptimize(text.data()); }
  std::size_t lines = 0;
};

void BM_PollerTick(benchmark::State& state) {
  ScriptedShell shell;
  for (int i = 0; i < state.range(0); ++i) {
    shell.Open("http://127.0.0.1/page/" + std::to_string(i) + "?q=" + std::string(60, 'x'),
               "Title " + std::to_string(i));
  }
  PageSlots slots;
  int index = 0;
  BoundedLog log;
  Poller poller(shell, slots, index, log);
  for (auto _ : state) {
    poller.Timer1_Timer();
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
    benchmark::DoNotOptimize(reopener.CommandPagemind_Click(slots));
  }
  state.SetLabel("31 slots");
}
BENCHMARK(BM_ReopenAllSlots);

}  // namespace
