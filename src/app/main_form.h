#pragma once

#include <memory>
#include <optional>
#include <string>

#include "pages/page_slots.h"
#include "pages/poller.h"
#include "pages/reopen.h"
#include "platform/ports.h"
#include "tray/tray_icon.h"

namespace pagemind::app {

class Application;

// The hidden main window: it owns the page memory and the tray presence for the whole run and,
// when the user asks for it, shows the access log.
class Main final : platform::FormEvents, pages::AccessLogLines {
 public:
  enum Control : int { kList1 = 1, kCommand1, kCommand2, kPicture1, kLabel1 };
  enum Timer : int { kTimer1 = 1, kTrayRetryTimer };

  Main(platform::Ports ports, Application& application);

  // Creates the window hidden and runs Form_Load.
  void Load();
  // Unloads the window unless Form_QueryUnload refuses; true when it went.
  bool Unload(platform::UnloadReason reason);
  [[nodiscard]] bool loaded() const { return form_ != nullptr; }

  // What went wrong with the page-memory files while loading, for the user once the splash
  // window is gone.
  void ReportStartupProblems();

  void CommandEnd_Click();
  void CommandPagemind_Click();
  void CommandShowLog_Click();
  void CommandShowSettings_Click();
  void CommandShowVersion_Click();
  // The notification-area icon's callback with the mouse message over the icon.
  void Picture1_MouseDown(int mouseMessage);

  [[nodiscard]] const pages::PageSlots& PageSlots() const { return pageSlots_; }
  [[nodiscard]] int PollIndex() const { return pollIndex_; }
  [[nodiscard]] bool UseLog() const { return useLog_; }

  static platform::FormLayout Layout();

 private:
  void Form_Load();
  [[nodiscard]] bool Form_QueryUnload(platform::UnloadReason reason) const;
  void Form_Unload();
  void Form_Terminate();
  void Command1_Click();
  void Command2_Click();
  void RegisterTrayIcon();

  void OnCommand(int commandId) override;
  void OnTimer(int timerId) override;
  void OnClick(int controlId) override;
  void OnTrayMessage(int mouseMessage) override;
  void OnTaskbarCreated() override;

  void InsertAtTop(std::string_view line) override;
  void Clear() override;
  void SetCounter(std::string_view text) override;
  void OnCloseRequest(platform::UnloadReason reason) override;

  platform::Ports ports_;
  Application& application_;
  std::unique_ptr<platform::Form> form_;

  pages::PageSlots pageSlots_;
  int pollIndex_ = 0;
  bool useLog_ = false;
  pages::FileProblems startupProblems_;
  // Slot files the start could not read: kept on disk for the next start while their slot
  // holds nothing newer.
  pages::SlotMask unreadSlotFiles_;
  pages::Poller poller_;
  pages::Reopener reopener_;
  std::optional<tray::TrayIcon> trayIcon_;
  // The Save dialog offers the last file chosen in this run.
  std::string lastSavePath_;
};

}  // namespace pagemind::app
