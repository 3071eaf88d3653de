// holdfile: keeps a file open with no sharing at all, as an editor, a backup program or a virus
// scanner may, so that the end-to-end tests can show what pagemind.exe does when it cannot
// replace that file.
//
//   holdfile FILE READY RELEASE TIMEOUT_MS
//
// Opens FILE (which must exist) with share mode 0, then creates the file READY so the test knows
// the hold is in place, and keeps FILE open until the file RELEASE exists or TIMEOUT_MS pass.
// Paths are Windows paths. Exit status: 0 released by RELEASE, 1 timed out, 2 could not open.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <thread>
#include <type_traits>

namespace {

struct HandleCloser {
  void operator()(HANDLE h) const {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

struct LocalFreeDeleter {
  void operator()(LPWSTR* p) const { LocalFree(p); }
};

bool Exists(const wchar_t* path) {
  return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int main() {
  int argc = 0;
  std::unique_ptr<LPWSTR, LocalFreeDeleter> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
  if (!argv || argc != 5) {
    std::fprintf(stderr, "usage: holdfile FILE READY RELEASE TIMEOUT_MS\n");
    return 2;
  }
  const wchar_t* file = argv.get()[1];
  const wchar_t* ready = argv.get()[2];
  const wchar_t* release = argv.get()[3];
  const long timeoutMs = std::wcstol(argv.get()[4], nullptr, 10);

  const UniqueHandle held(CreateFileW(file, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (held.get() == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "holdfile: cannot open the file (error %lu)\n", GetLastError());
    return 2;
  }
  const UniqueHandle signal(
      CreateFileW(ready, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (signal.get() == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "holdfile: cannot create the ready file (error %lu)\n", GetLastError());
    return 2;
  }

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!Exists(release)) {
    if (std::chrono::steady_clock::now() >= deadline) return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return 0;
}
