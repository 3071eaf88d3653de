#pragma once

#include <string>

#include "platform/programs.h"

namespace pagemind::platform::win32 {

// Finds programs by their App Paths registration and starts them with CreateProcessW.
//
// The machine's registrations are read in both registry views on 64-bit Windows: the 64-bit
// one first, then the 32-bit one, where a 32-bit installer's writes under HKLM\Software land
// (Wow6432Node). Either build, x86-64 or i686, thereby finds both 64-bit and 32-bit browsers.
// The user's key has a single view: HKCU\Software is shared by both.
class WindowsPrograms final : public Programs {
 public:
  static constexpr const wchar_t* kAppPathsSubkey =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";

  // Tests name a key of their own instead of App Paths, under both roots.
  explicit WindowsPrograms(std::wstring appPathsSubkey = kAppPathsSubkey)
      : appPaths_(std::move(appPathsSubkey)) {}

  std::optional<std::filesystem::path> Find(std::string_view fileName) override;
  std::error_code Start(const std::filesystem::path& executable,
                        std::span<const std::string> arguments) override;

 private:
  std::wstring appPaths_;
};

}  // namespace pagemind::platform::win32
