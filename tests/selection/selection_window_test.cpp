#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"
#include "common/paths.h"
#include "pages/page_choice.h"
#include "pages/page_history.h"
#include "selection/selection_window.h"
#include "tray/menu_commands.h"

namespace pagemind::selection {
namespace {

using namespace std::chrono_literals;
using testing::ReadBytes;

std::string Page(int i) {
  return "http://127.0.0.1/" + std::to_string(i);
}

TEST(ChoiceList, CurrentPagesFirstThenEachSetUnderItsLocalTimeWithTitlesWhereSeen) {
  platform::headless::HeadlessClock clock;  // UTC+9
  const std::vector<pages::RememberedPage> current = {{Page(1), "一"}};
  const std::vector<pages::PageSet> history = {
      {.time = 1'796'601'600 + 15 * 3600 + 5 * 60, .pages = {{Page(2), ""}, {Page(3), "三"}}},
      {.time = 1'796'601'600, .pages = {{Page(4), ""}}}};
  const auto sets = pages::ChoiceSets(current, history);
  const auto list = MakeChoiceList(sets, clock);
  const std::vector<std::pair<std::string, bool>> expected = {
      {"現在のページ  (1 ページ)", false},
      {"一", true},
      {"2026/12/08 00:05  (2 ページ)", false},
      {Page(2), true},
      {"三", true},
      {"2026/12/07 09:00  (1 ページ)", false},
      {Page(4), true}};
  ASSERT_EQ(list.rows.size(), expected.size());
  for (std::size_t i = 0; i < list.rows.size(); ++i) {
    EXPECT_EQ(list.rows[i].text, expected[i].first) << i;
    EXPECT_EQ(list.rows[i].checkable, expected[i].second) << i;
    EXPECT_FALSE(list.rows[i].checked) << i;
  }
  // Headings never count as chosen; a page checked in two sets opens once.
  const auto again = pages::ChoiceSets({{Page(2), ""}}, history);
  const auto chosen = pages::ChosenAddresses(
      again, MakeChoiceList(again, clock).Checked({true, true, true, true, true}));
  EXPECT_EQ(chosen, (std::vector{Page(2), Page(3)}));
}

class SelectionTest : public testing::ResidentApp {
 protected:
  // The history a last run left: an older set of three pages and a newer one of one.
  void StartWithHistory() {
    std::filesystem::create_directories(temp.path() / "Log");
    pages::PageHistory history(platform.files, temp.path());
    (void)history.Load();
    (void)history.Add({.time = 1000, .pages = {{Page(1), "one"}, {Page(2), ""}, {Page(3), ""}}});
    (void)history.Add({.time = 2000, .pages = {{Page(9), ""}}});
    Start();
    platform.shell.Open(Page(5), "five");
    platform.ui.Advance(100ms);
  }
  platform::headless::HeadlessForm* Selection() const { return Window("PageSelection"); }
  // Chooses the menu item, runs `whileShown` inside the window's modal loop, and lets the
  // commands posted meanwhile run.
  void ChoosePages(std::vector<std::function<void()>> whileShown) {
    for (auto& action : whileShown) platform.ui.whileModal.push_back(std::move(action));
    NextMenuChoice(tray::kChoosePages);
    platform.notifyArea.RightClick();
    platform.ui.Advance(100ms);
  }
};

TEST_F(SelectionTest, TwoPagesOfAnOlderSetCheckedByKeyOpenExactlyThoseInListOrder) {
  StartWithHistory();
  std::vector<std::string> shownRows;
  ChoosePages({[&] {
    auto* window = Selection();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->shownModally());
    for (const auto& row : window->Rows(PageSelection::kList1)) shownRows.push_back(row.text);
    // Rows: current heading, five; newer heading, 9; older heading, one, 2, 3.
    window->ToggleRow(PageSelection::kList1, 7);  // page 3
    window->ToggleRow(PageSelection::kList1, 5);  // one
    window->ToggleRow(PageSelection::kList1, 4);  // a heading: nothing
    window->PressEnter();
  }});
  EXPECT_EQ(shownRows.size(), 8u);
  ASSERT_GE(shownRows.size(), 6u);
  EXPECT_EQ(shownRows[0], "現在のページ  (1 ページ)");
  EXPECT_EQ(shownRows[1], "five");
  EXPECT_EQ(shownRows[5], "one");
  EXPECT_EQ(Navigated(), (std::vector{Page(1), Page(3)}));
  EXPECT_EQ(Selection(), nullptr) << "the window goes once its pages are opened";
}

TEST_F(SelectionTest, NothingOpensWithoutOpenAndTheMenuItemClosesTheWindow) {
  StartWithHistory();
  ChoosePages({[&] {
    Selection()->Click(PageSelection::kCommand2);  // すべて選択
    Selection()->PressEscape();
  }});
  EXPECT_EQ(Selection(), nullptr);
  ChoosePages({[&] {
    Selection()->Click(PageSelection::kCommand2);
    Selection()->Click(PageSelection::kCommand3);  // 選択解除
    Selection()->PressEnter();                     // nothing checked: nothing to open
    EXPECT_NE(Selection(), nullptr);
    NextMenuChoice(tray::kChoosePages);
    platform.notifyArea.RightClick();
  }});
  EXPECT_EQ(Selection(), nullptr) << "the tray toggle";
  EXPECT_TRUE(Navigated().empty());
}

TEST_F(SelectionTest, SaveWritesTheCheckedAddressesInTheAnsiCodePageWithCrLf) {
  std::filesystem::create_directories(temp.path() / "Log");
  pages::PageHistory history(platform.files, temp.path());
  (void)history.Load();
  (void)history.Add({.time = 1000, .pages = {{"http://例え.jp/検索", "t"}, {Page(2), ""}}});
  Start();
  const auto file = temp.path() / "pages.txt";
  platform.ui.onSaveDialog = [&](const platform::SaveDialogOptions&) {
    return platform::SaveDialogResult{platform::SaveDialogResult::Outcome::kConfirmed,
                                      Utf8FromPath(file)};
  };
  ChoosePages({[&] {
    Selection()->Click(PageSelection::kCommand2);
    Selection()->Click(PageSelection::kCommand4);
    Selection()->PressEscape();
  }});
  EXPECT_EQ(ReadBytes(file),
            "http://\x97\xe1\x82\xa6.jp/\x8c\x9f\x8d\xf5\r\nhttp://127.0.0.1/2\r\n");
  EXPECT_TRUE(Navigated().empty());
}

TEST(PageSetsOfEnds, TheEndCommandAndTheEndOfTheSessionEachKeepTheirSet) {
  for (const bool sessionEnd : {false, true}) {
    testing::TempFolder folder;
    platform::headless::HeadlessPlatform run{folder.path()};
    app::Application program{run.ports()};
    program.Start();
    run.ui.Advance(3000ms);
    run.shell.Open(Page(sessionEnd ? 2 : 1), "t");
    run.ui.Advance(100ms);
    if (sessionEnd) {
      run.ui.Find("Main")->RequestClose(platform::UnloadReason::kWindowsSession);
    } else {
      run.ui.onPopupMenu = [](const std::vector<platform::MenuItem>&) { return tray::kEndProgram; };
      run.notifyArea.RightClick();
      run.ui.Advance(100ms);
    }
    EXPECT_TRUE(run.program.ended());
    const auto parsed =
        pages::ParseHistoryFile(ReadBytes(pages::HistoryFilePath(folder.path(), 0)));
    ASSERT_EQ(parsed.set.pages.size(), 1u) << "session end: " << sessionEnd;
    EXPECT_EQ(parsed.set.pages[0].address, Page(sessionEnd ? 2 : 1));
    EXPECT_EQ(parsed.set.time, run.clock.now);
  }
}

}  // namespace
}  // namespace pagemind::selection
