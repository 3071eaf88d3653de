#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

namespace pagemind::platform {

// The most UTF-16 units a command line that starts a program may hold, its terminating NUL
// not counted (CreateProcessW takes 32,767 with it).
inline constexpr std::size_t kCommandLineLimit = 32766;

// The command line that hands `arguments` to a Windows program one for one, by the rules with
// which its C runtime and CommandLineToArgvW split a line: the program's path in quotes (a
// Windows path holds none), then each argument, bare when it holds no blank or quote and is
// not empty, else in quotes with its quotes escaped and the backslashes before a quote
// doubled. Texts are UTF-8. Fails with StartError::kNulInArgument for a NUL in an argument
// and StartError::kCommandLineTooLong past kCommandLineLimit; `line` is then left empty.
std::error_code BuildCommandLine(std::string_view program, std::span<const std::string> arguments,
                                 std::string& line);

// How many UTF-16 units the UTF-8 text becomes.
std::size_t Utf16Length(std::string_view utf8);

}  // namespace pagemind::platform
