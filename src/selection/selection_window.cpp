#include "selection/selection_window.h"

#include "access_log/access_log.h"
#include "forms/save_with_dialog.h"
#include "forms/unopened_pages_message.h"
#include "pages/reopen.h"

namespace pagemind::selection {

using platform::ControlKind;

platform::FormLayout PageSelection::Layout() {
  constexpr int kButtonTop = 4440;
  constexpr int kButtonWidth = 1155;
  constexpr int kButtonHeight = 375;
  const auto button = [](int id, const char* name, const char* text, int column) {
    return platform::ControlLayout{
        .id = id,
        .name = name,
        .kind = ControlKind::kButton,
        .text = text,
        .rect = {172 + column * (kButtonWidth + 120), kButtonTop, kButtonWidth, kButtonHeight}};
  };
  platform::FormLayout layout;
  layout.name = "PageSelection";
  layout.caption = "Pagemind - ページの選択";
  layout.clientWidth = 6600;
  layout.clientHeight = kButtonTop + kButtonHeight + 120;
  layout.border = platform::Border::kFixedSingle;
  auto open = button(kCommand1, "Command1", "開く", 0);
  open.isDefault = true;
  auto close = button(kCommand5, "Command5", "閉じる", 4);
  close.isCancel = true;
  layout.controls = {
      {.id = kList1,
       .name = "List1",
       .kind = ControlKind::kCheckList,
       .rect = {120, 120, 6360, 4200}},
      open,
      button(kCommand2, "Command2", "すべて選択", 1),
      button(kCommand3, "Command3", "選択解除", 2),
      button(kCommand4, "Command4", "保存...", 3),
      close,
  };
  return layout;
}

bool PageSelection::IsVisibleLoadingIfNeeded() {
  if (!window_.loaded()) Load();
  return window_.form().IsVisible();
}

void PageSelection::Load() {
  window_.Set(ports_.ui.CreateForm(Layout(), *this));
  Form_Load();
}

void PageSelection::Form_Load() {
  sets_ =
      pages::ChoiceSets(memory_.rememberedPages(), memory_.history(), memory_.liveBrowserSets());
  list_ = MakeChoiceList(sets_, ports_.clock);
  window_.form().SetCheckListRows(kList1, list_.rows);
}

std::vector<std::string> PageSelection::Chosen() {
  return pages::ChosenAddresses(sets_, list_.Checked(window_.form().CheckedRows(kList1)));
}

void PageSelection::Command1_Click() {
  auto chosen = pages::ChosenGroups(sets_, list_.Checked(window_.form().CheckedRows(kList1)));
  if (chosen.empty()) return;
  Unload();
  // Browsers are started from the top of the event loop, as the reopen command is.
  ports_.ui.Post([this, chosen = std::move(chosen)] {
    std::vector<std::string> unopened;
    for (const auto& group : chosen) {
      auto failed = group.source.isShellWindow() ? memory_.OpenChosen(group.addresses)
                                                 : openInBrowser_(group);
      unopened.insert(unopened.end(), failed.begin(), failed.end());
    }
    if (!unopened.empty()) {
      ports_.ui.ShowMessage(UnopenedPagesMessage(unopened), platform::MessageIcon::kStop);
    }
  });
}

void PageSelection::Command2_Click() {
  CheckEveryPage(true);
}

void PageSelection::Command3_Click() {
  CheckEveryPage(false);
}

void PageSelection::CheckEveryPage(bool checked) {
  for (std::size_t i = 0; i < list_.pageOfRow.size(); ++i) {
    if (list_.pageOfRow[i]) window_.form().SetRowChecked(kList1, i, checked);
  }
}

void PageSelection::Command4_Click() {
  // The pages checked when the dialog closes: the list may change while it shows.
  SaveWithDialog(
      ports_, window_.form(), access_log::SaveDialogOptions({}), lastSavePath_,
      [this] {
        const auto chosen = Chosen();
        return access_log::FileBytes(
            [&chosen](std::size_t i) { return i < chosen.size() ? chosen[i] : std::string(); },
            ports_.ansi);
      },
      "ページの一覧を保存できませんでした。");
}

void PageSelection::Command5_Click() {
  Unload();
}

void PageSelection::OnClick(int controlId) {
  switch (controlId) {
    case kCommand1:
      return Command1_Click();
    case kCommand2:
      return Command2_Click();
    case kCommand3:
      return Command3_Click();
    case kCommand4:
      return Command4_Click();
    case kCommand5:
      return Command5_Click();
    default:
      return;
  }
}

void PageSelection::OnCloseRequest(platform::UnloadReason /*reason*/) {
  Unload();
}

}  // namespace pagemind::selection
