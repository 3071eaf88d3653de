#include "platform/win32/registry.h"

namespace pagemind::platform::win32 {

LSTATUS ReadRegistryValue(HKEY key, const wchar_t* name, DWORD& type, std::wstring& data) {
  // The value may change between asking its size and reading it: ask again while it grows.
  data.assign(64, L'\0');
  for (;;) {
    DWORD bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    const LSTATUS status =
        ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes);
    if (status == ERROR_MORE_DATA) {
      data.resize(bytes / sizeof(wchar_t) + 1);
      continue;
    }
    if (status != ERROR_SUCCESS) {
      data.clear();
      return status;
    }
    data.resize(bytes / sizeof(wchar_t));
    while (!data.empty() && data.back() == L'\0') data.pop_back();
    return status;
  }
}

}  // namespace pagemind::platform::win32
