#pragma once

#include <array>
#include <cstdint>

#include "platform/ui.h"

namespace pagemind::platform {

// The notification-area icon record in the shell's first published form.
struct NotifyIconRecord {
  std::uint32_t size = 0;
  std::uint32_t iconId = 0;
  std::uint32_t flags = 0;            // NIF_MESSAGE | NIF_ICON | NIF_TIP
  std::uint32_t callbackMessage = 0;  // sent to the receiving control with the mouse message
  Picture icon = Picture::kNone;
  std::array<char, 64> tip{};  // in the ANSI code page, NUL-terminated
};

// Shell_NotifyIconA. The window that receives the callbacks is the control `receiverId` of
// `owner`; its mouse messages arrive as FormEvents::OnTrayMessage of that form.
class NotifyArea {
 public:
  virtual ~NotifyArea() = default;
  virtual bool Add(Form& owner, int receiverId, const NotifyIconRecord& record) = 0;
  virtual bool Delete(Form& owner, int receiverId, const NotifyIconRecord& record) = 0;
};

}  // namespace pagemind::platform
