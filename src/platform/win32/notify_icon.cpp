#include "platform/win32/notify_icon.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string_view>

#include "platform/win32/ansi_codec.h"
#include "platform/win32/pictures.h"
#include "platform/win32/text.h"

namespace pagemind::platform::win32 {

namespace {

constexpr UINT_PTR kRetryTimer = 1;
// The first version's tip, with its NUL; the structure's later versions hold 128 bytes.
constexpr std::size_t kTipBytes = 64;
static_assert(sizeof(NOTIFYICONDATAA::szTip) >= kTipBytes);

// Drops the last character of a UTF-8 text.
void DropLastCharacter(std::string& utf8) {
  while (!utf8.empty() && (static_cast<unsigned char>(utf8.back()) & 0xC0) == 0x80) {
    utf8.pop_back();
  }
  if (!utf8.empty()) utf8.pop_back();
}

// Cut as UTF-8, so that no double-byte character is split whatever the code page. Every
// character takes at least one byte in the ANSI code page, so the first cut leaves few steps.
std::string FitTip(std::string_view tip) {
  const AnsiCodePageCodec codec;
  std::string utf8(tip);
  std::size_t characters = 0;
  std::size_t end = 0;
  while (end < utf8.size() && characters < kTipBytes - 1) {
    ++end;
    while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) ++end;
    ++characters;
  }
  utf8.resize(end);
  std::string ansi = codec.ToAnsi(utf8);
  while (ansi.size() > kTipBytes - 1) {
    DropLastCharacter(utf8);
    ansi = codec.ToAnsi(utf8);
  }
  return ansi;
}

// Copies `text` into a fixed field with its NUL, cut before a character that would not fit (a
// surrogate pair stays whole).
void CopyCut(std::wstring_view text, std::span<wchar_t> field) {
  std::size_t length = std::min(text.size(), field.size() - 1);
  if (length < text.size() && length > 0 && IS_HIGH_SURROGATE(text[length - 1])) --length;
  text.copy(field.data(), length);
  field[length] = L'\0';
}

UINT TaskbarCreatedMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

}  // namespace

BOOL CallShellNotifyIcon(DWORD message, NOTIFYICONDATAA& record) {
  return ::Shell_NotifyIconA(message, &record);
}

BOOL CallShellNotifyIconWide(DWORD message, NOTIFYICONDATAW& record) {
  return ::Shell_NotifyIconW(message, &record);
}

ShellNotifyIcon::ShellNotifyIcon(NotifyIconEvents& events, ShellNotifyIconFunction shell,
                                 std::chrono::milliseconds retryInterval,
                                 ShellNotifyIconWideFunction balloonShell)
    : events_(events),
      shell_(std::move(shell)),
      retryInterval_(retryInterval),
      balloonShell_(std::move(balloonShell)),
      icon_(LoadPicture(Picture::kProgramIcon, ::GetSystemMetrics(SM_CXSMICON))),
      window_(MessageWindow::Kind::kTopLevel, this) {}

ShellNotifyIcon::~ShellNotifyIcon() {
  Remove();
}

NOTIFYICONDATAA ShellNotifyIcon::Record() const {
  NOTIFYICONDATAA record{};
  record.cbSize = NOTIFYICONDATAA_V1_SIZE;
  record.hWnd = window_.get();
  record.uID = kNotifyIconId;
  record.uFlags = kNotifyIconFlags;
  record.uCallbackMessage = kNotifyIconCallbackMessage;
  record.hIcon = icon_.get();
  std::fill(std::begin(record.szTip), std::end(record.szTip), ' ');
  std::memcpy(record.szTip, tip_.data(), std::min(tip_.size(), kTipBytes - 1));
  record.szTip[std::min(tip_.size(), kTipBytes - 1)] = '\0';
  return record;
}

void ShellNotifyIcon::Show(std::string_view tip) {
  tip_ = FitTip(tip);
  wanted_ = true;
  OfferOrRetry();
}

void ShellNotifyIcon::Remove() {
  if (window_.get() != nullptr) ::KillTimer(window_.get(), kRetryTimer);
  if (!wanted_) return;
  wanted_ = false;
  shown_ = false;
  // Also when the last add was refused: a shell that timed out may have taken it all the same.
  NOTIFYICONDATAA record = Record();
  (void)shell_(NIM_DELETE, record);
}

void ShellNotifyIcon::ShowBalloon(std::string_view title, std::string_view text) {
  if (!shown_) return;
  NOTIFYICONDATAW record{};
  record.cbSize = NOTIFYICONDATAW_V2_SIZE;
  record.hWnd = window_.get();
  record.uID = kNotifyIconId;
  record.uFlags = NIF_INFO;
  CopyCut(Widen(text), record.szInfo);
  CopyCut(Widen(title), record.szInfoTitle);
  record.uTimeout = kBalloonTimeoutMilliseconds;
  record.dwInfoFlags = NIIF_INFO;
  (void)balloonShell_(NIM_MODIFY, record);
}

bool ShellNotifyIcon::Offer() {
  NOTIFYICONDATAA record = Record();
  const DWORD first = shown_ ? NIM_MODIFY : NIM_ADD;
  const DWORD second = shown_ ? NIM_ADD : NIM_MODIFY;
  shown_ = shell_(first, record) != FALSE;
  if (!shown_) {
    record = Record();
    shown_ = shell_(second, record) != FALSE;
  }
  return shown_;
}

void ShellNotifyIcon::OfferOrRetry() {
  if (Offer()) {
    ::KillTimer(window_.get(), kRetryTimer);
  } else if (window_.get() != nullptr) {
    ::SetTimer(window_.get(), kRetryTimer, static_cast<UINT>(retryInterval_.count()), nullptr);
  }
}

std::optional<LRESULT> ShellNotifyIcon::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kNotifyIconCallbackMessage) {
    // The mouse message is the low word with either version of the record.
    switch (LOWORD(lParam)) {
      case WM_LBUTTONDBLCLK:
        events_.OnIconDoubleClick();  // may destroy this object
        break;
      case WM_RBUTTONDOWN:
        events_.OnIconMenuRequested();
        break;
      // Sent from Windows XP on with any record version; its siblings (shown, hidden, timed
      // out) ask for nothing.
      case NIN_BALLOONUSERCLICK:
        events_.OnBalloonClick();  // may destroy this object
        break;
      default:
        break;
    }
    return 0;
  }
  if (message == WM_TIMER && wParam == kRetryTimer) {
    if (!wanted_ || Offer()) ::KillTimer(window_.get(), kRetryTimer);
    return 0;
  }
  if (message == TaskbarCreatedMessage() && message != 0) {
    if (wanted_) OfferOrRetry();
    return 0;
  }
  return std::nullopt;
}

ShellNotifyIconArea::ShellNotifyIconArea(ShellNotifyIconFunction shell,
                                         std::chrono::milliseconds retryInterval,
                                         ShellNotifyIconWideFunction balloonShell)
    : shell_(std::move(shell)),
      retryInterval_(retryInterval),
      balloonShell_(std::move(balloonShell)) {}

std::unique_ptr<NotifyIcon> ShellNotifyIconArea::CreateIcon(NotifyIconEvents& events) {
  return std::make_unique<ShellNotifyIcon>(events, shell_, retryInterval_, balloonShell_);
}

}  // namespace pagemind::platform::win32
