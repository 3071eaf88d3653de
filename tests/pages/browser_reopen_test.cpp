// A browser's set opened again in its own browser: what the browser is started with, and where
// the pages go when it cannot be.
#include "pages/browser_reopen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/paths.h"
#include "platform/command_line.h"
#include "platform/headless/files.h"
#include "platform/headless/headless_programs.h"
#include "platform/headless/scripted_shell.h"
#include "test_support.h"

namespace pagemind::pages {
namespace {

using Arguments = std::vector<std::string>;

const PageSource kChrome{"Google Chrome", "Profile 1"};

PageSet SetOf(const PageSource& source, const std::vector<std::pair<std::string, int>>& pages) {
  PageSet set{.time = 1};
  for (const auto& [address, window] : pages) {
    set.pages.push_back({address, "", source, static_cast<std::uint32_t>(window)});
  }
  set.browser = BrowserSetOrigin{.source = source, .profileName = "", .session = 5};
  return set;
}

Arguments Leading(const std::string& profile) {
  return {"--profile-directory=" + profile, "--new-window", "--"};
}

Arguments Plus(Arguments arguments, const Arguments& pages) {
  arguments.insert(arguments.end(), pages.begin(), pages.end());
  return arguments;
}

class BrowserReopenTest : public ::testing::Test {
 protected:
  BrowserReopenTest() {
    std::filesystem::create_directories(chrome.parent_path());
    testing::WriteBytes(chrome, "MZ");
    programs.userRegistrations["chrome.exe"] = chrome;
  }

  std::vector<Arguments> Started() const {
    std::vector<Arguments> starts;
    for (const auto& start : programs.started) starts.push_back(start.arguments);
    return starts;
  }
  std::vector<std::string> Navigated() const {
    std::vector<std::string> addresses;
    for (const auto& call : shell.calls) {
      if (call.starts_with("Navigate2 ")) addresses.push_back(call.substr(10));
    }
    return addresses;
  }

