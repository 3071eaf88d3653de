#pragma once

#include <memory>
#include <optional>
#include <string>

#include "access_log/access_log.h"
#include "pages/page_memory.h"
#include "platform/ports.h"
#include "selection/selection_window.h"
#include "tray/logon_start.h"
#include "tray/tray_icon.h"

namespace pagemind::app {

class Application;

// The hidden main window, which shows the access log when the user asks for it. It wires the
// page memory, the access log and the tray icon to its controls and routes the tray's commands.
class Main final : platform::FormEvents, access_log::AccessLogView, tray::TrayCommands {
 public:
  enum Control : int { kList1 = 1, kCommand1, kCommand2, kPicture1, kLabel1 };
  enum Timer : int { kTimer1 = 1, kRecoveryTimer };

  Main(platform::Ports ports, Application& application);

  // Creates the window hidden and runs Form_Load.
  void Load();
  // Unloads the window unless Form_QueryUnload refuses; true when it went.
  bool Unload(platform::UnloadReason reason);
  [[nodiscard]] bool loaded() const { return form_ != nullptr; }

  // What went wrong with the page-memory files while loading, for the user once the splash
  // window is gone.
  void ReportStartupProblems();

  // A tray command, from the icon or the menu. A command that closes the window it would show
  // runs at once; every other one runs from the top of the event loop, after a modal window of
  // the program has given way to it.
  void CommandChosen(tray::MenuCommand command) override;
  [[nodiscard]] bool StartsAtLogon() const override { return logonStart_.IsOn(); }

  [[nodiscard]] const pages::PageMemory& pageMemory() const { return pageMemory_; }
  [[nodiscard]] selection::PageSelection& selection() { return selection_; }
  [[nodiscard]] const access_log::AccessLog& accessLog() const { return accessLog_; }
  [[nodiscard]] bool UseLog() const { return useLog_; }

  static platform::FormLayout Layout();

 private:
  void Form_Load();
  [[nodiscard]] bool Form_QueryUnload(platform::UnloadReason reason) const;
  void Form_Unload();
  void Form_Terminate();
  void Timer1_Timer();
  void Command1_Click();
  void Command2_Click();

  void RunCommand(tray::MenuCommand command);
  // The tray toggle: true when the command's window was visible and is now closed.
  bool CloseIfShown(tray::MenuCommand command);
  void CommandPagemind_Click();
  void CommandChoosePages_Click();
  void CommandShowLog_Click();
  void CommandShowSettings_Click();
  void CommandShowVersion_Click();
  void CommandEnd_Click();

  void OnCommand(int commandId) override;
  void OnTimer(int timerId) override;
  void OnClick(int controlId) override;
  void OnCloseRequest(platform::UnloadReason reason) override;

  void LineInsertedAtTop(std::string_view line) override;
  void LastLineRemoved() override;
  void Cleared() override;
  void CounterChanged(std::string_view text) override;

  platform::Ports ports_;
  Application& application_;
  std::unique_ptr<platform::Form> form_;
  access_log::AccessLog accessLog_;
  pages::PageMemory pageMemory_;
  selection::PageSelection selection_;
  tray::LogonStart logonStart_;
  bool useLog_ = false;
  pages::FileProblems startupProblems_;
  std::optional<tray::TrayIcon> trayIcon_;
  // The Save dialog offers the last file chosen in this run.
  std::string lastSavePath_;
};

}  // namespace pagemind::app
