#pragma once

#include <optional>
#include <vector>

#include "about/about_window.h"
#include "access_log/access_log.h"
#include "app/browser_pages.h"
#include "app/main_form.h"
#include "app/tray_command_table.h"
#include "pages/page_memory.h"
#include "pages/page_slots.h"
#include "platform/ports.h"
#include "selection/selection_window.h"
#include "settings/settings_window.h"
#include "tray/logon_start.h"
#include "tray/tray_icon.h"

namespace pagemind::app {

// The resident program once the splash window has gone: it owns the page memory and the access
// log, the tray icon and the windows, runs the tray's commands and the two ways the program
// ends. Its windows only show and report; what the program does lives here.
class ResidentHost final : MainEvents, tray::TrayCommands {
 public:
  explicit ResidentHost(platform::Ports ports);
  ResidentHost(const ResidentHost&) = delete;
  ResidentHost& operator=(const ResidentHost&) = delete;

  // Loads the hidden main window, takes the pages of the last run when page memory is on, and
  // shows the tray icon.
  void Start();
  // What went wrong with the page-memory files at the start, for the user once the splash
  // window is gone.
  void ReportStartupProblems();

  // A tray command, from the icon or the menu: see the command table.
  void CommandChosen(tray::MenuCommand command) override;
  [[nodiscard]] bool StartsAtLogon() const override { return logonStart_.IsOn(); }

  [[nodiscard]] const pages::PageMemory& pageMemory() const { return pageMemory_; }
  [[nodiscard]] const access_log::AccessLog& accessLog() const { return accessLog_; }
  [[nodiscard]] bool pageMemoryOn() const { return pageMemoryOn_; }

 private:
  // The handlers of the tray menu's items.
  void CommandPagemind_Click();
  void CommandChoosePages_Click();
  void CommandShowLog_Click();
  void CommandShowSettings_Click();
  void CommandShowVersion_Click();
  void CommandLogonStart_Click();
  void CommandEnd_Click();

  void PollTimerTicked() override;
  void RecoveryTimerTicked() override;
  void CommandPosted(int commandId) override;
  void EndRequested(platform::UnloadReason reason) override;

  [[nodiscard]] std::vector<TrayCommand> CommandTable();
  // The pages the one-step reopen opens: the slots' and the browsers' offered sets'.
  [[nodiscard]] std::size_t ReopenedPageCount() const;
  // Closes the settings, about and selection windows where they show, so that their modal
  // loops return before a command runs from the top of the event loop.
  void CloseModalWindows();
  // Unloads the windows and ends the process at once.
  void EndProgram(platform::UnloadReason reason);

  platform::Ports ports_;
  access_log::AccessLog accessLog_;
  pages::PageMemory pageMemory_;
  BrowserPages browserPages_;
  Main main_;
  selection::PageSelection selection_;
  settings::Settings settings_;
  about::AboutVer about_;
  tray::LogonStart logonStart_;
  std::optional<tray::TrayIcon> trayIcon_;
  std::vector<TrayCommand> commands_;
  bool pageMemoryOn_ = false;
  pages::FileProblems startupProblems_;
};

}  // namespace pagemind::app
