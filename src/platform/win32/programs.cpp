#include "platform/win32/programs.h"

#include <windows.h>

#include <array>

#include "common/paths.h"
#include "platform/command_line.h"
#include "platform/win32/handles.h"
#include "platform/win32/registry.h"
#include "platform/win32/text.h"

namespace pagemind::platform::win32 {

namespace {

struct Registration {
  HKEY root;
  REGSAM view;
};

// The user's registration first, as Windows itself prefers it; KEY_WOW64_* is ignored on
// 32-bit Windows, which then reads its one view twice.
const std::array kRegistrations{
    Registration{HKEY_CURRENT_USER, 0},
    Registration{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY},
    Registration{HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY},
};

// The path a registration's default value names: environment variables of an expandable text
// expanded, quotes around it and blanks beside it removed. Empty when it is no text.
std::wstring RegisteredPath(DWORD type, const std::wstring& data) {
  std::wstring path;
  if (type == REG_EXPAND_SZ) {
    const DWORD size = ::ExpandEnvironmentStringsW(data.c_str(), nullptr, 0);
    if (size == 0) return {};
    path.assign(size, L'\0');
    const DWORD written = ::ExpandEnvironmentStringsW(data.c_str(), path.data(), size);
    if (written == 0 || written > size) return {};
    path.resize(written - 1);
  } else if (type == REG_SZ) {
    path = data;
  } else {
    return {};
  }
  const auto first = path.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return {};
  path.erase(0, first);
  path.erase(path.find_last_not_of(L" \t") + 1);
  if (path.front() == L'"') {
    const auto closing = path.find(L'"', 1);
    path = path.substr(1, closing == std::wstring::npos ? std::wstring::npos : closing - 1);
  }
  return path;
}

bool IsProgramFile(const std::filesystem::path& path) {
  if (!path.is_absolute()) return false;
  WIN32_FILE_ATTRIBUTE_DATA attributes{};
  return ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes) != FALSE &&
         (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

std::optional<std::filesystem::path> WindowsPrograms::Find(std::string_view fileName) {
  if (fileName.empty() || fileName.find_first_of("\\/") != std::string_view::npos) {
    return std::nullopt;
  }
  const std::wstring subkey = appPaths_ + L"\\" + Widen(fileName);
  for (const Registration& registration : kRegistrations) {
    UniqueRegistryKey key;
    // A key that cannot be read counts as no registration: the next one may still serve.
    if (::RegOpenKeyExW(registration.root, subkey.c_str(), 0, KEY_QUERY_VALUE | registration.view,
                        key.put()) != ERROR_SUCCESS) {
      continue;
    }
    DWORD type = 0;
    std::wstring data;
    if (ReadRegistryValue(key.get(), nullptr, type, data) != ERROR_SUCCESS) continue;
    std::filesystem::path path(RegisteredPath(type, data));
    if (IsProgramFile(path)) return path;
  }
  return std::nullopt;
}

std::error_code WindowsPrograms::Start(const std::filesystem::path& executable,
                                       std::span<const std::string> arguments) {
  std::string line;
  if (const auto error = BuildCommandLine(Utf8FromPath(executable), arguments, line)) {
    return error;
  }
  // CreateProcessW may write into the command line: it gets a copy of its own.
  std::wstring commandLine = Widen(line);
  // Text that was no UTF-8 widens to other lengths than counted.
  if (commandLine.size() > kCommandLineLimit) return StartError::kCommandLineTooLong;
  // The program's own folder as its current one: a browser runs long, and Pagemind's folder
  // should not stay in use (undeletable) for as long as it does.
  const std::wstring folder = executable.parent_path().native();
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_DEFAULT_ERROR_MODE, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
    return {static_cast<int>(::GetLastError()), std::system_category()};
  }
  // Nothing waits for the program: both handles go at once.
  const UniqueHandle process(started.hProcess);
  const UniqueHandle thread(started.hThread);
  return {};
}

}  // namespace pagemind::platform::win32
