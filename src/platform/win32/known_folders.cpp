#include "platform/win32/known_folders.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include "platform/win32/handles.h"

namespace pagemind::platform::win32 {

std::filesystem::path KnownFolders::Locate(UserFolder folder, std::error_code& error) const {
  error.clear();
  const KNOWNFOLDERID& id =
      folder == UserFolder::kLocalAppData ? FOLDERID_LocalAppData : FOLDERID_RoamingAppData;
  PWSTR path = nullptr;
  // No flags: the path as it is set, without making or checking the folder; whether it holds a
  // browser's profiles is for the caller to find out.
  const HRESULT result = ::SHGetKnownFolderPath(id, 0, nullptr, &path);
  // Allocated even when the call fails, so given back either way.
  const UniqueCoTaskMemory owner(path);
  if (FAILED(result) || path == nullptr) {
    // A failure from the Win32 layer carries its code (FACILITY_WIN32); the system describes
    // other HRESULTs by their full value.
    const auto code = HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : result;
    error = {static_cast<int>(code != 0 ? code : E_FAIL), std::system_category()};
    return {};
  }
  return std::filesystem::path(path);
}

}  // namespace pagemind::platform::win32
