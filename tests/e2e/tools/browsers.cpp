// browsers: opens Wine's browser on addresses and registers the windows with the shell-window
// stand-in (tests/e2e/standin), reads them back through the shell's collection as pagemind.exe
// does, and inspects the browser frames and pagemind.exe's access log for the end-to-end tests.
//
// Windows are found only on the caller's desktop: set BROWSERS_DESKTOP to the name of a Wine
// virtual desktop (the "e2e" of `explorer /desktop=e2e,...`) to work on that one. Browsers that
// this tool starts open there too, since a new process starts on its creator's thread desktop.
// Texts come in as UTF-16 (GetCommandLineW) and go out as UTF-8, fields separated by tabs.
// Exit status: 0 done/yes, 1 failed/timed out, 2 bad use. The timing of the poller's visits
// (bench) is in browsers_bench.cpp.
#include <exdisp.h>
#include <windows.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "../standin/com_util.h"
#include "../standin/standin_ids.h"
#include "browsers.h"
#include "shell_collection.h"
#include "window_tool.h"

namespace browsers {

void PrintError(const std::string& line) {
  e2e_tool::PrintErrorOf("browsers", line);
}

int Failed(const std::string& what, HRESULT hr) {
  PrintError(what + " failed: " + e2e_tool::HrText(hr));
  return 1;
}

}  // namespace browsers

