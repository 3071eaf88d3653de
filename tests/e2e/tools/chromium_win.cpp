// chromium_win: does for a Linux Chromium under test what Chrome on Windows does itself, so that
// pagemind.exe under Wine sees the browser's files as it would on Windows
// (chrome/browser/process_singleton_win.cc, components/sessions/core/command_storage_backend.cc,
// base/command_line.cc).
//
//   chromium_win hold USER_DATA READY RELEASE
//       Creates USER_DATA\lockfile (FILE_SHARE_READ, FILE_FLAG_DELETE_ON_CLOSE) and holds the
//       newest Sessions\Session_<T> of every profile open with no sharing, moving on to a newer
//       one when the browser makes it; prints "held PROFILE\Sessions\Session_<T>" at each. Creates
//       READY once the lock file and a session file are held, and runs until RELEASE exists (a
//       clean end: everything is closed, the lock file goes) or it is killed (a crash).
//   chromium_win probe FILE
//       Opens FILE as a reader of the browser's files does (all sharing) and prints "readable N"
//       (its size) / "held" (a sharing violation) / "missing" / "error CODE"; exit 0 / 1 / 3 / 4.
//   chromium_win args < LINE
//       Splits the command line LINE (UTF-8, the arguments after the program's name, as
//       recorder.exe writes them) as Chrome on Windows does and prints one argument a line.
//
// Paths are Windows paths. Exit status 2: bad use, or the lock file could not be created.
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "window_tool.h"

namespace {

using e2e_tool::Handle;
using e2e_tool::Print;
using e2e_tool::ToUtf8;

void PrintError(const std::string& line) {
  e2e_tool::PrintErrorOf("chromium_win", line);
}

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// FOLDER\NAME.
std::wstring Child(std::wstring folder, std::wstring_view name) {
  folder += L'\\';
  folder += name;
  return folder;
}

// Handle's deleter closes any value: INVALID_HANDLE_VALUE must never be owned.
Handle Owned(HANDLE handle) {
  return Handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

struct FindCloser {
  void operator()(HANDLE h) const { ::FindClose(h); }
};
using FindHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, FindCloser>;

// The names in FOLDER matching PATTERN; folders only, or files only.
std::vector<std::wstring> Names(const std::wstring& folder, const wchar_t* pattern, bool folders) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry{};
  HANDLE first = ::FindFirstFileW(Child(folder, pattern).c_str(), &entry);
  if (first == INVALID_HANDLE_VALUE) return names;
  const FindHandle find(first);
  do {
    const bool folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const std::wstring name = entry.cFileName;
    if (folder == folders && name != L"." && name != L"..") names.push_back(name);
  } while (::FindNextFileW(find.get(), &entry));
  return names;
}

// T of "Session_<T>", or -1.
std::int64_t SessionTime(const std::wstring& name) {
  constexpr std::wstring_view kPrefix = L"Session_";
  if (name.size() <= kPrefix.size() || name.compare(0, kPrefix.size(), kPrefix) != 0) return -1;
  std::int64_t time = 0;
  for (std::size_t i = kPrefix.size(); i < name.size(); ++i) {
    if (name[i] < L'0' || name[i] > L'9' || time > (INT64_MAX - 9) / 10) return -1;
    time = time * 10 + (name[i] - L'0');
  }
  return time;
}

struct HeldSession {
  std::int64_t time = -1;
  Handle file;
};

// One round of the hold: every profile's newest session file held, the older one let go once
// the newer is held. A file the browser deletes between the listing and the open is tried again
// next round. Returns whether any session file is held.
bool HoldNewest(const std::wstring& userData, std::map<std::wstring, HeldSession>& held) {
  for (const std::wstring& profile : Names(userData, L"*", true)) {
    const std::wstring sessions = Child(Child(userData, profile), L"Sessions");
    std::wstring newest;
    std::int64_t newestTime = -1;
    for (const std::wstring& name : Names(sessions, L"Session_*", false)) {
      const std::int64_t time = SessionTime(name);
      if (time > newestTime) {
        newestTime = time;
        newest = name;
      }
    }
    HeldSession& current = held[profile];
    if (newestTime <= current.time) continue;
    // Chrome writes the file it holds; reading is enough to deny every other opener.
    Handle file = Owned(::CreateFileW(Child(sessions, newest).c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) continue;
    current.time = newestTime;
    current.file = std::move(file);
    Print("held " + ToUtf8(Child(Child(profile, L"Sessions"), newest)));
  }
  for (const auto& entry : held) {
    if (entry.second.file) return true;
  }
  return false;
}

int Hold(const std::wstring& userData, const std::wstring& ready, const std::wstring& release) {
  // As process_singleton_win.cc creates it: others may read it, and it goes when its last handle
  // closes, however the process ends.
  const Handle lock = Owned(
      ::CreateFileW(Child(userData, L"lockfile").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!lock) {
    PrintError("cannot create the lock file (error " + std::to_string(::GetLastError()) + ")");
    return 2;
  }
  std::map<std::wstring, HeldSession> held;
  bool signalled = false;
  while (!Exists(release)) {
    if (HoldNewest(userData, held) && !signalled) {
      const Handle signal = Owned(::CreateFileW(ready.c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!signal) {
        PrintError("cannot create the ready file (error " + std::to_string(::GetLastError()) + ")");
        return 2;
      }
      signalled = true;
    }
    ::Sleep(50);
  }
  return 0;
}

int Probe(const std::wstring& path) {
  const Handle file = Owned(::CreateFileW(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_SHARING_VIOLATION) {
      Print("held");
      return 1;
    }
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      Print("missing");
      return 3;
    }
    Print("error " + std::to_string(error));
    return 4;
  }
  // Read to the end: opened is not yet read.
  std::uint64_t size = 0;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) size += got;
  Print("readable " + std::to_string(size));
  return 0;
}

int Args() {
  std::string line;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &got, nullptr) &&
         got > 0) {
    line.append(buffer, got);
  }
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  std::wstring wide(static_cast<std::size_t>(::MultiByteToWideChar(
                        CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0)),
                    L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), wide.data(),
                        static_cast<int>(wide.size()));
  // The first word of a command line is split by other rules: a stand-in program name goes first.
  const std::wstring command = L"program " + wide;
  int argc = 0;
  const std::unique_ptr<LPWSTR, e2e_tool::LocalFreeDeleter> argv(
      ::CommandLineToArgvW(command.c_str(), &argc));
  if (!argv) return 2;
  for (int i = 1; i < argc; ++i) Print(ToUtf8(argv.get()[i]));
  return 0;
}

}  // namespace

int main() {
  int argc = 0;
  const std::unique_ptr<LPWSTR, e2e_tool::LocalFreeDeleter> argv(
      ::CommandLineToArgvW(::GetCommandLineW(), &argc));
  const std::wstring command = argv && argc > 1 ? argv.get()[1] : L"";
  if (command == L"hold" && argc == 5) return Hold(argv.get()[2], argv.get()[3], argv.get()[4]);
  if (command == L"probe" && argc == 3) return Probe(argv.get()[2]);
  if (command == L"args" && argc == 2) return Args();
  PrintError("usage: chromium_win hold USER_DATA READY RELEASE | probe FILE | args < LINE");
  return 2;
}
