#pragma once

#include <windows.h>

#include <shellapi.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/notify_icon.h"
#include "platform/win32/handles.h"
#include "platform/win32/message_window.h"

namespace pagemind::platform::win32 {

// Shell_NotifyIconA as an icon calls it: tests put a stand-in in its place to refuse adds,
// count calls and read the records.
using ShellNotifyIconFunction = std::function<BOOL(DWORD message, NOTIFYICONDATAA& record)>;
BOOL CallShellNotifyIcon(DWORD message, NOTIFYICONDATAA& record);
// Shell_NotifyIconW, for the balloon alone: its texts are Unicode whatever the code page. The
// shell names an icon by window and number, whichever of the two calls added it.
using ShellNotifyIconWideFunction = std::function<BOOL(DWORD message, NOTIFYICONDATAW& record)>;
BOOL CallShellNotifyIconWide(DWORD message, NOTIFYICONDATAW& record);

// How long a refused add waits before it is offered again.
inline constexpr std::chrono::milliseconds kNotifyIconRetryInterval{2000};

// The record in the shell's first published form (NOTIFYICONDATAA_V1_SIZE): an ANSI tip of
// 64 bytes and no later fields, as the program has always registered its icon.
inline constexpr UINT kNotifyIconId = 10;
inline constexpr UINT kNotifyIconFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
// A left-button press's number: the receiving window is never shown, so no real click on it can
// be mistaken for the shell's callback.
inline constexpr UINT kNotifyIconCallbackMessage = WM_LBUTTONDOWN;
static_assert(NOTIFYICONDATAA_V1_SIZE == (sizeof(void*) == 8 ? 104 : 88));
// How long Windows 2000 and XP show the balloon, the longest they allow: a user coming back to
// a crash may not be looking. Later systems follow their accessibility setting instead.
inline constexpr UINT kBalloonTimeoutMilliseconds = 30000;

// One icon with everything Win32 about it: a hidden top-level window that receives its
// callbacks and the taskbar's "TaskbarCreated" broadcast (a message-only window would miss
// it), the record, the registration and its retries, the removal.
class ShellNotifyIcon final : public NotifyIcon, MessageHandler {
 public:
  explicit ShellNotifyIcon(NotifyIconEvents& events,
                           ShellNotifyIconFunction shell = CallShellNotifyIcon,
                           std::chrono::milliseconds retryInterval = kNotifyIconRetryInterval,
                           ShellNotifyIconWideFunction balloonShell = CallShellNotifyIconWide);
  ~ShellNotifyIcon() override;
  ShellNotifyIcon(const ShellNotifyIcon&) = delete;
  ShellNotifyIcon& operator=(const ShellNotifyIcon&) = delete;

  // The tip in the ANSI code page, cut at a character to the 63 bytes the record holds.
  void Show(std::string_view tip) override;
  void Remove() override;
  // NIM_MODIFY with the shell's second record form (Shell 5.0, NOTIFYICONDATAW_V2_SIZE), the
  // first that has a balloon, and NIF_INFO alone, so icon, tip and callback stay as registered.
  // The title is cut to 63 and the text to 255 UTF-16 units, at a character.
  void ShowBalloon(std::string_view title, std::string_view text) override;
  [[nodiscard]] bool shown() const override { return shown_; }

  // The window the shell sends the callbacks to.
  [[nodiscard]] HWND ReceivingWindow() const noexcept { return window_.get(); }
  // The record as the shell is handed it: the tip, a NUL, then blanks to 64 bytes.
  [[nodiscard]] NOTIFYICONDATAA Record() const;

 private:
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Hands the record to the shell, modifying first when it is believed to hold the icon: the
  // shell refuses to add an icon it holds, and one that restarted holds none.
  bool Offer();
  void OfferOrRetry();

  NotifyIconEvents& events_;
  ShellNotifyIconFunction shell_;
  std::chrono::milliseconds retryInterval_;
  ShellNotifyIconWideFunction balloonShell_;
  std::string tip_;      // ANSI, at most 63 bytes
  bool wanted_ = false;  // shown and not removed since
  bool shown_ = false;
  // Freed only after the window, and so after the shell has let go of the icon.
  UniqueIcon icon_;
  MessageWindow window_;
};

class ShellNotifyIconArea final : public NotifyArea {
 public:
  explicit ShellNotifyIconArea(ShellNotifyIconFunction shell = CallShellNotifyIcon,
                               std::chrono::milliseconds retryInterval = kNotifyIconRetryInterval,
                               ShellNotifyIconWideFunction balloonShell = CallShellNotifyIconWide);
  std::unique_ptr<NotifyIcon> CreateIcon(NotifyIconEvents& events) override;

 private:
  ShellNotifyIconFunction shell_;
  std::chrono::milliseconds retryInterval_;
  ShellNotifyIconWideFunction balloonShell_;
};

}  // namespace pagemind::platform::win32
