#include "platform/win32/run_key.h"

#include <windows.h>

#include "platform/win32/handles.h"
#include "platform/win32/registry.h"
#include "platform/win32/text.h"

namespace pagemind::platform::win32 {

namespace {

std::error_code SystemError(LSTATUS status) {
  return {static_cast<int>(status), std::system_category()};
}

}  // namespace

std::optional<std::string> RunKey::Read(std::string_view name, std::error_code& error) {
  error.clear();
  UniqueRegistryKey key;
  LSTATUS status =
      ::RegOpenKeyExW(HKEY_CURRENT_USER, subkey_.c_str(), 0, KEY_QUERY_VALUE, key.put());
  if (NotThere(status)) return std::nullopt;
  if (status != ERROR_SUCCESS) {
    error = SystemError(status);
    return std::nullopt;
  }
  std::wstring data;
  DWORD type = 0;
  status = ReadRegistryValue(key.get(), Widen(name).c_str(), type, data);
  if (NotThere(status)) return std::nullopt;
  if (status != ERROR_SUCCESS) {
    error = SystemError(status);
    return std::nullopt;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::string();
  return Narrow(data);
}

std::error_code RunKey::Write(std::string_view name, std::string_view data) {
  UniqueRegistryKey key;
  LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, subkey_.c_str(), 0, nullptr, 0,
                                     KEY_SET_VALUE, nullptr, key.put(), nullptr);
  if (status != ERROR_SUCCESS) return SystemError(status);
  const std::wstring valueName = Widen(name);
  const std::wstring text = Widen(data);
  // With its terminating NUL, as a REG_SZ should be stored.
  const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  status = ::RegSetValueExW(key.get(), valueName.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()), bytes);
  return status == ERROR_SUCCESS ? std::error_code() : SystemError(status);
}

std::error_code RunKey::Remove(std::string_view name) {
  UniqueRegistryKey key;
  LSTATUS status = ::RegOpenKeyExW(HKEY_CURRENT_USER, subkey_.c_str(), 0, KEY_SET_VALUE, key.put());
  if (NotThere(status)) return {};
  if (status != ERROR_SUCCESS) return SystemError(status);
  status = ::RegDeleteValueW(key.get(), Widen(name).c_str());
  if (status == ERROR_SUCCESS || NotThere(status)) return {};
  return SystemError(status);
}

}  // namespace pagemind::platform::win32
