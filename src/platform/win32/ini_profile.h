#pragma once

#include <filesystem>
#include <string_view>

#include "platform/profile.h"

namespace pagemind::platform::win32 {

// The profile file through the system's own ANSI profile functions, so that the file is read
// and written exactly as earlier versions of the program did (ANSI code page, their rules for
// case, defaults and number parsing).
class IniProfile final : public Profile {
 public:
  // A file whose path the ANSI code page cannot spell cannot be reached by these functions:
  // reading gives the default and writing fails, rather than touching a look-alike path.
  [[nodiscard]] int ReadInt(const std::filesystem::path& file, std::string_view section,
                            std::string_view key, int defaultValue) override;
  bool WriteString(const std::filesystem::path& file, std::string_view section,
                   std::string_view key, std::string_view value) override;
};

}  // namespace pagemind::platform::win32
