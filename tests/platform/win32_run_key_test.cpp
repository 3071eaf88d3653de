#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/handles.h"
#include "platform/win32/run_key.h"

namespace pagemind::platform::win32 {
namespace {

// A key of this test run's own under HKEY_CURRENT_USER, gone again after each test.
class Win32RunKey : public ::testing::Test {
 protected:
  void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, parent_.c_str()); }

  // The value as the registry holds it: its type and its bytes as UTF-16.
  std::wstring Raw(const wchar_t* name, DWORD& type) const {
    wchar_t data[512] = {};
    DWORD bytes = sizeof(data);
    type = 0;
    const LSTATUS status = ::RegGetValueW(HKEY_CURRENT_USER, subkey_.c_str(), name,
                                          RRF_RT_ANY | RRF_NOEXPAND, &type, data, &bytes);
    EXPECT_EQ(status, ERROR_SUCCESS);
    return {data, bytes / sizeof(wchar_t)};
  }
  void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes) const {
    UniqueRegistryKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, subkey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), bytes),
              ERROR_SUCCESS);
  }

  const std::wstring parent_ =
      L"Software\\Pagemind tests\\run key " + std::to_wstring(::GetCurrentProcessId());
  const std::wstring subkey_ = parent_ + L"\\Run";
  RunKey key_{subkey_};
};

TEST_F(Win32RunKey, WritesUtf8AsAUtf16TextAndReadsItBack) {
  const std::string data = "\"C:\\Users\\山田 太郎\\ツール フォルダ\\pagemind.exe\"";
  ASSERT_FALSE(key_.Write("Pagemind", data)) << "the key is made when missing";
  DWORD type = 0;
  EXPECT_EQ(Raw(L"Pagemind", type),
            std::wstring(L"\"C:\\Users\\山田 太郎\\ツール フォルダ\\pagemind.exe\"") + L'\0');
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  std::error_code error;
  EXPECT_EQ(key_.Read("pagemind", error), data) << "value names have no case";
  EXPECT_FALSE(error);

  ASSERT_FALSE(key_.Write("Pagemind", "\"D:\\x.exe\""));
  EXPECT_EQ(key_.Read("Pagemind", error), "\"D:\\x.exe\"") << "a write replaces the value";
}

TEST_F(Win32RunKey, AMissingKeyOrValueReadsAsNothingAndRemovesWithoutError) {
  std::error_code error = std::make_error_code(std::errc::io_error);
  EXPECT_EQ(key_.Read("Pagemind", error), std::nullopt);
  EXPECT_FALSE(error) << "no key is no error";
  EXPECT_FALSE(key_.Remove("Pagemind"));

  ASSERT_FALSE(key_.Write("Other", "x"));
  EXPECT_EQ(key_.Read("Pagemind", error), std::nullopt);
  EXPECT_FALSE(error);
  EXPECT_FALSE(key_.Remove("Pagemind"));
  ASSERT_FALSE(key_.Write("Pagemind", "y"));
  EXPECT_FALSE(key_.Remove("Pagemind"));
  EXPECT_EQ(key_.Read("Pagemind", error), std::nullopt);
  EXPECT_EQ(key_.Read("Other", error), "x") << "only the named value goes";
}

TEST_F(Win32RunKey, ReadsTextsWithoutTheirNulLongOnesAndNoTextAsEmpty) {
  const wchar_t unterminated[] = {L'a', L'b', L'c'};
  SetRaw(L"Bare", REG_SZ, unterminated, sizeof(unterminated));
  const std::wstring expandable = L"%ProgramFiles%\\p.exe";
  SetRaw(L"Expand", REG_EXPAND_SZ, expandable.c_str(),
         static_cast<DWORD>((expandable.size() + 1) * sizeof(wchar_t)));
  const DWORD number = 1;
  SetRaw(L"Number", REG_DWORD, &number, sizeof(number));
  const std::wstring longText(3000, L'長');
  SetRaw(L"Long", REG_SZ, longText.c_str(),
         static_cast<DWORD>((longText.size() + 1) * sizeof(wchar_t)));

  std::error_code error;
  EXPECT_EQ(key_.Read("Bare", error), "abc");
  EXPECT_EQ(key_.Read("Expand", error), "%ProgramFiles%\\p.exe") << "read as written";
  EXPECT_EQ(key_.Read("Number", error), "");
  const auto read = key_.Read("Long", error);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->size(), 3000U * 3) << "each 長 is three bytes of UTF-8";
  EXPECT_FALSE(error);
}

TEST_F(Win32RunKey, AKeyThatCannotBeMadeFailsTheWriteWithTheSystemsCode) {
  // A key name longer than the registry allows (255 characters).
  RunKey tooLong(parent_ + L"\\" + std::wstring(300, L'k'));
  const auto error = tooLong.Write("Pagemind", "x");
  EXPECT_TRUE(error);
  EXPECT_EQ(error.category(), std::system_category());
}

TEST(Win32RunKeyOfTheUser, WritesAndRemovesAValueOfTheRealRunKey) {
  RunKey run;
  const std::string name = "Pagemind test " + std::to_string(::GetCurrentProcessId());
  ASSERT_FALSE(run.Write(name, "\"C:\\t.exe\""));
  wchar_t data[64] = {};
  DWORD bytes = sizeof(data);
  const std::wstring wideName(name.begin(), name.end());
  EXPECT_EQ(::RegGetValueW(HKEY_CURRENT_USER, RunKey::kRunSubkey, wideName.c_str(), RRF_RT_REG_SZ,
                           nullptr, data, &bytes),
            ERROR_SUCCESS);
  EXPECT_STREQ(data, L"\"C:\\t.exe\"");
  EXPECT_FALSE(run.Remove(name));
  std::error_code error;
  EXPECT_EQ(run.Read(name, error), std::nullopt);
}

}  // namespace
}  // namespace pagemind::platform::win32

#endif  // _WIN32
