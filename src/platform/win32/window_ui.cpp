#include "platform/win32/window_ui.h"

#include <commdlg.h>

#include <algorithm>
#include <string>
#include <utility>

#include "platform/win32/escaped_exception.h"
#include "platform/win32/form_window.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace pagemind::platform::win32 {

namespace {

// What the wake-up window is posted; any number of the application's range will do, as the
// window has no handler.
constexpr UINT kWakeUpMessage = WM_APP + 1;

// The Save dialog's library is loaded when the dialog is first shown: it brings the printing
// support with it (winspool and, under Wine, the CUPS client with its network libraries), which
// a resident program that may never show the dialog should not carry.
class CommonDialogs {
 public:
  using GetSaveFileNameFunction = BOOL(WINAPI*)(OPENFILENAMEW*);
  using ExtendedErrorFunction = DWORD(WINAPI*)();

  static const CommonDialogs& Get() {
    static const CommonDialogs dialogs;
    return dialogs;
  }
  [[nodiscard]] bool loaded() const { return getSaveFileName && extendedError; }

  GetSaveFileNameFunction getSaveFileName = nullptr;
  ExtendedErrorFunction extendedError = nullptr;

 private:
  CommonDialogs() : module_(LoadFromSystemFolder(L"comdlg32.dll")) {
    if (!module_) return;
    // Through a function pointer of no particular type, as GetProcAddress's result must be.
    getSaveFileName = reinterpret_cast<GetSaveFileNameFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module_.get(), "GetSaveFileNameW")));
    extendedError = reinterpret_cast<ExtendedErrorFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module_.get(), "CommDlgExtendedError")));
  }

  // By full path, never by the search order (the program folder, which anyone who can plant a
  // slot file can also write, comes first there). LOAD_LIBRARY_SEARCH_SYSTEM32 would say the
  // same, but Windows 7 SP1 without update KB2533623 rejects that flag.
  static HMODULE LoadFromSystemFolder(const wchar_t* name) {
    std::wstring path(MAX_PATH, L'\0');
    const UINT length = ::GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
    if (length == 0 || length >= path.size()) return nullptr;
    path.resize(length);
    path += L'\\';
    path += name;
    return ::LoadLibraryExW(path.c_str(), nullptr, 0);
  }

  UniqueModule module_;
};

}  // namespace

WindowUi::WindowUi(WhenLastFormCloses whenLastFormCloses)
    : whenLastFormCloses_(whenLastFormCloses) {}

std::unique_ptr<Form> WindowUi::CreateForm(const FormLayout& layout, FormEvents& events) {
  return std::make_unique<FormWindow>(layout, events, *this);
}

namespace {

// The program's message boxes: owned by the active form when there is one.
int ShowMessageBox(std::string_view text, UINT style) {
  HWND owner = ::GetActiveWindow();
  if (owner != nullptr && !FormWindow::IsForm(owner)) owner = nullptr;
  style |= MB_SETFOREGROUND;
  if (owner == nullptr) style |= MB_TASKMODAL;
  const std::wstring body = WithWindowsLineBreaks(Widen(text));
  const std::wstring caption = Widen(kApplicationTitle);
  return ::MessageBoxW(owner, body.c_str(), caption.c_str(), style);
}

}  // namespace

void WindowUi::ShowMessage(std::string_view text, MessageIcon icon) {
  const ModalLoop box(*this);
  ShowMessageBox(text, MB_OK | (icon == MessageIcon::kStop ? MB_ICONSTOP : MB_ICONINFORMATION));
}

Answer WindowUi::AskYesNo(std::string_view text) {
  const ModalLoop box(*this);
  // Only はい says yes: a box that could not be shown (0) gives nothing up.
  return ShowMessageBox(text, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES ? Answer::kYes
                                                                                      : Answer::kNo;
}

void WindowUi::ProcessPendingEvents() {
  // Only what was waiting: a handler that posts again, or a timer that falls due meanwhile,
  // must not keep the caller here.
  const DWORD start = ::GetTickCount();
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The outermost loop must still see it.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    DispatchUiMessage(message);
    if (static_cast<LONG>(message.time - start) > 0) return;
  }
}

