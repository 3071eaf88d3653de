#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/native_host.h"

namespace pagemind::platform::win32 {
namespace {

// tests/CMakeLists.txt builds it beside the test program, as a download lands beside
// pagemind.exe.
constexpr wchar_t kPlanted[] = L"pagemind_planted.dll";

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

SetDefaultDllDirectoriesFunction SetDefaultDllDirectories() {
  return reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
}

// Loads by name, as a system library loads what it needs on demand.
bool LoadsByName() {
  const HMODULE module = ::LoadLibraryW(kPlanted);
  if (module == nullptr) return false;
  ::FreeLibrary(module);
  return true;
}

// The search order of a process that changed nothing, for the tests that run after this one.
void RestoreDefaultSearch() {
  ::SetDllDirectoryW(nullptr);
  if (const auto set = SetDefaultDllDirectories()) set(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

TEST(Win32LibrarySearch, TheProgramLoadsNoLibraryFromItsOwnFolderByName) {
  ASSERT_NE(SetDefaultDllDirectories(), nullptr) << "every system this test runs on has it";
  RestoreDefaultSearch();
  ASSERT_TRUE(LoadsByName()) << "the test's library is not beside the test program";
  {
    NativeHost host;
    EXPECT_FALSE(LoadsByName()) << "a library beside the program was loaded by name";
    const HMODULE system = ::LoadLibraryW(L"comdlg32.dll");
    EXPECT_NE(system, nullptr) << "the system's own libraries still load by name";
    if (system != nullptr) ::FreeLibrary(system);
  }
  RestoreDefaultSearch();
  EXPECT_TRUE(LoadsByName());
}

}  // namespace
}  // namespace pagemind::platform::win32

#endif  // _WIN32