namespace {

using namespace e2e_tool;
using namespace browsers;
using Microsoft::WRL::ComPtr;
using standin::Bstr;
using standin::ComApartment;
using standin::Variant;

constexpr wchar_t kFrameClass[] = L"IEFrame";
// The address bar of Wine's browser frame: a ComboBoxEx with this control id.
constexpr int kAddressBarId = 1004;

// One line of text from a control, without its own line breaks: fields stay on one line.
std::string Field(std::wstring text) {
  std::replace_if(
      text.begin(), text.end(), [](wchar_t c) { return c == L'\t' || c == L'\r' || c == L'\n'; },
      L' ');
  return ToUtf8(text);
}

std::vector<HWND> BrowserFrames() {
  std::vector<HWND> frames;
  for (HWND hwnd : TopLevelWindows()) {
    if (ClassName(hwnd) == kFrameClass) frames.push_back(hwnd);
  }
  return frames;
}

std::wstring AddressBarText(HWND frame) {
  for (HWND child : Descendants(frame)) {
    if (ClassName(child) == L"ComboBoxEx32" && ::GetDlgCtrlID(child) == kAddressBarId) {
      return WindowText(child);
    }
  }
  return {};
}

// --- subcommands ------------------------------------------------------------------------------

int Open(std::vector<std::wstring> args) {
  bool nameWindow = true;
  if (!args.empty() && args[0] == L"--no-window") {
    nameWindow = false;
    args.erase(args.begin());
  }
  if (args.empty() || args.size() > 2) return 2;
  ComPtr<IWebBrowser2> browser;
  HRESULT hr = ::CoCreateInstance(CLSID_InternetExplorer, nullptr, CLSCTX_LOCAL_SERVER,
                                  IID_PPV_ARGS(&browser));
  if (FAILED(hr)) return Failed("creating a browser", hr);
  Variant address(args[0]);
  Variant none;
  hr = browser->Navigate2(address.get(), none.get(), none.get(), none.get(), none.get());
  if (FAILED(hr)) return Failed("Navigate2", hr);
  hr = browser->put_Visible(VARIANT_TRUE);
  if (FAILED(hr)) return Failed("put_Visible", hr);
  SHANDLE_PTR frameValue = 0;
  hr = browser->get_HWND(&frameValue);
  if (FAILED(hr)) return Failed("get_HWND", hr);
  // get_HWND hands the window over as an integer.
  const HWND frame = reinterpret_cast<HWND>(frameValue);  // NOLINT(performance-no-int-to-ptr)
  if (args.size() == 2) {
    // The frame's caption is where the stand-in finds the page's title.
    DWORD_PTR ignored = 0;
    if (!::SendMessageTimeoutW(frame, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(args[1].c_str()),
                               SMTO_ABORTIFHUNG, 5000, &ignored)) {
      return Failed("setting the frame's title", HRESULT_FROM_WIN32(::GetLastError()));
    }
  }
  ComPtr<IShellWindows> windows;
  hr = CreateShellWindows(windows);
  if (FAILED(hr)) return Failed("creating ShellWindows", hr);
  ComPtr<IDispatch> dispatch;
  hr = browser.As(&dispatch);
  if (FAILED(hr)) return Failed("IDispatch of the browser", hr);
  // The stand-in keeps its own reference to the browser, so this tool may end at once.
  LONG cookie = 0;
  const auto hwndValue = nameWindow ? static_cast<LONG>(reinterpret_cast<LONG_PTR>(frame)) : 0;
  hr = windows->Register(dispatch.Get(), hwndValue, SWC_BROWSER, &cookie);
  if (FAILED(hr)) return Failed("Register", hr);
  Print(std::to_string(cookie) + "\t" + Hex(reinterpret_cast<ULONG_PTR>(frame)));
  return 0;
}

// The stand-in opens the folder window itself: Wine has no File Explorer that registers one.
int OpenFolder(const std::vector<std::wstring>& args) {
  if (args.size() != 1) return 2;
  ComPtr<IShellWindows> windows;
  HRESULT hr = CreateShellWindows(windows);
  if (FAILED(hr)) return Failed("creating ShellWindows", hr);
  Variant location(args[0]);
  Variant none;
  LONG cookie = 0;
  hr = windows->RegisterPending(0, location.get(), none.get(), SWC_EXPLORER, &cookie);
  if (FAILED(hr)) return Failed("RegisterPending", hr);
  Print(std::to_string(cookie));
  return 0;
}

int Revoke(const std::vector<std::wstring>& args) {
  long cookie = 0;
  if (args.size() != 1 || !ParseInt(args[0], cookie)) return 2;
  ComPtr<IShellWindows> windows;
  HRESULT hr = CreateShellWindows(windows);
  if (FAILED(hr)) return Failed("creating ShellWindows", hr);
  hr = windows->Revoke(cookie);
  return FAILED(hr) ? Failed("Revoke", hr) : 0;
}

// Prints "count=N", then "INDEX<TAB>URL<TAB>TITLE" per window, then what the collection gives
// for the position after the last: "end<TAB>S_FALSE null" when it answers as the shell does.
// A line "dispatch Count ..." after the count says that IDispatch disagrees with the vtable.
int List() {
  ComPtr<IShellWindows> windows;
  HRESULT hr = CreateShellWindows(windows);
  if (FAILED(hr)) return Failed("creating ShellWindows", hr);
  LONG count = 0;
  hr = windows->get_Count(&count);
  if (FAILED(hr)) return Failed("get_Count", hr);
  Print("count=" + std::to_string(count));
  int status = 0;
  long byName = -1;
  hr = CountByName(windows.Get(), byName);
  if (FAILED(hr) || byName != count) {
    Print("dispatch Count " + (FAILED(hr) ? "failed " + HrText(hr) : std::to_string(byName)));
    status = 1;
  }
  for (long i = 0; i < count; ++i) {
    ComPtr<IDispatch> item;
    ComPtr<IWebBrowser2> browser;
    hr = ItemAt(windows.Get(), i, item);
    if (SUCCEEDED(hr)) hr = item ? item.As(&browser) : E_POINTER;
    Bstr url;
    Bstr name;
    if (SUCCEEDED(hr)) hr = browser->get_LocationURL(url.out());
    if (SUCCEEDED(hr)) hr = browser->get_LocationName(name.out());
    if (FAILED(hr)) {
      Print(std::to_string(i) + "\tfailed " + HrText(hr));
      status = 1;
      continue;
    }
    Print(std::to_string(i) + "\t" + Field(url.text()) + "\t" + Field(name.text()));
  }
  ComPtr<IDispatch> beyond;
  hr = ItemAt(windows.Get(), count, beyond);
  Print(std::string("end\t") + (hr == S_FALSE ? "S_FALSE" : HrText(hr)) +
        (beyond ? " object" : " null"));
  return status;
}

// The lines of the list boxes in the top-level window with that exact title, one a line.
int LogLines(const std::vector<std::wstring>& args) {
  if (args.size() != 1) return 2;
  const HWND window = WindowTitled(args[0]);
  if (window == nullptr) {
    PrintError("no window titled \"" + ToUtf8(args[0]) + "\"");
    return 1;
  }
  for (const std::wstring& line : ListBoxLines(window)) Print(Field(line));
  return 0;
}

// "HWND<TAB>PID<TAB>VISIBLE<TAB>ADDRESS<TAB>TITLE" per browser frame on this desktop.
int Frames() {
  for (HWND frame : BrowserFrames()) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(frame, &pid);
    Print(Hex(reinterpret_cast<ULONG_PTR>(frame)) + "\t" + std::to_string(pid) + "\t" +
          (::IsWindowVisible(frame) ? "1" : "0") + "\t" + Field(AddressBarText(frame)) + "\t" +
          Field(WindowText(frame)));
  }
  return 0;
}

