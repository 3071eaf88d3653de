#pragma once

#include <windows.h>

#include <vector>

#include "platform/notify_area.h"
#include "platform/win32/handles.h"

namespace pagemind::platform::win32 {

// Shell_NotifyIconA with the record as the program fills it. The receiving control is a picture
// box of a FormWindow; the form turns the callbacks into FormEvents::OnTrayMessage.
class ShellNotifyArea final : public NotifyArea {
 public:
  bool Add(Form& owner, int receiverId, const NotifyIconRecord& record) override;
  bool Delete(Form& owner, int receiverId, const NotifyIconRecord& record) override;

 private:
  // The shell may draw an icon again at any time; each stays alive until its entry goes.
  struct Entry {
    HWND receiver;
    UINT iconId;
    UniqueIcon icon;
  };
  std::vector<Entry> entries_;
};

}  // namespace pagemind::platform::win32
