// The browsers tool's bench: what one visit of the poller to the first window of the shell's
// collection costs, step by step.
#include <exdisp.h>
#include <windows.h>
#include <wrl/client.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "../standin/com_util.h"
#include "browsers.h"
#include "shell_collection.h"
#include "window_tool.h"

namespace browsers {

using namespace e2e_tool;
using Microsoft::WRL::ComPtr;
using standin::Bstr;

// Times ROUNDS visits of the first window as the poller makes them: Count, Item, the item viewed
// as IWebBrowser2, LocationURL, LocationName, and letting go of the item. Prints the median and
// spread of a whole visit and the median of each step, in microseconds.
// With --keep-item the previous round's item is still held when the next Item answers, as the
// poller holds the browser it visited last: COM then reuses that proxy instead of building a new
// one, which under Wine is most of a visit's cost.
int Bench(const std::vector<std::wstring>& args) {
  long rounds = 0;
  if (args.empty() || !ParseInt(args[0], rounds) || rounds < 1) return 2;
  bool keepItem = false;
  bool askKind = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == L"--keep-item") {
      keepItem = true;
    } else if (args[i] == L"--kind") {
      askKind = true;
    } else {
      return 2;
    }
  }
  ComPtr<IDispatch> previous;
  ComPtr<IShellWindows> windows;
  HRESULT hr = CreateShellWindows(windows);
  if (FAILED(hr)) return Failed("creating ShellWindows", hr);
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  constexpr const char* kSteps[] = {"count", "item", "query", "kind", "url", "name", "release"};
  constexpr size_t kStepCount = std::size(kSteps);
  std::vector<double> visits;
  std::vector<std::vector<double>> steps(kStepCount);
  for (long round = 0; round < rounds; ++round) {
    LARGE_INTEGER marks[kStepCount + 1];
    size_t mark = 0;
    const auto stamp = [&] { ::QueryPerformanceCounter(&marks[mark++]); };
    stamp();
    LONG count = 0;
    hr = windows->get_Count(&count);
    stamp();
    if (SUCCEEDED(hr) && count < 1) hr = E_FAIL;
    ComPtr<IDispatch> item;
    ComPtr<IWebBrowser2> browser;
    if (SUCCEEDED(hr)) hr = ItemAt(windows.Get(), 0, item);
    stamp();
    if (SUCCEEDED(hr)) hr = item ? item.As(&browser) : E_POINTER;
    stamp();
    // What pagemind.exe asks to tell a folder window from a browser: the item's window, its
    // top-level ancestor and that window's class.
    if (SUCCEEDED(hr) && askKind) {
      SHANDLE_PTR handle = 0;
      hr = browser->get_HWND(&handle);
      wchar_t name[64] = {};
      // get_HWND hands the window over as an integer.
      const HWND window = reinterpret_cast<HWND>(handle);  // NOLINT(performance-no-int-to-ptr)
      const HWND root = SUCCEEDED(hr) ? ::GetAncestor(window, GA_ROOT) : nullptr;
      if (SUCCEEDED(hr) && (root == nullptr || ::GetClassNameW(root, name, 64) == 0)) hr = E_FAIL;
    }
    stamp();
    Bstr url;
    Bstr name;
    if (SUCCEEDED(hr)) hr = browser->get_LocationURL(url.out());
    stamp();
    if (SUCCEEDED(hr)) hr = browser->get_LocationName(name.out());
    stamp();
    browser.Reset();
    if (keepItem) previous = item;
    item.Reset();
    stamp();
    if (FAILED(hr)) return Failed("round " + std::to_string(round), hr);
    const auto micros = [&](size_t from, size_t to) {
      return static_cast<double>(marks[to].QuadPart - marks[from].QuadPart) * 1e6 /
             static_cast<double>(frequency.QuadPart);
    };
    visits.push_back(micros(0, kStepCount));
    for (size_t i = 0; i < kStepCount; ++i) steps[i].push_back(micros(i, i + 1));
  }
  const auto at = [](std::vector<double>& values, double q) {
    std::sort(values.begin(), values.end());
    return std::to_string(
        static_cast<long>(values[static_cast<size_t>(q * static_cast<double>(values.size() - 1))]));
  };
  std::string line = "rounds=" + std::to_string(rounds) + " median_us=" + at(visits, 0.5) +
                     " p10_us=" + at(visits, 0.1) + " p90_us=" + at(visits, 0.9) +
                     " min_us=" + at(visits, 0.0) + " max_us=" + at(visits, 1.0) +
                     " steps_median_us:";
  for (size_t i = 0; i < kStepCount; ++i)
    line += std::string(" ") + kSteps[i] + "=" + at(steps[i], 0.5);
  Print(line);
  return 0;
}

}  // namespace browsers
