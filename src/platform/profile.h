#pragma once

#include <filesystem>
#include <string_view>

namespace pagemind::platform {

// The INI-style profile file with the semantics of the Windows profile functions
// (GetPrivateProfileIntA, WritePrivateProfileStringA): section and key names match without
// regard to case; a missing file, section or key, or an empty value, gives the default; a value
// is read as an integer from its start, as those functions read it, and one that does not
// begin with a digit reads as 0.
class Profile {
 public:
  virtual ~Profile() = default;
  [[nodiscard]] virtual int ReadInt(const std::filesystem::path& file, std::string_view section,
                                    std::string_view key, int defaultValue) = 0;
  // Sets the key, creating the file and the section when missing and keeping every other entry.
  virtual bool WriteString(const std::filesystem::path& file, std::string_view section,
                           std::string_view key, std::string_view value) = 0;
};

}  // namespace pagemind::platform
