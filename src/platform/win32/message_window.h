#pragma once

#include <windows.h>

#include <optional>

#include "platform/win32/handles.h"

namespace pagemind::platform::win32 {

class MessageHandler {
 public:
  // A value when the message was handled; otherwise the window's default handling follows.
  // The handler may destroy the window's owner, and with it the window, before it returns.
  virtual std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

 protected:
  ~MessageHandler() = default;
};

// A window that is never shown and exists only to receive messages for a platform object.
// Close requests (taskkill posts WM_CLOSE to every top-level window) are ignored: such a window
// goes only with its owner. The program still ends on them, as every one of its states has a
// form, and the same WM_CLOSE reaches each form, which answers it.
class MessageWindow {
 public:
  enum class Kind {
    kMessageOnly,  // not enumerated, receives no broadcasts
    kTopLevel,     // hidden but top-level, so that broadcasts such as "TaskbarCreated" reach it
  };

  // `handler` may be null: then only posting to the window matters.
  MessageWindow(Kind kind, MessageHandler* handler);
  ~MessageWindow();
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  [[nodiscard]] HWND get() const noexcept { return window_.get(); }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  UniqueWindow window_;
};

}  // namespace pagemind::platform::win32
