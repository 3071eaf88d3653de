#include <gtest/gtest.h>

#include <algorithm>

#include "app/application.h"
#include "common/paths.h"
#include "pages/page_slots.h"
#include "pages/recovery_copy.h"
#include "platform/headless/headless_platform.h"
#include "test_support.h"
#include "tray/menu_commands.h"

namespace pagemind::app {
namespace {

using namespace std::chrono_literals;
using platform::UnloadReason;
using platform::headless::HeadlessForm;
using platform::headless::HeadlessPlatform;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

class StartupTest : public ::testing::Test {
 protected:
  void Settings(std::string_view text) { WriteBytes(temp.path() / "Pagemind.ini", text); }
  std::filesystem::path Slot(int k) const { return pages::SlotFilePath(temp.path(), k); }
  void PutSlot(int k, std::string_view bytes) const {
    std::filesystem::create_directories(temp.path() / "Log");
    WriteBytes(Slot(k), bytes);
  }
  HeadlessForm* Logo() const { return platform.ui.Find("Logo"); }
  HeadlessForm* MainForm() const { return platform.ui.Find("Main"); }
  void StartAndWaitForMain() {
    app.Start();
    platform.ui.Advance(3000ms);
    ASSERT_NE(MainForm(), nullptr);
  }
  // The journal entries that start with one of the prefixes, in order.
  std::vector<std::string> Steps(std::initializer_list<std::string_view> prefixes) const {
    std::vector<std::string> steps;
    for (const auto& entry : platform.journal.entries()) {
      for (auto prefix : prefixes) {
        if (entry.starts_with(prefix)) {
          steps.push_back(entry.substr(0, entry.find(' ', prefix.size())));
          break;
        }
      }
    }
    return steps;
  }

