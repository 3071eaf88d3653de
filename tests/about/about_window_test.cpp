#include <gtest/gtest.h>

#include <filesystem>

#include "app_fixture.h"
#include "common/project_info.h"
#include "tray/menu_commands.h"

namespace pagemind::about {
namespace {

class AboutWindowTest : public testing::ResidentApp {
 protected:
  platform::headless::HeadlessForm* Open() {
    main->ChooseCommand(tray::kToggleAbout);
    return Window("AboutVer");
  }
};

TEST_F(AboutWindowTest, ShowsTheVersionTheProgramCarries) {
  for (const Version version : {Version{1, 0, 0}, Version{2, 1, 5}, Version{1, 10, 3}}) {
    testing::TempFolder folder;
    platform::headless::HeadlessPlatform p(folder.path());
    p.program.version = version;
    app::Application a(p.ports());
    a.Start();
    p.ui.Advance(std::chrono::milliseconds(3000));
    p.ui.Find("Main")->ChooseCommand(tray::kToggleAbout);
    EXPECT_EQ(p.ui.Find("AboutVer")->TextNamed("Label2"), VersionLabel(version));
  }
}

TEST_F(AboutWindowTest, LinksOpenExactlyWhatTheyShow) {
  Start();
  auto* w = Open();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->TextNamed("Label2"), "Ver:1.00");
  w->ClickNamed("Label4");
  w->ClickNamed("Label6");
  EXPECT_EQ(platform.shell.shellOpened,
            (std::vector<std::string>{w->TextNamed("Label4"), "mailto:" + w->TextNamed("Label6")}));
  EXPECT_TRUE(w->IsVisible()) << "a link leaves the window as it is";
}

TEST_F(AboutWindowTest, LinksStartInTheProgramsFolderNotTheCurrentOne) {
  Start();
  auto* w = Open();
  ASSERT_NE(w, nullptr);
  w->ClickNamed("Label4");
  w->ClickNamed("Label6");
  ASSERT_FALSE(temp.path().empty());
  EXPECT_NE(temp.path(), std::filesystem::current_path());
  EXPECT_EQ(platform.shell.shellOpenedIn,
            (std::vector<std::filesystem::path>{temp.path(), temp.path()}));
}

TEST_F(AboutWindowTest, OkHidesAndTheMenuShowsItAgainUnchanged) {
  Start();
  auto* w = Open();
  w->PressEnter();
  EXPECT_FALSE(w->IsVisible());
  EXPECT_EQ(Open(), w);
  EXPECT_TRUE(w->IsVisible());
  w->RequestClose(platform::UnloadReason::kUserClose);
  EXPECT_EQ(Window("AboutVer"), nullptr);
  EXPECT_EQ(Open()->TextNamed("Label2"), "Ver:1.00");
}

}  // namespace
}  // namespace pagemind::about
