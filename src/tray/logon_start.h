#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/ports.h"

namespace pagemind::tray {

// The name of the program's value in the Run key.
inline constexpr std::string_view kRunValueName = "Pagemind";

// The Run value's data that starts the program at `executable`: its full path in quotes, so that
// Windows reads a path with spaces as one.
std::string RunValueData(const std::filesystem::path& executable);

// Whether the data of a Run value starts the program at `executable`. The path is compared as
// Windows compares paths: without regard to the case of ASCII letters, and with '/' read as
// '\'. Quotes may be missing, and arguments may follow the path (after the closing quote, or
// after a space when there are no quotes); blanks around the data are ignored.
bool RunValueStarts(std::string_view data, const std::filesystem::path& executable);

// Starting at log-on for the current user, as the tray menu shows and switches it. It is on
// when the Run key holds the program's value naming this very executable: a value left by a
// copy that was moved counts as off, and switching on then writes the path of this one.
class LogonStart {
 public:
  explicit LogonStart(platform::Ports ports) : ports_(ports) {}

  // Read from the registry each time: something else may have changed it.
  [[nodiscard]] bool IsOn() const;
  // Switches it off when on and on when off; a failure is shown to the user with the system's
  // reason.
  void Switch();

 private:
  void Report(std::string_view what, const std::error_code& error);

  platform::Ports ports_;
};

}  // namespace pagemind::tray
