#include "platform/win32/message_window.h"

#include "platform/win32/escaped_exception.h"
#include "platform/win32/pictures.h"

namespace pagemind::platform::win32 {

namespace {

constexpr wchar_t kClassName[] = L"Pagemind.MessageWindow";

ATOM WindowClass(WNDPROC procedure) {
  static const ATOM atom = [procedure] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ProgramModule();
    windowClass.lpszClassName = kClassName;
    return ::RegisterClassExW(&windowClass);
  }();
  return atom;
}

}  // namespace

MessageWindow::MessageWindow(Kind kind, MessageHandler* handler) {
  const HWND parent = kind == Kind::kMessageOnly ? HWND_MESSAGE : nullptr;
  window_.reset(::CreateWindowExW(0, MAKEINTATOM(WindowClass(Procedure)), L"", WS_POPUP, 0, 0, 0, 0,
                                  parent, nullptr, ProgramModule(), nullptr));
  // Set only now: nothing that arrives during creation is for the handler.
  if (window_)
    ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(handler));
}

MessageWindow::~MessageWindow() {
  // The owner is going: the messages of the window's own destruction must not reach it.
  if (window_) ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

LRESULT CALLBACK MessageWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) return 0;
  auto* handler = reinterpret_cast<MessageHandler*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (handler != nullptr) {
    // Nothing of the handler or of this window may be touched once it has returned.
    try {
      if (const auto result = handler->OnMessage(message, wParam, lParam)) return *result;
    } catch (...) {
      ReportEscapedException("window message");
      return 0;
    }
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace pagemind::platform::win32
