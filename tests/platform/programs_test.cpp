// The Programs port's contract, against the build's own platform: natively the headless
// stand-in, under Wine the App Paths registry and real processes.
#include "platform/programs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "common/paths.h"
#include "platform/argv_split.h"
#include "platform/command_line.h"
#include "platform/native.h"
#include "test_support.h"

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>

#include "platform/win32/handles.h"
#include "platform/win32/programs.h"
#include "platform/win32/text.h"
#else
#include "platform/headless/headless_platform.h"
#endif

namespace pagemind::platform {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

enum class Scope { kUser, kMachine };

#ifdef _WIN32
// Registrations go under a key of this test run's own, under both roots.
class Fixture : public ::testing::Test {
 protected:
  void TearDown() override {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, subkey_.c_str());
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, subkey_.c_str());
  }
  void Register(Scope scope, const std::string& name, const std::string& path) {
    const std::wstring key = subkey_ + L"\\" + win32::Widen(name);
    const std::wstring text = win32::Widen(path);
    const LSTATUS status = ::RegSetKeyValueW(
        scope == Scope::kUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, key.c_str(), nullptr,
        REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    ASSERT_EQ(status, ERROR_SUCCESS);
  }
  // The recorder that tests/e2e/tools/recorder.cpp builds into, beside this test program.
  static std::filesystem::path Executable(const TempFolder&) {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    return std::filesystem::path(self).parent_path() / "recorder.exe";
  }
  // The arguments the started recorder's command line holds, split by the system.
  std::vector<std::string> Received(const TempFolder& temp) {
    const auto log = LogFile(temp);
    std::string line;
    for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);;) {
      std::error_code ignored;
      if (std::filesystem::exists(log, ignored)) line = ReadBytes(log);
      if (!line.empty() && line.back() == '\n') break;
      if (std::chrono::steady_clock::now() > deadline) {
        ADD_FAILURE() << "the started program recorded nothing";
        return {};
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    line.pop_back();
    int count = 0;
    wchar_t** argv = ::CommandLineToArgvW(win32::Widen("\"x\" " + line).c_str(), &count);
    std::vector<std::string> words;
    for (int i = 1; i < count; ++i) words.push_back(win32::Narrow(argv[i]));
    ::LocalFree(argv);
    return words;
  }
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(Executable(temp_)));
    ::SetEnvironmentVariableW(L"PM_RECORDER_LOG", LogFile(temp_).c_str());
  }
  static std::filesystem::path LogFile(const TempFolder& temp) { return temp.path() / "args.log"; }

  TempFolder temp_;
  const std::wstring subkey_ =
      L"Software\\Pagemind tests\\app paths " + std::to_wstring(::GetCurrentProcessId());
  win32::WindowsPrograms programs_{subkey_};
};
#else
class Fixture : public ::testing::Test {
 protected:
  void Register(Scope scope, const std::string& name, const std::string& path) {
    (scope == Scope::kUser ? programs_.userRegistrations : programs_.machineRegistrations)[name] =
        path;
  }
  static std::filesystem::path Executable(const TempFolder& temp) {
    WriteBytes(temp.path() / "browser.exe", "MZ");
    return temp.path() / "browser.exe";
  }
  std::vector<std::string> Received(const TempFolder&) {
    if (programs_.started.empty()) return {};
    auto words = testing::SplitCommandLine(programs_.started.back().commandLine);
    words.erase(words.begin());
    return words;
  }

  TempFolder temp_;
  headless::Journal journal_;
  headless::HeadlessPrograms programs_{journal_};
};
#endif

using ProgramsContract = Fixture;

TEST_F(ProgramsContract, FindTakesTheUsersRegistrationBeforeTheMachinesWhenItsFileExists) {
  const auto user = temp_.path() / "user" / "browser.exe";
  const auto machine = temp_.path() / "machine browser.exe";
  std::filesystem::create_directory(temp_.path() / "user");
  WriteBytes(user, "MZ");
  WriteBytes(machine, "MZ");
  EXPECT_EQ(programs_.Find("pm-browser.exe"), std::nullopt) << "nothing registered";

  Register(Scope::kMachine, "pm-browser.exe", Utf8FromPath(machine));
  EXPECT_EQ(programs_.Find("pm-browser.exe"), machine);
  Register(Scope::kUser, "pm-browser.exe", Utf8FromPath(user));
  EXPECT_EQ(programs_.Find("PM-Browser.EXE"), user) << "names have no case";

  std::filesystem::remove(user);
  EXPECT_EQ(programs_.Find("pm-browser.exe"), machine) << "a stale registration hides none";
  std::filesystem::remove(machine);
  EXPECT_EQ(programs_.Find("pm-browser.exe"), std::nullopt);
  EXPECT_EQ(programs_.Find("other.exe"), std::nullopt);
}