int WindowUi::ShowPopupMenu(Form& owner, const std::vector<MenuItem>& items) {
  const HWND window = static_cast<FormWindow&>(owner).Window();
  const UniqueMenu menu(::CreatePopupMenu());
  if (!menu || window == nullptr) return 0;
  for (const MenuItem& item : items) {
    if (item.commandId == 0) {
      ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    } else {
      const std::wstring caption = Widen(item.caption);
      const UINT flags = MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED);
      ::AppendMenuW(menu.get(), flags, static_cast<UINT_PTR>(item.commandId), caption.c_str());
    }
  }
  POINT at{};
  ::GetCursorPos(&at);
  ::SetForegroundWindow(window);
  // TPM_RETURNCMD: the choice comes back here rather than as a WM_COMMAND to the owner.
  const BOOL chosen = ::TrackPopupMenuEx(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                         at.x, at.y, window, nullptr);
  // Lets the menu's own loop see a message, so the next menu opens at the first click.
  ::PostMessageW(window, WM_NULL, 0, 0);
  return static_cast<int>(chosen);
}

SaveDialogResult WindowUi::ShowSaveDialog(Form& owner, const SaveDialogOptions& options) {
  // The filter's '|' separators become the NULs the dialog reads, ending in two.
  std::wstring filter = Widen(options.filter);
  std::replace(filter.begin(), filter.end(), L'|', L'\0');
  filter.push_back(L'\0');
  filter.push_back(L'\0');

  // Room for the longest path the system allows.
  std::wstring file(32768, L'\0');
  const std::wstring initial = Widen(options.initialPath);
  initial.copy(file.data(), std::min(initial.size(), file.size() - 1));
  const std::wstring title = Widen(options.title);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = static_cast<FormWindow&>(owner).Window();
  dialog.lpstrFilter = options.filter.empty() ? nullptr : filter.c_str();
  dialog.nFilterIndex = static_cast<DWORD>(std::max(options.filterIndex, 0));
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
  dialog.Flags = options.flags | OFN_EXPLORER;

  SaveDialogResult result;
  const ModalLoop dialogLoop(*this);
  const auto& dialogs = CommonDialogs::Get();
  if (!dialogs.loaded()) {
    result.outcome = SaveDialogResult::Outcome::kFailed;
  } else if (dialogs.getSaveFileName(&dialog)) {
    result.outcome = SaveDialogResult::Outcome::kConfirmed;
    result.path = Narrow(file.c_str());
  } else {
    result.outcome = dialogs.extendedError() == 0 ? SaveDialogResult::Outcome::kCancelled
                                                  : SaveDialogResult::Outcome::kFailed;
  }
  return result;
}

HWND WindowUi::HiddenOwner() {
  // Top-level, as an owner must be; a message window, so that another program's WM_CLOSE
  // (which would destroy a plain window, and every form it owns with it) is left to the forms.
  if (!hiddenOwner_) hiddenOwner_.emplace(MessageWindow::Kind::kTopLevel, nullptr);
  return hiddenOwner_->get();
}

void WindowUi::Post(std::function<void()> command) {
  posted_.push_back(std::move(command));
  // One wake-up at a time is enough: the loop runs everything queued once it is back.
  if (!wakeUpPosted_ && !runningPosted_) {
    wakeUpPosted_ = ::PostMessageW(wakeUp_.get(), kWakeUpMessage, 0, 0) != FALSE;
  }
}

void WindowUi::RunPostedCommands() {
  if (runningPosted_) return;  // a command that ran a loop of its own: it goes on after it
  runningPosted_ = true;
  struct Done {
    WindowUi& ui;
    ~Done() {
      ui.runningPosted_ = false;
      ui.wakeUpPosted_ = false;
    }
  } done{*this};
  while (!posted_.empty()) {
    const std::function<void()> command = std::move(posted_.front());
    posted_.pop_front();
    try {
      command();
    } catch (...) {
      ReportEscapedException("command");
    }
  }
}

void WindowUi::FormClosed() noexcept {
  if (--openForms_ == 0 && whenLastFormCloses_ == WhenLastFormCloses::kQuit) {
    ::PostQuitMessage(0);
  }
}

void DispatchUiMessage(MSG& message) {
  if (FormWindow::HandleDialogKeys(message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
}

int RunUiMessageLoop(WindowUi& ui) {
  MSG message;
  for (;;) {
    // After every message that this loop dispatched, with whatever loops ran inside it, and
    // before the first.
    ui.RunPostedCommands();
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got == -1) return 1;  // only an invalid argument gives -1, which this call has not
    DispatchUiMessage(message);
  }
}

}  // namespace pagemind::platform::win32
