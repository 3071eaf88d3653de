#include "platform/win32/run_key.h"

#include <windows.h>

#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace pagemind::platform::win32 {

namespace {

std::error_code SystemError(LSTATUS status) {
  return {static_cast<int>(status), std::system_category()};
}

bool NotThere(LSTATUS status) {
  return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND;
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
  const std::wstring valueName = Widen(name);
  // The value may change between asking its size and reading it: ask again while it grows.
  std::wstring data(64, L'\0');
  DWORD type = 0;
  for (;;) {
    DWORD bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    status = ::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type,
                                reinterpret_cast<BYTE*>(data.data()), &bytes);
    if (status == ERROR_MORE_DATA) {
      data.resize(bytes / sizeof(wchar_t) + 1);
      continue;
    }
    if (NotThere(status)) return std::nullopt;
    if (status != ERROR_SUCCESS) {
      error = SystemError(status);
      return std::nullopt;
    }
    data.resize(bytes / sizeof(wchar_t));
    break;
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::string();
  // The stored text may or may not end in its NUL (or in several).
  while (!data.empty() && data.back() == L'\0') data.pop_back();
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