TEST_F(ProgramsContract, FindWantsAFileNamedByItsFullPath) {
  std::filesystem::create_directory(temp_.path() / "folder.exe");
  Register(Scope::kUser, "folder.exe", Utf8FromPath(temp_.path() / "folder.exe"));
  Register(Scope::kUser, "relative.exe", "relative.exe");
  Register(Scope::kUser, "empty.exe", "");
  EXPECT_EQ(programs_.Find("folder.exe"), std::nullopt) << "a folder is no program";
  EXPECT_EQ(programs_.Find("relative.exe"), std::nullopt);
  EXPECT_EQ(programs_.Find("empty.exe"), std::nullopt);
  EXPECT_EQ(programs_.Find(""), std::nullopt);
}

TEST_F(ProgramsContract, StartHandsEveryArgumentOverExactly) {
  const std::vector<std::string> arguments{
      "--profile-directory=Profile 1",
      "--new-window",
      "--",
      "http://127.0.0.1/a?b=c&d=%PATH%^|<x>",
      "",
      "say \"hi\"",
      "C:\\my dir\\",
      "a\\\\\"b\\",
      "http://127.0.0.1/日本語 𠮷",
      "-P",
      "\t",
  };
  ASSERT_FALSE(programs_.Start(Executable(temp_), arguments));
  EXPECT_EQ(Received(temp_), arguments);
}

TEST_F(ProgramsContract, StartTakesALineUpToTheSystemsLimit) {
  // Many pages at once: the longest line Windows takes arrives whole.
  std::vector<std::string> arguments;
  std::string line;
  std::size_t length = 0;
  const auto executable = Executable(temp_);
  for (int i = 0;; ++i) {
    arguments.push_back("http://127.0.0.1/" + std::to_string(i) + "/" + std::string(200, 'p'));
    if (BuildCommandLine(Utf8FromPath(executable), arguments, line)) break;
    length = line.size();
  }
  // The last address overflowed: it keeps what room is left after its blank.
  arguments.back().resize(kCommandLineLimit - length - 1);
  std::string longest;
  ASSERT_FALSE(BuildCommandLine(Utf8FromPath(executable), arguments, longest));
  ASSERT_EQ(longest.size(), kCommandLineLimit);
  ASSERT_FALSE(programs_.Start(executable, arguments));
  EXPECT_EQ(Received(temp_), arguments);
}

TEST_F(ProgramsContract, WhatCannotStartSaysWhyAndStartsNothing) {
  const auto files = MakeFileSystem();
  const auto missing = temp_.path() / "missing.exe";
  const auto error = programs_.Start(missing, std::vector<std::string>{"x"});
  EXPECT_TRUE(error);
  EXPECT_FALSE(files->DescribeError(error).empty());
  const std::vector<std::string> nul{std::string("a\0b", 3)};
  EXPECT_EQ(programs_.Start(Executable(temp_), nul), StartError::kNulInArgument);
  EXPECT_FALSE(std::filesystem::exists(temp_.path() / "args.log"));
}

#ifndef _WIN32
TEST(HeadlessPrograms, ThePortsReachTheStandInWhichRecordsEachStart) {
  TempFolder temp;
  headless::HeadlessPlatform platform(temp.path());
  const auto browser = temp.path() / "chrome.exe";
  WriteBytes(browser, "MZ");
  platform.programs.machineRegistrations["chrome.exe"] = browser;
  Programs& programs = platform.ports().programs;
  ASSERT_EQ(programs.Find("chrome.exe"), browser);
  const std::vector<std::string> arguments{"--new-window", "--", "http://127.0.0.1/a b"};
  ASSERT_FALSE(programs.Start(browser, arguments));
  ASSERT_EQ(platform.programs.started.size(), 1U);
  EXPECT_EQ(platform.programs.started[0].executable, browser);
  EXPECT_EQ(platform.programs.started[0].arguments, arguments);
  EXPECT_EQ(platform.journal.entries().back(),
            "start \"" + Utf8FromPath(browser) + "\" --new-window -- \"http://127.0.0.1/a b\"");

  platform.programs.startError = std::make_error_code(std::errc::permission_denied);
  EXPECT_EQ(programs.Start(browser, arguments), std::errc::permission_denied);
  EXPECT_EQ(platform.programs.started.size(), 1U) << "a failed start is no start";
}
#endif

}  // namespace
}  // namespace pagemind::platform