  TempFolder temp;
  HeadlessPlatform platform{temp.path()};
  Application app{platform.ports()};
};

TEST_F(StartupTest, SplashShowsTheVersionForThreeSecondsThenMainLoadsHidden) {
  app.Start();
  ASSERT_NE(Logo(), nullptr);
  EXPECT_TRUE(Logo()->IsVisible());
  EXPECT_EQ(Logo()->layout().caption, "Pagemind - 起動中...");
  EXPECT_EQ(Logo()->TextNamed("Label2"), "Ver:1.00");
  EXPECT_FALSE(Logo()->IsVisibleNamed("Label5"));
  EXPECT_TRUE(Logo()->closeRemoved());
  platform.ui.Advance(2999ms);
  EXPECT_NE(Logo(), nullptr);
  EXPECT_EQ(MainForm(), nullptr);
  platform.ui.Advance(1ms);
  EXPECT_EQ(Logo(), nullptr);
  ASSERT_NE(MainForm(), nullptr);
  EXPECT_FALSE(MainForm()->IsVisible());
  EXPECT_TRUE(MainForm()->closeRemoved());
  EXPECT_FALSE(MainForm()->IsVisibleNamed("Label1"));
  EXPECT_TRUE(std::filesystem::is_directory(temp.path() / "Log"));
  platform.ui.Advance(10s);
  EXPECT_NE(MainForm(), nullptr) << "the splash timer fires once";
  EXPECT_TRUE(platform.ui.messages().empty());
  EXPECT_FALSE(platform.program.ended());
}

TEST_F(StartupTest, SplashGivesWayToTheResidentProgramHoldingTheLastPages) {
  PutSlot(0, "http://127.0.0.1/");
  StartAndWaitForMain();
  EXPECT_EQ(Logo(), nullptr);
  EXPECT_EQ(app.host()->pageMemory().slots()[0], "http://127.0.0.1/");
  EXPECT_FALSE(std::filesystem::exists(Slot(0))) << "a slot file read is deleted";
  EXPECT_EQ(app.host()->pageMemory().cursor(), 0);
  ASSERT_EQ(platform.notifyArea.icons.size(), 1U);
  EXPECT_TRUE(platform.notifyArea.icons.front().icon->shown());
  EXPECT_TRUE(MainForm()->closeRemoved());
}

TEST_F(StartupTest, FolderIsMadeWhetherOrNotPagesAreRemembered) {
  Settings("[Settings]\r\nLog=0\r\n");
  StartAndWaitForMain();
  EXPECT_TRUE(std::filesystem::is_directory(temp.path() / "Log"));
  EXPECT_FALSE(app.host()->pageMemoryOn());
}

TEST_F(StartupTest, LogoZeroHidesTheSplashButNotTheStartUp) {
  Settings("[Settings]\r\nLogo=0\r\n");
  app.Start();
  ASSERT_NE(Logo(), nullptr);
  EXPECT_FALSE(Logo()->IsVisible());
  platform.ui.Advance(3000ms);
  EXPECT_NE(MainForm(), nullptr);
}

TEST_F(StartupTest, OnlyLogoZeroHidesTheSplash) {
  Settings("[Settings]\r\nLogo=2\r\n");
  app.Start();
  EXPECT_TRUE(Logo()->IsVisible());
}

TEST_F(StartupTest, DebugModeOneShowsBothIndicators) {
  Settings("[Debug]\r\nDebugMode=1\r\n");
  app.Start();
  EXPECT_TRUE(Logo()->IsVisibleNamed("Label5"));
  EXPECT_EQ(Logo()->TextNamed("Label5"), "デバッグモード ON");
  platform.ui.Advance(3000ms);
  EXPECT_TRUE(MainForm()->IsVisibleNamed("Label1"));
  EXPECT_EQ(MainForm()->TextNamed("Label1"), "Count:00");
}

TEST_F(StartupTest, DebugModeCountsOnlyAsExactlyOneInItsOwnSection) {
  Settings("[Debug]\r\nDebugMode=2\r\n[Settings]\r\nDebugMode=1\r\n");
  StartAndWaitForMain();
  EXPECT_FALSE(MainForm()->IsVisibleNamed("Label1"));
}

TEST_F(StartupTest, ASecondInstanceOnlySaysSoAndEnds) {
  platform.program.anotherInstance = true;
  app.Start();
  ASSERT_EQ(platform.ui.messages().size(), 1U);
  EXPECT_EQ(platform.ui.messages()[0].text, "二重起動はできません！");
  EXPECT_EQ(platform.ui.messages()[0].icon, platform::MessageIcon::kStop);
  EXPECT_TRUE(platform.program.ended());
  EXPECT_TRUE(Steps({"profile"}).empty()) << "the settings file is not read";
  EXPECT_TRUE(Logo() == nullptr || !Logo()->IsVisible());
  EXPECT_FALSE(std::filesystem::exists(temp.path() / "Log"));
}

TEST_F(StartupTest, UserClosesAreRefusedEverythingElseUnloads) {
  app.Start();
  Logo()->RequestClose(UnloadReason::kUserClose);
  ASSERT_NE(Logo(), nullptr);
  platform.ui.Advance(3000ms);
  ASSERT_NE(MainForm(), nullptr) << "the start-up goes on after a refused close";
  MainForm()->RequestClose(UnloadReason::kUserClose);
  EXPECT_NE(MainForm(), nullptr);
  EXPECT_FALSE(platform.program.ended());
  EXPECT_TRUE(platform.ui.messages().empty()) << "the refusal says nothing";
}

TEST_F(StartupTest, WindowsEndingTheSessionKeepsThePagesInTheRecoveryCopyOnly) {
  PutSlot(3, "http://127.0.0.1/three");
  StartAndWaitForMain();
  EXPECT_FALSE(std::filesystem::exists(Slot(3)));
  platform.shell.Open("http://127.0.0.1/open", "O");
  platform.ui.Advance(100ms);
  MainForm()->RequestClose(UnloadReason::kWindowsSession);
  EXPECT_EQ(MainForm(), nullptr);
  EXPECT_TRUE(platform.program.ended());
  EXPECT_TRUE(platform.ui.messages().empty());
  EXPECT_FALSE(std::filesystem::exists(Slot(3))) << "the slot files stand for an orderly end";
  EXPECT_EQ(ReadBytes(pages::RecoveryCopyPath(temp.path())),
            "Pagemind recovery 1\r\nhttp://127.0.0.1/open\r\nhttp://127.0.0.1/three\r\nend\r\n")
      << "written when Windows asked, not a second later";
}

TEST_F(StartupTest, EndCommandSavesEverySlotThenUnloadsAndEnds) {
  PutSlot(0, "http://127.0.0.1/a,b?c=\"d\"");
  WriteBytes(Slot(30), "http://127.0.0.1/\x93\xfa\x96\x7b");
  StartAndWaitForMain();
  EXPECT_EQ(app.host()->pageMemory().slots()[0], "http://127.0.0.1/a,b?c=\"d\"");
  EXPECT_EQ(app.host()->pageMemory().slots()[30], "http://127.0.0.1/日本");
  MainForm()->ChooseCommand(tray::kEndProgram);
  EXPECT_EQ(MainForm(), nullptr);
  EXPECT_TRUE(platform.program.ended());
  for (int k = 1; k < 30; ++k) EXPECT_EQ(ReadBytes(Slot(k)), "");
  EXPECT_EQ(ReadBytes(Slot(0)), "http://127.0.0.1/a,b?c=\"d\"");
  EXPECT_EQ(ReadBytes(Slot(30)), "http://127.0.0.1/\x93\xfa\x96\x7b");
  const auto& journal = platform.journal.entries();
  EXPECT_LT(std::find(journal.begin(), journal.end(), "replace " + Utf8FromPath(Slot(30))),
            std::find(journal.begin(), journal.end(), "Main destroy"))
      << "the slots are on disk before the window goes";
}

TEST_F(StartupTest, PageMemoryOffLeavesTheFilesAloneAndTheEndStillWritesThem) {
  for (const auto* value : {"0", "2", "yes"}) {
    TempFolder folder;
    HeadlessPlatform p(folder.path());
    WriteBytes(folder.path() / "Pagemind.ini", std::string("[Settings]\r\nLog=") + value + "\r\n");
    std::filesystem::create_directory(folder.path() / "Log");
    WriteBytes(pages::SlotFilePath(folder.path(), 4), "http://127.0.0.1/a-longer-old-address");
    const auto recovery = pages::RecoveryCopyPath(folder.path());
    WriteBytes(recovery, "Pagemind recovery 1\r\nhttp://127.0.0.1/older\r\nend\r\n");
    Application a(p.ports());
    a.Start();
    p.ui.Advance(3000ms);
    EXPECT_FALSE(a.host()->pageMemoryOn()) << value;
    EXPECT_EQ(a.host()->pageMemory().slots(), pages::PageSlots{}) << value;
    EXPECT_EQ(ReadBytes(pages::SlotFilePath(folder.path(), 4)),
              "http://127.0.0.1/a-longer-old-address");
    p.shell.Open("http://127.0.0.1/now", "N");
    p.ui.Advance(5s);
    p.ui.Find("Main")->ChooseCommand(tray::kEndProgram);
    EXPECT_EQ(ReadBytes(pages::SlotFilePath(folder.path(), 4)), "") << value;
    EXPECT_EQ(ReadBytes(pages::SlotFilePath(folder.path(), 0)), "http://127.0.0.1/now") << value;
    EXPECT_EQ(ReadBytes(recovery), "Pagemind recovery 1\r\nhttp://127.0.0.1/older\r\nend\r\n")
        << value << ": with page memory off the recovery copy is neither read, written nor deleted";
  }
}

TEST_F(StartupTest, PageMemoryIsOnWithoutASettingsFile) {
  PutSlot(0, "http://127.0.0.1/");
  StartAndWaitForMain();
  EXPECT_TRUE(app.host()->pageMemoryOn());
  EXPECT_EQ(app.host()->pageMemory().slots()[0], "http://127.0.0.1/");
}

TEST_F(StartupTest, LoadProblemsAreShownOnceTheSplashIsGoneAndTheProgramGoesOn) {
  std::filesystem::create_directory(temp.path() / "Log");
  WriteBytes(Slot(9), std::string(pages::kSlotFileLimit + 10, 'x'));
  WriteBytes(Slot(10), "http://127.0.0.1/ten");
  StartAndWaitForMain();
  ASSERT_EQ(platform.ui.messages().size(), 1U);
  const auto& message = platform.ui.messages()[0];
  EXPECT_EQ(message.icon, platform::MessageIcon::kStop);
  EXPECT_NE(message.text.find("log09.pms"), std::string::npos);
  EXPECT_NE(message.text.find("192 KB"), std::string::npos) << "the reason is named";
  EXPECT_EQ(app.host()->pageMemory().slots()[10], "http://127.0.0.1/ten");
  EXPECT_TRUE(std::filesystem::exists(Slot(9)));
  const auto steps = Steps({"Logo destroy", "message"});
  EXPECT_EQ(steps, (std::vector<std::string>{"Logo destroy", "message"}));
}

TEST_F(StartupTest, AFileTheStartCouldNotReadOutlivesTheEndUnlessItsSlotGotAPage) {
  std::filesystem::create_directory(temp.path() / "Log");
  const std::string big(pages::kSlotFileLimit + 1, 'x');
  WriteBytes(Slot(1), big);
  WriteBytes(Slot(2), big);
  StartAndWaitForMain();
  platform.shell.Open("http://127.0.0.1/zero", "0");
  platform.shell.Open("http://127.0.0.1/one", "1");
  platform.ui.Advance(200ms);  // the poller records two windows: slots 0 and 1
  MainForm()->ChooseCommand(tray::kEndProgram);
  ASSERT_TRUE(platform.program.ended());
  EXPECT_EQ(ReadBytes(Slot(1)), "http://127.0.0.1/one") << "a page now open is worth more";
  EXPECT_EQ(ReadBytes(Slot(2)), big) << "kept for the next start";
  EXPECT_EQ(ReadBytes(Slot(3)), "");
}

TEST_F(StartupTest, AFileNamedLogIsReportedAndTheProgramRunsWithoutPageFiles) {
  WriteBytes(temp.path() / "Log", "in the way");
  StartAndWaitForMain();
  ASSERT_EQ(platform.ui.messages().size(), 1U);
  EXPECT_NE(platform.ui.messages()[0].text.find("Log"), std::string::npos);
  EXPECT_EQ(ReadBytes(temp.path() / "Log"), "in the way");
  EXPECT_FALSE(platform.program.ended());
}

TEST_F(StartupTest, AFailedSaveAtTheEndAnsweredNoKeepsTheProgramResidentUntilTheUserEndsAgain) {
  std::filesystem::create_directory(temp.path() / "Log");
  WriteBytes(Slot(5), "http://127.0.0.1/five");
  StartAndWaitForMain();
  std::filesystem::create_directory(Slot(5));  // the save cannot put a file there
  platform.ui.answers.push_back(platform::Answer::kNo);
  MainForm()->ChooseCommand(tray::kEndProgram);
  ASSERT_EQ(platform.ui.questions().size(), 1U);
  EXPECT_NE(platform.ui.questions()[0].find("log05.pms"), std::string::npos);
  EXPECT_NE(MainForm(), nullptr) << "nothing is unloaded";
  EXPECT_FALSE(platform.program.ended());
  EXPECT_EQ(app.host()->pageMemory().slots()[5], "http://127.0.0.1/five");

  std::filesystem::remove(Slot(5));  // the user makes room and ends again
  MainForm()->ChooseCommand(tray::kEndProgram);
  EXPECT_TRUE(platform.program.ended());
  EXPECT_EQ(ReadBytes(Slot(5)), "http://127.0.0.1/five");
}

TEST_F(StartupTest, ARecoveryCopyTheStartCouldNotReadIsNamedWhereItWentAndOutlivesTheEnd) {
  std::filesystem::create_directory(temp.path() / "Log");
  const std::string unread = "Pagemind recovery 1\nhttp://127.0.0.1/killed\nend\n";
  WriteBytes(pages::RecoveryCopyPath(temp.path()), unread);
  StartAndWaitForMain();
  ASSERT_EQ(platform.ui.messages().size(), 1U);
  const auto& text = platform.ui.messages().front().text;
  const auto aside = temp.path() / "Log" / "recovery.pmr.unread1";
  EXPECT_NE(text.find(Utf8FromPath(aside) + "」に名前を変えて残しました。"), std::string::npos)
      << text;
  EXPECT_EQ(ReadBytes(aside), unread);
  MainForm()->ChooseCommand(tray::kEndProgram);
  ASSERT_TRUE(platform.program.ended());
  EXPECT_EQ(ReadBytes(aside), unread);
}

}  // namespace
}  // namespace pagemind::app
