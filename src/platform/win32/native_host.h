#pragma once

// The program's entry includes this header: it must not bring <windows.h> with it.

#include <memory>

#include "platform/notify_icon.h"
#include "platform/ports.h"

namespace pagemind::platform::win32 {

// Everything the program needs from Windows for its whole run: the COM apartment and the common
// controls of the user-interface thread, and the platform objects behind the ports.
class NativeHost {
 public:
  NativeHost();
  ~NativeHost();
  NativeHost(const NativeHost&) = delete;
  NativeHost& operator=(const NativeHost&) = delete;

  [[nodiscard]] Ports ports();
  // The notification area's icons; joins Ports once the old NotifyArea is gone.
  // Runs until the message loop is told to quit (the last form closing posts that) and returns
  // the exit code.
  int RunMessageLoop();

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

}  // namespace pagemind::platform::win32