  testing::TempFolder temp;
  const std::filesystem::path chrome = temp.path() / "Program Files" / "chrome.exe";
  const std::filesystem::path localAppData = temp.path() / "Local";
  platform::headless::Journal journal;
  platform::headless::HeadlessPrograms programs{journal};
  platform::headless::PosixFileSystem files;
  platform::headless::ScriptedShell shell;
  Reopener fallback{shell, files};
  BrowserReopener reopener{programs, files, localAppData, fallback};
};

TEST_F(BrowserReopenTest, EachWindowStartsOnceWithItsProfileAndItsPagesInOrder) {
  const auto set = SetOf(kChrome, {{"http://127.0.0.1/b", 0},
                                   {"http://127.0.0.1/a", 0},
                                   {"https://127.0.0.1/-not-a-switch", 1},
                                   {"http://127.0.0.1/c", 2},
                                   {"http://127.0.0.1/d", 2}});
  EXPECT_TRUE(reopener.Open(set).empty());
  EXPECT_EQ(Started(),
            (std::vector<Arguments>{
                Plus(Leading("Profile 1"), {"http://127.0.0.1/b", "http://127.0.0.1/a"}),
                Plus(Leading("Profile 1"), {"https://127.0.0.1/-not-a-switch"}),
                Plus(Leading("Profile 1"), {"http://127.0.0.1/c", "http://127.0.0.1/d"})}));
  for (const auto& start : programs.started) EXPECT_EQ(start.executable, chrome);
  EXPECT_TRUE(shell.calls.empty());
}

TEST_F(BrowserReopenTest, PagesChosenFromSeveralWindowsOpenInOneWindow) {
  EXPECT_TRUE(
      reopener.OpenInOneWindow(kChrome, {"http://127.0.0.1/x", "http://127.0.0.1/y"}).empty());
  EXPECT_EQ(Started(), (std::vector<Arguments>{Plus(
                           Leading("Profile 1"), {"http://127.0.0.1/x", "http://127.0.0.1/y"})}));
}

TEST_F(BrowserReopenTest, AProfileInTheUserDataFolderItselfIsNotNamed) {
  const auto opera = temp.path() / "Opera" / "launcher.exe";
  std::filesystem::create_directories(opera.parent_path());
  testing::WriteBytes(opera, "MZ");
  programs.machineRegistrations["opera.exe"] = opera;
  EXPECT_TRUE(reopener.Open(SetOf({"Opera", "."}, {{"http://127.0.0.1/o", 0}})).empty());
  ASSERT_EQ(programs.started.size(), 1u);
  EXPECT_EQ(programs.started[0].executable, opera);
  EXPECT_EQ(programs.started[0].arguments, (Arguments{"--new-window", "--", "http://127.0.0.1/o"}));
}

TEST_F(BrowserReopenTest, RefusedAddressesAreReturnedAndFilesGoAsTheirCheckedPath) {
  testing::WriteBytes(temp.path() / "notes.txt", "x");
  const std::string base = "file://" + Utf8FromPath(temp.path());
  const auto set = SetOf(kChrome, {{"javascript:alert(1)", 0},
                                   {"http://127.0.0.1/a", 0},
                                   {base + "/missing.html", 0},
                                   {base + "/notes.txt", 0},
                                   {"chrome://settings", 0}});
  EXPECT_EQ(reopener.Open(set),
            (std::vector<std::string>{"javascript:alert(1)", base + "/missing.html",
                                      "chrome://settings"}));
  EXPECT_EQ(
      Started(),
      (std::vector<Arguments>{Plus(
          Leading("Profile 1"), {"http://127.0.0.1/a", Utf8FromPath(temp.path() / "notes.txt")})}));
}

TEST_F(BrowserReopenTest, AWindowTooLongForOneCommandLineIsSplitWhereItMustBe) {
  std::vector<std::pair<std::string, int>> pages;
  Arguments all;
  for (int i = 0; i < 100; ++i) {
    // Half of each address is Japanese: the limit counts UTF-16 units, not bytes.
    all.push_back("http://127.0.0.1/" + std::to_string(i) + "/" + std::string(300, 'x') + "/");
    for (int k = 0; k < 100; ++k) all.back() += "日";
    pages.emplace_back(all.back(), 0);
  }
  EXPECT_TRUE(reopener.Open(SetOf(kChrome, pages)).empty());
  ASSERT_GE(programs.started.size(), 2u);
  Arguments opened;
  const auto program = Utf8FromPath(chrome);
  for (std::size_t s = 0; s < programs.started.size(); ++s) {
    const auto& arguments = programs.started[s].arguments;
    ASSERT_GT(arguments.size(), 3u);
    EXPECT_EQ(Arguments(arguments.begin(), arguments.begin() + 3), Leading("Profile 1"));
    EXPECT_LE(platform::Utf16Length(programs.started[s].commandLine), platform::kCommandLineLimit);
    opened.insert(opened.end(), arguments.begin() + 3, arguments.end());
    if (s + 1 < programs.started.size()) {
      // Full: the next window's first page would not have fitted in this one.
      auto more = arguments;
      more.push_back(programs.started[s + 1].arguments[3]);
      std::string line;
      EXPECT_EQ(platform::BuildCommandLine(program, more, line),
                platform::StartError::kCommandLineTooLong)
          << "start " << s << " was split before it was full";
    }
  }
  EXPECT_EQ(opened, all) << "every page once, in order";
}

TEST_F(BrowserReopenTest, AnAddressNoCommandLineCanHoldIsReturnedAndSplitsNothing) {
  const std::string huge = "http://127.0.0.1/" + std::string(platform::kCommandLineLimit, 'h');
  const std::string nul = std::string("http://127.0.0.1/nul") + '\0' + "x";
  const auto set = SetOf(kChrome, {{"http://127.0.0.1/a", 0},
                                   {huge, 0},
                                   {"http://127.0.0.1/b", 0},
                                   {nul, 0},
                                   {"http://127.0.0.1/c", 1}});
  EXPECT_EQ(reopener.Open(set), (std::vector<std::string>{huge, nul}));
  EXPECT_EQ(Started(), (std::vector<Arguments>{
                           Plus(Leading("Profile 1"), {"http://127.0.0.1/a", "http://127.0.0.1/b"}),
                           Plus(Leading("Profile 1"), {"http://127.0.0.1/c"})}));
}

TEST_F(BrowserReopenTest, AFailedStartReturnsItsPagesAndTheOtherWindowsStillTry) {
  programs.startError = std::make_error_code(std::errc::permission_denied);
  const auto set = SetOf(kChrome, {{"http://127.0.0.1/a", 0},
                                   {"javascript:void(0)", 0},
                                   {"http://127.0.0.1/b", 0},
                                   {"http://127.0.0.1/c", 1}});
  EXPECT_EQ(reopener.Open(set),
            (std::vector<std::string>{"javascript:void(0)", "http://127.0.0.1/a",
                                      "http://127.0.0.1/b", "http://127.0.0.1/c"}));
  EXPECT_EQ(std::count_if(journal.entries().begin(), journal.entries().end(),
                          [](const std::string& entry) { return entry.starts_with("start "); }),
            2)
      << "one try per window";
  EXPECT_TRUE(shell.calls.empty()) << "a browser that is there but fails is not replaced";
}

TEST_F(BrowserReopenTest, WithoutTheBrowsersProgramThePagesGoTheShellsWay) {
  programs.userRegistrations.clear();
  // A registration whose file is gone counts for nothing.
  programs.machineRegistrations["msedge.exe"] = temp.path() / "gone" / "msedge.exe";
  for (const PageSource& source :
       {PageSource{"Microsoft Edge", "Default"}, PageSource{"Google Chrome", "Default"},
        PageSource{"A browser of the future", "Default"}, PageSource{}}) {
    SCOPED_TRACE(source.browser);
    shell.calls.clear();
    shell.failing = {};
    EXPECT_EQ(reopener.Open(SetOf(source, {{"http://127.0.0.1/a", 0},
                                           {"javascript:alert(1)", 0},
                                           {"http://127.0.0.1/b", 1}})),
              std::vector<std::string>{"javascript:alert(1)"});
    EXPECT_EQ(Navigated(), (std::vector<std::string>{"http://127.0.0.1/a", "http://127.0.0.1/b"}));
    shell.failing = {"CreateBrowser", "ShellExecute"};
    EXPECT_EQ(reopener.OpenInOneWindow(source, {"http://127.0.0.1/c"}),
              std::vector<std::string>{"http://127.0.0.1/c"});
  }
  EXPECT_TRUE(programs.started.empty());
}

TEST_F(BrowserReopenTest, APerUserInstallationIsFoundWhereNothingIsRegistered) {
  // Chromium registers no App Paths key of its own: only its per-user copy can be found.
  const auto chromium = localAppData / "Chromium" / "Application" / "chrome.exe";
  std::filesystem::create_directories(chromium.parent_path());
  testing::WriteBytes(chromium, "MZ");
  EXPECT_TRUE(reopener.Open(SetOf({"Chromium", "Default"}, {{"http://127.0.0.1/a", 0}})).empty());
  ASSERT_EQ(programs.started.size(), 1u);
  EXPECT_EQ(programs.started[0].executable, chromium)
      << "not chrome.exe's registration, which is Google Chrome's";

  programs.userRegistrations.clear();
  const auto perUserChrome = localAppData / "Google" / "Chrome" / "Application" / "chrome.exe";
  std::filesystem::create_directories(perUserChrome.parent_path());
  testing::WriteBytes(perUserChrome, "MZ");
  EXPECT_TRUE(reopener.Open(SetOf(kChrome, {{"http://127.0.0.1/b", 0}})).empty());
  ASSERT_EQ(programs.started.size(), 2u);
  EXPECT_EQ(programs.started[1].executable, perUserChrome);
}

}  // namespace
}  // namespace pagemind::pages
