#pragma once

#include <memory>

#include "platform/shell.h"

namespace pagemind::platform::win32 {

// The shell's browser windows through COM (ShellWindows, IWebBrowser2, InternetExplorer) and its
// "open" through ShellExecuteW. COM must be initialised on the calling thread.
std::unique_ptr<Shell> MakeComShell();

}  // namespace pagemind::platform::win32
