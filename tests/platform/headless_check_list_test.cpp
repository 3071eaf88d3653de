// The headless check list: what the behaviour's tests rely on it to do as a list view does.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "platform/headless/headless_ui.h"

namespace pagemind::platform::headless {
namespace {

enum : int { kRows = 1, kOk = 2 };

struct NoEvents : FormEvents {
  int clicks = 0;
  void OnClick(int /*controlId*/) override { ++clicks; }
};

class HeadlessCheckList : public ::testing::Test {
 protected:
  void SetUp() override {
    FormLayout layout{.name = "Select", .caption = "Pagemind - ページの選択"};
    layout.controls = {
        ControlLayout{.id = kRows, .name = "List1", .kind = ControlKind::kCheckList},
        ControlLayout{.id = kOk, .name = "Command1", .kind = ControlKind::kButton, .text = "OK"},
    };
    form = std::make_unique<HeadlessForm>(ui, layout, events);
  }
  static std::vector<CheckListRow> TwoSets() {
    return {{.text = "セット 1", .checkable = false},
            {.text = "http://127.0.0.1/a", .checked = true},
            {.text = "http://127.0.0.1/b"},
            {.text = "セット 2", .checkable = false},
            {.text = "http://127.0.0.1/c"}};
  }

  Journal journal;
  HeadlessUi ui{journal};
  NoEvents events;
  std::unique_ptr<HeadlessForm> form;
};

TEST_F(HeadlessCheckList, RowsReadBackWithHeadingsNeverCheckedAndFocusOnTheFirstPage) {
  auto rows = TwoSets();
  rows[3].checked = true;  // a heading asked to show checked still has no box
  form->SetCheckListRows(kRows, rows);
  EXPECT_EQ(form->CheckedRows(kRows), (std::vector<bool>{false, true, false, false, false}));
  EXPECT_EQ(form->Rows(kRows).at(3).text, "セット 2");
  EXPECT_EQ(form->FocusedRow(kRows), 1U);

  // Replacing the rows drops the old ones and their states.
  form->SetCheckListRows(kRows, {{.text = "x", .checkable = false}, {.text = "y"}});
  EXPECT_EQ(form->CheckedRows(kRows), (std::vector<bool>{false, false}));
  EXPECT_EQ(form->FocusedRow(kRows), 1U);
  form->SetCheckListRows(kRows, {{.text = "only a heading", .checkable = false}});
  EXPECT_EQ(form->FocusedRow(kRows), std::nullopt);
  form->SetCheckListRows(kRows, {});
  EXPECT_TRUE(form->CheckedRows(kRows).empty());
}

TEST_F(HeadlessCheckList, SetRowCheckedIgnoresHeadingsAndRowsOutOfRange) {
  form->SetCheckListRows(kRows, TwoSets());
  form->SetRowChecked(kRows, 0, true);
  form->SetRowChecked(kRows, 5, true);
  form->SetRowChecked(kRows, 1, false);
  form->SetRowChecked(kRows, 4, true);
  EXPECT_EQ(form->CheckedRows(kRows), (std::vector<bool>{false, false, false, false, true}));
}

TEST_F(HeadlessCheckList, SpaceTogglesAPageRowAndLeavesAHeadingWithoutAnEvent) {
  form->SetCheckListRows(kRows, TwoSets());
  form->ToggleRow(kRows, 2);
  form->ToggleRow(kRows, 1);
  form->ToggleRow(kRows, 3);
  EXPECT_EQ(form->CheckedRows(kRows), (std::vector<bool>{false, false, true, false, false}));
  EXPECT_EQ(form->FocusedRow(kRows), 3U) << "space on a heading still focuses it";
  form->ToggleRow(kRows, 2);
  EXPECT_EQ(form->CheckedRows(kRows), (std::vector<bool>{false, false, false, false, false}));
  EXPECT_EQ(events.clicks, 0);
  EXPECT_THROW(form->ToggleRow(kRows, 5), std::out_of_range);
}

TEST_F(HeadlessCheckList, OtherControlsAreNoCheckLists) {
  EXPECT_THROW(form->SetCheckListRows(kOk, TwoSets()), std::logic_error);
  EXPECT_THROW((void)form->CheckedRows(kOk), std::logic_error);
  EXPECT_THROW(form->SetRowChecked(kOk, 0, true), std::logic_error);
  EXPECT_THROW((void)form->CheckedRows(99), std::out_of_range);
}

}  // namespace
}  // namespace pagemind::platform::headless

#endif  // _WIN32
