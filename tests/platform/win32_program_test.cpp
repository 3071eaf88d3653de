#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/win32/running_program.h"

namespace pagemind::platform::win32 {
namespace {

// A mutex name of this test run's own, so that a running Pagemind or another test cannot
// disturb the result.
std::wstring TestMutexName(const wchar_t* tag) {
  return L"Local\\Pagemind.Test." + std::to_wstring(::GetCurrentProcessId()) + L"." + tag;
}

TEST(Win32RunningProgram, FirstInstanceClaimsTheNameUntilItEnds) {
  const std::wstring name = TestMutexName(L"claim");
  {
    RunningProgram first(name);
    EXPECT_FALSE(first.AnotherInstanceRunning());
    // Asking again does not turn the claimant into its own rival.
    EXPECT_FALSE(first.AnotherInstanceRunning());

    RunningProgram second(name);
    EXPECT_TRUE(second.AnotherInstanceRunning());
    EXPECT_TRUE(second.AnotherInstanceRunning());
  }
  RunningProgram later(name);
  EXPECT_FALSE(later.AnotherInstanceRunning());
}

TEST(Win32RunningProgram, RefusedInstanceDoesNotKeepTheNameAlive) {
  const std::wstring name = TestMutexName(L"refused");
  auto first = std::make_unique<RunningProgram>(name);
  ASSERT_FALSE(first->AnotherInstanceRunning());
  RunningProgram second(name);
  ASSERT_TRUE(second.AnotherInstanceRunning());
  first.reset();
  RunningProgram third(name);
  EXPECT_FALSE(third.AnotherInstanceRunning());
}

TEST(Win32RunningProgram, FolderIsTheExecutablesFolderWithoutTrailingBackslash) {
  wchar_t module[MAX_PATH * 4] = {};
  ASSERT_GT(::GetModuleFileNameW(nullptr, module, MAX_PATH * 4), 0u);
  const std::filesystem::path expected = std::filesystem::path(module).parent_path();

  RunningProgram program(TestMutexName(L"folder"));
  const std::filesystem::path folder = program.Folder();
  EXPECT_EQ(folder, expected);
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  const std::wstring text = folder.native();
  ASSERT_FALSE(text.empty());
  if (folder != folder.root_path()) {
    EXPECT_NE(text.back(), L'\\');
  }
  EXPECT_TRUE(std::filesystem::exists(folder / std::filesystem::path(module).filename()));
}

}  // namespace
}  // namespace pagemind::platform::win32

#endif  // _WIN32
