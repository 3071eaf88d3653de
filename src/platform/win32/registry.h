#pragma once

#include <windows.h>

#include <string>

namespace pagemind::platform::win32 {

// Reads a value of an open key whatever its size, even while another process changes it:
// its type and its data as UTF-16, without the NULs that a text may or may not end in (a value
// that is no text comes as its bytes, for its type to be checked first). The status is the
// registry's own (ERROR_FILE_NOT_FOUND for a missing value).
LSTATUS ReadRegistryValue(HKEY key, const wchar_t* name, DWORD& type, std::wstring& data);

// ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND: the key or value is simply not there.
[[nodiscard]] inline bool NotThere(LSTATUS status) {
  return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND;
}

}  // namespace pagemind::platform::win32
