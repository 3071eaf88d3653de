#ifdef _WIN32
// What only the Windows registry and process API show: value types, quotes, the two registry
// views and the system's own error codes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/programs.h"
#include "platform/win32/text.h"
#include "test_support.h"

namespace pagemind::platform::win32 {
namespace {

using testing::TempFolder;
using testing::WriteBytes;

class Win32Programs : public ::testing::Test {
 protected:
  void SetUp() override {
    executable_ = temp_.path() / L"ブラウザ" / "browser.exe";
    std::filesystem::create_directory(executable_.parent_path());
    WriteBytes(executable_, "MZ");
  }
  void TearDown() override {
    for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
      for (const auto& name : names_) {
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, (subkey_ + L"\\" + name).c_str(), view, 0);
      }
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, subkey_.c_str());
  }
  // The registration's default value, of the given type and in the given registry view.
  void Register(HKEY root, REGSAM view, const wchar_t* name, DWORD type, const std::wstring& text) {
    names_.emplace_back(name);
    UniqueRegistryKey key;
    ASSERT_EQ(::RegCreateKeyExW(root, (subkey_ + L"\\" + name).c_str(), 0, nullptr, 0,
                                KEY_SET_VALUE | view, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(
        ::RegSetValueExW(key.get(), nullptr, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
        ERROR_SUCCESS);
  }

  TempFolder temp_;
  std::filesystem::path executable_;
  std::vector<std::wstring> names_;
  const std::wstring subkey_ =
      L"Software\\Pagemind tests\\app paths " + std::to_wstring(::GetCurrentProcessId());
  WindowsPrograms programs_{subkey_};
};

TEST_F(Win32Programs, ReadsTheDefaultValueExpandedAndWithoutItsQuotes) {
  ::SetEnvironmentVariableW(L"PM_TEST_BROWSERS", temp_.path().c_str());
  Register(HKEY_CURRENT_USER, 0, L"expand.exe", REG_EXPAND_SZ,
           L"%PM_TEST_BROWSERS%\\ブラウザ\\browser.exe");
  Register(HKEY_CURRENT_USER, 0, L"quoted.exe", REG_SZ, L" \"" + executable_.native() + L"\" ");
  Register(HKEY_CURRENT_USER, 0, L"plain.exe", REG_SZ,
           L"%PM_TEST_BROWSERS%\\ブラウザ\\browser.exe");
  Register(HKEY_CURRENT_USER, 0, L"number.exe", REG_DWORD, L"ab");
  EXPECT_EQ(programs_.Find("expand.exe"), executable_);
  EXPECT_EQ(programs_.Find("quoted.exe"), executable_);
  EXPECT_EQ(programs_.Find("plain.exe"), std::nullopt) << "a plain text is taken as written";
  EXPECT_EQ(programs_.Find("number.exe"), std::nullopt);
}

TEST_F(Win32Programs, FindsAMachineRegistrationInEitherRegistryView) {
  const auto other = temp_.path() / "other.exe";
  WriteBytes(other, "MZ");
  Register(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, L"only32.exe", REG_SZ, executable_.native());
  EXPECT_EQ(programs_.Find("only32.exe"), executable_) << "a 32-bit installer's registration";

  Register(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, L"both.exe", REG_SZ, other.native());
  Register(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, L"both.exe", REG_SZ, executable_.native());
  EXPECT_EQ(programs_.Find("both.exe"), other) << "the 64-bit view first";
  std::filesystem::remove(other);
  EXPECT_EQ(programs_.Find("both.exe"), executable_);
}

TEST(Win32ProgramsOfTheUser, FindsARegistrationOfTheRealAppPathsKey) {
  TempFolder temp;
  const auto executable = temp.path() / "browser.exe";
  WriteBytes(executable, "MZ");
  const std::wstring name = L"pagemind-test-" + std::to_wstring(::GetCurrentProcessId()) + L".exe";
  const std::wstring key = std::wstring(WindowsPrograms::kAppPathsSubkey) + L"\\" + name;
  const std::wstring& text = executable.native();
  ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), nullptr, REG_SZ, text.c_str(),
                              static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  WindowsPrograms programs;
  EXPECT_EQ(programs.Find(Narrow(name)), executable);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
  EXPECT_EQ(programs.Find(Narrow(name)), std::nullopt);
}

TEST_F(Win32Programs, StartReportsTheSystemsCodes) {
  const auto missing = programs_.Start(temp_.path() / "missing.exe", {});
  EXPECT_EQ(missing, std::error_code(ERROR_FILE_NOT_FOUND, std::system_category()));
  // A file that is no program: the system refuses it for what it is.
  const auto notAProgram = programs_.Start(executable_, {});
  EXPECT_TRUE(notAProgram);
  EXPECT_EQ(notAProgram.category(), std::system_category());
  EXPECT_NE(notAProgram.value(), ERROR_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace pagemind::platform::win32

#endif  // _WIN32
