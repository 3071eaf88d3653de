#pragma once

#include <functional>
#include <string>
#include <vector>

#include "forms/loaded_window.h"
#include "pages/page_choice.h"
#include "pages/page_memory.h"
#include "platform/ports.h"
#include "selection/choice_list.h"

namespace pagemind::selection {

// The window in which the user chooses pages to open again: the pages remembered now and the
// sets of the history, each page with a check box. Nothing opens until the user presses 開く.
class PageSelection final : platform::FormEvents {
 public:
  enum Control : int { kList1 = 1, kCommand1, kCommand2, kCommand3, kCommand4, kCommand5 };

  // Opens pages chosen from a browser session's set in that browser; returns those not opened.
  using OpenInBrowser = std::function<std::vector<std::string>(const pages::ChosenGroup& group)>;

  PageSelection(platform::Ports ports, pages::PageMemory& memory, OpenInBrowser openInBrowser)
      : ports_(ports), memory_(memory), openInBrowser_(std::move(openInBrowser)) {}

  bool IsVisibleLoadingIfNeeded();
  [[nodiscard]] bool IsShown() { return window_.loaded() && window_.form().IsVisible(); }
  void ShowModal() { window_.ShowModal(); }
  void Unload() { window_.Unload(); }

  static platform::FormLayout Layout();

 private:
  void Load();
  void Form_Load();
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command4_Click();
  void Command5_Click();
  void CheckEveryPage(bool checked);
  [[nodiscard]] std::vector<std::string> Chosen();

  void OnClick(int controlId) override;
  void OnCloseRequest(platform::UnloadReason reason) override;

  platform::Ports ports_;
  pages::PageMemory& memory_;
  OpenInBrowser openInBrowser_;
  LoadedWindow window_;
  std::vector<pages::ChoiceSet> sets_;
  ChoiceList list_;
  std::string lastSavePath_;
};

}  // namespace pagemind::selection