// Returns once the stand-in is registered again, so that no client of the test starts a second
// one in the meantime.
int Reregister() {
  const Handle event(::OpenEventW(EVENT_MODIFY_STATE, FALSE, standin::kReregisterEvent));
  if (!event) return Failed("opening the stand-in's event", HRESULT_FROM_WIN32(::GetLastError()));
  const Handle done(
      ::OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, standin::kReregisteredEvent));
  if (!done) return Failed("opening the stand-in's reply", HRESULT_FROM_WIN32(::GetLastError()));
  ::ResetEvent(done.get());
  if (!::SetEvent(event.get())) return Failed("SetEvent", HRESULT_FROM_WIN32(::GetLastError()));
  if (::WaitForSingleObject(done.get(), 10000) == WAIT_OBJECT_0) return 0;
  PrintError("the stand-in did not register again within 10 s");
  return 1;
}

int Usage() {
  PrintError(
      "usage: browsers COMMAND ...\n"
      "  open [--no-window] URL [TITLE]  opens a browser on URL, titles its frame, registers it\n"
      "                                  with the shell's collection; prints COOKIE<TAB>HWND.\n"
      "                                  --no-window registers it without naming its window\n"
      "  open-folder FILE_URL            the stand-in opens a folder window of File Explorer's\n"
      "                                  class on FILE_URL and lists it; prints COOKIE\n"
      "  revoke COOKIE                   takes a window out of the collection (and closes a\n"
      "                                  folder window)\n"
      "  list                            the collection as pagemind.exe reads it\n"
      "  log-lines TITLE                 the list box lines of the window with that title\n"
      "  frames                          the browser frames: HWND PID VISIBLE ADDRESS TITLE\n"
      "  bench ROUNDS [--keep-item] [--kind]\n"
      "                                  times Count+Item+LocationURL+LocationName; --kind adds\n"
      "                                  get_HWND+GetAncestor+GetClassNameW\n"
      "  reregister                      the stand-in registers its class again (after an\n"
      "                                  rpcss restart) and waits until it has");
  return 2;
}

int Run(const std::wstring& command, const std::vector<std::wstring>& args) {
  if (command == L"log-lines") return LogLines(args);
  if (command == L"frames" && args.empty()) return Frames();
  if (command == L"reregister" && args.empty()) return Reregister();
  const ComApartment apartment;
  if (FAILED(apartment.status())) return Failed("CoInitializeEx", apartment.status());
  if (command == L"open") return Open(args);
  if (command == L"open-folder") return OpenFolder(args);
  if (command == L"revoke") return Revoke(args);
  if (command == L"list" && args.empty()) return List();
  if (command == L"bench") return Bench(args);
  return 2;
}

bool UseDesktop(DesktopHandle& desktop) {
  const wchar_t* name = _wgetenv(L"BROWSERS_DESKTOP");
  if (name == nullptr || *name == L'\0') return true;
  desktop.reset(::OpenDesktopW(name, 0, FALSE, GENERIC_ALL));
  if (!desktop || !::SetThreadDesktop(desktop.get())) {
    PrintError("cannot use desktop \"" + ToUtf8(name) + "\"");
    return false;
  }
  return true;
}

}  // namespace

int main() {
  int argc = 0;
  const std::unique_ptr<LPWSTR, LocalFreeDeleter> argv(
      ::CommandLineToArgvW(::GetCommandLineW(), &argc));
  if (!argv || argc < 2) return Usage();
  DesktopHandle desktop;
  if (!UseDesktop(desktop)) return 2;
  const std::vector<std::wstring> args(argv.get() + 2, argv.get() + argc);
  const int status = Run(argv.get()[1], args);
  return status == 2 ? Usage() : status;
}
