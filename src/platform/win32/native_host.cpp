#include "platform/win32/native_host.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "platform/win32/ansi_codec.h"
#include "platform/win32/clock.h"
#include "platform/win32/com_check.h"
#include "platform/win32/com_shell.h"
#include "platform/win32/files.h"
#include "platform/win32/ini_profile.h"
#include "platform/win32/known_folders.h"
#include "platform/win32/notify_icon.h"
#include "platform/win32/programs.h"
#include "platform/win32/run_key.h"
#include "platform/win32/running_program.h"
#include "platform/win32/window_ui.h"

namespace pagemind::platform::win32 {

namespace {

// The user-interface thread's COM apartment. Single-threaded: the shell's browser objects and
// the common dialogs expect it, and every call comes from this one thread anyway.
class ComApartment {
 public:
  ComApartment()
      : initialized_(!ComFailed(
            ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~ComApartment() {
    if (initialized_) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialized_;
};

// The program runs from wherever the user unpacked it, Downloads as often as not, where any
// page may have left a DLL named like one that a system library loads by name on demand: the
// program's folder comes first in the search order. Here libraries are sought in the system
// folder only, for the whole process, before anything loads one. SetDefaultDllDirectories is
// missing on Windows 7 SP1 without update KB2533623, hence looked up at run time; there the
// current folder at least leaves the search.
bool RestrictLibrarySearch() {
  ::SetDllDirectoryW(L"");
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return false;
  // Through a function pointer of no particular type, as GetProcAddress's result must be.
  const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
  return setDefaultDllDirectories != nullptr &&
         setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

bool InitCommonControlClasses() {
  INITCOMMONCONTROLSEX classes{};
  classes.dwSize = sizeof(classes);
  classes.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
  return ::InitCommonControlsEx(&classes) != FALSE;
}

}  // namespace

// Declared in the order of their start: COM first, the objects that may use it after, so that
// they go before it does.
struct NativeHost::Parts {
  bool librarySearchRestricted = RestrictLibrarySearch();
  ComApartment apartment;
  bool commonControls = InitCommonControlClasses();
  RunningProgram program;
  WindowUi ui{WindowUi::WhenLastFormCloses::kQuit};
  IniProfile profile;
  AnsiCodePageCodec ansi;
  std::unique_ptr<Shell> shell = MakeComShell();
  ShellNotifyIconArea notifyArea;
  WindowsFileSystem files;
  SystemClock clock;
  RunKey runAtLogon;
  KnownFolders userFolders;
  WindowsPrograms programs;
};

NativeHost::NativeHost() : parts_(std::make_unique<Parts>()) {}

NativeHost::~NativeHost() = default;

Ports NativeHost::ports() {
  return Ports{parts_->program,    parts_->ui,          parts_->profile, parts_->ansi,
               *parts_->shell,     parts_->notifyArea,  parts_->files,   parts_->clock,
               parts_->runAtLogon, parts_->userFolders, parts_->programs};
}

int NativeHost::RunMessageLoop() {
  return RunUiMessageLoop(parts_->ui);
}

}  // namespace pagemind::platform::win32
