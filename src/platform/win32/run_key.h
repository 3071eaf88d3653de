#pragma once

#include <string>

#include "platform/run_at_logon.h"

namespace pagemind::platform::win32 {

// The per-user Run key, or another key under HKEY_CURRENT_USER that a test names instead.
class RunKey final : public RunAtLogon {
 public:
  static constexpr const wchar_t* kRunSubkey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

  explicit RunKey(std::wstring subkey = kRunSubkey) : subkey_(std::move(subkey)) {}

  std::optional<std::string> Read(std::string_view name, std::error_code& error) override;
  std::error_code Write(std::string_view name, std::string_view data) override;
  std::error_code Remove(std::string_view name) override;

 private:
  std::wstring subkey_;
};

}  // namespace pagemind::platform::win32
