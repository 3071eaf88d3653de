#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

namespace pagemind::platform {

// The programs installed beside Pagemind (the browsers), found where Windows registers them
// and started with arguments of Pagemind's choosing.
class Programs {
 public:
  virtual ~Programs() = default;

  // The executable that Windows' App Paths registration names for `fileName` ("chrome.exe",
  // "msedge.exe", "firefox.exe" …): the current user's registration first, then the machine's.
  // Nothing when neither names an existing file by its full path; a registration whose file is
  // gone (an uninstalled per-user copy, say) does not hide the next one.
  virtual std::optional<std::filesystem::path> Find(std::string_view fileName) = 0;

  // Starts the executable so that its C runtime receives exactly `arguments` (UTF-8), each as
  // one argument, whatever quotes, backslashes, blanks or non-ASCII characters they hold.
  // Nothing goes through a shell, and an argument that starts with '-' stays an argument as
  // given: callers that pass addresses put "--" before them. Returns at once, without waiting
  // for the program; the error is the system's own (for FileSystem::DescribeError), or a
  // StartError when the arguments cannot make one command line.
  virtual std::error_code Start(const std::filesystem::path& executable,
                                std::span<const std::string> arguments) = 0;
};

enum class StartError {
  // The command line would pass Windows' limit (kCommandLineLimit): fewer arguments fit.
  kCommandLineTooLong = 1,
  // A NUL character cannot travel inside a command line.
  kNulInArgument,
};
const std::error_category& StartErrorCategory();
std::error_code make_error_code(StartError e);

}  // namespace pagemind::platform

template <>
struct std::is_error_code_enum<pagemind::platform::StartError> : std::true_type {};
