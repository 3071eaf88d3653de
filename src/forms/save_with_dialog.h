#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/ports.h"

namespace pagemind {

// Asks for a file with the Save dialog and writes the bytes there, in place; a failure is
// reported under `failureHeading` with the file and the system's reason. The bytes are asked
// for once the dialog has closed, since its own loop lets the program run on meanwhile. The
// file chosen becomes `lastPath`, for the dialog to offer next time.
void SaveWithDialog(platform::Ports ports, platform::Form& owner,
                    platform::SaveDialogOptions options, std::string& lastPath,
                    const std::function<std::string()>& bytes, std::string_view failureHeading);

}  // namespace pagemind
