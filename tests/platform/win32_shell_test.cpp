#ifdef _WIN32

#include <objbase.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/win32/com_shell.h"
#include "test_support.h"

namespace pagemind::platform::win32 {
namespace {

// What the shell starts runs in the folder the caller names, not in the caller's current one.
TEST(Win32Shell, OpenStartsTheHandlerInTheGivenFolder) {
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  {
    const testing::TempFolder temp;
    const auto scripts = temp.path() / "scripts";
    const auto working = temp.path() / "working folder";
    std::filesystem::create_directories(scripts);
    std::filesystem::create_directories(working);
    // The script writes the folder it runs in beside itself (%~dp0), whatever that folder is.
    testing::WriteBytes(scripts / "where.bat", "@cd > \"%~dp0where.txt\"\r\n");
    const auto shell = MakeComShell();
    const std::u8string script = (scripts / "where.bat").u8string();
    ASSERT_TRUE(shell->OpenWithShell(std::string(script.begin(), script.end()), working));

    const auto answer = scripts / "where.txt";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string where;
    // cmd creates the file before it writes to it: wait for the whole line.
    while (where.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (std::filesystem::exists(answer)) where = testing::ReadBytes(answer);
    }
    ASSERT_NE(where.find('\n'), std::string::npos) << "the script never ran";
    where.erase(where.find_last_not_of("\r\n") + 1);
    EXPECT_TRUE(std::filesystem::equivalent(where, working)) << where;
  }
  ::CoUninitialize();
}

}  // namespace
}  // namespace pagemind::platform::win32

#endif  // _WIN32
