#include <gtest/gtest.h>

#include "app/application.h"
#include "platform/headless/headless_platform.h"
#include "test_support.h"
#include "tray/menu_commands.h"

namespace pagemind::app {
namespace {

using namespace std::chrono_literals;
using platform::headless::HeadlessPlatform;
using testing::TempFolder;

class MainPollTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app.Start();
    platform.ui.Advance(3000ms);
    main = platform.ui.Find("Main");
    ASSERT_NE(main, nullptr);
  }
  TempFolder temp;
  HeadlessPlatform platform{temp.path()};
  Application app{platform.ports()};
  platform::headless::HeadlessForm* main = nullptr;
};

TEST_F(MainPollTest, TheTimerVisitsOneWindowEveryHundredMilliseconds) {
  platform.shell.Open("http://127.0.0.1/a", "A");
  platform.shell.Open("http://127.0.0.1/b", "B");
  platform.ui.Advance(100ms);
  EXPECT_EQ(main->LineCount(Main::kList1), 2U);
  platform.ui.Advance(100ms);
  EXPECT_EQ(main->Line(Main::kList1, 0), "Name:B");
  EXPECT_EQ(app.host()->pageMemory().slots()[1], "http://127.0.0.1/b");
  platform.ui.Advance(100ms);
  EXPECT_EQ(main->TextNamed("Label1"), "Count:2");
}

TEST_F(MainPollTest, TheListKeepsAtMostTheLinesItsSaveWrites) {
  for (int i = 0; i < 40; ++i) platform.shell.Open("http://127.0.0.1/" + std::to_string(i), "T");
  platform.ui.Advance(100ms * 5010);  // two lines a tick, the list never cleared
  EXPECT_EQ(main->LineCount(Main::kList1), access_log::kLineLimit);
  EXPECT_EQ(main->Line(Main::kList1, 0).substr(0, 5), "Name:") << "the newest stay on top";
}

TEST_F(MainPollTest, TheReopenCommandReportsPagesItCouldNotOpen) {
  platform.shell.Open("ms-settings:privacy", "odd");
  platform.ui.Advance(100ms);
  platform.shell.Crash();
  platform.shell.failing.insert("CreateBrowser");
  main->ChooseCommand(tray::kReopenPages);
  ASSERT_EQ(platform.ui.messages().size(), 1U);
  EXPECT_NE(platform.ui.messages()[0].text.find("ms-settings:privacy"), std::string::npos);
  EXPECT_EQ(app.host()->pageMemory().slots()[0], "ms-settings:privacy");
}

TEST_F(MainPollTest, AfterACrashTheEndCommandSavesThePagesThatWereOpen) {
  platform.shell.Open("http://127.0.0.1/a,1", "A");
  platform.shell.Open("http://127.0.0.1/b", "B");
  platform.ui.Advance(3100ms + 200ms);
  platform.shell.Crash();
  platform.ui.Advance(5s);
  main->ChooseCommand(tray::kReopenPages);
  EXPECT_EQ(platform.shell.shellOpened.size() + platform.shell.created.size(), 2U);
  main->ChooseCommand(tray::kEndProgram);
  EXPECT_EQ(testing::ReadBytes(pages::SlotFilePath(temp.path(), 0)), "http://127.0.0.1/a,1");
  EXPECT_EQ(testing::ReadBytes(pages::SlotFilePath(temp.path(), 1)), "http://127.0.0.1/b");
}

TEST_F(MainPollTest, UnloadingLetsGoOfTheLastBrowserVisited) {
  auto window = platform.shell.Open("http://127.0.0.1/a", "A");
  platform.ui.Advance(100ms);
  EXPECT_EQ(window.use_count(), 3);
  main->ChooseCommand(tray::kEndProgram);
  EXPECT_EQ(window.use_count(), 2) << "held by the test and the shell's list only";
}

}  // namespace
}  // namespace pagemind::app
