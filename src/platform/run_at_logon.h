#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace pagemind::platform {

// The programs Windows starts when the current user logs on: the named text values of the
// per-user Run key (HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run). Names and
// data are UTF-8 here. Errors are the system's own, for FileSystem::DescribeError to put in words.
class RunAtLogon {
 public:
  virtual ~RunAtLogon() = default;
  // The value's data; nothing when there is no such value (or no key). A value that is not a
  // text reads as an empty text. `error` tells a failure to read apart from a missing value.
  virtual std::optional<std::string> Read(std::string_view name, std::error_code& error) = 0;
  // Sets the value as a text, creating the key when missing.
  virtual std::error_code Write(std::string_view name, std::string_view data) = 0;
  // Removes the value; a value that is not there is no error.
  virtual std::error_code Remove(std::string_view name) = 0;
};

// Where the values live, for the user's messages.
inline constexpr std::string_view kRunKeyName =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

}  // namespace pagemind::platform
