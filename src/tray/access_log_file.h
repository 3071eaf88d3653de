#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "platform/ansi.h"
#include "platform/ui.h"

namespace pagemind::tray {

// The Save dialog as the access-log window prepares it each time.
platform::SaveDialogOptions AccessLogSaveDialog(const std::string& lastPath);

// The file's bytes: each list line from the top in the ANSI code page with CR LF, ending at the
// first empty line and after at most 10001 lines. `lineAt` answers "" beyond the last line.
std::string AccessLogFileBytes(const std::function<std::string(std::size_t)>& lineAt,
                               const platform::AnsiCodec& ansi);

}  // namespace pagemind::tray
